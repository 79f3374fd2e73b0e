// Times the session journal where it lives (beside ~/.local/share/Tellwyn/journal,
// on the same file system): starting a journal (create, first line, fsync of
// the file and its folder) and appending one answer (format, write, flush,
// fsync). Each append is timed until fsync has returned, the moment the answer
// is on disk; that is the time it holds the GUI thread between an answer and
// the arming of the next sound. Option: the number of appends (default 1000).
#include "trial/sessionjournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
double percentile(QVector<double> sorted, double p)
{
    std::sort(sorted.begin(), sorted.end());
    return sorted[qMin(sorted.size() - 1, int(p * sorted.size()))];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int appends = argc > 1 ? qMax(1, atoi(argv[1])) : 1000;
    const QString base = QFileInfo(journalFolder()).path();
    QDir().mkpath(base);
    QTemporaryDir folder(base + "/journal-bench-XXXXXX");
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QStorageInfo disk(folder.path());
    std::printf("journal folder %s (%s on %s)\n", qPrintable(folder.path()),
                disk.fileSystemType().constData(), disk.device().constData());

    // A session of 60 tokens, 5 times each.
    SessionParameters p;
    for (int t = 0; t < 60; ++t)
        p.tokens.append(
                TokenRecord(p.wavFilePath, QString("speaker%1_token%2.wav").arg(t % 7).arg(t)));
    for (int i = 0; i < 300; ++i)
        p.entries.append(TrialEntry(p.wavFilePath));
    TrialEntry answer(p.wavFilePath);
    answer.fileName = p.tokens[0].fileName;
    answer.stim = answer.resp = "mother";
    answer.correctness = true;
    answer.rt = 612;

    QVector<double> startMs, appendMs, formatMs;
    for (int run = 0; run < 10; ++run) {
        SessionJournal journal;
        QElapsedTimer clock;
        clock.start();
        if (const QString error = journal.start(folder.path(), p); !error.isEmpty()) {
            std::fprintf(stderr, "cannot write a journal in %s: %s\n", qPrintable(folder.path()),
                         qPrintable(error));
            return 1;
        }
        startMs << clock.nsecsElapsed() / 1e6;
        for (int i = run * appends / 10; i < (run + 1) * appends / 10; ++i) {
            clock.restart();
            journal.append(i + 1, answer);
            appendMs << clock.nsecsElapsed() / 1e6;
            clock.restart();
            journalTrialLine(i + 1, answer, QDateTime::currentDateTimeUtc());
            formatMs << clock.nsecsElapsed() / 1e6;
        }
        journal.remove();
    }
    std::printf("%-36s %8s %8s %8s  (n)\n", "ms", "p50", "p99", "max");
    auto row = [](const char *name, const QVector<double> &v) {
        std::printf("%-36s %8.3f %8.3f %8.3f  (%d)\n", name, percentile(v, 0.5),
                    percentile(v, 0.99), *std::max_element(v.begin(), v.end()), int(v.size()));
    };
    row("start: create, first line, fsync", startMs);
    row("append one answer + fsync", appendMs);
    row("formatting a line alone (no disk)", formatMs);
    return 0;
}
