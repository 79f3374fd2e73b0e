#include "app/mainwindow.h"

#include "analysis/chartdata.h"

#include <QGraphicsLayout>
#include <QGridLayout>
#include <QPen>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

QT_CHARTS_USE_NAMESPACE

namespace {
const int kSignalChartMinimumWidth = 200;
const int kTrendChartMinimumWidth = 400;
const double kSpectrumAxisTop = 1.0;
const double kTrendAxisTop = 4.0;
const int kTrendTickCount = 2;
const int kMaxTrendTicks = 50;
const double kWaveformPenWidth = 1.0;

struct GridCell
{
    int row;
    int column;
    int rowSpan;
    int columnSpan;
};
const GridCell kWaveformCell = { 0, 0, 1, 1 };
const GridCell kSpectrumCell = { 1, 0, 1, 1 };
const GridCell kTrendCell = { 2, 0, 1, 2 };

// The smallest tick step of 1, 2 or 5 times a power of ten that gives at
// most kMaxTrendTicks ticks over nTokens sound files.
double trendTickStep(int nTokens)
{
    for (double decade = 1;; decade *= 10) {
        for (double factor : { 1.0, 2.0, 5.0 }) {
            if (nTokens / (factor * decade) <= kMaxTrendTicks)
                return factor * decade;
        }
    }
}

QValueAxis *newAxis(const QString &title, const QFont &labelsFont, const QFont &titleFont)
{
    auto *axis = new QValueAxis;
    axis->setLabelsFont(labelsFont);
    axis->setTitleFont(titleFont);
    axis->setTitleText(title);
    return axis;
}

QChart *newChart(QLineSeries *series, QValueAxis *axisX, QValueAxis *axisY, const QString &title,
                 const QFont &titleFont, int minimumWidth)
{
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->addAxis(axisX, Qt::AlignBottom);
    series->attachAxis(axisX);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisY);
    chart->setTitleFont(titleFont);
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setSizePolicy(QSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred));
    chart->setMinimumWidth(minimumWidth);
    return chart;
}

// The view owns its chart, the chart its series and axes; the layout hands the
// view to the central widget. Named as its member, so that tests find it.
QChartView *newChartView(QChart *chart, QGridLayout *grid, const GridCell &cell, const char *name)
{
    auto *view = new QChartView(chart);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    grid->addWidget(view, cell.row, cell.column, cell.rowSpan, cell.columnSpan);
    return view;
}
} // namespace

void MainWindow::createWaveformChart()
{
    if (!waveformSeries)
        waveformSeries = new QLineSeries;
    if (!waveformAxisX)
        waveformAxisX = newAxis(tr("Time (ms)"), axisLabelsFont, axisTitleFont);
    if (!waveformAxisY)
        waveformAxisY = newAxis(tr("Amplitude"), axisLabelsFont, axisTitleFont);
    if (!waveformChart) {
        waveformChart = newChart(waveformSeries, waveformAxisX, waveformAxisY, tr("Time Waveform"),
                                 chartTitleFont, kSignalChartMinimumWidth);
        // A thin pen keeps a dense waveform legible (the theme's pen is 2 px).
        QPen pen = waveformSeries->pen();
        pen.setWidthF(kWaveformPenWidth);
        waveformSeries->setPen(pen);
    }
    if (!waveformChartView) {
        waveformChartView =
                newChartView(waveformChart, gridLayoutCharts, kWaveformCell, "waveformChartView");
        connect(waveformChart, SIGNAL(plotAreaChanged(QRectF)), this,
                SLOT(waveformChart_plotAreaChanged(QRectF)));
    }
}

void MainWindow::createSpectrumChart()
{
    if (!spectrumSeries)
        spectrumSeries = new QLineSeries;
    if (!spectrumAxisX) {
        spectrumAxisX = newAxis(tr("Frequency (Hz)"), axisLabelsFont, axisTitleFont);
        spectrumAxisX->setRange(0, parameters.upperFrequencyToPlot);
        spectrumAxisX->setLabelFormat(QStringLiteral("%.0f"));
    }
    if (!spectrumAxisY) {
        spectrumAxisY = newAxis(tr("Amplitude"), axisLabelsFont, axisTitleFont);
        spectrumAxisY->setRange(0, kSpectrumAxisTop);
    }
    if (!spectrumChart)
        spectrumChart =
                newChart(spectrumSeries, spectrumAxisX, spectrumAxisY, tr("Amplitude Spectrum"),
                         chartTitleFont, kSignalChartMinimumWidth);
    if (!spectrumChartView) {
        spectrumChartView =
                newChartView(spectrumChart, gridLayoutCharts, kSpectrumCell, "spectrumChartView");
        connect(spectrumChart, SIGNAL(plotAreaChanged(QRectF)), this,
                SLOT(spectrumChart_plotAreaChanged(QRectF)));
    }
}

