#ifndef DEVICECLOCK_H
#define DEVICECLOCK_H

#include <QtGlobal>

#include <deque>
#include <mutex>

// When each frame of an output's stream is played by the device, on the
// monotonic clock (std::chrono::steady_clock nanoseconds, QElapsedTimer's).
//
// An output reports readings: at time t the device plays frame f. Each
// implies an origin, t - f / rate, the time frame 0 played (or would have).
// What a reading is worth depends on where it comes from:
//  - LateReadings: a count of what has left a buffer, read now and then. It
//    can only be late (the buffer was emptied before it was looked at), so
//    the earliest origin of the window is the best.
//  - ServerReadings: the sound server's own report of what its device plays,
//    interpolated between its updates; as often a little early as late, and
//    it may step when the server corrects it. The median of the window's
//    origins is the best.
// Readings older than the window are dropped, so that the clock follows a
// sound card whose clock drifts from the system's. Readings come from the
// output's thread, questions from the GUI thread: a short lock guards them.
// Now on that clock.
qint64 monotonicNowNs();

class DeviceClock
{
public:
    enum Kind { LateReadings, ServerReadings };

    DeviceClock(int frameRate, Kind kind);

    void observe(qint64 nowNs, double frame);
    // Forgets the readings, as when the stream stalled and resumed.
    void restart();
    // When frame plays; before any reading, -1.
    qint64 frameTimeNs(qint64 frame) const;
    // The frame that plays at timeNs, rounded to the nearest; before any
    // reading, -1.
    qint64 frameAt(qint64 timeNs) const;

    int rate() const { return frameRate; }

private:
    double originLocked() const;

    const int frameRate;
    const Kind kind;
    mutable std::mutex lock;
    // (reading time, implied origin), oldest first.
    std::deque<std::pair<qint64, double>> readings;
};

#endif // DEVICECLOCK_H
