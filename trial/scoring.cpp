#include "trial/scoring.h"

bool isMotherToken(const QString &fileName, const QString &subCode)
{
    return fileName.indexOf(subCode.right(3), 0, Qt::CaseSensitive) >= 0;
}

QString tokenClass(const QString &fileName, const QString &subCode)
{
    return isMotherToken(fileName, subCode) ? QStringLiteral("mother") : QStringLiteral("stranger");
}

void computeTokenAverages(QVector<TokenRecord> &tokens, const QString &subCode)
{
    for (TokenRecord &t : tokens) {
        const int answers = t.nMother + t.nStranger;
        if (answers != 0)
            t.rt /= answers;
        // The right answers to a mother token are its "Mother" answers, to a
        // stranger token its "Stranger" answers.
        const bool mother = isMotherToken(t.fileName, subCode);
        const int nCorrect = mother ? t.nMother : t.nStranger;
        const int nIncorrect = mother ? t.nStranger : t.nMother;
        if (nCorrect != 0)
            t.rt_correct /= nCorrect;
        if (nIncorrect != 0)
            t.rt_incorrect /= nIncorrect;
    }
}
