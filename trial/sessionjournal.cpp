#include "trial/sessionjournal.h"

#include "trial/resultformat.h"
#include "trial/scoring.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPair>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kFormat = 1;
const QString kSuffix = QStringLiteral(".journal");
using ResultFormat::kMother;
using ResultFormat::kStranger;

// Every field of the session record, under its own name: those of the
// parameters file and what the session needs beside them. Writing and reading
// both go through this one list, so no field can be written but not read.
template<class Params, class Visit>
void visitFields(Params &p, Visit &&visit)
{
    ResultFormat::visitFileParameters(p, visit);
    visit("soundDuration", p.soundDuration);
    visit("nSamples", p.nSamples);
    visit("durationToPlot", p.durationToPlot);
    visit("nSamplesToPlot", p.nSamplesToPlot);
    visit("nFreqBinsToPlot", p.nFreqBinsToPlot);
    visit("desktopPath", p.desktopPath);
    visit("wavFileName", p.wavFileName);
}

// Doubles come out in the shortest form that reads back to the same value.
QJsonValue toJson(double v)
{
    return v;
}
QJsonValue toJson(int v)
{
    return v;
}
QJsonValue toJson(bool v)
{
    return v;
}
QJsonValue toJson(const QString &v)
{
    return v;
}
QJsonValue toJson(const QStringList &v)
{
    return QJsonArray::fromStringList(v);
}

bool fromJson(const QJsonValue &j, double &v)
{
    v = j.toDouble();
    return j.isDouble();
}
bool fromJson(const QJsonValue &j, int &v)
{
    // Checked before the conversion: a damaged line may hold any number, and
    // converting one beyond int is undefined.
    const double d = j.toDouble(0.5);
    const bool whole = j.isDouble() && d == std::floor(d) && std::fabs(d) <= INT_MAX;
    v = whole ? int(d) : 0;
    return whole;
}
bool fromJson(const QJsonValue &j, bool &v)
{
    v = j.toBool();
    return j.isBool();
}
bool fromJson(const QJsonValue &j, QString &v)
{
    v = j.toString();
    return j.isString();
}
bool fromJson(const QJsonValue &j, QStringList &v)
{
    v.clear();
    for (const QJsonValue &item : j.toArray()) {
        if (!item.isString())
            return false;
        v.append(item.toString());
    }
    return j.isArray();
}

QByteArray lineOf(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject objectOf(const QByteArray &line, const QString &kind)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    const QJsonObject object = document.object();
    return error.error == QJsonParseError::NoError && object.value("kind").toString() == kind
            ? object
            : QJsonObject();
}

bool readSessionLine(const QByteArray &line, RecoveredSession &s)
{
    const QJsonObject object = objectOf(line, QStringLiteral("session"));
    if (object.value("format").toInt() != kFormat || !fromJson(object.value("trials"), s.trials))
        return false;
    s.started = QDateTime::fromString(object.value("started").toString(), Qt::ISODateWithMs);
    const QJsonObject fields = object.value("parameters").toObject();
    bool complete = true;
    visitFields(s.parameters, [&fields, &complete](const char *key, auto &v) {
        complete = fromJson(fields.value(QLatin1String(key)), v) && complete;
    });
    if (!complete || !object.value("tokens").isArray())
        return false;
    s.parameters.tokens.clear();
    for (const QJsonValue &token : object.value("tokens").toArray()) {
        TokenRecord t;
        if (!fromJson(token.toObject().value("folder"), t.folder)
            || !fromJson(token.toObject().value("filename"), t.fileName))
            return false;
        s.parameters.tokens.append(t);
    }
    return true;
}

// A trial's timing, its times as whole nanoseconds (JSON numbers hold them
// exactly for 104 days after "I am ready"); a field not known is left out.
QJsonObject timingObject(const TrialTiming &t)
{
    QJsonObject object;
    auto put = [&object](const char *key, const auto &field) {
        if (field)
            object.insert(QLatin1String(key), double(*field));
    };
    put("due_ns", t.dueNs);
    put("onset_ns", t.onsetNs);
    put("end_ns", t.endNs);
    put("output_latency_ms", t.outputLatencyMs);
    put("rt_clock_lag_ns", t.rtClockLagNs);
    put("dropouts", t.dropouts);
    if (!t.output.isEmpty())
        object.insert("output", t.output);
    if (!t.device.isEmpty())
        object.insert("device", t.device);
    return object;
}

