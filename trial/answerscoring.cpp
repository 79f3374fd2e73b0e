#include "trial/answerscoring.h"

#include "trial/scoring.h"

namespace {
const QString kMother = QStringLiteral("mother");
const QString kStranger = QStringLiteral("stranger");
const double kMsPerSecond = 1000.0;
} // namespace

void scoreAnswer(TrialEntry &entry, TokenRecord &token, bool answeredMother, double reactionTimeMs,
                 const QString &fileName, const QString &subCode)
{
    const QString stim = tokenClass(fileName, subCode);
    entry.stim = stim;
    entry.resp = answeredMother ? kMother : kStranger;
    entry.correctness = entry.stim == entry.resp;
    entry.rt = reactionTimeMs;

    token.stim = stim;
    if (answeredMother)
        ++token.nMother;
    else
        ++token.nStranger;
    token.rt += reactionTimeMs;
    if (entry.correctness)
        token.rt_correct += reactionTimeMs;
    else
        token.rt_incorrect += reactionTimeMs;
}

int playbackDelayMs(double soundDurationS, double silentIntervalS)
{
    return static_cast<int>((soundDurationS + silentIntervalS) * kMsPerSecond);
}

bool isRightAnswer(bool answeredMother, const QString &fileName, const QString &subCode)
{
    return isMotherToken(fileName, subCode) == answeredMother;
}
