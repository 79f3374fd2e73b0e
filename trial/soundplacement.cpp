#include "trial/soundplacement.h"

#include <cstring>

SoundPlacement::SoundPlacement(int bytesPerFrame, DeviceClock *deviceClock)
    : frameBytes(bytesPerFrame), clock(deviceClock)
{
}

void SoundPlacement::queueSound(const QByteArray &bytes, qint64 dueNs)
{
    const QByteArray whole = bytes.left(bytes.size() / frameBytes * frameBytes);
    std::lock_guard<std::mutex> guard(lock);
    sound = whole;
    soundDueNs = dueNs;
    soundStart = soundEnd = -1;
    soundDone = sound.isEmpty();
}

void SoundPlacement::cancelSound()
{
    std::lock_guard<std::mutex> guard(lock);
    soundDone = true;
}

void SoundPlacement::placedSound(qint64 *firstFrame, qint64 *endFrame) const
{
    std::lock_guard<std::mutex> guard(lock);
    *firstFrame = soundStart;
    *endFrame = soundEnd;
}

void SoundPlacement::fill(char *data, qint64 frames)
{
    const qint64 first = framesOut.load();
    std::memset(data, 0, size_t(frames * frameBytes));
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!soundDone && soundStart < 0) {
            // Placed once its due frame is among these (or already past):
            // the clock is then as good as it gets before the sound plays.
            const qint64 due = clock->frameAt(soundDueNs);
            if (due >= 0 && due < first + frames) {
                soundStart = qMax(due, first);
                soundEnd = soundStart + sound.size() / frameBytes;
            }
        }
        if (!soundDone && soundStart >= 0) {
            const qint64 from = qMax(soundStart, first);
            const qint64 to = qMin(soundEnd, first + frames);
            if (to > from)
                std::memcpy(data + (from - first) * frameBytes,
                            sound.constData() + (from - soundStart) * frameBytes,
                            size_t((to - from) * frameBytes));
            soundDone = soundEnd <= first + frames;
        }
    }
    framesOut.store(first + frames);
}
