// tellwyn-tokens: checks a folder of sound tokens the way a session prepares
// it, dumps single WAV files with the program's own reader, and collects the
// result files of many sessions into one table.

#include "sound/tokenfolder.h"
#include "sound/wavfile.h"
#include "trial/resultcollect.h"
#include "trial/scoring.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

const int kExitReady = 0;
const int kExitNotReady = 1;
const int kExitUsage = 2;
const int kExitNotWritten = 3;
const QString kDefaultSubject = QStringLiteral("SUB001");

const char kUsage[] =
        "Usage:\n"
        "  tellwyn-tokens check DIR [--subject CODE]\n"
        "      Lists the sound tokens of DIR as a session would (same files, same order):\n"
        "      file name, sampling rate, channels, bits, frames, duration in ms, and\n"
        "      \"mother\" or \"stranger\" for the subject code CODE (default SUB001).\n"
        "      Then lists every problem that would stop a session.\n"
        "      Exit status 0 when DIR is ready for a session, 1 when it is not.\n"
        "  tellwyn-tokens dump FILE\n"
        "      Reads FILE and prints its header and every sample.\n"
        "      Exit status 1 when FILE cannot be read.\n"
        "  tellwyn-tokens collect DIR... [--per-token] [-o FILE]\n"
        "      Finds every saved session under the folders DIR (subfolders too) and\n"
        "      writes one tab-separated table, one row per trial: subject, session_type,\n"
        "      session, trial, filename, stim, resp, correctness, rt, feedback, autoplay.\n"
        "      --per-token writes one row per session and token instead: subject,\n"
        "      session_type, session, filename, stim, n_mother, n_stranger, rt,\n"
        "      rt_correct, rt_incorrect, feedback, autoplay (NA: a mean over no answers).\n"
        "      The table goes to FILE (written whole or not at all), else to standard\n"
        "      output. UTF-8, one LF per row, never quoted.\n"
        "      A session with a missing or malformed file is named on standard error\n"
        "      and left out whole. Exit status 0 when every session found was read,\n"
        "      1 when any was left out or none was found, 3 when FILE cannot be written.\n"
        "  tellwyn-tokens --help\n"
        "      Shows this text.\n"
        "Bad arguments give exit status 2.\n";

int usageError(const char *why)
{
    std::fprintf(stderr, "tellwyn-tokens: %s\n%s", why, kUsage);
    return kExitUsage;
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

int collect(const QStringList &folders, bool perToken, const QString &outputPath)
{
    const CollectedSets found = collectResultSets(folders);
    for (const QString &line : found.skipped)
        std::fprintf(stderr, "tellwyn-tokens: skipped %s\n", qPrintable(line));
    for (const QString &line : found.notes)
        std::fprintf(stderr, "tellwyn-tokens: note: %s\n", qPrintable(line));
    const QString table = perToken ? tokenTable(found.sets) : trialTable(found.sets);
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

int dump(const char *path)
{
    WavFile wav;
    if (!wav.readWavFile(path))
        return kExitNotReady;
    wav.printHeader();
    wav.printSamples();
    return kExitReady;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2)
        return usageError("no command given");
    const QString command = QString::fromLocal8Bit(argv[1]);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return kExitReady;
    }
    if (command == QLatin1String("dump")) {
        if (argc != 3)
            return usageError("dump takes exactly one FILE");
        return dump(argv[2]);
    }
    if (command == QLatin1String("check")) {
        QString folder;
        QString subject = kDefaultSubject;
        for (int i = 2; i < argc; ++i) {
            const QString arg = QString::fromLocal8Bit(argv[i]);
            if (arg == QLatin1String("--subject")) {
                if (i + 1 >= argc)
                    return usageError("--subject needs a CODE");
                subject = QString::fromLocal8Bit(argv[++i]);
            } else if (arg.startsWith(QLatin1String("--"))) {
                return usageError("unknown option");
            } else if (folder.isNull()) {
                folder = arg;
            } else {
                return usageError("check takes one DIR");
            }
        }
        if (folder.isEmpty())
            return usageError("check needs a DIR");
        return check(folder, subject);
    }
    if (command == QLatin1String("collect")) {
        QStringList folders;
        QString outputPath;
        bool perToken = false;
        for (int i = 2; i < argc; ++i) {
            const QString arg = QString::fromLocal8Bit(argv[i]);
            if (arg == QLatin1String("-o")) {
                if (i + 1 >= argc || !outputPath.isNull() || *argv[i + 1] == '\0')
                    return usageError("-o needs one FILE");
                outputPath = QString::fromLocal8Bit(argv[++i]);
            } else if (arg == QLatin1String("--per-token")) {
                perToken = true;
            } else if (arg.startsWith(QLatin1Char('-'))) {
                return usageError("unknown option");
            } else {
                folders << arg;
            }
        }
        if (folders.isEmpty())
            return usageError("collect needs a DIR");
        return collect(folders, perToken, outputPath);
    }
    return usageError("unknown command");
}