// A field that is missing or cannot be read stays empty: the answer on the
// same line is worth more than its timing, and no number is made up for it.
void readTiming(const QJsonObject &object, TrialTiming &t)
{
    auto get = [&object](const char *key, auto &field) {
        using Value = typename std::decay_t<decltype(field)>::value_type;
        const QJsonValue j = object.value(QLatin1String(key));
        const double d = j.toDouble();
        if (!j.isDouble() || !std::isfinite(d))
            return;
        if constexpr (std::is_integral_v<Value>) {
            const double limit = std::min(double(std::numeric_limits<Value>::max()), 0x1p53);
            if (d != std::floor(d) || std::fabs(d) > limit)
                return;
        }
        field = Value(d);
    };
    get("due_ns", t.dueNs);
    get("onset_ns", t.onsetNs);
    get("end_ns", t.endNs);
    get("output_latency_ms", t.outputLatencyMs);
    get("rt_clock_lag_ns", t.rtClockLagNs);
    get("dropouts", t.dropouts);
    t.output = object.value("output").toString();
    t.device = object.value("device").toString();
}

// The answer, and the trial's timing: a line of a journal written before
// trials were timed has none, and its trial gets a timing of empty fields.
// The timing file then still has a row for every trial, and a timing file
// left under the same name by an earlier save cannot pass for this one's.
bool readTrialLine(const QByteArray &line, TrialEntry &e, TrialTiming &timing)
{
    const QJsonObject object = objectOf(line, QStringLiteral("trial"));
    int trial = 0, correctness = -1;
    const bool complete = fromJson(object.value("trial"), trial)
            && fromJson(object.value("folder"), e.folder)
            && fromJson(object.value("filename"), e.fileName)
            && fromJson(object.value("stim"), e.stim) && fromJson(object.value("resp"), e.resp)
            && fromJson(object.value("correctness"), correctness)
            && fromJson(object.value("rt"), e.rt);
    e.correctness = correctness == 1;
    timing = TrialTiming();
    timing.trial = trial;
    timing.fileName = e.fileName;
    readTiming(object.value("timing").toObject(), timing);
    return complete && (e.stim == kMother || e.stim == kStranger)
            && (e.resp == kMother || e.resp == kStranger) && (correctness == 0 || correctness == 1);
}

