#include "app/mainwindow.h"

#include <cmath>

// The timing of each trial, on the monotonic clock from "I am ready": the
// playback code tells when a trial's sound starts and ends, and the output's
// own clock and reports fill in the rest. A trial gets its row once its sound
// is played (a token without samples too), so a sound still waiting when the
// session stops leaves none. With more than one play per trial, the start is
// the first play's and the end the last play's.

void MainWindow::noteSoundStarted(qint64 onsetNs)
{
    if (nPlays != 1)
        return;
    TrialTiming t;
    t.trial = trials.nextTrial(); // counted from 1: the trial just armed
    t.fileName = parameters.wavFileName;
    t.dueNs = soundDueNs - trialsStartNs;
    dropoutsAtSoundStart = -1;
    if (soundOutput) {
        t.output = soundOutput->name();
        t.device = soundOutput->device();
    }
    // A token without samples plays nothing: no onset, latency or dropouts.
    if (onsetNs >= 0 && soundOutput) {
        t.onsetNs = onsetNs - trialsStartNs;
        const double latencyMs = soundOutput->latencyMs();
        if (std::isfinite(latencyMs))
            t.outputLatencyMs = latencyMs;
        dropoutsAtSoundStart = soundOutput->dropouts();
    }
    trialTimings.append(t);
}

void MainWindow::noteSoundEnded(qint64 endNs)
{
    // No sound started at the device, so none ended there.
    if (trialTimings.isEmpty() || endNs < 0 || !trialTimings.constLast().onsetNs)
        return;
    TrialTiming t = trialTimings.constLast();
    t.endNs = endNs - trialsStartNs;
    t.rtClockLagNs = reactionClockLagNs;
    if (soundOutput && dropoutsAtSoundStart >= 0)
        t.dropouts = soundOutput->dropouts() - dropoutsAtSoundStart;
    trialTimings.replace(trialTimings.size() - 1, t);
}

const TrialTiming *MainWindow::timingOfTrial(int trial) const
{
    for (auto t = trialTimings.crbegin(); t != trialTimings.crend(); ++t) {
        if (t->trial == trial)
            return &*t;
    }
    return nullptr;
}
