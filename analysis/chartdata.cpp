#include "analysis/chartdata.h"

#include <algorithm>

namespace {
const double kTrendAxisMinimumTop = 4.0;
} // namespace

int fillWaveformPoints(const QVector<double> &time, const QVector<double> &signal,
                       int nSamplesToPlot, QVector<QPointF> &points)
{
    const int m = std::min({ nSamplesToPlot, time.size(), signal.size() });
    if (m < 1) {
        points.clear();
        return 0;
    }
    points.resize(m);
    QPointF *p = points.data();
    const double *t = time.constData();
    const double *s = signal.constData();
    for (int i = 0; i < m; ++i)
        p[i] = QPointF(t[i], s[i]);
    return m;
}

int fillSpectrumPoints(const QVector<double> &frequencies, const QVector<double> &amplitudes,
                       int nFreqBinsToPlot, QVector<QPointF> &points)
{
    const int m = std::max(0, std::min({ nFreqBinsToPlot, frequencies.size(), amplitudes.size() }));
    points.resize(m);
    for (int i = 0; i < m; ++i)
        points[i] = QPointF(frequencies[i], amplitudes[i]);
    return m;
}

bool valueRange(const QVector<double> &values, QVector<double> &range)
{
    if (values.isEmpty())
        return false;
    const auto [lowest, highest] = std::minmax_element(values.cbegin(), values.cend());
    range.resize(2);
    range[0] = *lowest;
    range[1] = *highest;
    return true;
}

void resetTrend(int nTokens, QVector<double> &trendX, QVector<double> &trendY,
                QVector<QPointF> &trendPoints)
{
    const int n = std::max(nTokens, 0);
    trendX.resize(n);
    trendY.resize(n);
    trendPoints.resize(n);
    for (int i = 0; i < n; ++i) {
        trendX[i] = i + 1;
        trendY[i] = 0;
        trendPoints[i] = QPointF(i + 1, 0);
    }
}

double trendAxisTop(const QVector<double> &trendY, QVector<double> &trendRange)
{
    if (!valueRange(trendY, trendRange))
        return kTrendAxisMinimumTop;
    return std::max(trendRange[1], kTrendAxisMinimumTop);
}