void MainWindow::createTrendChart()
{
    if (!trendSeries) {
        trendSeries = new QLineSeries;
        trendSeries->setName(QStringLiteral("trend"));
        trendSeries->setPointsVisible(true);
    }
    if (!trendAxisX) {
        trendAxisX = newAxis(tr("Sound File"), axisLabelsFont, axisTitleFont);
        trendAxisX->setLabelsVisible(true);
        trendAxisX->setLabelFormat(QStringLiteral("%g"));
        trendAxisX->setTickCount(kTrendTickCount);
    }
    if (!trendAxisY) {
        trendAxisY = newAxis(tr("Mother's voice, chosen (n times)"), axisLabelsFont, axisTitleFont);
        trendAxisY->setLabelsVisible(true);
        trendAxisY->setRange(0, kTrendAxisTop);
        trendAxisY->setLabelFormat(QStringLiteral("%.0f"));
    }
    if (!trendChart)
        trendChart = newChart(trendSeries, trendAxisX, trendAxisY, tr("Response Trend"),
                              chartTitleFont, kTrendChartMinimumWidth);
    if (!trendChartView)
        trendChartView = newChartView(trendChart, gridLayoutCharts, kTrendCell, "trendChartView");
}

namespace {
// The device pixel columns of a chart's plot area for its x axis's range.
PlotColumns plotColumns(const QChartView *view, const QValueAxis *axisX)
{
    const QRectF area = view->chart()->plotArea();
    const double ratio = view->devicePixelRatioF();
    return { area.left() * ratio, area.width() * ratio, axisX->min(), axisX->max() };
}
} // namespace

// A redraw lays the series out once: Qt Charts recomputes a series' whole
// geometry (path and hit shape) at every axis range change and every replace,
// so the old points go first, then the axes take their new ranges, the chart's
// layout settles the plot area for the new axis labels at once, and the
// points that plot area can show arrive in one replace call.
void MainWindow::plotWaveform()
{
    adjustPlotLength();
    const SessionParameters &p = parameters;
    waveformSeries->clear();
    // A token without samples shows nothing and keeps the last ranges.
    if (std::min({ p.nSamplesToPlot, waveformTime.size(), signal.size() }) > 0) {
        const double spanMs = p.nSamplesToPlot / p.fs * 1000;
        if (std::isfinite(spanMs))
            waveformAxisX->setRange(0, spanMs);
        if (valueRange(signal, waveformRange))
            waveformAxisY->setRange(waveformRange[0], waveformRange[1]);
    }
    if (QGraphicsLayout *layout = waveformChart->layout())
        layout->activate();
    fillWaveformSeries();
}

// Per pixel column, the samples' lowest and highest value (every sample when
// there are fewer than two per column): the picture of a line through every
// sample, from at most four points per column.
void MainWindow::fillWaveformSeries()
{
    waveformColumns = plotColumns(waveformChartView, waveformAxisX);
    minMaxEnvelope(waveformTime, signal, parameters.nSamplesToPlot, waveformColumns,
                   waveformPoints);
    waveformSeries->replace(waveformPoints);
}

// A resized view has other pixel columns. Replacing the points moves no axis,
// so it changes no plot area and does not call this again.
void MainWindow::waveformChart_plotAreaChanged(const QRectF &)
{
    if (waveformSeries->count() > 0
        && plotColumns(waveformChartView, waveformAxisX) != waveformColumns)
        fillWaveformSeries();
}

void MainWindow::plotSpectrum()
{
    spectrumSeries->clear();
    // All bins count, also those above the plotted band; no bins keep the last range.
    if (valueRange(spectrumAmplitudes, spectrumRange))
        spectrumAxisY->setRange(spectrumRange[0], spectrumRange[1]);
    if (QGraphicsLayout *layout = spectrumChart->layout())
        layout->activate();
    fillSpectrumSeries();
}

// The same for the bins up to upperFrequencyToPlot.
void MainWindow::fillSpectrumSeries()
{
    spectrumColumns = plotColumns(spectrumChartView, spectrumAxisX);
    minMaxEnvelope(spectrumFrequencies, spectrumAmplitudes, parameters.nFreqBinsToPlot,
                   spectrumColumns, spectrumPoints);
    spectrumSeries->replace(spectrumPoints);
}

void MainWindow::spectrumChart_plotAreaChanged(const QRectF &)
{
    if (spectrumSeries->count() > 0
        && plotColumns(spectrumChartView, spectrumAxisX) != spectrumColumns)
        fillSpectrumSeries();
}

void MainWindow::setTrendCount(int tokenIndex, double count)
{
    if (tokenIndex >= 0 && tokenIndex < trendY.size())
        trendY[tokenIndex] = count;
    if (tokenIndex >= 0 && tokenIndex < trendPoints.size())
        trendPoints[tokenIndex].setY(count);
}

void MainWindow::showTrendForTest(int tokens)
{
    nTokens = tokens;
    trials.prepare(QVector<int>(tokens, 0));
    plotTrend();
    trials.arm();
}

void MainWindow::plotTrend()
{
    if (trials.nextTrial() == 0 && nTokens > 0) {
        resetTrend(nTokens, trendY, trendPoints);
        trendAxisX->setRange(1, nTokens);
        trendAxisX->setLabelFormat(QStringLiteral("%g"));
        // One labelled tick per sound file while the labels fit. Thousands
        // of labels would freeze the window for seconds at every layout.
        if (nTokens <= kMaxTrendTicks) {
            trendAxisX->setTickType(QValueAxis::TicksFixed);
            trendAxisX->setTickCount(nTokens);
        } else {
            trendAxisX->setTickType(QValueAxis::TicksDynamic);
            trendAxisX->setTickAnchor(0);
            trendAxisX->setTickInterval(trendTickStep(nTokens));
        }
    }
    trendSeries->replace(trendPoints);
    trendAxisY->setRange(0, trendAxisTop(trendY, trendRange));
}
