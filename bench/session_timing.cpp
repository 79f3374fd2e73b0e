// Times a scripted session through the real audio server: 5 tokens of 250 ms,
// 6 times each (30 trials; both can be changed), feedback and automatic play on, answered 150 ms
// after each sound. Needs a PulseAudio server whose default sink is the null
// sink "null" (scripts/lib/common.sh starts one) and parec on the path; run
// with QT_QPA_PLATFORM=offscreen. Options:
//   --capture-latency-ms N  the latency the capture asks of the sink's monitor
//                           (default 5);
//   --card FIFO             measure at an emulated sound card instead: the
//                           FIFO of PulseAudio's module-pipe-sink, drained at
//                           exactly 48 kHz by a thread of this program (the
//                           DAC), so that what the sink holds in the pipe is a
//                           device buffer the server knows and reports;
//   --pipe-bytes N          the pipe's capacity (the device buffer) with --card;
//   --block-gui-ms N        before every other sound, block the GUI thread for
//                           N ms from 250 ms before the sound is due;
//   --audio NAME            the output to play through (tellwyn --audio);
//   --token-ms N, --repetitions N  the tokens' length (default 250) and how
//                           often each plays (default 6);
//   --read-ms N             how long the listener reads the instructions
//                           between "Go" and "I am ready" (default 3000; the
//                           output opens at "Go").
//
// Per trial it prints, in ms, all measured at the sink (or the card's DAC):
//  onset error     the sound's first sample at the sink minus its due time
//                  (the click that answered, or "I am ready", + the sound's
//                  duration + the silent interval, as the trial loop counts);
//  clock - sink    when the reaction-time clock started minus when the
//                  sound's last sample had passed the sink;
//  start sig       soundPlaying(1) minus the first sample at the sink;
//  end sig         soundPlaying(-1) minus the last sample at the sink;
//  file onset      the timing file's onset_ms minus the first sample at the
//                  sink;
//  latency, dropouts  the timing file's output_latency_ms and dropouts;
//  length          the sound's length at the sink minus the token's: a gap
//                  inside it, or a cut, shows here;
//  card gap        with --card, the silence the card played for want of
//                  samples between the answer and the sound's end (an
//                  underrun nobody reports: the pipe sink cannot see it);
//  display work    how long the answer's own handling (scoring, loading the
//                  next token, spectrum, charts, arming the sound) held the
//                  GUI thread;
//  redraw          from the answer until the waveform and spectrum views
//                  finished painting the next token (the display work, the
//                  layout and the repaint).
// It also prints the longest time the GUI thread spent on one event while
// the trials ran (the blocks that --block-gui-ms adds aside).
// The reaction-time clock's start is read from the program itself just before
// each click: now minus what the clock shows.
//
// How the capture is timed: a reader thread reads parec's raw output
// (float32 mono 48 kHz) and stamps every read with the monotonic clock that
// QElapsedTimer and the reaction-time clock use. The null sink renders on the
// same monotonic clock, so sample index and time differ by a constant, or
// nearly: the null sink counts its time in whole microseconds per block, and
// its samples run some tens of ppm fast. The origin is therefore a line
// through the best reads (the smallest stamp - samples so far / 48 kHz, the
// reads that came through with the least delay) of the first and the last
// tenth of the capture, and a sample passed the sink at origin(index) +
// index / 48 kHz; the slope is printed. What is left of the capture's own
// latency is the delay of that best read, which cannot be seen; the printed
// spread of the other reads (their lag behind the best one) shows how large
// such delays are.
#include "app/mainwindow.h"
#include "trial/trialsequence.h"
#include "trial/resultfiles.h"
#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
const int kTokens = 5;
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

// Notes when the watched views last finished painting, and the longest
// single event of the GUI thread.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (depth > 0) {
            // Views paint inside the window's update request.
            const bool done = QApplication::notify(receiver, event);
            if (event->type() == QEvent::Paint && watched.count(receiver) > 0)
                lastPaintEnd[receiver] = nowMs();
            return done;
        }
        ++depth;
        const double start = nowMs();
        const bool done = QApplication::notify(receiver, event);
        const double end = nowMs();
        --depth;
        if (!blocking)
            longestMs = std::max(longestMs, end - start);
        blocking = false;
        if (event->type() == QEvent::Paint && watched.count(receiver) > 0)
            lastPaintEnd[receiver] = end;
        return done;
    }
    // When every watched view had finished a paint begun after since, or NAN
    // while one has not.
    double allPaintedAfter(double since) const
    {
        double at = since;
        for (const QObject *view : watched) {
            const auto it = lastPaintEnd.find(view);
            if (it == lastPaintEnd.end() || it->second <= since)
                return NAN;
            at = std::max(at, it->second);
        }
        return at;
    }
    std::set<const QObject *> watched;
    std::map<const QObject *, double> lastPaintEnd;
    double longestMs = 0;
    bool blocking = false; // inside a block the bench makes on purpose

