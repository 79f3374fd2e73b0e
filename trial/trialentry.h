#ifndef TRIALENTRY_H
#define TRIALENTRY_H

#include <QString>

// One trial of a session: which token was played, what it was, what the subject
// answered and how long the answer took (milliseconds from the end of the sound).
struct TrialEntry
{
    TrialEntry() = default;
    explicit TrialEntry(const QString &folder) : folder(folder) { }

    QString folder;
    QString fileName;
    QString stim;
    QString resp;
    bool correctness = false;
    double rt = 0.0;
};

#endif // TRIALENTRY_H
