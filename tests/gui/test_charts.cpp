#include "app/mainwindow.h"

#include <QtCharts>
#include <QtTest>

#include <cmath>

QT_CHARTS_USE_NAMESPACE

namespace {
QVector<double> tone(int n, double hz, double amplitude)
{
    QVector<double> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = amplitude * std::cos(2 * 3.141592653589793 * hz * i / 48000);
    return s;
}

const auto rangeOf = [](const QValueAxis *axis) { return QPointF(axis->min(), axis->max()); };
} // namespace

class TestCharts : public QObject
{
    Q_OBJECT

private slots:
    // Each token, then an empty one that shows nothing and keeps every range.
    void tokenRangesAndPoints()
    {
        QVector<double> whole = tone(24000, 1000, 0.5), part(24000, 0.0);
        whole[23999] = 0.75;
        part[100] = 0.25;
        part[20000] = -0.9; // beyond the plotted part, still in the y range
        // Samples, whole or else 250 ms at most, waveform points (the time axis spans them
        // in ms), waveform y range, spectrum bins, top of the spectrum axis (NaN: not checked).
        const std::tuple<QVector<double>, bool, int, QPointF, int, double> cases[] = {
            { whole, true, 24000, { -0.5, 0.75 }, 1365, qQNaN() },
            { part, false, 12000, { -0.9, 0.25 }, 1365, qQNaN() },
            // A strong component above the plotted band still sets the top of the axis.
            { tone(16384, 6000, 0.8), false, 12000, { -0.8, 0.8 }, 682, 0.8 },
            { QVector<double>(12000), true, 12000, {}, 682, 0.0 }, // silent
            // Shorter than 250 ms: shown whole. No bins: the spectrum keeps its starting range.
            { { 0.5 }, false, 1, { 0.5, 0.5 }, 0, 1.0 },
        };
        for (const auto &[samples, entire, points, y, bins, spectrumTop] : cases) {
            MainWindow w;
            w.parameters.alwaysPlotEntireWaveformFlag = entire;
            for (const QVector<double> &token : { samples, QVector<double>() }) {
                w.setCurrentSamples(token); // what token loading leaves, then the redraws
                w.plotWaveform();
                w.computeSpectrum();
                w.plotSpectrum();
                QCOMPARE(w.waveformSeries->count(), token.isEmpty() ? 0 : points);
                QCOMPARE(w.spectrumSeries->count(), token.isEmpty() ? 0 : bins);
                QCOMPARE(rangeOf(w.waveformAxisX), QPointF(0, points / 48.0));
                QCOMPARE(rangeOf(w.waveformAxisY), y);
                QVERIFY(qIsNaN(spectrumTop)
                        || std::abs(w.spectrumAxisY->max() - spectrumTop) < 1e-9);
            }
        }
    }
    void trendGrowsAndResets()
    {
        MainWindow w;
        w.nTokens = 3;
        w.plotTrend();
        QCOMPARE(w.trendSeries->count(), 3);
        QCOMPARE(rangeOf(w.trendAxisX), QPointF(1, 3));
        QCOMPARE(rangeOf(w.trendAxisY), QPointF(0, 4));
        // The trial loop's side of six "Mother" answers, then the redraw: the axis grows past 4.
        w.trialIndex = 5;
        w.trendY[1] = 6;
        w.trendPoints[1].setY(6);
        w.plotTrend();
        QCOMPARE(rangeOf(w.trendAxisY), QPointF(0, 6));
        QCOMPARE(w.trendSeries->at(1), QPointF(2, 6));
        // A new session of one file starts from zero.
        w.nTokens = 1;
        w.trialIndex = 0;
        w.plotTrend();
        QCOMPARE(w.trendSeries->pointsVector(), QVector<QPointF> { QPointF(1, 0) });
        QCOMPARE(rangeOf(w.trendAxisX), QPointF(1, 1));
        QCOMPARE(rangeOf(w.trendAxisY), QPointF(0, 4));
    }
};

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
