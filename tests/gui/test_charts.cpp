#include "app/mainwindow.h"

#include <QGridLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <cmath>

QT_CHARTS_USE_NAMESPACE

namespace {
const double kFs = 48000.0;
const double kPi = 3.141592653589793;

// What token loading leaves behind for the charts: the samples, their count,
// the plotted length, the spectrum sizes and the sample times in ms.
void loadToken(MainWindow &w, const QVector<double> &samples)
{
    w.signal = samples;
    w.parameters.nSamples = samples.size();
    w.adjustPlotLength();
    w.applySpectrumSizing();
    w.waveformTime.resize(w.parameters.nSamplesToPlot);
    for (int i = 0; i < w.waveformTime.size(); ++i)
        w.waveformTime[i] = i * (1 / w.parameters.fs * 1000);
}

void showToken(MainWindow &w, const QVector<double> &samples)
{
    loadToken(w, samples);
    w.plotWaveform();
    w.computeSpectrum();
    w.plotSpectrum();
}

QVector<double> tone(int n, double hz, double amplitude)
{
    QVector<double> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = amplitude * std::cos(2 * kPi * hz * i / kFs);
    return s;
}

QPair<double, double> rangeOf(const QValueAxis *axis)
{
    return { axis->min(), axis->max() };
}

using Range = QPair<double, double>;
} // namespace

class TestCharts : public QObject
{
    Q_OBJECT

private slots:
    void builtOnceIntoTheirCells();
    void wholeTokenIsPlotted();
    void partOfTokenIsPlottedWithWholeRange();
    void shortTokenIsShownWhole();
    void spectrumRangeCoversAllBins();
    void silentTokenGivesZeroRanges();
    void emptyTokenShowsNothingAndKeepsRanges();
    void trendGrowsAndResets();
};

void TestCharts::builtOnceIntoTheirCells()
{
    MainWindow w;
    const QVector<QChartView *> views = { w.waveformChartView, w.spectrumChartView,
                                          w.trendChartView };
    const QStringList titles = { "Time Waveform", "Amplitude Spectrum", "Response Trend" };
    const QVector<QVector<int>> cells = { { 0, 0, 1, 1 }, { 1, 0, 1, 1 }, { 2, 0, 1, 2 } };
    for (int i = 0; i < views.size(); ++i) {
        QVERIFY(views[i]);
        QCOMPARE(views[i]->chart()->title(), titles[i]);
        const int index = w.gridLayoutCharts->indexOf(views[i]);
        QVERIFY(index >= 0);
        int row, column, rowSpan, columnSpan;
        w.gridLayoutCharts->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE((QVector<int> { row, column, rowSpan, columnSpan }), cells[i]);
        QCOMPARE(views[i]->chart()->series().size(), 1);
    }
    QCOMPARE(rangeOf(w.spectrumAxisX), Range(0, 2000));
    QCOMPARE(rangeOf(w.spectrumAxisY), Range(0, 1));
    QCOMPARE(rangeOf(w.trendAxisY), Range(0, 4));
    QCOMPARE(w.waveformAxisX->titleFont().pixelSize(), 10); // fonts were set before building

    // A second round of builders adds nothing.
    QLineSeries *series = w.waveformSeries;
    const int items = w.gridLayoutCharts->count();
    w.createWaveformChart();
    w.createSpectrumChart();
    w.createTrendChart();
    QCOMPARE(w.waveformSeries, series);
    QCOMPARE(w.gridLayoutCharts->count(), items);
}

void TestCharts::wholeTokenIsPlotted()
{
    MainWindow w;
    QVector<double> samples = tone(12000, 1000, 0.5);
    samples[11999] = 0.75;
    showToken(w, samples);
    QCOMPARE(w.waveformSeries->count(), 12000);
    QCOMPARE(rangeOf(w.waveformAxisX), Range(0, 250));
    QCOMPARE(rangeOf(w.waveformAxisY), Range(-0.5, 0.75));
    QCOMPARE(w.spectrumSeries->count(), 682);
    QCOMPARE(w.spectrumSeries->at(1).x(), 2.9296875);
}

