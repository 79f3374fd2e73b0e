#ifndef TOKENRECORD_H
#define TOKENRECORD_H

#include <QString>

// One sound token (one WAV file of the session folder) with its answer tallies.
// rt, rt_correct and rt_incorrect are sums of milliseconds while trials run and
// means once computeTokenAverages() has run at the end of the session.
struct TokenRecord
{
    TokenRecord(); // folder = the user's desktop folder
    TokenRecord(const QString &folder, const QString &fileName);

    QString path() const { return folder + QLatin1Char('/') + fileName; }

    QString folder;
    QString fileName;
    QString stim;
    qint32 nMother = 0;
    qint32 nStranger = 0;
    double rt = 0.0;
    double rt_correct = 0.0;
    double rt_incorrect = 0.0;
};

#endif // TOKENRECORD_H
