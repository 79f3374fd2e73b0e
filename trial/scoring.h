#ifndef SCORING_H
#define SCORING_H

#include "sound/tokenrecord.h"
#include "trial/trialentry.h"

#include <QString>
#include <QVector>

// The mother-token rule: a token is the mother's voice when its file name
// contains the right-most three characters of the subject code (the whole code
// when shorter), compared case-sensitively. An empty code matches every name.
bool isMotherToken(const QString &fileName, const QString &subCode);

// "mother" or "stranger", by the rule above.
QString tokenClass(const QString &fileName, const QString &subCode);

// Whether answering "Mother" (or not) to fileName is right.
bool isRightAnswer(bool answeredMother, const QString &fileName, const QString &subCode);

// How many of a token's answers were right: its "Mother" answers when it is
// the mother's token, else its "Stranger" answers.
int rightAnswerCount(const QString &fileName, const QString &subCode, int nMother, int nStranger);

// Scores one answer to the token fileName: fills the trial's entry and adds
// the answer to the token's count and reaction-time sums (total and right or
// wrong).
void scoreAnswer(TrialEntry &entry, TokenRecord &token, bool answeredMother, double reactionTimeMs,
                 const QString &fileName, const QString &subCode);

// Turns the per-token reaction-time sums into means. A sum over no answers
// stays 0. Must run once per session: a second run would divide again.
void computeTokenAverages(QVector<TokenRecord> &tokens, const QString &subCode);

#endif // SCORING_H
