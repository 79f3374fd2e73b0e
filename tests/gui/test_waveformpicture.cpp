#include "app/mainwindow.h"
#include "tests/support/windowparts.h"

#include <QSignalSpy>
#include <QtCharts>
#include <QtTest>

#include <cmath>
#include <cstdint>

QT_CHARTS_USE_NAMESPACE

namespace {
const double kFs = 48000.0;
const double kPi = 3.141592653589793;
const QSize kSizes[] = { { 1536, 936 }, { 900, 600 } };
const double kInkTolerance = 0.10;

// Voice-like and deterministic: a glottal-like harmonic series (1/h^2) on a
// gliding 80 ... 200 Hz fundamental, in syllables of about 160 ms with pauses,
// over a noise floor of 2 % from a fixed linear congruential sequence.
QVector<double> voiceLike(int n)
{
    std::uint32_t state = 12345;
    QVector<double> s(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / kFs;
        phase += 2 * kPi * (140 + 60 * std::sin(2 * kPi * 0.7 * t)) / kFs;
        const double syllable = std::pow(std::max(0.0, std::sin(2 * kPi * 3.1 * t)), 1.5);
        double voice = 0;
        for (int h = 1; h <= 8; ++h)
            voice += std::sin(h * phase) / (h * h);
        state = state * 1664525u + 1013904223u;
        s[i] = 0.6 * syllable * voice + 0.02 * ((state >> 8) / double(1 << 24) * 2 - 1);
    }
    return s;
}

int difference(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                      std::abs(qBlue(a) - qBlue(b)) });
}

// Per pixel column, the first and last row the line darkens by a quarter of
// its contrast with the chart beneath it or more; -1 where it darkens none.
QVector<QPair<int, int>> lineExtents(const QImage &picture, const QImage &empty, QRgb pen)
{
    QVector<QPair<int, int>> extents(picture.width(), { -1, -1 });
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (4 * difference(picture.pixel(x, y), empty.pixel(x, y))
                >= difference(pen, empty.pixel(x, y))) {
                if (extents[x].first < 0)
                    extents[x].first = y;
                extents[x].second = y;
            }
    return extents;
}

// How much the line darkens the plot area, in pixels' worth of the line's
// full contrast.
double lineInk(const QImage &picture, const QImage &empty, QRgb pen, const QRect &area)
{
    double ink = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            ink += difference(picture.pixel(x, y), empty.pixel(x, y))
                    / std::max(1.0, double(difference(pen, empty.pixel(x, y))));
    return ink;
}

// The columns of a whose line reaches more than one pixel beyond b's line in
// the same column or the one beside it.
QString columnsBeyond(const QVector<QPair<int, int>> &a, const QVector<QPair<int, int>> &b,
                      const QRect &area)
{
    QStringList beyond;
    for (int x = area.left(); x <= area.right(); ++x) {
        if (a[x].first < 0)
            continue;
        int top = INT_MAX, bottom = -1;
        for (int k = x - 1; k <= x + 1; ++k) {
            if (b[k].first >= 0) {
                top = std::min(top, b[k].first);
                bottom = std::max(bottom, b[k].second);
            }
        }
        if (a[x].first < top - 1 || a[x].second > bottom + 1)
            beyond << QString::asprintf("%d (%d..%d, beside %d..%d)", x, a[x].first, a[x].second,
                                        top, bottom);
    }
    return beyond.join(", ");
}
} // namespace

