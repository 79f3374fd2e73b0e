// Times one trial's display work in the main window (1536 x 936, offscreen)
// for tokens of 0.25, 2, 6, 10 and 60 s at 48 kHz:
//
// 1. Each step, called directly: plotWaveform, computeSpectrum, plotSpectrum,
//    plotTrend, then the event loop until it is idle, which lays out the
//    charts and repaints the window (the paint time of each chart view is
//    shown beneath it). "whole trial display" is the sum of the five steps.
//    As in a session, the worker has computed the token's spectrum during the
//    trial before, so computeSpectrum takes it; the time of the worker's
//    computation and of computeSpectrum on the GUI thread without it (the
//    first token of a session) are shown apart.
// 2. The longest single block of the GUI thread during a trial's redraw, as
//    the session runs it: one posted event does what token loading and the
//    trial loop do (setCurrentSamples, plotWaveform, computeSpectrum,
//    plotSpectrum, plotTrend; the spectrum computed ahead as above), then
//    the event loop runs until the chart views
//    have repainted. Every event the application delivers is timed; the
//    longest is that trial's block (the platform audio output and every timer
//    wait at most that long). Reading the token's file is not included.
//
// Run: QT_QPA_PLATFORM=offscreen ./display_bench [repetitions]. Prints the
// median and the fastest time of each step in milliseconds, the median and
// the largest of the longest blocks.

#include "app/mainwindow.h"
#include "tests/support/windowparts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <vector>

namespace {
const double kFs = 48000.0;
const int kDefaultRepetitions = 10;
const int kTrendFiles = 20;
const int kWindowWidth = 1536;
const int kWindowHeight = 936;
const double kTokenSeconds[] = { 0.25, 2.0, 6.0, 10.0, 60.0 };
const double kLongTokenSeconds = 10; // above: half the repetitions
const int kSettleMs = 20; // event loop time after a redraw's last repaint

// Times every event delivered outside another one (the blocks of the GUI
// thread), and the paint events of chosen widgets.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        const bool outermost = depth == 0;
        const bool painted = event->type() == QEvent::Paint && paintMs.count(receiver) > 0;
        if (!outermost && !painted)
            return QApplication::notify(receiver, event);
        ++depth;
        QElapsedTimer clock;
        clock.start();
        const bool done = QApplication::notify(receiver, event);
        const double ms = clock.nsecsElapsed() / 1e6;
        --depth;
        if (outermost)
            longestMs = std::max(longestMs, ms);
        if (painted) {
            paintMs[receiver] += ms;
            ++paints[receiver];
        }
        return done;
    }
    double longestMs = 0;
    std::map<const QObject *, double> paintMs; // per watched widget, since the last reset
    std::map<const QObject *, int> paints;

private:
    int depth = 0;
};

QVector<double> noisyTone(int n, double hz, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    QVector<double> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = 0.5 * std::sin(2 * 3.141592653589793 * hz * i / kFs) + noise(random);
    return s;
}

