#ifndef ANSWERSCORING_H
#define ANSWERSCORING_H

#include "sound/tokenrecord.h"
#include "trial/trialentry.h"

#include <QString>

// Codes the subject window sends with subjectResponded(int).
enum ResponseCode {
    ResponseReady = 0,
    ResponseMother = 2,
    ResponseStranger = 4,
    ResponseNext = 5,
};

// Scores one answer to the token fileName: fills the trial's entry and adds
// the answer to the token's count and reaction-time sums (total and right or
// wrong), classifying the token by the mother-token rule.
void scoreAnswer(TrialEntry &entry, TokenRecord &token, bool answeredMother, double reactionTimeMs,
                 const QString &fileName, const QString &subCode);

// Milliseconds from an answer to the next sound: sound plus silent interval,
// truncated toward zero (0.25 s + 1.0 s -> 1250, 0.0008 s -> 0).
int playbackDelayMs(double soundDurationS, double silentIntervalS);

// Whether the answer to fileName is right, for the subject's feedback.
bool isRightAnswer(bool answeredMother, const QString &fileName, const QString &subCode);

#endif // ANSWERSCORING_H
