#include "trial/resultset.h"

#include "trial/resultfiles.h"
#include "trial/resultformat.h"
#include "trial/scoring.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextCodec>

#include <climits>
#include <cmath>

namespace {

using namespace ResultFormat;

const QString kRecordsHeader = kRecordsColumns.join(kColumnSeparator);
const QString kEntriesHeader = kEntriesColumns.join(kColumnSeparator);
const QString kTimingHeader = kTimingColumns.join(kColumnSeparator);
// Far above the 23 short lines Tellwyn writes; a larger file is something else.
const qint64 kMaxParametersFileBytes = 1 << 20;

bool hasInfix(const QString &fileName, const QString &infix)
{
    return QFileInfo(fileName).completeBaseName().endsWith(infix);
}

// The files are written in the encoding of the session's locale: UTF-8 on
// any current system, which is tried first, else the local 8-bit one.
QString decode(const QByteArray &bytes)
{
    QTextCodec::ConverterState state;
    const QString text =
            QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 ? text : QString::fromLocal8Bit(bytes);
}

// The file's lines, or an error. The program writes no line end after the
// last line; one there is tolerated, an empty line anywhere else is not.
QString readLines(const QString &path, QStringList &lines)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.exists())
        return name + " is missing";
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return name + " cannot be read (" + file.errorString() + ")";
    const QString text = decode(file.readAll());
    if (file.error() != QFileDevice::NoError)
        return name + " cannot be read (" + file.errorString() + ")";
    if (text.isEmpty())
        return name + " is empty";
    lines = text.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            return name + QString(" line %1 is empty").arg(i + 1);
    }
    return QString();
}

bool isInt(const QString &text, int &value, int min)
{
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok && text.trimmed() == text && value >= min;
}

// A non-negative finite number such as the result files hold (1250, 0.5, 1.23457e+06).
bool isTime(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && text.trimmed() == text && std::isfinite(value) && value >= 0;
}

// A number of ms as the timing file writes it, or empty where it is not known.
bool isTimingField(const QString &text)
{
    bool ok = text.isEmpty();
    const double value = ok ? 0.0 : text.toDouble(&ok);
    return ok && text.trimmed() == text && std::isfinite(value);
}

bool isSwitch(const QString &text, bool &value)
{
    value = text == "1";
    return text == "0" || text == "1";
}

// Text the tab-separated table could not hold unquoted.
bool unfitForTable(const QString &text)
{
    return text.contains('\t') || text.contains('\r') || text.contains('"');
}

QString readParameters(const QString &path, ResultSet &set)
{
    const QString name = QFileInfo(path).fileName();
    if (QFileInfo(path).size() > kMaxParametersFileBytes)
        return name + " is too large for a parameters file";
    QStringList lines;
    if (QString error = readLines(path, lines); !error.isEmpty())
        return error;
    const QStringList keys = parameterKeys();
    QHash<QString, QString> values;
    for (int i = 0; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(kKeySeparator);
        const QString key = lines[i].left(colon);
        if (colon < 0 || !keys.contains(key) || values.contains(key))
            return name + QString(" line %1 is not a parameter line: %2").arg(i + 1).arg(lines[i]);
        values.insert(key, lines[i].mid(colon + kKeySeparator.size()));
    }
    for (const QString &key : keys) {
        if (!values.contains(key))
            return name + " has no " + key + " line";
    }
    auto bad = [&name](const QString &key, const QString &value) {
        return name + ": " + key + " is \"" + value + "\"";
    };
    const QStringList typeNames = values["sesTypeNames"].split(kListSeparator);
    if (!isInt(values["sesTypeIndex"], set.sessionTypeIndex, 0)
        || set.sessionTypeIndex >= typeNames.size())
        return bad("sesTypeIndex", values["sesTypeIndex"]);
    set.sessionType = typeNames[set.sessionTypeIndex];
    set.subject = values["subCode"];
    if (!isInt(values["sesNum"], set.session, INT_MIN))
        return bad("sesNum", values["sesNum"]);
    if (!isInt(values["nTimes"], set.nTimes, 1))
        return bad("nTimes", values["nTimes"]);
    if (!isSwitch(values["feedBack"], set.feedBack))
        return bad("feedBack", values["feedBack"]);
    if (!isSwitch(values["autoPlay"], set.autoPlay))
        return bad("autoPlay", values["autoPlay"]);
    if (unfitForTable(set.subject) || unfitForTable(set.sessionType))
        return name + ": the subject code or session type holds a tab or a double quote";

    // The records file is the one the experimenter chose; the other two are
    // named after it.
    const QString records = values["outputFileName"];
    const QFileInfo self(path);
    if (records.isEmpty() || parametersFileName(records) != self.fileName()
        || values["outputFileName_parameters"] != self.fileName()
        || values["outputFileName_entries"] != entriesFileName(records))
        return name + ": its file names do not belong together (outputFileName \"" + records
                + "\"); was a file renamed?";
    set.recordsPath = self.dir().filePath(records);
    set.entriesPath = self.dir().filePath(entriesFileName(records));
    set.timingPath = self.dir().filePath(timingFileName(records));
    return QString();
}

