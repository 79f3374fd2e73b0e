// Times a scripted session through the real audio server: 5 tokens of 250 ms,
// 6 times each (30 trials), feedback and automatic play on, answered 150 ms
// after each sound. Needs a PulseAudio server whose default sink is the null
// sink "null" (as scripts/test starts it) and parec on the path; run with
// QT_QPA_PLATFORM=offscreen.
//
// Per trial it prints:
//  interval error  answer (or "I am ready") to sound start (soundPlaying(1)),
//                  minus the nominal sound duration + silent interval;
//  idle - dur      sound start to the idle state (soundPlaying(-1)), minus the
//                  sound's duration;
//  display work    how long the answer's own handling (scoring, loading the
//                  next token, spectrum, charts, arming the timer) held the
//                  GUI thread;
//  clock - sink    when the reaction-time clock started (idle) minus when the
//                  sound's last sample passed the null sink, from a capture of
//                  the sink's monitor.
//
// How the capture is timed: a reader thread reads parec's raw output
// (float32 mono 48 kHz, 5 ms latency) and stamps every read with the
// monotonic clock that QElapsedTimer and the reaction-time clock use. The
// null sink renders on the same monotonic clock, so sample index and time
// differ by a constant: the origin is the smallest (stamp - samples so far /
// 48 kHz) over all reads, i.e. the read that came through with the least
// delay. A sample then passed the sink at origin + index / 48 kHz. What is
// left of the capture's own latency is the delay of that best read, which
// cannot be seen; the printed spread of the other reads (their lag behind the
// best one) shows how large such delays are.
#include "app/mainwindow.h"
#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
const int kTokens = 5;
const int kRepetitions = 6;
const int kTokenFrames = 12000; // 250 ms at 48 kHz
const double kRate = 48000.0;
const int kThinkMs = 150;
const float kSilence = 1e-6f;
const int kGapSamples = 4800; // 100 ms of silence ends a sound in the capture

double nowMs()
{
    return std::chrono::duration<double, std::milli>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

// parec on the null sink's monitor, read on its own thread.
class MonitorCapture
{
public:
    bool start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execlp("parec", "parec", "--device=null.monitor", "--format=float32le", "--rate=48000",
                   "--channels=1", "--latency-msec=5", "--raw", nullptr);
            _exit(127);
        }
        close(fds[1]);
        fd = fds[0];
        reader = std::thread([this] { run(); });
        return pid > 0;
    }

    void stop()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (reader.joinable())
            reader.join();
        close(fd);
    }

    std::vector<float> samples;
    std::vector<std::pair<double, size_t>> reads; // stamp (ms), samples so far

private:
    void run()
    {
        char buffer[4096];
        std::vector<char> pending;
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            const double stamp = nowMs();
            if (got <= 0)
                return;
            pending.insert(pending.end(), buffer, buffer + got);
            const size_t whole = pending.size() / 4;
            const size_t first = samples.size();
            samples.resize(first + whole);
            std::memcpy(samples.data() + first, pending.data(), whole * 4);
            pending.erase(pending.begin(), pending.begin() + long(whole * 4));
            reads.push_back({ stamp, samples.size() });
        }
    }

    pid_t pid = -1;
    int fd = -1;
    std::thread reader;
};

// Only warnings and worse; the session's own debug lines would bury the table.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && !message.contains("propagateSizeHints"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

struct Stats
{
    double median, p95, max;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.empty())
        return { NAN, NAN, NAN };
    const size_t p95 = size_t(std::ceil(0.95 * v.size())) - 1;
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return { median, v[p95], v.back() };
}

