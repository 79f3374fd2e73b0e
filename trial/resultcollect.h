#ifndef RESULTCOLLECT_H
#define RESULTCOLLECT_H

#include "trial/resultset.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Every result set found under some folders, for one table across sessions.
struct CollectedSets
{
    // Read whole, sorted by subject, session type (in the program's order),
    // session number, then path.
    QVector<ResultSet> sets;
    QStringList skipped; // one line per set or file left out, and why
    QStringList notes; // read, but worth knowing: sessions that ended early, repeats
};

// Finds the result sets under folders and their subfolders (hidden files and
// folders left out) by their parameters files, and reads each. A set with a
// missing or malformed file is left out whole and named in skipped, as is an
// entries file with no parameters file and a folder that does not exist.
// Timing files are no sets of their own; withTiming reads each set's, and a
// set whose timing file is missing or malformed is kept, with a note.
CollectedSets collectResultSets(const QStringList &folders, bool withTiming = false);

// One row per trial, tab-separated, with a header line and "\n" after every line:
// subject, session_type, session, trial, filename, stim, resp, correctness, rt,
// feedback, autoplay. The trial numbers count from 1 in the order played.
// withTiming adds onset_error_ms and output_latency_ms from the sets' timing
// files, joined by trial number; empty where a set or trial has none.
QString trialTable(const QVector<ResultSet> &sets, bool withTiming = false);

// One row per session and token, in the records file's order: subject,
// session_type, session, filename, stim, n_mother, n_stranger, rt, rt_correct,
// rt_incorrect, feedback, autoplay. A mean over no answers is NA (the records
// file writes 0 there).
QString tokenTable(const QVector<ResultSet> &sets);

#endif // RESULTCOLLECT_H