struct Step
{
    const char *name;
    std::function<void()> run;
    std::vector<double> ms;
    bool inTotal;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void countTrendAnswer(MainWindow &w, int r)
{
    static QVector<double> counts(kTrendFiles);
    w.setTrendCount(r % kTrendFiles, ++counts[r % kTrendFiles]);
}

// What the trial before does for this one: the worker computes its spectrum.
double computeAhead(MainWindow &w, const QVector<double> &token)
{
    QElapsedTimer clock;
    clock.start();
    w.computeSpectrumAheadOf(token);
    return clock.nsecsElapsed() / 1e6;
}

void timeSteps(TimedApplication &app, MainWindow &w, const QVector<double> (&tokens)[2],
               int repetitions)
{
    const size_t kPaintSteps = 5; // the paint rows follow the steps in the total
    const std::pair<const char *, QWidget *> views[] = {
        { "  paint waveform view", windowparts::chart(&w, "waveformChartView").view->viewport() },
        { "  paint spectrum view", windowparts::chart(&w, "spectrumChartView").view->viewport() },
        { "  paint trend view", windowparts::chart(&w, "trendChartView").view->viewport() },
    };
    std::vector<Step> steps = {
        { "plotWaveform", [&w] { w.plotWaveform(); }, {}, true },
        { "computeSpectrum", [&w] { w.computeSpectrum(); }, {}, true },
        { "plotSpectrum", [&w] { w.plotSpectrum(); }, {}, true },
        { "plotTrend", [&w] { w.plotTrend(); }, {}, true },
        { "event loop: layout, repaint", [] { QApplication::processEvents(); }, {}, true },
    };
    std::vector<double> aheadMs;
    for (const auto &view : views) {
        app.paintMs[view.second] = 0;
        steps.push_back({ view.first, [] {}, {}, false });
    }
    // Last, so that its memory traffic does not reach the steps above.
    steps.push_back({ "computeSpectrum, not ahead",
                      [&w] {
                          w.dropSpectrumAhead();
                          w.computeSpectrum();
                      },
                      {},
                      false });
    std::vector<double> totals;
    int repainted = 0;
    QElapsedTimer clock;
    for (int r = 0; r < repetitions + 1; ++r) {
        const double ahead = computeAhead(w, tokens[r % 2]);
        if (r > 0)
            aheadMs.push_back(ahead);
        w.setCurrentSamples(tokens[r % 2]);
        countTrendAnswer(w, r);
        for (const auto &view : views) {
            app.paintMs[view.second] = 0;
            app.paints[view.second] = 0;
        }
        double total = 0;
        for (Step &step : steps) {
            clock.start();
            step.run();
            const double ms = clock.nsecsElapsed() / 1e6;
            if (step.inTotal)
                total += ms;
            if (r > 0) // the first round warms caches and fonts
                step.ms.push_back(ms);
        }
        if (r == 0)
            continue;
        bool all = true;
        for (size_t v = 0; v < std::size(views); ++v) {
            steps[kPaintSteps + v].ms.back() = app.paintMs[views[v].second];
            all = all && app.paints[views[v].second] > 0;
        }
        totals.push_back(total);
        repainted += all;
    }
    std::printf("  %-29s %10s %10s\n", "step", "median ms", "min ms");
    for (const Step &step : steps)
        std::printf("  %-29s %10.3f %10.3f\n", step.name, median(step.ms),
                    *std::min_element(step.ms.begin(), step.ms.end()));
    std::printf("  %-29s %10.3f %10.3f  (%d of %d rounds repainted every view)\n",
                "whole trial display", median(totals),
                *std::min_element(totals.begin(), totals.end()), repainted, repetitions);
    std::printf("  %-29s %10.3f %10.3f  (worker thread, during the trial before)\n",
                "spectrum computed ahead", median(aheadMs),
                *std::min_element(aheadMs.begin(), aheadMs.end()));
}

void timeLongestBlock(TimedApplication &app, MainWindow &w, const QVector<double> (&tokens)[2],
                      int repetitions)
{
    QWidget *watched[] = { windowparts::chart(&w, "waveformChartView").view->viewport(),
                           windowparts::chart(&w, "spectrumChartView").view->viewport() };
    const auto leastPaints = [&] {
        return std::min(app.paints[watched[0]], app.paints[watched[1]]);
    };
    std::vector<double> blocks;
    int repainted = 0;
    for (int r = 0; r < repetitions + 1; ++r) {
        QApplication::processEvents();
        computeAhead(w, tokens[r % 2]);
        const int paintsBefore = leastPaints();
        app.longestMs = 0;
        QTimer::singleShot(0, &w, [&w, &tokens, r] {
            w.setCurrentSamples(tokens[r % 2]);
            w.plotWaveform();
            w.computeSpectrum();
            w.plotSpectrum();
            countTrendAnswer(w, r);
            w.plotTrend();
        });
        QElapsedTimer clock;
        clock.start();
        while (leastPaints() == paintsBefore && clock.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        const bool painted = leastPaints() > paintsBefore;
        clock.start();
        while (clock.elapsed() < kSettleMs)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, kSettleMs);
        if (r > 0) {
            blocks.push_back(app.longestMs);
            repainted += painted;
        }
    }
    std::printf("  %-29s %10.3f %10.3f  (max; %d of %d redraws repainted both views)\n",
                "longest GUI block", median(blocks),
                *std::max_element(blocks.begin(), blocks.end()), repainted, repetitions);
}

void timeToken(TimedApplication &app, MainWindow &w, double seconds, int repetitions)
{
    const int n = static_cast<int>(seconds * kFs);
    // Two tokens in turn, so every redraw really changes the charts.
    const QVector<double> tokens[2] = { noisyTone(n, 440, 1), noisyTone(n, 660, 2) };
    const int rounds = seconds > kLongTokenSeconds ? std::max(1, repetitions / 2) : repetitions;
    std::printf("\n%.0f ms token (%d samples), %d repetitions\n", seconds * 1000, n, rounds);
    timeSteps(app, w, tokens, rounds);
    timeLongestBlock(app, w, tokens, rounds);
    std::printf("  series: %d waveform points, %d spectrum points\n",
                windowparts::chart(&w, "waveformChartView").series->count(),
                windowparts::chart(&w, "spectrumChartView").series->count());
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : kDefaultRepetitions;

    MainWindow w;
    // The window's size on a 1920 x 1040 desktop (the offscreen screen is smaller).
    w.resize(kWindowWidth, kWindowHeight);
    w.show();
    QApplication::processEvents();
    w.setCurrentSamples(noisyTone(12000, 440, 1));
    w.showTrendForTest(kTrendFiles); // a prepared session of kTrendFiles files, a trial run
    const auto view = [&w](const char *name) { return windowparts::chart(&w, name).view; };
    std::printf("Main window %dx%d; chart views %dx%d, %dx%d, %dx%d\n", w.width(), w.height(),
                view("waveformChartView")->width(), view("waveformChartView")->height(),
                view("spectrumChartView")->width(), view("spectrumChartView")->height(),
                view("trendChartView")->width(), view("trendChartView")->height());

    for (double seconds : kTokenSeconds)
        timeToken(app, w, seconds, repetitions);

    std::printf("\nTargets: whole trial display under 16 ms (median) for tokens up to 10 s, "
                "under 40 ms for 60 s.\n");
    return 0;
}