// A long token reaches the waveform and spectrum charts as a few points per
// pixel column; the pictures must be those of a line through every sample
// (and bin). Each row shows a token at the other window size, resizes to its
// own, then grabs each chart with its points and with every point. Qt Charts
// strokes each segment anti-aliased, so piled-up strokes differ in shade; the
// pictures are compared by where the line is and how much it darkens: per
// column, the line's first and last row within a pixel of the other's (that
// column or one beside it), total darkening within 10 %, and identical
// pixels outside the plot area.
class TestWaveformPicture : public QObject
{
    Q_OBJECT

private slots:
    void sameAsEveryPoint_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("size");
#ifdef TELLWYN_SANITIZE
        // The long tokens take the same paths as the 2 s one; drawn through
        // every sample they take minutes where each allocation records its stack.
        const std::initializer_list<double> tokens = { 0.05, 0.25, 2.0 };
#else
        const std::initializer_list<double> tokens = { 0.05, 0.25, 2.0, 10.0, 60.0 };
#endif
        for (double seconds : tokens)
            for (int size : { 0, 1 })
                QTest::newRow(qPrintable(QString("%1 s, %2x%3")
                                                 .arg(seconds)
                                                 .arg(kSizes[size].width())
                                                 .arg(kSizes[size].height())))
                        << seconds << size;
    }
    void sameAsEveryPoint()
    {
        QFETCH(double, seconds);
        QFETCH(int, size);
        MainWindow w;
        w.resize(kSizes[1 - size]);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QVector<double> samples = voiceLike(static_cast<int>(seconds * kFs));
        w.setCurrentSamples(samples);
        w.plotWaveform();
        w.computeSpectrum();
        w.plotSpectrum();
        w.resize(kSizes[size]);
        const auto columnsNow = [](const windowparts::Chart &c) {
            return PlotColumns { c.chart->plotArea().left(), c.chart->plotArea().width(),
                                 c.axisX->min(), c.axisX->max() };
        };
        const windowparts::Chart waveform = windowparts::chart(&w, "waveformChartView");
        const windowparts::Chart spectrum = windowparts::chart(&w, "spectrumChartView");
        QTRY_VERIFY(waveform.view->width() > kSizes[size].width() / 2
                    && w.waveformPlotColumns() == columnsNow(waveform)
                    && w.spectrumPlotColumns() == columnsNow(spectrum));

        // Every sample at its time in ms, as the time axis counts.
        QVector<double> timesMs(samples.size());
        for (int i = 0; i < samples.size(); ++i)
            timesMs[i] = i * (1000 / kFs);
        QVector<QPointF> everySample;
        fillWaveformPoints(timesMs, samples, samples.size(), everySample);
        QVector<QPointF> everyBin;
        fillSpectrumPoints(w.spectrumBinFrequencies(), w.spectrumBinAmplitudes(),
                           w.sessionParameters().nFreqBinsToPlot, everyBin);
        const std::pair<windowparts::Chart, QVector<QPointF>> charts[] = {
            { waveform, everySample }, { spectrum, everyBin }
        };
        for (const auto &[chart, every] : charts) {
            QLineSeries *series = chart.series;
            QChartView *view = chart.view;
            const QRectF area = chart.chart->plotArea();
            // Every point below two per column, else at most four per column.
            const int columns = std::ceil(area.width()) + 3;
            QVERIFY2(
                    series->count() == every.size()
                            || (every.size() >= 2 * area.width() && series->count() <= 4 * columns),
                    qPrintable(QString("%1 points of %2").arg(series->count()).arg(every.size())));
            // Replacing points moves no axis, so the plot area stays and nothing recomputes.
            QSignalSpy plotAreaChanges(chart.chart, SIGNAL(plotAreaChanged(QRectF)));
            const QImage few = view->grab().toImage();
            series->replace(every);
            QApplication::processEvents();
            const QImage all = view->grab().toImage();
            series->clear();
            QApplication::processEvents();
            const QImage empty = view->grab().toImage();
            QCOMPARE(plotAreaChanges.count(), 0);

            const QRect plot = area.toAlignedRect().adjusted(-1, -1, 1, 1);
            int outside = 0;
            for (int y = 0; y < all.height(); ++y)
                for (int x = 0; x < all.width(); ++x)
                    outside += !plot.contains(x, y) && few.pixel(x, y) != all.pixel(x, y);
            QCOMPARE(outside, 0);
            const QRgb pen = series->pen().color().rgb();
            const auto fewExtents = lineExtents(few, empty, pen);
            const auto allExtents = lineExtents(all, empty, pen);
            const QRect inside = plot.adjusted(1, 1, -1, -1);
            QCOMPARE(columnsBeyond(fewExtents, allExtents, inside), QString());
            QCOMPARE(columnsBeyond(allExtents, fewExtents, inside), QString());
            const double fewInk = lineInk(few, empty, pen, plot);
            const double allInk = lineInk(all, empty, pen, plot);
            QVERIFY2(fewInk > 0 && allInk > 0, "a chart painted without its line");
            QVERIFY2(std::abs(fewInk - allInk) <= kInkTolerance * allInk,
                     qPrintable(QString("ink %1 against %2").arg(fewInk).arg(allInk)));
        }
    }
};

QTEST_MAIN(TestWaveformPicture)
#include "test_waveformpicture.moc"
