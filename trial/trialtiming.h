#ifndef TRIALTIMING_H
#define TRIALTIMING_H

#include <QString>

#include <optional>

// When one trial's sound was due and when the device played it. Times are
// nanoseconds on the monotonic clock (monotonicNowNs()) counted from the
// moment "I am ready" arrived. A field the session never learnt (a token
// without samples, no output, a sound cut off by the end of the session)
// stays empty.
struct TrialTiming
{
    int trial = 0; // counted from 1, in the order played
    QString fileName;
    std::optional<qint64> dueNs;
    // By the output's clock: when the device plays the first play's first
    // sample, and the end of the last play's last sample, i.e. when it plays
    // the frame after it (soundEndFrame), the moment soundEnded() and the
    // reaction-time clock take for "the last sample played".
    std::optional<qint64> onsetNs;
    std::optional<qint64> endNs;
    // The output's latency from the stream to the device, read as the sound started.
    std::optional<double> outputLatencyMs;
    // The reaction-time clock's start minus endNs.
    std::optional<qint64> rtClockLagNs;
    // Underruns the output reported from the sound's start to its end.
    std::optional<int> dropouts;
    QString output;
    QString device;
};

#endif // TRIALTIMING_H