void printStats(const char *name, const std::vector<double> &v)
{
    const Stats s = stats(v);
    std::printf("%-16s median %8.3f ms   p95 %8.3f ms   max %8.3f ms   (n = %zu)\n", name, s.median,
                s.p95, s.max, v.size());
}
} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QDir(home.path()).mkpath("Desktop");
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);

    const QString folder = home.filePath("tokens");
    QDir().mkpath(folder);
    for (int t = 0; t < kTokens; ++t)
        sessiondriver::writeWav(QString("%1/tok%2_%3.wav").arg(folder).arg(t).arg(t ? "x" : "001"),
                                sessiondriver::offsetTone(kTokenFrames, 300 + 100 * t));

    MonitorCapture capture;
    if (!capture.start()) {
        std::fprintf(stderr, "cannot start parec\n");
        return 1;
    }
    QTest::qWait(500);

    MainWindow w;
    w.show();
    w.lineEditNTimes->setText(QString::number(kRepetitions));
    w.checkBoxSaveData->setChecked(false);
    sessiondriver::DialogPilot pilot;
    pilot.chooseFolder(folder);
    w.pushButtonPractice->click();
    const int nTrials = w.stimOrder.size();
    if (nTrials != kTokens * kRepetitions) {
        std::fprintf(stderr, "session preparation failed\n");
        capture.stop();
        return 1;
    }
    const double nominalMs = (kTokenFrames / kRate + w.parameters.si) * 1000;
    const double durationMs = kTokenFrames / kRate * 1000;

    std::vector<double> answerAt(nTrials, NAN), startAt(nTrials, NAN), idleAt(nTrials, NAN),
            displayMs(nTrials, NAN);
    int trial = -1;
    bool finished = false;
    QObject::connect(&w, &MainWindow::soundPlaying, [&](int index) {
        const double t = nowMs();
        if (index != -1) {
            startAt[++trial] = t;
            return;
        }
        idleAt[trial] = t;
        const int answered = trial;
        QTimer::singleShot(kThinkMs, [&, answered] {
            SubjectWindow *sw = w.subjectWindow;
            const double before = nowMs();
            if (answered + 1 < nTrials)
                answerAt[answered + 1] = before;
            sw->pushButtonChoice2->click(); // scoring, next token, charts, timer
            displayMs[answered] = nowMs() - before;
        });
    });
    QObject::connect(&w, &MainWindow::doneDataCollection, [&] { finished = true; });

    w.pushButtonGo->click();
    answerAt[0] = nowMs();
    w.subjectWindow->pushButtonIAmReady->click();
    const int timeoutMs = int(nTrials * (nominalMs + 1000));
    QElapsedTimer waited;
    waited.start();
    while (!finished && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QTest::qWait(500);
    capture.stop();
    if (!finished) {
        std::fprintf(stderr, "the session did not finish\n");
        return 1;
    }

    // Capture: the time origin, and the end of every sound in it.
    double origin = INFINITY;
    for (const auto &r : capture.reads)
        origin = std::min(origin, r.first - r.second / kRate * 1000);
    std::vector<double> readLag;
    for (const auto &r : capture.reads)
        readLag.push_back(r.first - (origin + r.second / kRate * 1000));
    std::vector<double> soundEnds; // time the last sample had passed the sink
    const std::vector<float> &s = capture.samples;
    size_t i = 0;
    while (i < s.size()) {
        if (std::fabs(s[i]) <= kSilence) {
            ++i;
            continue;
        }
        size_t last = i, j = i;
        while (j < s.size() && j - last < size_t(kGapSamples)) {
            if (std::fabs(s[j]) > kSilence)
                last = j;
            ++j;
        }
        soundEnds.push_back(origin + (last + 1) / kRate * 1000);
        i = j;
    }

    std::vector<double> intervalError, idleLate, display, clockVsSink;
    std::printf("trial  interval error  idle - dur  display work  clock - sink   (ms)\n");
    for (int k = 0; k < nTrials; ++k) {
        const double err = startAt[k] - answerAt[k] - nominalMs;
        const double idle = idleAt[k] - startAt[k] - durationMs;
        const double sink = k < int(soundEnds.size()) ? idleAt[k] - soundEnds[k] : NAN;
        intervalError.push_back(err);
        idleLate.push_back(idle);
        if (k + 1 < nTrials)
            display.push_back(displayMs[k]);
        if (!std::isnan(sink))
            clockVsSink.push_back(sink);
        // The last answer ends the session: no display work follows it.
        const QByteArray work = k + 1 < nTrials ? QByteArray::number(displayMs[k], 'f', 3) : "-";
        std::printf("%5d  %14.3f  %10.3f  %12s  %12.3f\n", k + 1, err, idle, work.constData(),
                    sink);
    }
    std::printf("\nnominal interval %.0f ms, sound %.0f ms, %d sounds found in the capture\n",
                nominalMs, durationMs, int(soundEnds.size()));
    printStats("interval error", intervalError);
    printStats("idle - duration", idleLate);
    printStats("display work", display);
    printStats("clock - sink", clockVsSink);
    printStats("capture read lag", readLag);
    return 0;
}
