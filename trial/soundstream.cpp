#include "trial/soundstream.h"

#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstring>

namespace {
const qint64 kNsPerSecond = 1000000000;
// Long enough to hold many reports of the server, short enough that a sound
// card's clock cannot drift from the system's by much within it.
const qint64 kClockWindowNs = 2 * kNsPerSecond;
} // namespace

SoundStream::SoundStream(int frameRate, int bytesPerFrame, QObject *parent)
    : QIODevice(parent), rate(frameRate), frameBytes(bytesPerFrame)
{
}

qint64 SoundStream::steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

void SoundStream::startProbing(int intervalMs)
{
    if (!probeTimer) {
        probeTimer = new QTimer(this);
        probeTimer->setTimerType(Qt::PreciseTimer);
        connect(probeTimer, &QTimer::timeout, this, &SoundStream::probe);
    }
    probeTimer->start(intervalMs);
}

void SoundStream::probe()
{
    if (isOpen() && heldBytes)
        observe(clockNs(), heldBytes() / frameBytes);
}

void SoundStream::observe(qint64 nowNs, qint64 heldFrames)
{
    const qint64 played = framesOut - heldFrames;
    if (played <= 0)
        return; // not playing yet: no reading of where the stream stands
    const qint64 origin = nowNs - played * kNsPerSecond / rate;
    while (!origins.empty() && origins.back().second >= origin)
        origins.pop_back();
    origins.emplace_back(nowNs, origin);
    while (origins.front().first < nowNs - kClockWindowNs)
        origins.pop_front();
}

void SoundStream::restartClock()
{
    origins.clear();
}

qint64 SoundStream::frameTimeNs(qint64 frame) const
{
    if (!origins.empty())
        return origins.front().second + frame * kNsPerSecond / rate;
    // No reading yet: all held frames play from now on.
    const qint64 held = heldBytes ? heldBytes() / frameBytes : 0;
    return clockNs() + (frame - (framesOut - held)) * kNsPerSecond / rate;
}

void SoundStream::queueSound(const QByteArray &bytes, qint64 dueNs)
{
    sound = bytes.left(bytes.size() / frameBytes * frameBytes);
    soundDueNs = dueNs;
    soundStart = -1;
}

void SoundStream::cancelSound()
{
    sound.clear();
    soundStart = -1;
}

qint64 SoundStream::readData(char *data, qint64 maxSize)
{
    const qint64 frames = maxSize / frameBytes;
    if (heldBytes)
        observe(clockNs(), heldBytes() / frameBytes);
    std::memset(data, 0, size_t(frames * frameBytes));
    if (!sound.isEmpty() && soundStart < 0) {
        const double originNs = double(frameTimeNs(0));
        const qint64 due = std::llround((soundDueNs - originNs) * rate / kNsPerSecond);
        if (due < framesOut + frames) {
            soundStart = qMax(due, framesOut);
            emit soundPlaced(soundStart, soundStart + sound.size() / frameBytes);
        }
    }
    if (soundStart >= 0) {
        const qint64 soundFrames = sound.size() / frameBytes;
        const qint64 from = qMax(soundStart, framesOut);
        const qint64 to = qMin(soundStart + soundFrames, framesOut + frames);
        if (to > from)
            std::memcpy(data + (from - framesOut) * frameBytes,
                        sound.constData() + (from - soundStart) * frameBytes,
                        size_t((to - from) * frameBytes));
        if (soundStart + soundFrames <= framesOut + frames)
            cancelSound(); // all of it handed out
    }
    framesOut += frames;
    return frames * frameBytes;
}
