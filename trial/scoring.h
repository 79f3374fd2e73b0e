#ifndef SCORING_H
#define SCORING_H

#include "sound/tokenrecord.h"

#include <QString>
#include <QVector>

// The mother-token rule: a token is the mother's voice when its file name
// contains the right-most three characters of the subject code (the whole code
// when shorter), compared case-sensitively. An empty code matches every name.
bool isMotherToken(const QString &fileName, const QString &subCode);

// "mother" or "stranger", by the rule above.
QString tokenClass(const QString &fileName, const QString &subCode);

// Turns the per-token reaction-time sums into means. A sum over no answers
// stays 0. Must run once per session: a second run would divide again.
void computeTokenAverages(QVector<TokenRecord> &tokens, const QString &subCode);

#endif // SCORING_H