private:
    int depth = 0;
};

// parec on the null sink's monitor, read on its own thread.
class MonitorCapture
{
public:
    bool start(int latencyMs)
    {
        const QByteArray latency = "--latency-msec=" + QByteArray::number(latencyMs);
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execlp("parec", "parec", "--device=null.monitor", "--format=float32le", "--rate=48000",
                   "--channels=1", latency.constData(), "--raw", nullptr);
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

// The emulated sound card's converter: drains the pipe sink's FIFO at exactly
// kRate frames a second, in steps of 0.25 ms on absolute monotonic deadlines,
// never blocking, and plays silence for what is missing. Frame i of what it
// drains plays at the start time + i / kRate.
class CardCapture
{
public:
    bool start(const char *fifo, int pipeBytes, double expectedSeconds)
    {
        fd = open(fifo, O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        if (pipeBytes > 0 && fcntl(fd, F_SETPIPE_SZ, pipeBytes) < 0)
            std::fprintf(stderr, "cannot set the pipe to %d bytes\n", pipeBytes);
        bufferBytes = fcntl(fd, F_GETPIPE_SZ);
        char scrap[65536]; // whatever the sink wrote before the card started
        while (read(fd, scrap, sizeof scrap) > 0) { }
        // Room for the whole run, taken now: growing the vector on the
        // card's thread would copy all it holds and stall the card (once
        // 25 ms, two minutes in), which the server then sees as an underrun.
        samples.reserve(size_t(kRate * (expectedSeconds + 60)));
        running = true;
        reader = std::thread([this] { run(); });
        return true;
    }
    void stop()
    {
        running = false;
        if (reader.joinable())
            reader.join();
        close(fd);
    }

    std::vector<float> samples;
    // Frames the card played as silence because the pipe was empty, by the
    // frame index they began at: an underrun that the pipe sink, unlike a
    // real card's driver, cannot detect or report to the server.
    std::vector<std::pair<long long, long long>> gaps;
    double originMs = 0;
    int bufferBytes = 0;
    bool realtime = false;

private:
    void run()
    {
        sched_param priority {};
        priority.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
        realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0;
        timespec t;
        clock_gettime(CLOCK_MONOTONIC, &t);
        const timespec t0 = t;
        originMs = t0.tv_sec * 1e3 + t0.tv_nsec / 1e6;
        std::vector<char> bytes;
        long long played = 0;
        while (running.load()) {
            t.tv_nsec += 250000;
            if (t.tv_nsec >= 1000000000)
                t.tv_nsec -= 1000000000, ++t.tv_sec;
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr);
            const double elapsed = double(t.tv_sec - t0.tv_sec) + (t.tv_nsec - t0.tv_nsec) / 1e9;
            const long long due = (long long)(elapsed * kRate);
            const size_t want = size_t(due - played) * 4;
            bytes.resize(want);
            size_t got = 0;
            while (got < want) {
                const ssize_t n = read(fd, bytes.data() + got, want - got);
                if (n <= 0)
                    break;
                got += size_t(n);
            }
            got -= got % 4; // a torn frame would shift all that follows; not seen
            if (got < want)
                gaps.push_back({ played + (long long)(got / 4), (long long)((want - got) / 4) });
            const size_t first = samples.size();
            samples.resize(first + size_t(due - played), 0.0f);
            std::memcpy(samples.data() + first, bytes.data(), got);
            played = due;
        }
    }

    int fd = -1;
    std::atomic<bool> running { false };
    std::thread reader;
};

// Only warnings and worse; the session's own debug lines would bury the table.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && !message.contains("propagateSizeHints"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// The reaction-time clock's start as the program keeps it: the clock runs
// from its (re)start, less the lag the program keeps beside it.
double reactionClockStartMs(const MainWindow &w)
{
    const double shownMs = w.reactionClockNs() / 1e6;
    return nowMs() - shownMs;
}

// median, p95 and max of |x|, SD
void printStats(const char *name, const std::vector<double> &v)
{
    if (v.empty()) {
        std::printf("%-14s no values\n", name);
        return;
    }
    std::vector<double> sorted(v), magnitude;
    std::sort(sorted.begin(), sorted.end());
    for (double x : v)
        magnitude.push_back(std::fabs(x));
    std::sort(magnitude.begin(), magnitude.end());
    const size_t n = v.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    double mean = 0, squares = 0;
    for (double x : v)
        mean += x / n;
    for (double x : v)
        squares += (x - mean) * (x - mean);
    const double sd = n > 1 ? std::sqrt(squares / (n - 1)) : 0;
    const double p95 = magnitude[size_t(std::ceil(0.95 * n)) - 1];
    std::printf("%-14s median %8.3f   p95 |x| %8.3f   max |x| %8.3f   SD %7.3f   range %8.3f "
                "to %8.3f ms (n = %zu)\n",
                name, median, p95, magnitude.back(), sd, sorted.front(), sorted.back(), n);
}

struct Sound
{
    double start, end; // first sample, and the moment after the last, at the sink
};

// When sample i passed the sink: origin + slope * i + i / kRate, in ms.
struct SampleTime
{
    double origin = 0, slope = 0;
    double operator()(double i) const { return origin + slope * i + i / kRate * 1000; }
};

// The line through the best reads of the first and the last tenth.
SampleTime monitorTime(const std::vector<std::pair<double, size_t>> &reads)
{
    const auto best = [&](size_t from, size_t to) {
        std::pair<double, double> b { INFINITY, 0 }; // origin, index
        for (size_t i = from; i < to; ++i) {
            const double o = reads[i].first - reads[i].second / kRate * 1000;
            if (o < b.first)
                b = { o, double(reads[i].second) };
        }
        return b;
    };
    const size_t tenth = std::max<size_t>(reads.size() / 10, 1);
    const auto early = best(0, tenth), late = best(reads.size() - tenth, reads.size());
    SampleTime t;
    t.slope = late.second > early.second ? (late.first - early.first) / (late.second - early.second)
                                         : 0;
    t.origin = early.first - t.slope * early.second;
    return t;
}

// Sounds in the capture: runs of samples above silence, ended by 100 ms of it.
std::vector<Sound> findSounds(const std::vector<float> &s, const SampleTime &at)
{
    std::vector<Sound> sounds;
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
        sounds.push_back({ at(i), at(last + 1) });
        i = j;
    }
    return sounds;
}
} // namespace

