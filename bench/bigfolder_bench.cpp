// Prepares a session from a folder of 10,000 entries of which 2,000 are
// tokens (0.5 s, 48 kHz, 16-bit mono), the rest text files, *.wav.bak files
// and subfolders. Times the listing and the check alone (as a session
// prepares it, and with the levels tellwyn-tokens check measures), then "Practice"
// through the real main window and folder dialog, where it also measures how
// long the GUI thread went without handling events: a 1 ms heartbeat timer
// notes the longest gap between its ticks. That gap is what the experimenter
// sees as a frozen window. Last, the same gap while the trend chart takes an
// answer, as it does after every trial. Run with QT_QPA_PLATFORM=offscreen;
// prints figures.

#include "app/mainwindow.h"
#include "sound/tokenfolder.h"

#include "tests/gui/sessiondriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

const int kTokens = 2000;
const int kTexts = 5000;
const int kBackups = 2000;
const int kFolders = 1000;
const int kFrames = 24000; // 0.5 s at 48 kHz
const int kRuns = 3;
const int kAnswers = 5;

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

bool makeFolder(const QString &path)
{
    QDir dir(path);
    const QByteArray token = wavwriter::canonical(
            wavwriter::pcm16(sessiondriver::offsetTone(kFrames, 440)), 16, 1, 48000);
    for (int i = 0; i < kTokens; ++i) {
        if (!wavwriter::put(dir.filePath(QString("token_%1.wav").arg(i, 4, 10, QChar('0'))), token))
            return false;
    }
    for (int i = 0; i < kTexts; ++i) {
        if (!wavwriter::put(dir.filePath(QString("notes_%1.txt").arg(i)), "not a sound"))
            return false;
    }
    for (int i = 0; i < kBackups; ++i) {
        if (!wavwriter::put(dir.filePath(QString("old_%1.wav.bak").arg(i)), token.left(44)))
            return false;
    }
    for (int i = 0; i < kFolders; ++i) {
        if (!dir.mkdir(QString("take_%1.wav").arg(i)))
            return false;
    }
    return dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size()
            == kTokens + kTexts + kBackups + kFolders;
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home; // the desktop the folder dialog starts from
    qputenv("HOME", home.path().toLocal8Bit());
    QDir(home.path()).mkpath("Desktop");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!makeFolder(dir.path())) {
        std::fprintf(stderr, "cannot make the folder in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("bigfolder_bench: %d entries, %d of them tokens of %d frames (%.0f MB)\n",
                kTokens + kTexts + kBackups + kFolders, kTokens, kFrames,
                kTokens * (44.0 + 2 * kFrames) / 1e6);

    for (int run = 1; run <= kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        const QVector<TokenRecord> tokens = listTokens(dir.path());
        const double listing = ms(t);
        t.restart();
        const TokenCheck check = checkTokens(dir.path(), tokens);
        const double plain = ms(t);
        t.restart();
        const TokenCheck measured = checkTokens(dir.path(), tokens, kDefaultSilenceDb);
        std::printf("core run %d: listing %.1f ms, check %.1f ms, check with levels %.1f ms "
                    "(%d tokens, ready %s, %d measured)\n",
                    run, listing, plain, ms(t), tokens.size(), check.ready() ? "yes" : "no",
                    int(std::count_if(measured.tokens.cbegin(), measured.tokens.cend(),
                                      [](const TokenInfo &i) { return bool(i.levels); })));
    }

    QVector<double> blocks, totals, answerBlocks;
    for (int run = 1; run <= kRuns; ++run) {
        MainWindow w;
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            return 1;
        sessiondriver::DialogPilot pilot;
        pilot.chooseFolder(dir.path());
        QElapsedTimer sinceTick;
        double longestGap = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, ms(sinceTick));
            sinceTick.restart();
        });
        heartbeat.start(1);
        QTest::qWait(50); // the heartbeat settles
        longestGap = 0;
        sinceTick.restart();
        QElapsedTimer total;
        total.start();
        windowparts::part<QPushButton>(&w, "pushButtonPractice")
                ->click(); // returns when prepared; the dialog runs in between
        const double clickMs = ms(total);
        QTest::qWait(20); // the last gap ends with the next tick
        heartbeat.stop();
        const double blockAfterPractice = longestGap;
        if (!pilot.clean() || w.tokenCount() != kTokens) {
            std::fprintf(stderr, "preparation failed: %s, %d tokens\n", pilot.errors().constData(),
                         w.tokenCount());
            return 1;
        }
        QTest::qWait(100); // the window settles
        const int trials = w.trialSequence().size();
        w.showTrendForTest(kTokens); // a trial has run: the trend keeps its counts
        // An answer redraws the trend: count one "Mother" more for a token.
        double answerGap = 0;
        for (int k = 0; k < kAnswers; ++k) {
            QTest::qWait(20);
            longestGap = 0;
            sinceTick.restart();
            heartbeat.start(1);
            w.setTrendCount(k, 1);
            w.plotTrend();
            QTest::qWait(20);
            heartbeat.stop();
            answerGap = std::max(answerGap, longestGap);
        }
        answerBlocks.append(answerGap);
        longestGap = blockAfterPractice;
        blocks.append(longestGap);
        totals.append(clickMs);
        std::printf("window run %d: Practice click %.1f ms in all (folder dialog included), "
                    "longest GUI-thread block %.1f ms, %d trials\n",
                    run, clickMs, longestGap, trials);
    }
    std::sort(blocks.begin(), blocks.end());
    std::sort(totals.begin(), totals.end());
    std::printf("10000 entries, 2000 tokens: longest GUI-thread block median %.1f ms "
                "(max %.1f ms); Practice click median %.1f ms\n",
                blocks[kRuns / 2], blocks.last(), totals[kRuns / 2]);
    std::sort(answerBlocks.begin(), answerBlocks.end());
    std::printf("trend redrawn after an answer (%d answers a run): longest GUI-thread block "
                "median %.1f ms (max %.1f ms)\n",
                kAnswers, answerBlocks[kRuns / 2], answerBlocks.last());
    return 0;
}
