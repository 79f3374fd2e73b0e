#include "trial/trialsequence.h"

int playbackDelayMs(double soundDurationS, double silentIntervalS)
{
    return static_cast<int>((soundDurationS + silentIntervalS) * 1000.0);
}

void TrialSequence::prepare(const QVector<int> &order)
{
    tokens = order;
    next = 0;
    answers = 0;
    answered = -1;
    running = false;
}

void TrialSequence::start()
{
    running = true;
    answers = 0;
}

void TrialSequence::stop()
{
    running = false;
}

void TrialSequence::arm()
{
    if (next < tokens.size())
        ++next;
}

int TrialSequence::waitingTrial() const
{
    const int armed = next - 1;
    return running && armed >= 0 && armed != answered ? armed : -1;
}

void TrialSequence::recordAnswer()
{
    answered = waitingTrial();
    ++answers;
}
