#ifndef SESSIONJOURNAL_H
#define SESSIONJOURNAL_H

#include "app/sessionparameters.h"
#include "trial/trialentry.h"
#include "trial/trialtiming.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

// A running session's answers on disk, so that a crash, a killed process or a
// power cut loses none of them. One file per session, one JSON object per line
// (UTF-8; tabs, line breaks and other control characters in names come out
// escaped, so no name can break a line):
//
//   {"kind":"session","started":..., "trials":N, "parameters":{...},
//   "tokens":[{"folder","filename"}...]}
//   {"kind":"trial","trial":1,"time":...,"folder":...,"filename":...,"stim":...,"resp":...,"correctness":1,"rt":412,
//   "timing":{"due_ns":...,"onset_ns":...,"end_ns":...,"output_latency_ms":...,"rt_clock_lag_ns":...,"dropouts":0,"output":...,"device":...}}
//
// The first line holds everything the parameters file and the records file
// need (every token, answered or not, in the session's order); each later line
// is one answer with its trial's timing (a field not known is left out),
// written and fsync'ed before the next sound is due. A journal
// left behind is an unfinished session. Its writer holds an exclusive flock()
// on it as long as it lives, so a journal whose process is gone (killed,
// crashed, or the machine stopped) can be told from one that another running
// Tellwyn is still writing.
class SessionJournal
{
public:
    SessionJournal() = default;
    ~SessionJournal(); // keeps the file: a journal that was not removed is unfinished
    SessionJournal(const SessionJournal &) = delete;
    SessionJournal &operator=(const SessionJournal &) = delete;

    // Creates a new journal in folder and writes the session's first line
    // (p with its tokens; one trial per entry). Empty, or why it cannot be written.
    QString start(const QString &folder, const SessionParameters &p);
    // Appends one answered trial (counted from 1), with its timing when there
    // is one, and makes it durable. Empty, or why it could not be written.
    QString append(int trialNumber, const TrialEntry &entry, const TrialTiming *timing = nullptr);
    // Takes over a journal left by a process that is gone. Empty, or why not
    // (a running program, this one included, is writing it).
    QString adopt(const QString &path);
    // Stops writing and unlocks; the file stays.
    void close();
    // Deletes the journal.
    void remove();

    bool isWritable() const { return writable; }
    QString path() const { return journalPath; }

private:
    QString writeLine(const QByteArray &line);

    QString journalPath;
    QFile file; // open, and locked, while this object writes or recovers the journal
    bool writable = false;
};

// Where journals live: <generic data location>/Tellwyn/journal, i.e.
// ~/.local/share/Tellwyn/journal (or $XDG_DATA_HOME/Tellwyn/journal).
QString journalFolder();

// Every journal in folder, oldest first.
QStringList journalFiles(const QString &folder);

// The two kinds of line.
QByteArray journalSessionLine(const SessionParameters &p, const QDateTime &started);
QByteArray journalTrialLine(int trialNumber, const TrialEntry &entry, const QDateTime &time,
                            const TrialTiming *timing = nullptr);

// A session rebuilt from its journal as its end would have left it for the
// trials answered: every token with its counts and mean times, one entry per
// answer in trial order, and the timing of each of them.
struct RecoveredSession
{
    SessionParameters parameters;
    int trials = 0; // planned
    int answers = 0; // recovered
    int damagedLines = 0; // lines that could not be read, left out
    // One per entry. A journal written before trials were timed holds none:
    // its trials get empty fields (see readJournal).
    QVector<TrialTiming> timings;
    QDateTime started;
    QString error; // why nothing could be rebuilt; empty when parameters hold the session

    bool ok() const { return error.isEmpty(); }
};

RecoveredSession readJournal(const QString &path);

#endif // SESSIONJOURNAL_H