// A new file's name reaches the disk with its folder.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Whether path still names the file open as fd (not removed or replaced since).
bool namesOpenFile(const QString &path, int fd)
{
    struct stat opened, named;
    return ::fstat(fd, &opened) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
            && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Journals this process has written: never another's unfinished session,
// even once closed.
QSet<QString> &journalsOfThisProcess()
{
    static QSet<QString> paths;
    return paths;
}

bool lockExclusively(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

} // namespace

SessionJournal::~SessionJournal()
{
    file.close(); // unlocks; the journal stays
}

QString SessionJournal::start(const QString &folder, const SessionParameters &p)
{
    close();
    QDir().mkpath(folder);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString path = folder + QLatin1Char('/')
            + now.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QLatin1Char('-')
            + QString::number(QCoreApplication::applicationPid()) + kSuffix;
    // Written under another name and renamed once locked and whole, so no one
    // looking for unfinished journals can see it unlocked or empty.
    const QString partial = path + QStringLiteral(".new");
    file.setFileName(partial);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return file.errorString();
    writable = lockExclusively(file.handle());
    QString error =
            writable ? writeLine(journalSessionLine(p, now)) : QStringLiteral("cannot be locked");
    if (error.isEmpty() && !QFile::rename(partial, path))
        error = QStringLiteral("cannot be renamed to ") + path;
    if (!error.isEmpty()) {
        QFile::remove(partial);
        close();
        return error;
    }
    journalPath = path;
    journalsOfThisProcess().insert(path);
    syncFolder(folder);
    syncFolder(QFileInfo(folder).path()); // the folder itself may be new
    return QString();
}

QString SessionJournal::append(int trialNumber, const TrialEntry &entry, const TrialTiming *timing)
{
    return writeLine(journalTrialLine(trialNumber, entry, QDateTime::currentDateTimeUtc(), timing));
}

QString SessionJournal::writeLine(const QByteArray &line)
{
    // After a failure the file stays open, and so locked: it is this session's.
    if (!writable)
        return QStringLiteral("the journal is not writable");
    if (file.write(line) != line.size() || !file.flush()) {
        writable = false;
        return file.errorString();
    }
    if (::fsync(file.handle()) != 0) {
        writable = false;
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    return QString();
}

QString SessionJournal::adopt(const QString &path)
{
    close();
    const QString inUse = QStringLiteral("a running Tellwyn is writing it");
    if (journalsOfThisProcess().contains(path))
        return inUse;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (!lockExclusively(file.handle()) || !namesOpenFile(path, file.handle())) {
        file.close();
        return inUse;
    }
    journalPath = path;
    return QString();
}

void SessionJournal::close()
{
    file.close();
    writable = false;
    journalPath.clear();
}

void SessionJournal::remove()
{
    if (!journalPath.isEmpty())
        QFile::remove(journalPath);
    close();
}

QString journalFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Tellwyn/journal");
}

QStringList journalFiles(const QString &folder)
{
    const QDir dir(folder);
    QStringList paths;
    // Names begin with the start time (UTC), so name order is age order.
    for (const QString &name :
         dir.entryList({ QLatin1Char('*') + kSuffix }, QDir::Files | QDir::Hidden, QDir::Name))
        paths.append(dir.filePath(name));
    return paths;
}

QByteArray journalSessionLine(const SessionParameters &p, const QDateTime &started)
{
    QJsonObject fields;
    visitFields(p, [&fields](const char *key, const auto &v) {
        fields.insert(QLatin1String(key), toJson(v));
    });
    QJsonArray tokens;
    for (const TokenRecord &t : p.tokens)
        tokens.append(QJsonObject { { "folder", t.folder }, { "filename", t.fileName } });
    return lineOf({ { "kind", "session" },
                    { "format", kFormat },
                    { "started", started.toString(Qt::ISODateWithMs) },
                    { "trials", p.entries.size() },
                    { "parameters", fields },
                    { "tokens", tokens } });
}

QByteArray journalTrialLine(int trialNumber, const TrialEntry &entry, const QDateTime &time,
                            const TrialTiming *timing)
{
    QJsonObject object { { "kind", "trial" },
                         { "trial", trialNumber },
                         { "time", time.toString(Qt::ISODateWithMs) },
                         { "folder", entry.folder },
                         { "filename", entry.fileName },
                         { "stim", entry.stim },
                         { "resp", entry.resp },
                         { "correctness", int(entry.correctness) },
                         { "rt", entry.rt } };
    if (timing)
        object.insert("timing", timingObject(*timing));
    return lineOf(object);
}

RecoveredSession readJournal(const QString &path)
{
    RecoveredSession s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        s.error = file.errorString();
        return s;
    }
    QByteArray line = file.readLine();
    const bool sessionRead = readSessionLine(line, s);
    if (!sessionRead)
        s.error = line.isEmpty() ? QObject::tr("it is empty")
                                 : QObject::tr("its first line (the session) is damaged");
    else
        line = file.readLine();
    SessionParameters &p = s.parameters;
    p.entries.clear();
    s.timings.clear();
    QHash<QPair<QString, QString>, int> tokenIndex;
    for (int i = 0; i < p.tokens.size(); ++i)
        tokenIndex.insert({ p.tokens[i].folder, p.tokens[i].fileName }, i);

    // Answers are appended in trial order, each after the one before was on
    // disk; only the last line can have been cut short by a crash.
    for (; !line.isEmpty(); line = file.readLine()) {
        if (line.trimmed().isEmpty())
            continue;
        TrialEntry e;
        TrialTiming timing;
        const bool read = readTrialLine(line, e, timing);
        const int index = tokenIndex.value({ e.folder, e.fileName }, -1);
        if (!read || (sessionRead && index < 0)) {
            ++s.damagedLines;
            continue;
        }
        ++s.answers;
        if (index < 0)
            continue; // counted, but without the session nothing can be rebuilt
        TrialEntry scored;
        scoreAnswer(scored, p.tokens[index], e.resp == kMother, e.rt, e.fileName, p.subCode);
        p.entries.append(e);
        s.timings.append(timing);
    }
    computeTokenAverages(p.tokens, p.subCode);
    return s;
}