int main(int argc, char *argv[])
{
    int captureLatencyMs = 5, pipeBytes = 0, blockGuiMs = 0, readMs = 3000, tokenMs = 250,
        repetitions = 6;
    const char *cardFifo = nullptr;
    QString output;
    for (int a = 1; a + 1 < argc; ++a) {
        if (std::strcmp(argv[a], "--capture-latency-ms") == 0)
            captureLatencyMs = std::atoi(argv[a + 1]);
        else if (std::strcmp(argv[a], "--card") == 0)
            cardFifo = argv[a + 1];
        else if (std::strcmp(argv[a], "--pipe-bytes") == 0)
            pipeBytes = std::atoi(argv[a + 1]);
        else if (std::strcmp(argv[a], "--block-gui-ms") == 0)
            blockGuiMs = std::atoi(argv[a + 1]);
        else if (std::strcmp(argv[a], "--read-ms") == 0)
            readMs = std::atoi(argv[a + 1]);
        else if (std::strcmp(argv[a], "--token-ms") == 0)
            tokenMs = std::atoi(argv[a + 1]);
        else if (std::strcmp(argv[a], "--repetitions") == 0)
            repetitions = std::atoi(argv[a + 1]);
        else if (std::strcmp(argv[a], "--audio") == 0)
            output = QString::fromLocal8Bit(argv[a + 1]);
    }
    const int tokenFrames = int(tokenMs * kRate / 1000);
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QDir(home.path()).mkpath("Desktop");
    qInstallMessageHandler(quietMessages);
    TimedApplication app(argc, argv);

    const QString folder = home.filePath("tokens");
    QDir().mkpath(folder);
    for (int t = 0; t < kTokens; ++t)
        sessiondriver::writeWav(QString("%1/tok%2_%3.wav").arg(folder).arg(t).arg(t ? "x" : "001"),
                                sessiondriver::offsetTone(tokenFrames, 300 + 100 * t));

    MonitorCapture capture;
    CardCapture card;
    if (cardFifo ? !card.start(cardFifo, pipeBytes,
                               (readMs + kTokens * repetitions * (tokenMs + 2000)) / 1000.0)
                 : !capture.start(captureLatencyMs)) {
        std::fprintf(stderr, cardFifo ? "cannot open the card's FIFO\n" : "cannot start parec\n");
        return 1;
    }
    const auto stopCapture = [&] { cardFifo ? card.stop() : capture.stop(); };
    QTest::qWait(500);

    MainWindow w;
    if (!output.isEmpty())
        w.setAudioOutputChoice(output);
    w.show();
    for (const char *view : { "waveformChartView", "spectrumChartView" })
        app.watched.insert(windowparts::chart(&w, view).view->viewport());
    windowparts::part<QLineEdit>(&w, "lineEditNTimes")->setText(QString::number(repetitions));
    windowparts::part<QCheckBox>(&w, "checkBoxSaveData")->setChecked(false);
    sessiondriver::DialogPilot pilot;
    pilot.chooseFolder(folder);
    windowparts::part<QPushButton>(&w, "pushButtonPractice")->click();
    const int nTrials = w.trialSequence().size();
    if (nTrials != kTokens * repetitions) {
        std::fprintf(stderr, "session preparation failed\n");
        stopCapture();
        return 1;
    }
    const double delayMs = playbackDelayMs(tokenFrames / kRate, w.sessionParameters().si);

    std::vector<double> answerAt(nTrials, NAN), startAt(nTrials, NAN), endAt(nTrials, NAN),
            clockAt(nTrials, NAN), displayMs(nTrials, NAN), redrawMs(nTrials, NAN);
    int trial = -1;
    bool finished = false;
    QObject::connect(&w, &MainWindow::soundPlaying, [&](int index) {
        const double t = nowMs();
        if (index != -1) {
            // The answer before this sound has been drawn by now.
            if (trial >= 0)
                redrawMs[trial] = app.allPaintedAfter(answerAt[trial + 1]) - answerAt[trial + 1];
            startAt[++trial] = t;
            return;
        }
        endAt[trial] = t;
        const int answered = trial;
        QTimer::singleShot(kThinkMs, [&, answered] {
            SubjectWindow *sw = w.currentSubjectWindow();
            clockAt[answered] = reactionClockStartMs(w);
            const double before = nowMs();
            if (answered + 1 < nTrials)
                answerAt[answered + 1] = before;
            sw->pushButtonChoice2->click(); // scoring, next token, charts, the next sound
            displayMs[answered] = nowMs() - before;
            if (blockGuiMs > 0 && answered % 2 == 0 && answered + 1 < nTrials) {
                // The GUI thread stops dead while the next sound is due.
                QTimer::singleShot(int(delayMs) - 250, [blockGuiMs, &app] {
                    app.blocking = true;
                    const double until = nowMs() + blockGuiMs;
                    while (nowMs() < until) { }
                });
            }
        });
    });
    QObject::connect(&w, &MainWindow::doneDataCollection, [&] { finished = true; });

    windowparts::part<QPushButton>(&w, "pushButtonGo")->click();
    QTest::qWait(readMs);
    answerAt[0] = nowMs();
    app.longestMs = 0;
    w.currentSubjectWindow()->pushButtonIAmReady->click();
    const int timeoutMs = int(nTrials * (delayMs + tokenMs + 1000));
    QElapsedTimer waited;
    waited.start();
    while (!finished && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double longestBlockMs = app.longestMs;
    QTest::qWait(500);
    stopCapture();
    if (!finished) {
        std::fprintf(stderr, "the session did not finish\n");
        return 1;
    }

    // Capture: the time origin, and every sound in it.
    SampleTime at;
    at.origin = card.originMs;
    if (!cardFifo)
        at = monitorTime(capture.reads);
    std::vector<double> readLag;
    for (const auto &r : capture.reads)
        readLag.push_back(r.first - at(r.second));
    const std::vector<Sound> sounds = findSounds(cardFifo ? card.samples : capture.samples, at);
    if (int(sounds.size()) != nTrials)
        std::fprintf(stderr, "%d sounds in the capture for %d trials: figures unreliable\n",
                     int(sounds.size()), nTrials);

    // The timing file's onsets, as the file holds them (ms from "I am ready"
    // to 0.001), back on the monotonic clock.
    const QStringList timingRows = timingFileText(w.sessionTimings()).split(QLatin1Char('\n'));
    const double readyMs = w.trialsStartedAtNs() / 1e6;
    std::vector<double> onsetError, clockVsSink, startSignal, endSignal, display, redraw, fileOnset,
            lengthError;
    int dropouts = 0, redrawsUnseen = 0;
    std::printf("trial  onset error  clock - sink  start sig  end sig  display work  file onset"
                "  latency  dropouts  length%s   (ms)\n",
                cardFifo ? "  card gap" : "");
    int gapTrials = 0;
    for (int k = 0; k < nTrials && k < int(sounds.size()); ++k) {
        const Sound &sound = sounds[k];
        onsetError.push_back(sound.start - (answerAt[k] + delayMs));
        clockVsSink.push_back(clockAt[k] - sound.end);
        startSignal.push_back(startAt[k] - sound.start);
        endSignal.push_back(endAt[k] - sound.end);
        const QStringList row = timingRows.value(k + 1).split(QLatin1Char('\t'));
        double fileError = NAN;
        if (row.size() > 3 && !row[3].isEmpty()) {
            fileError = readyMs + row[3].toDouble() - sound.start;
            fileOnset.push_back(fileError);
        }
        const int trialDropouts = row.value(8).toInt();
        dropouts += trialDropouts;
        // The last answer ends the session: no display work follows it.
        if (k + 1 < nTrials) {
            display.push_back(displayMs[k]);
            if (std::isfinite(redrawMs[k]))
                redraw.push_back(redrawMs[k]);
            else
                ++redrawsUnseen;
        }
        const QByteArray work = k + 1 < nTrials ? QByteArray::number(displayMs[k], 'f', 3) : "-";
        lengthError.push_back(sound.end - sound.start - tokenMs);
        std::printf("%5d  %11.3f  %12.3f  %9.3f  %7.3f  %12s  %10.3f  %7.2f  %8d  %6.3f", k + 1,
                    onsetError.back(), clockVsSink.back(), startSignal.back(), endSignal.back(),
                    work.constData(), fileError, row.value(5).toDouble(), trialDropouts,
                    lengthError.back());
        if (cardFifo) {
            // Silence the card played for want of samples between the answer
            // and the sound's end: it delays what follows unknown to anyone.
            long long gapFrames = 0;
            for (const auto &g : card.gaps) {
                const double at = card.originMs + g.first / kRate * 1000;
                if (at >= answerAt[k] && at < sound.end)
                    gapFrames += g.second;
            }
            gapTrials += gapFrames > 0;
            std::printf("  %8.3f", gapFrames / kRate * 1000);
        }
        std::printf("\n");
    }
    std::printf("\ndue %.0f ms after the answer, sound %.0f ms, %d sounds found ", delayMs,
                tokenFrames / kRate * 1000, int(sounds.size()));
    if (cardFifo)
        std::printf("at the emulated card (device buffer %d bytes = %.1f ms, DAC thread %s)\n",
                    card.bufferBytes, card.bufferBytes / 4 / kRate * 1000,
                    card.realtime ? "SCHED_FIFO" : "not real-time");
    else
        std::printf("in the sink's monitor (read at %d ms latency)\n", captureLatencyMs);
    if (blockGuiMs > 0)
        std::printf("GUI thread blocked %d ms over every other sound's due time\n", blockGuiMs);
    printStats("onset error", onsetError);
    printStats("clock - sink", clockVsSink);
    printStats("start signal", startSignal);
    printStats("end signal", endSignal);
    printStats("file onset", fileOnset);
    printStats("length", lengthError);
    std::printf("dropouts      %d reported by the output during the sounds\n", dropouts);
    if (cardFifo)
        std::printf("card gaps     %d trials in which the card ran out of samples\n", gapTrials);
    printStats("display work", display);
    printStats("redraw", redraw);
    std::printf(
            "redraws       %d of %d took 16 ms or more; %d not seen before the next sound\n",
            int(std::count_if(redraw.begin(), redraw.end(), [](double ms) { return ms >= 16; })),
            int(redraw.size()) + redrawsUnseen, redrawsUnseen);
    std::printf("longest block %.3f ms of the GUI thread on one event while the trials ran\n",
                longestBlockMs);
    printStats("capture lag", readLag);
    if (!cardFifo)
        std::printf("monitor clock %+.1f ppm against the monotonic clock\n",
                    -at.slope * kRate * 1e3);
    return 0;
}
