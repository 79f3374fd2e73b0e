#ifndef RESULTSET_H
#define RESULTSET_H

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// One saved session read back from its three result files: the parameters
// file, and beside it the records and entries files it names. The timing
// file beside them is read only on request (readTimingFile).
struct ResultSet
{
    QString parametersPath; // names the set in messages
    QString recordsPath;
    QString entriesPath;
    QString timingPath; // may not exist: sessions saved before trials were timed
    QString subject;
    QString sessionType;
    int sessionTypeIndex = 0;
    int session = 0;
    int nTimes = 0;
    bool feedBack = false;
    bool autoPlay = false;
    // The rows as written, fields unchanged: filename, nMother, nStranger, rt,
    // rt_correct, rt_incorrect per token; filename, stim, resp, correctness, rt
    // per trial.
    QVector<QStringList> tokens;
    QVector<QStringList> trials;
    // The timing file's rows as written, by trial number; empty until read.
    QMap<int, QStringList> timing;

    // Trials of a complete session; a session that ended early saved fewer.
    int plannedTrials() const { return nTimes * int(tokens.size()); }
};

// Whether fileName has the form of a parameters file, BASE_parameters.SUFFIX.
bool isParametersFileName(const QString &fileName);
// The same for an entries file, BASE_entries.SUFFIX.
bool isEntriesFileName(const QString &fileName);

// The folder and base name the three files share, naming the session in
// messages: /data/SUB001_practice001 for .../SUB001_practice001_parameters.txt.
QString resultSetName(const QString &parametersPath);

// Reads and checks the set of the parameters file at parametersPath. Returns
// an empty string when all three files are there, well formed and agree with
// each other; otherwise why not, naming the file (without folder) and line. The paths of set
// are filled as soon as the parameters file names them.
QString readResultSet(const QString &parametersPath, ResultSet &set);

// Reads the timing file of a set already read into set.timing. Returns an
// empty string when it is there and well formed; otherwise why not, and
// set.timing stays empty.
QString readTimingFile(ResultSet &set);

#endif // RESULTSET_H
