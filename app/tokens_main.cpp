// tellwyn-tokens: checks a folder of sound tokens the way a session prepares
// it, dumps single WAV files with the program's own reader, and collects the
// result files of many sessions into one table.

#include "app/commandline.h"
#include "sound/tokenfolder.h"
#include "sound/tokenreport.h"
#include "sound/wavfile.h"
#include "trial/resultcollect.h"
#include "trial/resultfiles.h"
#include "trial/scoring.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace {

const QString kProgram = QStringLiteral("tellwyn-tokens");
const int kExitReady = 0;
const int kExitNotReady = 1;
const int kExitNotWritten = 3;
const QString kDefaultSubject = QStringLiteral("SUB001");

const QCommandLineOption kSubject(QStringLiteral("subject"),
                                  QStringLiteral("the subject code, for the voice column "
                                                 "(default SUB001)"),
                                  QStringLiteral("CODE"));
const QCommandLineOption kAll(QStringLiteral("all"),
                              QStringLiteral("the active RMS, clipping, DC and LUFS columns too"));
const QCommandLineOption kTsv(QStringLiteral("tsv"),
                              QStringLiteral("one tab-separated table, every column, instead"));
const QCommandLineOption kStrict(QStringLiteral("strict"),
                                 QStringLiteral("status 1 on clipping, class gap > 1 dB, "
                                                "trail > 20 ms"));
const QCommandLineOption kSilenceDb(QStringLiteral("silence-db"),
                                    QStringLiteral("silence threshold of lead and trail (dBFS, "
                                                   "default -50)"),
                                    QStringLiteral("DB"));
const QCommandLineOption kPerToken(QStringLiteral("per-token"),
                                   QStringLiteral("one row per session and token instead"));
const QCommandLineOption kTiming(QStringLiteral("timing"),
                                 QStringLiteral("two more columns from the timing files"));
const QCommandLineOption kOutput({ QStringLiteral("o"), QStringLiteral("output") },
                                 QStringLiteral("write the table to FILE, whole or not at all"),
                                 QStringLiteral("FILE"));

struct Command
{
    QString name;
    QString synopsis;
    QString description;
    QList<QCommandLineOption> options;
};

QVector<Command> commands()
{
    return {
        { QStringLiteral("check"),
          QStringLiteral("check DIR [OPTION]..."),
          QStringLiteral(
                  "Lists the sound tokens of DIR as a session would (same files, same order):\n"
                  "file name, sampling rate, channels, bits, frames, duration in ms, and\n"
                  "\"mother\" or \"stranger\" for the subject code, and the levels of the\n"
                  "first channel as a session plays it: RMS and peak in dBFS, the silence\n"
                  "before and after the sound in ms (with --all also the RMS between them,\n"
                  "clipped samples, DC offset and EBU R128 loudness in LUFS). Then a summary\n"
                  "of the levels (spread, mother and stranger means, clipping, trailing\n"
                  "silence) and every problem that would stop a session. With --tsv: one\n"
                  "tab-separated table instead, columns file, rate, channels, bits, frames,\n"
                  "ms, voice, rms_dbfs, active_rms_dbfs, peak_dbfs, clipped, dc, lead_ms,\n"
                  "trail_ms, lufs, problem. Exit status 0 when DIR is ready for a session,\n"
                  "1 when it is not (or, with --strict, when the levels fail), 3 when the\n"
                  "table cannot be written.\n"),
          { kSubject, kAll, kTsv, kStrict, kSilenceDb } },
        { QStringLiteral("dump"),
          QStringLiteral("dump FILE"),
          QStringLiteral("Reads FILE and prints its header and every sample. Exit status 1 when\n"
                         "FILE cannot be read.\n"),
          {} },
        { QStringLiteral("collect"),
          QStringLiteral("collect DIR... [OPTION]..."),
          QStringLiteral(
                  "Finds every saved session under the folders DIR (subfolders too) and\n"
                  "writes one tab-separated table, one row per trial: subject, session_type,\n"
                  "session, trial, filename, stim, resp, correctness, rt, feedback, autoplay.\n"
                  "With --per-token: subject, session_type, session, filename, stim,\n"
                  "n_mother, n_stranger, rt, rt_correct, rt_incorrect, feedback, autoplay\n"
                  "(NA: a mean over no answers). With --timing the trial table ends in\n"
                  "onset_error_ms and output_latency_ms from each session's timing file\n"
                  "(empty where there is none). The table goes to standard output unless\n"
                  "-o is given; UTF-8, one LF per row, never quoted. A session with a\n"
                  "missing or malformed file is named on standard error and left out whole.\n"
                  "Exit status 0 when every session found was read, 1 when any was left out\n"
                  "or none was found, 3 when FILE cannot be written.\n"),
          { kPerToken, kTiming, kOutput } },
    };
}

