#ifndef RESULTFILES_H
#define RESULTFILES_H

#include "app/sessionparameters.h"
#include "sound/tokenrecord.h"
#include "trial/trialentry.h"
#include "trial/trialtiming.h"

#include <QString>
#include <QVector>

// The result files of a session as text: TAB-separated columns, numbers
// as a default QTextStream prints them (%g with 6 significant digits), bools as
// 0 and 1, "\n" between lines and none after the last. Writing turns "\n" into
// the platform's line end.

// Header and one row per token; empty when there are no tokens.
QString recordsFileText(const QVector<TokenRecord> &tokens);

// Header and one row per trial; empty when there are no entries.
QString entriesFileText(const QVector<TrialEntry> &entries);

// Header and one row per trial: trial, filename, due_ms, onset_ms,
// onset_error_ms, output_latency_ms, end_ms, rt_clock_lag_ms, dropouts,
// output, device. Times in ms to 0.001 with a dot, whatever the locale; a
// field not known is empty. Control characters in names come out as \t, \n,
// \r or \xHH. Empty when there are no trials.
QString timingFileText(const QVector<TrialTiming> &timings);

// text as one field of a TAB-separated table: a tab, line break or other
// control character would break the row and is written as a C escape (\t,
// \n, \r, \xHH); every other character stays as it is, as in the entries
// file.
QString tableField(const QString &text);

// The 23 "key: value" lines of the session record.
QString parametersFileText(const SessionParameters &p);

// The names beside the records file: base + "_entries." + suffix, where base
// is everything before the last dot (run.data.txt -> run.data_entries.txt,
// run -> run_entries.).
QString entriesFileName(const QString &recordsFileName);
QString parametersFileName(const QString &recordsFileName);
QString timingFileName(const QString &recordsFileName);

// Text of the warning for a file that could not be written.
QString writeFailureMessage(const QString &folder, const QString &fileName);

// Writes text to path whole or not at all: an existing file keeps its old
// content when anything fails. Empty, or why the file could not be written.
QString writeWholeTextFile(const QString &path, const QString &text);

#endif // RESULTFILES_H
