#include "analysis/chartdata.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
const double kTrendAxisMinimumTop = 4.0;
// Fewer points per pixel column than this: every point is drawn.
const double kMinPointsPerColumn = 2.0;
// A stretch of line whose path along y is at least this many times its range
// doubles back over its pixels often enough for the anti-aliased strokes to
// pile up solid.
const double kDenseFold = 2.0;
// Half-pixel bins: a dense column takes in the one on either side.
const int kBinsPerColumn = 2;

// What a stretch of consecutive points covers: its lowest and highest value,
// its first and last point, and its path length along y.
struct Stretch
{
    int first = -1;
    int last = -1;
    double low = 0;
    double high = 0;
    double path = 0;

    bool isEmpty() const { return first < 0; }
    bool isDense() const { return !isEmpty() && path > 0 && path >= kDenseFold * (high - low); }
    void add(const Stretch &next, const double *y)
    {
        if (next.isEmpty())
            return;
        if (isEmpty()) {
            *this = next;
            return;
        }
        path += std::abs(y[next.first] - y[last]) + next.path;
        last = next.last;
        if (next.low < low)
            low = next.low;
        if (next.high > high)
            high = next.high;
    }
    // The first point with the value (the first point if a NaN hides it).
    int firstWith(const double *y, double value) const
    {
        const int i = static_cast<int>(std::find(y + first, y + last + 1, value) - y);
        return i <= last ? i : first;
    }
};

// The stretch of points begin ... end - 1 (end > begin). Four running sums
// and extremes at a time, so that long stretches go at the memory's pace.
Stretch stretchOf(const double *y, int begin, int end)
{
    double low[4], high[4], path[4] = { 0, 0, 0, 0 };
    for (double *v : { low, high })
        std::fill(v, v + 4, y[begin]);
    int i = begin + 1;
    for (; i + 4 <= end; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const double v = y[i + k];
            low[k] = std::min(low[k], v);
            high[k] = std::max(high[k], v);
            path[k] += std::abs(v - y[i + k - 1]);
        }
    }
    for (; i < end; ++i) {
        low[0] = std::min(low[0], y[i]);
        high[0] = std::max(high[0], y[i]);
        path[0] += std::abs(y[i] - y[i - 1]);
    }
    Stretch s;
    s.first = begin;
    s.last = end - 1;
    s.low = std::min({ low[0], low[1], low[2], low[3] });
    s.high = std::max({ high[0], high[1], high[2], high[3] });
    s.path = path[0] + path[1] + path[2] + path[3];
    return s;
}

// A dense column drawn as a vertical stroke on its centre, from its first
// value through its extremes to its last.
struct Stroke
{
    Stretch column;
    double low = 0;
    double high = 0;
    double centre = 0;
    double start = 0;
    double end = 0;
    bool lowFirst = true;

    double first() const { return lowFirst ? low : high; }
    double last() const { return lowFirst ? high : low; }
    bool covers(double y) const { return y >= low && y <= high; }
};

// Whether the join from a's last extreme straight to b's first stays within
// both strokes: it crosses the columns' border halfway, so it does when that
// midpoint lies in both ranges. Then a's last value and b's first add nothing
// to the picture and are left out.
bool joinsWithin(const Stroke &a, const Stroke &b)
{
    if (!a.column.isDense() || !b.column.isDense())
        return false;
    const double middle = (a.last() + b.first()) / 2;
    return a.covers(middle) && b.covers(middle);
}
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

bool operator==(const PlotColumns &a, const PlotColumns &b)
{
    return a.left == b.left && a.width == b.width && a.xMin == b.xMin && a.xMax == b.xMax;
}

bool operator!=(const PlotColumns &a, const PlotColumns &b)
{
    return !(a == b);
}

