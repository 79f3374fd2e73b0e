#include "trial/resultcollect.h"

#include "trial/resultformat.h"
#include "trial/scoring.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

const QString kNotAvailable = "NA";
const int kOnsetErrorColumn = ResultFormat::kTimingColumns.indexOf("onset_error_ms");
const int kLatencyColumn = ResultFormat::kTimingColumns.indexOf("output_latency_ms");

struct FoundFiles
{
    QStringList parameters;
    QStringList entries;
};

void findFiles(const QString &folder, FoundFiles &found)
{
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); // hidden ones left out
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString path = info.canonicalFilePath();
        if (isParametersFileName(info.fileName()))
            found.parameters << path;
        else if (isEntriesFileName(info.fileName()))
            found.entries << path;
    }
}

bool sessionBefore(const ResultSet &a, const ResultSet &b)
{
    if (int c = QString::compare(a.subject, b.subject); c != 0)
        return c < 0;
    if (a.sessionTypeIndex != b.sessionTypeIndex)
        return a.sessionTypeIndex < b.sessionTypeIndex;
    if (int c = QString::compare(a.sessionType, b.sessionType); c != 0)
        return c < 0;
    if (a.session != b.session)
        return a.session < b.session;
    return a.parametersPath < b.parametersPath;
}

bool sameSession(const ResultSet &a, const ResultSet &b)
{
    return a.subject == b.subject && a.sessionType == b.sessionType && a.session == b.session;
}

// The columns every row of a session begins with.
QString sessionColumns(const ResultSet &set)
{
    return set.subject + '\t' + set.sessionType + '\t' + QString::number(set.session);
}

QString switchColumns(const ResultSet &set)
{
    return QString("\t%1\t%2").arg(int(set.feedBack)).arg(int(set.autoPlay));
}

} // namespace

CollectedSets collectResultSets(const QStringList &folders, bool withTiming)
{
    CollectedSets result;
    FoundFiles found;
    for (const QString &folder : folders) {
        if (QFileInfo(folder).isDir())
            findFiles(folder, found);
        else
            result.skipped << folder + ": not a folder";
    }
    // Folders given twice, or one inside another, find the same files twice.
    found.parameters = QSet<QString>(found.parameters.begin(), found.parameters.end()).values();
    found.parameters.sort();

    QMap<QString, QString> failures; // parameters path -> why
    QSet<QString> claimed; // records and entries files named by a parameters file
    for (const QString &path : qAsConst(found.parameters)) {
        ResultSet set;
        const QString error = readResultSet(path, set);
        if (error.isEmpty())
            result.sets << set;
        else
            failures.insert(path, resultSetName(path) + ": " + error);
        claimed << set.recordsPath << set.entriesPath;
    }
    // A records file may itself be named like a parameters or entries file
    // (a chosen name such as x_entries.txt); it is then no set of its own.
    for (auto it = failures.cbegin(); it != failures.cend(); ++it) {
        if (!claimed.contains(it.key()))
            result.skipped << it.value();
    }
    QStringList orphans;
    for (const QString &path : qAsConst(found.entries)) {
        const QFileInfo info(path);
        const QString base = info.completeBaseName().chopped(int(qstrlen("_entries")));
        const QString parameters = base + "_parameters." + info.suffix();
        if (!claimed.contains(path) && !info.dir().exists(parameters))
            orphans << path + ": no parameters file " + parameters + " beside it";
    }
    orphans.removeDuplicates();
    orphans.sort();
    result.skipped << orphans;

    std::sort(result.sets.begin(), result.sets.end(), sessionBefore);
    for (int i = 0; i < result.sets.size(); ++i) {
        ResultSet &set = result.sets[i];
        // Timing is an addition to the answers, never a reason to leave them out.
        if (withTiming) {
            if (const QString error = readTimingFile(set); !error.isEmpty())
                result.notes << resultSetName(set.parametersPath) + ": " + error
                                + "; its timing columns are empty";
        }
        if (set.trials.size() < set.plannedTrials())
            result.notes << resultSetName(set.parametersPath)
                            + QString(": %1 of %2 trials (the session ended early)")
                                      .arg(set.trials.size())
                                      .arg(set.plannedTrials());
        if (i > 0 && sameSession(result.sets[i - 1], set))
            result.notes << resultSetName(set.parametersPath) + ": the same session as "
                            + resultSetName(result.sets[i - 1].parametersPath)
                            + "; both are in the table";
    }
    return result;
}

QString trialTable(const QVector<ResultSet> &sets, bool withTiming)
{
    QString table = "subject\tsession_type\tsession\ttrial\tfilename\tstim\tresp\tcorrectness\t"
                    "rt\tfeedback\tautoplay";
    table += withTiming ? "\tonset_error_ms\toutput_latency_ms\n" : "\n";
    for (const ResultSet &set : sets) {
        for (int i = 0; i < set.trials.size(); ++i) {
            table += sessionColumns(set) + '\t' + QString::number(i + 1) + '\t'
                    + set.trials[i].join('\t') + switchColumns(set);
            if (withTiming) {
                const QStringList timing = set.timing.value(i + 1);
                table += '\t' + timing.value(kOnsetErrorColumn) + '\t'
                        + timing.value(kLatencyColumn);
            }
            table += '\n';
        }
    }
    return table;
}

QString tokenTable(const QVector<ResultSet> &sets)
{
    QString table = "subject\tsession_type\tsession\tfilename\tstim\tn_mother\tn_stranger\trt\t"
                    "rt_correct\trt_incorrect\tfeedback\tautoplay\n";
    for (const ResultSet &set : sets) {
        for (const QStringList &t : set.tokens) {
            const int nMother = t[1].toInt();
            const int nStranger = t[2].toInt();
            const int nCorrect = rightAnswerCount(t[0], set.subject, nMother, nStranger);
            const int nAnswers = nMother + nStranger;
            auto mean = [](int n, const QString &value) { return n > 0 ? value : kNotAvailable; };
            table += sessionColumns(set) + '\t' + t[0] + '\t' + tokenClass(t[0], set.subject) + '\t'
                    + t[1] + '\t' + t[2] + '\t' + mean(nAnswers, t[3]) + '\t' + mean(nCorrect, t[4])
                    + '\t' + mean(nAnswers - nCorrect, t[5]) + switchColumns(set) + '\n';
        }
    }
    return table;
}