void TestCharts::partOfTokenIsPlottedWithWholeRange()
{
    MainWindow w;
    w.parameters.alwaysPlotEntireWaveformFlag = false;
    w.parameters.durationToPlot = 0.1;
    QVector<double> samples(12000, 0.0);
    samples[100] = 0.25;
    samples[9000] = -0.9; // beyond the plotted part
    showToken(w, samples);
    QCOMPARE(w.waveformSeries->count(), 4800);
    QCOMPARE(rangeOf(w.waveformAxisX), Range(0, 100));
    QCOMPARE(rangeOf(w.waveformAxisY), Range(-0.9, 0.25));
}

void TestCharts::shortTokenIsShownWhole()
{
    MainWindow w;
    w.parameters.alwaysPlotEntireWaveformFlag = false;
    showToken(w, tone(6000, 500, 0.5));
    QCOMPARE(w.parameters.durationToPlot, 0.125);
    QCOMPARE(w.waveformSeries->count(), 6000);
    QCOMPARE(rangeOf(w.waveformAxisX), Range(0, 125));
}

// A strong component above the plotted band still sets the top of the axis.
void TestCharts::spectrumRangeCoversAllBins()
{
    MainWindow w;
    QVector<double> samples = tone(16384, 6000, 0.8);
    const QVector<double> low = tone(16384, 375, 0.1);
    for (int i = 0; i < samples.size(); ++i)
        samples[i] += low[i];
    showToken(w, samples);
    QCOMPARE(w.spectrumSeries->count(), 682);
    QVERIFY(std::abs(w.spectrumAxisY->max() - 0.8) < 1e-9);
    QVERIFY(std::abs(w.spectrumAxisY->min()) < 1e-9);
}

void TestCharts::silentTokenGivesZeroRanges()
{
    MainWindow w;
    showToken(w, QVector<double>(12000, 0.0));
    QCOMPARE(rangeOf(w.waveformAxisY), Range(0, 0));
    QCOMPARE(rangeOf(w.spectrumAxisY), Range(0, 0));
}

void TestCharts::emptyTokenShowsNothingAndKeepsRanges()
{
    MainWindow w;
    showToken(w, tone(12000, 1000, 0.5));
    const Range waveformX = rangeOf(w.waveformAxisX);
    const Range waveformY = rangeOf(w.waveformAxisY);
    const Range spectrumY = rangeOf(w.spectrumAxisY);

    showToken(w, {});
    QCOMPARE(w.nFFT, 1);
    QCOMPARE(w.waveformSeries->count(), 0);
    QCOMPARE(w.spectrumSeries->count(), 0);
    QCOMPARE(rangeOf(w.waveformAxisX), waveformX);
    QCOMPARE(rangeOf(w.waveformAxisY), waveformY);
    QCOMPARE(rangeOf(w.spectrumAxisY), spectrumY);

    // One sample: one waveform point, no spectrum bins.
    showToken(w, { 0.5 });
    QCOMPARE(w.waveformSeries->count(), 1);
    QCOMPARE(w.spectrumSeries->count(), 0);
}

void TestCharts::trendGrowsAndResets()
{
    MainWindow w;
    w.nTokens = 3;
    w.trialIndex = 0;
    w.plotTrend();
    QCOMPARE(w.trendSeries->count(), 3);
    QCOMPARE(w.trendSeries->at(2), QPointF(3, 0));
    QCOMPARE(rangeOf(w.trendAxisX), Range(1, 3));
    QCOMPARE(w.trendAxisX->tickCount(), 3);
    QCOMPARE(rangeOf(w.trendAxisY), Range(0, 4));

    // The trial loop's side of a "Mother" answer, then the redraw.
    w.trialIndex = 5;
    w.trendY[1] = 4;
    w.trendPoints[1].setY(4);
    w.plotTrend();
    QCOMPARE(rangeOf(w.trendAxisY), Range(0, 4));
    w.trendY[1] = 6;
    w.trendPoints[1].setY(6);
    w.plotTrend();
    QCOMPARE(rangeOf(w.trendAxisY), Range(0, 6));
    QCOMPARE(w.trendSeries->at(1), QPointF(2, 6));

    // A new session of one file starts from zero.
    w.nTokens = 1;
    w.trialIndex = 0;
    w.plotTrend();
    QCOMPARE(w.trendSeries->count(), 1);
    QCOMPARE(w.trendY, QVector<double> { 0 });
    QCOMPARE(rangeOf(w.trendAxisX), Range(1, 1));
    QCOMPARE(rangeOf(w.trendAxisY), Range(0, 4));
}

QTEST_MAIN(TestCharts)
#include "test_charts.moc"
