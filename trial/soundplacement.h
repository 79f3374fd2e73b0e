#ifndef SOUNDPLACEMENT_H
#define SOUNDPLACEMENT_H

#include "trial/deviceclock.h"

#include <QByteArray>

#include <atomic>
#include <mutex>

// The endless stream that one output plays for a whole session: silence,
// with each sound placed at the frame that the device plays at the sound's
// due time. Sounds then start without the start-up delay and jitter of a new
// output, and their start and end at the device are known in advance.
//
// Two threads meet here. The output's own thread calls fill() for the next
// frames of the stream, whenever the server asks; the GUI thread queues the
// next sound and asks where it was placed. They share one short lock, which
// the GUI thread holds only to swap the queued sound, so the output's thread
// never waits on the GUI.
class SoundPlacement
{
public:
    SoundPlacement(int bytesPerFrame, DeviceClock *clock);

    // GUI thread. The sound (bytes as the output plays them, whole frames)
    // to start at dueNs; it replaces a sound that has not started. A sound
    // due before the next frame to be filled starts at that frame.
    void queueSound(const QByteArray &bytes, qint64 dueNs);
    void cancelSound();
    // The first frame of the last queued sound and the frame after its last,
    // once fill() has placed it; else both -1.
    void placedSound(qint64 *firstFrame, qint64 *endFrame) const;

    // Output thread: writes the stream's next frames to data.
    void fill(char *data, qint64 frames);
    qint64 framesFilled() const { return framesOut.load(); }

private:
    const int frameBytes;
    DeviceClock *const clock;
    mutable std::mutex lock;
    std::atomic<qint64> framesOut { 0 };
    // Guarded by lock.
    QByteArray sound;
    qint64 soundDueNs = 0;
    qint64 soundStart = -1; // its first frame, once fixed
    qint64 soundEnd = -1;
    bool soundDone = false; // all of it handed out
};

#endif // SOUNDPLACEMENT_H
