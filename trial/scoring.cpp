#include "trial/scoring.h"

#include "trial/resultformat.h"

bool isMotherToken(const QString &fileName, const QString &subCode)
{
    return fileName.indexOf(subCode.right(3), 0, Qt::CaseSensitive) >= 0;
}

QString tokenClass(const QString &fileName, const QString &subCode)
{
    return isMotherToken(fileName, subCode) ? ResultFormat::kMother : ResultFormat::kStranger;
}

bool isRightAnswer(bool answeredMother, const QString &fileName, const QString &subCode)
{
    return isMotherToken(fileName, subCode) == answeredMother;
}

int rightAnswerCount(const QString &fileName, const QString &subCode, int nMother, int nStranger)
{
    return isMotherToken(fileName, subCode) ? nMother : nStranger;
}

void scoreAnswer(TrialEntry &entry, TokenRecord &token, bool answeredMother, double reactionTimeMs,
                 const QString &fileName, const QString &subCode)
{
    const QString stim = tokenClass(fileName, subCode);
    entry.stim = stim;
    entry.resp = answeredMother ? ResultFormat::kMother : ResultFormat::kStranger;
    entry.correctness = isRightAnswer(answeredMother, fileName, subCode);
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

void computeTokenAverages(QVector<TokenRecord> &tokens, const QString &subCode)
{
    for (TokenRecord &t : tokens) {
        const int answers = t.nMother + t.nStranger;
        if (answers != 0)
            t.rt /= answers;
        const int nCorrect = rightAnswerCount(t.fileName, subCode, t.nMother, t.nStranger);
        const int nIncorrect = answers - nCorrect;
        if (nCorrect != 0)
            t.rt_correct /= nCorrect;
        if (nIncorrect != 0)
            t.rt_incorrect /= nIncorrect;
    }
}