int minMaxEnvelope(const QVector<double> &x, const QVector<double> &y, int n,
                   const PlotColumns &columns, QVector<QPointF> &points)
{
    const int m = std::min({ n, x.size(), y.size() });
    const double span = columns.xMax - columns.xMin;
    const double pixelsPerX = columns.width / span;
    if (m < 1 || !(span > 0) || !std::isfinite(pixelsPerX) || !(columns.width >= 1)
        || !std::isfinite(columns.left) || m < kMinPointsPerColumn * columns.width)
        return fillWaveformPoints(x, y, n, points);

    // Half-pixel bins from the column left of the plot area to the one right
    // of it; points beyond fall into the outermost bins, which are clipped.
    const double *xs = x.constData();
    const double *ys = y.constData();
    const long firstColumn = static_cast<long>(std::floor(columns.left)) - 1;
    const int nColumns = static_cast<int>(std::ceil(columns.width)) + 3;
    const int nBins = kBinsPerColumn * nColumns;
    std::vector<Stretch> bins(nBins);
    // x at which bin b begins; the points of each bin are found by bisection.
    const auto binStart = [&](int b) {
        return columns.xMin
                + (firstColumn + double(b) / kBinsPerColumn - columns.left) / pixelsPerX;
    };
    for (int b = 0, i = 0; b < nBins && i < m; ++b) {
        const int end = b + 1 == nBins
                ? m
                : static_cast<int>(std::lower_bound(xs + i, xs + m, binStart(b + 1)) - xs);
        if (end > i)
            bins[b] = stretchOf(ys, i, end);
        i = end;
    }

    // Each dense column's vertical stroke: its extremes (widened by the
    // half-columns beside it where the line doubles back too) and its first
    // and last value.
    std::vector<Stroke> strokes(nColumns);
    for (int c = 0; c < nColumns; ++c) {
        Stretch column;
        for (int b = kBinsPerColumn * c; b < kBinsPerColumn * (c + 1); ++b)
            column.add(bins[b], ys);
        Stroke &stroke = strokes[c];
        stroke.column = column;
        if (!column.isDense())
            continue;
        stroke.low = column.low;
        stroke.high = column.high;
        for (int b : { kBinsPerColumn * c - 1, kBinsPerColumn * (c + 1) }) {
            if (b >= 0 && b < nBins && bins[b].isDense()) {
                stroke.low = std::min(stroke.low, bins[b].low);
                stroke.high = std::max(stroke.high, bins[b].high);
            }
        }
        // The column's centre, kept within its points at the plot's edges.
        stroke.centre = std::clamp(binStart(kBinsPerColumn * c) + 0.5 / pixelsPerX,
                                   xs[column.first], xs[column.last]);
        stroke.start = ys[column.first];
        stroke.end = ys[column.last];
        stroke.lowFirst = (stroke.start - stroke.low) + (stroke.high - stroke.end)
                <= (stroke.high - stroke.start) + (stroke.end - stroke.low);
    }

    points.resize(0);
    points.reserve(4 * nColumns);
    for (int c = 0; c < nColumns; ++c) {
        const Stretch &column = strokes[c].column;
        if (column.isEmpty())
            continue;
        if (!column.isDense()) {
            const int iLow = column.firstWith(ys, column.low);
            const int iHigh = column.firstWith(ys, column.high);
            const int first = std::min(iLow, iHigh);
            const int second = std::max(iLow, iHigh);
            points.append(QPointF(xs[first], ys[first]));
            if (second != first)
                points.append(QPointF(xs[second], ys[second]));
            continue;
        }
        const Stroke &s = strokes[c];
        if (!(c > 0 && joinsWithin(strokes[c - 1], s)))
            points.append(QPointF(s.centre, s.start));
        points.append(QPointF(s.centre, s.first()));
        points.append(QPointF(s.centre, s.last()));
        if (!(c + 1 < nColumns && joinsWithin(s, strokes[c + 1])))
            points.append(QPointF(s.centre, s.end));
    }
    return points.size();
}

bool valueRange(const QVector<double> &values, QVector<double> &range)
{
    if (values.isEmpty())
        return false;
    // Four running extremes at a time: a minute of samples in a millisecond or two.
    const double *v = values.constData();
    const int n = values.size();
    double low[4], high[4];
    std::fill(low, low + 4, v[0]);
    std::fill(high, high + 4, v[0]);
    int i = 1;
    for (; i + 4 <= n; i += 4) {
        for (int k = 0; k < 4; ++k) {
            low[k] = std::min(low[k], v[i + k]);
            high[k] = std::max(high[k], v[i + k]);
        }
    }
    for (; i < n; ++i) {
        low[0] = std::min(low[0], v[i]);
        high[0] = std::max(high[0], v[i]);
    }
    range.resize(2);
    range[0] = std::min({ low[0], low[1], low[2], low[3] });
    range[1] = std::max({ high[0], high[1], high[2], high[3] });
    return true;
}

void resetTrend(int nTokens, QVector<double> &trendY, QVector<QPointF> &trendPoints)
{
    const int n = std::max(nTokens, 0);
    trendY.resize(n);
    trendPoints.resize(n);
    for (int i = 0; i < n; ++i) {
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