QString readRecords(ResultSet &set)
{
    const QString &path = set.recordsPath;
    const QString name = QFileInfo(path).fileName();
    QStringList lines;
    if (QString error = readLines(path, lines); !error.isEmpty())
        return error;
    if (lines.first() != kRecordsHeader)
        return name + ": the first line is not the records header";
    if (lines.size() < 2)
        return name + " holds no tokens";
    QStringList names;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(kColumnSeparator);
        const QString where = name + QString(" line %1: ").arg(i + 1);
        int count = 0;
        if (f.size() != kRecordsColumns.size())
            return where
                    + QString("%1 columns instead of %2").arg(f.size()).arg(kRecordsColumns.size());
        if (unfitForTable(f[0]) || names.contains(f[0]))
            return where + "file name \"" + f[0] + "\" repeated or with a double quote";
        if (!isInt(f[1], count, 0) || !isInt(f[2], count, 0))
            return where + "nMother and nStranger must be counts";
        if (!isTime(f[3]) || !isTime(f[4]) || !isTime(f[5]))
            return where + "rt, rt_correct and rt_incorrect must be times in ms";
        names << f[0];
        set.tokens << f;
    }
    return QString();
}

QString readEntries(ResultSet &set)
{
    const QString &path = set.entriesPath;
    const QString name = QFileInfo(path).fileName();
    QStringList lines;
    if (QString error = readLines(path, lines); !error.isEmpty())
        return error;
    if (lines.first() != kEntriesHeader)
        return name + ": the first line is not the entries header";
    if (lines.size() < 2 || lines.size() - 1 > set.plannedTrials())
        return path
                + QString(": %1 trials, but the session had 1 to %2")
                          .arg(lines.size() - 1)
                          .arg(set.plannedTrials());
    QHash<QString, QPair<int, int>> answers; // file name -> mother, stranger answers
    for (const QStringList &token : qAsConst(set.tokens))
        answers.insert(token[0], { 0, 0 });
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(kColumnSeparator);
        const QString where = name + QString(" line %1: ").arg(i + 1);
        if (f.size() != kEntriesColumns.size())
            return where
                    + QString("%1 columns instead of %2").arg(f.size()).arg(kEntriesColumns.size());
        if (!answers.contains(f[0]))
            return where + "\"" + f[0] + "\" is not a token of the records file";
        if (f[1] != tokenClass(f[0], set.subject))
            return where + "stim \"" + f[1] + "\" does not fit subject " + set.subject;
        if (f[2] != kMother && f[2] != kStranger)
            return where + "resp \"" + f[2] + "\" is neither mother nor stranger";
        if (f[3] != (f[1] == f[2] ? "1" : "0"))
            return where + "correctness \"" + f[3] + "\" does not match stim and resp";
        if (!isTime(f[4]))
            return where + "rt \"" + f[4] + "\" is not a time in ms";
        (f[2] == kMother ? answers[f[0]].first : answers[f[0]].second) += 1;
        set.trials << f;
    }
    for (const QStringList &token : qAsConst(set.tokens)) {
        const QPair<int, int> n = answers.value(token[0]);
        if (n.first != token[1].toInt() || n.second != token[2].toInt())
            return QFileInfo(set.recordsPath).fileName() + ": the counts of " + token[0]
                    + " do not match the entries file";
    }
    return QString();
}

} // namespace

QString readTimingFile(ResultSet &set)
{
    set.timing.clear();
    const QString name = QFileInfo(set.timingPath).fileName();
    QStringList lines;
    if (QString error = readLines(set.timingPath, lines); !error.isEmpty())
        return error;
    if (lines.first() != kTimingHeader)
        return name + ": the first line is not the timing header";
    QMap<int, QStringList> rows;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(kColumnSeparator);
        const QString where = name + QString(" line %1: ").arg(i + 1);
        int trial = 0;
        if (f.size() != kTimingColumns.size())
            return where
                    + QString("%1 columns instead of %2").arg(f.size()).arg(kTimingColumns.size());
        if (!isInt(f[0], trial, 1) || trial > set.plannedTrials() || rows.contains(trial))
            return where + "trial \"" + f[0] + "\" is no trial of the session, or repeated";
        for (int c = 2; c <= 7; ++c) {
            if (!isTimingField(f[c]))
                return where + "\"" + f[c] + "\" is not a time in ms";
        }
        rows.insert(trial, f);
    }
    set.timing = rows;
    return QString();
}

bool isParametersFileName(const QString &fileName)
{
    return hasInfix(fileName, kParametersInfix);
}

bool isEntriesFileName(const QString &fileName)
{
    return hasInfix(fileName, kEntriesInfix);
}

QString resultSetName(const QString &parametersPath)
{
    const QFileInfo info(parametersPath);
    return info.dir().filePath(info.completeBaseName().chopped(kParametersInfix.size()));
}

QString readResultSet(const QString &parametersPath, ResultSet &set)
{
    set = ResultSet();
    set.parametersPath = parametersPath;
    QString error = readParameters(parametersPath, set);
    if (error.isEmpty())
        error = readRecords(set);
    if (error.isEmpty())
        error = readEntries(set);
    if (!error.isEmpty()) {
        set.tokens.clear();
        set.trials.clear();
    }
    return error;
}