QString helpText()
{
    QString text = QStringLiteral(
            "Usage: tellwyn-tokens COMMAND [OPTION]... ARGUMENT...\n"
            "Checks sound tokens before Tellwyn sessions and gathers their results after\n"
            "them.\n");
    for (const Command &command : commands()) {
        text += QStringLiteral("\ntellwyn-tokens ") + command.synopsis + QLatin1Char('\n');
        for (const QString &line : command.description.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
        text += optionTable(command.options);
    }
    return text + QStringLiteral("\nOptions of every command:\n")
            + optionTable({ helpOption(), versionOption() })
            + QStringLiteral("\nA wrong command line gives exit status 2. The manual page "
                             "tellwyn-tokens(1)\nand the README describe the tables.\n");
}

bool writeTable(const QString &table, const QString &outputPath)
{
    const QByteArray bytes = table.toUtf8();
    if (outputPath.isEmpty()) {
        QFile out;
        return out.open(stdout, QIODevice::WriteOnly) && out.write(bytes) == bytes.size()
                && out.flush();
    }
    QSaveFile file(outputPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

struct CheckRequest
{
    QString folder;
    QString subject;
    bool all = false;
    bool tsv = false;
    bool strict = false;
    double silenceDb = kDefaultSilenceDb;
};

// "-" for a measure a token does not have.
QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

void printTable(QTextStream &out, const TokenCheck &result, const CheckRequest &r)
{
    int nameWidth = 4;
    for (const TokenInfo &t : result.tokens)
        nameWidth = qMax(nameWidth, tableField(t.fileName).size());
    out << qSetFieldWidth(nameWidth) << Qt::left << "File" << qSetFieldWidth(0) << "  " << Qt::right
        << qSetFieldWidth(8) << "Rate" << qSetFieldWidth(4) << "Ch" << qSetFieldWidth(6) << "Bits"
        << qSetFieldWidth(10) << "Frames" << qSetFieldWidth(12) << "ms" << qSetFieldWidth(0) << "  "
        << qSetFieldWidth(8) << Qt::left << "Voice" << Qt::right << qSetFieldWidth(8) << "RMS dB"
        << qSetFieldWidth(9) << "Peak dB" << qSetFieldWidth(10) << "Lead ms"
        << "Trail ms";
    if (r.all)
        out << qSetFieldWidth(11) << "Active dB" << qSetFieldWidth(9) << "Clipped"
            << qSetFieldWidth(13) << "DC" << qSetFieldWidth(8) << "LUFS";
    out << qSetFieldWidth(0) << "\n";
    for (const TokenInfo &t : result.tokens) {
        out << qSetFieldWidth(nameWidth) << Qt::left << tableField(t.fileName) << qSetFieldWidth(0)
            << "  " << Qt::right;
        if (t.readable) {
            out << qSetFieldWidth(8) << t.samplingRate << qSetFieldWidth(4) << t.channels
                << qSetFieldWidth(6) << t.bits << qSetFieldWidth(10) << t.frames
                << qSetFieldWidth(12) << msText(t.durationMs);
        } else {
            out << qSetFieldWidth(8) << "-" << qSetFieldWidth(4) << "-" << qSetFieldWidth(6) << "-"
                << qSetFieldWidth(10) << "-" << qSetFieldWidth(12) << "-";
        }
        out << qSetFieldWidth(0) << "  " << qSetFieldWidth(8) << Qt::left
            << tokenClass(t.fileName, r.subject) << Qt::right;
        const std::optional<TokenLevels> &l = t.levels;
        out << qSetFieldWidth(8) << (l ? dbText(l->rmsDbfs) : "-") << qSetFieldWidth(9)
            << (l ? dbText(l->peakDbfs) : "-") << qSetFieldWidth(10)
            << (l ? msText(l->leadMs) : "-") << (l ? msText(l->trailMs) : "-");
        if (r.all)
            out << qSetFieldWidth(11) << (l ? orDash(dbText(l->activeRmsDbfs)) : "-")
                << qSetFieldWidth(9) << (l ? QString::number(l->clipped) : "-")
                << qSetFieldWidth(13) << (l ? dcText(l->dc) : "-") << qSetFieldWidth(8)
                << (l ? orDash(dbText(l->lufs)) : "-");
        out << qSetFieldWidth(0) << "\n";
    }
}

void printSummary(QTextStream &out, const LevelSummary &s, const CheckRequest &r)
{
    out << "\nLevels of the first channel (RMS over each whole file; silence at or below "
        << QString::number(r.silenceDb, 'g', 6) << " dBFS):\n";
    if (s.hasLevels())
        out << "  RMS from " << dbText(s.minRmsDbfs) << " dB (" << tableField(s.quietest) << ") to "
            << dbText(s.maxRmsDbfs) << " dB (" << tableField(s.loudest) << "): spread "
            << dbText(s.maxRmsDbfs - s.minRmsDbfs) << " dB\n";
    if (s.hasBothClasses())
        out << "  Class means (of the tokens' dB values): mother " << dbText(s.motherMeanDbfs)
            << " dB (" << s.mothers << "), stranger " << dbText(s.strangerMeanDbfs) << " dB ("
            << s.strangers << "), mother - stranger " << dbText(s.classDifferenceDb()) << " dB\n";
    else if (s.hasLevels())
        out << "  Class means: only " << (s.mothers ? "mother" : "stranger")
            << " tokens have a level\n";
    if (!s.silent.isEmpty())
        out << "  All zero (left out above): " << tableField(s.silent.join(", ")) << "\n";
    out << "  Clipping: " << (s.clipping.isEmpty() ? "none" : tableField(s.clipping.join(", ")))
        << "\n";
    out << "  Trailing silence over " << kMaxTrailingMs
        << " ms: " << (s.trailing.isEmpty() ? "none" : tableField(s.trailing.join(", "))) << "\n";
}

int check(const CheckRequest &r)
{
    QTextStream out(stdout);
    if (!QFileInfo(r.folder).isDir()) {
        if (r.tsv)
            std::fprintf(stderr, "tellwyn-tokens: not a folder: %s\n", qPrintable(r.folder));
        else
            out << "Not a folder: " << r.folder << "\n";
        return kExitNotReady;
    }
    const QVector<TokenRecord> tokens = listTokens(r.folder);
    const TokenCheck result = checkTokens(r.folder, tokens, r.silenceDb);
    const LevelSummary summary = summarizeLevels(result, r.subject);
    const QStringList strictFailures = r.strict ? summary.strictFailures() : QStringList();
    const int status = result.ready() && strictFailures.isEmpty() ? kExitReady : kExitNotReady;
    if (r.tsv) {
        if (!writeTable(levelsTable(result, r.subject), QString())) {
            std::fprintf(stderr, "tellwyn-tokens: could not write the table\n");
            return kExitNotWritten;
        }
        if (result.tokens.isEmpty())
            std::fprintf(stderr, "tellwyn-tokens: the folder contains no .wav files\n");
        for (const QString &line : strictFailures)
            std::fprintf(stderr, "tellwyn-tokens: --strict: %s\n", qPrintable(line));
        return status;
    }

    printTable(out, result, r);
    if (summary.measured > 0)
        printSummary(out, summary, r);
    int mothers = 0;
    for (const TokenInfo &t : result.tokens)
        mothers += isMotherToken(t.fileName, r.subject) ? 1 : 0;
    out << "\n";
    if (result.tokens.isEmpty()) {
        out << "Problem: the folder contains no .wav files.\n";
        out << "Not ready for a session.\n";
        return kExitNotReady;
    }
    const QStringList problems = result.problems();
    if (!problems.isEmpty()) {
        out << "Problems:\n";
        for (const QString &line : problems)
            out << "  " << tableField(line) << "\n";
        out << "Not ready for a session.\n";
    } else {
        out << "Ready for a session: " << result.tokens.size() << " tokens at "
            << QString::number(result.commonRate, 'g', 6) << " Hz, " << mothers << " mother and "
            << result.tokens.size() - mothers << " stranger for subject " << r.subject << ".\n";
    }
    if (!strictFailures.isEmpty())
        out << "Fails --strict: " << strictFailures.join("; ") << ".\n";
    return status;
}

int collect(const QStringList &folders, bool perToken, bool timing, const QString &outputPath)
{
    const CollectedSets found = collectResultSets(folders, timing);
    for (const QString &line : found.skipped)
        std::fprintf(stderr, "tellwyn-tokens: skipped %s\n", qPrintable(line));
    for (const QString &line : found.notes)
        std::fprintf(stderr, "tellwyn-tokens: note: %s\n", qPrintable(line));
    const QString table = perToken ? tokenTable(found.sets) : trialTable(found.sets, timing);
    if (!writeTable(table, outputPath)) {
        std::fprintf(stderr, "tellwyn-tokens: could not write the table to %s\n",
                     outputPath.isEmpty() ? "standard output" : qPrintable(outputPath));
        return kExitNotWritten;
    }
    if (found.sets.isEmpty())
        std::fprintf(stderr, "tellwyn-tokens: no saved session found\n");
    int trials = 0;
    for (const ResultSet &set : found.sets)
        trials += set.trials.size();
    std::fprintf(stderr, "tellwyn-tokens: collected %d trials of %d sessions; %d left out\n",
                 trials, int(found.sets.size()), int(found.skipped.size()));
    return found.skipped.isEmpty() && !found.sets.isEmpty() ? kExitReady : kExitNotReady;
}

int dump(const QString &path)
{
    WavFile wav;
    if (!wav.readWavFile(path.toLocal8Bit().constData()))
        return kExitNotReady;
    wav.printHeader();
    wav.printSamples();
    return kExitReady;
}

int runCommand(const Command &command, const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOptions(command.options);
    const int answered = parseStandard(parser, arguments, kProgram, helpText());
    if (answered != kGoOn)
        return answered;
    const QStringList operands = parser.positionalArguments();
    if (command.name == QLatin1String("dump")) {
        if (operands.size() != 1)
            return usageError(kProgram, QStringLiteral("dump takes exactly one FILE"));
        return dump(operands.constFirst());
    }
    if (command.name == QLatin1String("check")) {
        if (operands.size() != 1)
            return usageError(kProgram, QStringLiteral("check takes one DIR"));
        const QStringList subjects = parser.values(kSubject);
        if (subjects.size() > 1)
            return usageError(kProgram, QStringLiteral("--subject given more than once"));
        CheckRequest request;
        request.folder = operands.constFirst();
        request.subject = subjects.isEmpty() ? kDefaultSubject : subjects[0];
        request.all = parser.isSet(kAll);
        request.tsv = parser.isSet(kTsv);
        request.strict = parser.isSet(kStrict);
        const QStringList thresholds = parser.values(kSilenceDb);
        if (thresholds.size() > 1)
            return usageError(kProgram, QStringLiteral("--silence-db given more than once"));
        if (!thresholds.isEmpty()) {
            bool ok = false;
            request.silenceDb = thresholds[0].toDouble(&ok);
            if (!ok || !std::isfinite(request.silenceDb) || request.silenceDb >= 0)
                return usageError(kProgram,
                                  QStringLiteral("--silence-db needs a number of dB below 0"));
        }
        return check(request);
    }
    if (operands.isEmpty())
        return usageError(kProgram, QStringLiteral("collect needs a DIR"));
    const QStringList outputs = parser.values(kOutput);
    if (outputs.size() > 1 || (outputs.size() == 1 && outputs[0].isEmpty()))
        return usageError(kProgram, QStringLiteral("-o needs one FILE"));
    if (parser.isSet(kPerToken) && parser.isSet(kTiming))
        return usageError(kProgram,
                          QStringLiteral("--timing adds to the trial table, not to --per-token"));
    return collect(operands, parser.isSet(kPerToken), parser.isSet(kTiming), outputs.value(0));
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList arguments = argumentList(argc, argv);
    // The command comes first; its options and operands are parsed by its own parser.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const int answered = parseStandard(parser, arguments, kProgram, helpText());
    if (answered != kGoOn)
        return answered;
    QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return usageError(kProgram, QStringLiteral("no command given"));
    const QString name = rest.takeFirst();
    for (const Command &command : commands()) {
        if (command.name == name)
            return runCommand(command, QStringList(arguments.constFirst()) + rest);
    }
    return usageError(kProgram, QStringLiteral("unknown command '%1'").arg(name));
}
