// Times one trial's display work in the main window: plotWaveform,
// computeSpectrum, plotSpectrum, plotTrend and a forced repaint (grab) of the
// three chart views, for a 250 ms and a 2 s token at 48 kHz.
//
// Run: QT_QPA_PLATFORM=offscreen ./display_bench [repetitions]. Prints the
// median and the fastest time of each step in milliseconds.

#include "app/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {
const double kFs = 48000.0;
const int kDefaultRepetitions = 30;
const int kTrendFiles = 20;
const double kTargetMs = 16.0;
const int kWindowWidth = 1536;
const int kWindowHeight = 936;

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
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void timeToken(MainWindow &w, double seconds, int repetitions)
{
    const int n = static_cast<int>(seconds * kFs);
    // Two tokens in turn, so every redraw really changes the charts.
    const QVector<double> tokens[2] = { noisyTone(n, 440, 1), noisyTone(n, 660, 2) };
    std::vector<Step> steps = {
        { "plotWaveform", [&w] { w.plotWaveform(); }, {} },
        { "computeSpectrum", [&w] { w.computeSpectrum(); }, {} },
        { "plotSpectrum", [&w] { w.plotSpectrum(); }, {} },
        { "plotTrend", [&w] { w.plotTrend(); }, {} },
        { "grab waveform view", [&w] { w.waveformChartView->grab(); }, {} },
        { "grab spectrum view", [&w] { w.spectrumChartView->grab(); }, {} },
        { "grab trend view", [&w] { w.trendChartView->grab(); }, {} },
    };
    std::vector<double> totals;
    QElapsedTimer clock;
    for (int r = 0; r < repetitions + 1; ++r) {
        w.setCurrentSamples(tokens[r % 2]);
        w.trendY[r % kTrendFiles] += 1;
        w.trendPoints[r % kTrendFiles].setY(w.trendY[r % kTrendFiles]);
        double total = 0;
        for (Step &step : steps) {
            clock.start();
            step.run();
            const double ms = clock.nsecsElapsed() / 1e6;
            total += ms;
            if (r > 0) // the first round warms caches and fonts
                step.ms.push_back(ms);
        }
        if (r > 0)
            totals.push_back(total);
    }
    std::printf("\n%.0f ms token (%d samples, %d waveform points, %d spectrum points), "
                "%d repetitions\n",
                seconds * 1000, n, w.waveformSeries->count(), w.spectrumSeries->count(),
                repetitions);
    std::printf("  %-22s %10s %10s\n", "step", "median ms", "min ms");
    for (const Step &step : steps)
        std::printf("  %-22s %10.3f %10.3f\n", step.name, median(step.ms),
                    *std::min_element(step.ms.begin(), step.ms.end()));
    std::printf("  %-22s %10.3f %10.3f\n", "whole trial display", median(totals),
                *std::min_element(totals.begin(), totals.end()));
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : kDefaultRepetitions;

    MainWindow w;
    // The window's size on a 1920 x 1040 desktop (the offscreen screen is smaller).
    w.resize(kWindowWidth, kWindowHeight);
    w.show();
    QApplication::processEvents();
    w.nTokens = kTrendFiles;
    w.trialIndex = 0;
    w.setCurrentSamples(noisyTone(12000, 440, 1));
    w.plotTrend(); // a prepared session of kTrendFiles files
    w.trialIndex = 1;
    std::printf("Main window %dx%d; chart views %dx%d, %dx%d, %dx%d\n", w.width(), w.height(),
                w.waveformChartView->width(), w.waveformChartView->height(),
                w.spectrumChartView->width(), w.spectrumChartView->height(),
                w.trendChartView->width(), w.trendChartView->height());

    timeToken(w, 0.25, repetitions);
    timeToken(w, 2.0, repetitions);

    std::printf("\nTarget: whole trial display under %.0f ms for the 250 ms token.\n", kTargetMs);
    return 0;
}
