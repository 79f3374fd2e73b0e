// tellwyn-tokens: checks a folder of sound tokens the way a session prepares
// it, dumps single WAV files with the program's own reader, and collects the
// result files of many sessions into one table.

#include "app/commandline.h"
#include "sound/tokenfolder.h"
#include "sound/wavfile.h"
#include "trial/resultcollect.h"
#include "trial/scoring.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QTextStream>

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
                  "\"mother\" or \"stranger\" for the subject code. Then lists every problem\n"
                  "that would stop a session. Exit status 0 when DIR is ready for a session,\n"
                  "1 when it is not.\n"),
          { kSubject } },
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

int check(const QString &folder, const QString &subject)
{
    QTextStream out(stdout);
    if (!QFileInfo(folder).isDir()) {
        out << "Not a folder: " << folder << "\n";
        return kExitNotReady;
    }
    const QVector<TokenRecord> tokens = listTokens(folder);
    const TokenCheck result = checkTokens(folder, tokens);

    int nameWidth = 4;
    for (const TokenInfo &t : result.tokens)
        nameWidth = qMax(nameWidth, t.fileName.size());
    out << qSetFieldWidth(nameWidth) << Qt::left << "File" << qSetFieldWidth(0) << "  " << Qt::right
        << qSetFieldWidth(8) << "Rate" << qSetFieldWidth(4) << "Ch" << qSetFieldWidth(6) << "Bits"
        << qSetFieldWidth(10) << "Frames" << qSetFieldWidth(12) << "ms" << qSetFieldWidth(0)
        << "  Voice\n";
    for (const TokenInfo &t : result.tokens) {
        out << qSetFieldWidth(nameWidth) << Qt::left << t.fileName << qSetFieldWidth(0) << "  "
            << Qt::right;
        if (t.readable) {
            out << qSetFieldWidth(8) << t.samplingRate << qSetFieldWidth(4) << t.channels
                << qSetFieldWidth(6) << t.bits << qSetFieldWidth(10) << t.frames
                << qSetFieldWidth(12) << QString::number(t.durationMs, 'f', 3);
        } else {
            out << qSetFieldWidth(8) << "-" << qSetFieldWidth(4) << "-" << qSetFieldWidth(6) << "-"
                << qSetFieldWidth(10) << "-" << qSetFieldWidth(12) << "-";
        }
        out << qSetFieldWidth(0) << "  " << tokenClass(t.fileName, subject) << "\n";
    }

    int mothers = 0;
    for (const TokenInfo &t : result.tokens)
        mothers += isMotherToken(t.fileName, subject) ? 1 : 0;
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
            out << "  " << line << "\n";
        out << "Not ready for a session.\n";
        return kExitNotReady;
    }
    out << "Ready for a session: " << result.tokens.size() << " tokens at "
        << QString::number(result.commonRate, 'g', 6) << " Hz, " << mothers << " mother and "
        << result.tokens.size() - mothers << " stranger for subject " << subject << ".\n";
    return kExitReady;
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
        return check(operands.constFirst(), subjects.isEmpty() ? kDefaultSubject : subjects[0]);
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
