#ifndef CHARTDATA_H
#define CHARTDATA_H

// The point lists and axis ranges of the three charts, as plain functions of
// the display buffers, so that the chart redraws only copy them into Qt Charts.

#include <QPointF>
#include <QVector>

// Waveform points (time[i] ms, signal[i]) for i below nSamplesToPlot and the
// sizes of both vectors: every sample is a point. Returns the point count; 0
// leaves points empty.
int fillWaveformPoints(const QVector<double> &time, const QVector<double> &signal,
                       int nSamplesToPlot, QVector<QPointF> &points);

// Where a chart draws its line: x values xMin ... xMax span the plot area's
// width in device pixels from device x left (QChart::plotArea() of a view
// that neither scales nor scrolls, times the device pixel ratio). A point at
// x lies at device x
// left + (x - xMin) * width / (xMax - xMin); pixel column c covers [c, c + 1).
struct PlotColumns
{
    double left = 0;
    double width = 0;
    double xMin = 0;
    double xMax = 0;
};
bool operator==(const PlotColumns &a, const PlotColumns &b);
bool operator!=(const PlotColumns &a, const PlotColumns &b);

// The points that draw the line through (x[i], y[i]), i below n and the sizes
// of both vectors, as the plot area shows it; x must not decrease. Returns
// the point count; 0 leaves points empty.
//
// With fewer than two points per pixel column (or no usable columns) every
// point is kept. Otherwise each column keeps its lowest and highest point, in
// the order they occur, placed so that the picture stays that of the line
// through every point. Qt Charts strokes each segment on its own,
// anti-aliased. Where the line doubles back over a column (its path along y
// at least twice its range, as in a waveform of a few cycles or more per
// column) the strokes pile up and paint the column solid from its lowest to
// its highest point, and solid too what the line does within half a pixel
// beside it, where the pen reaches. Such a column becomes a vertical stroke
// on its centre from its first point through its extremes, widened by the
// half-columns beside it where the line doubles back too, to its last point
// (the extremes in the order that draws the shorter stroke: on one vertical
// line the order does not show). Between two such strokes whose join
// crosses their border within both, the join runs from one stroke's extreme
// straight to the next one's, and the first and last points go: a long token
// has about two points per column.
// A column the line crosses once is a thin anti-aliased line: its extremes
// keep their own x. At most four points per column.
int minMaxEnvelope(const QVector<double> &x, const QVector<double> &y, int n,
                   const PlotColumns &columns, QVector<QPointF> &points);

// Spectrum points (frequencies[i] Hz, amplitudes[i]) for i below
// nFreqBinsToPlot and the sizes of both vectors. Returns the point count.
int fillSpectrumPoints(const QVector<double> &frequencies, const QVector<double> &amplitudes,
                       int nFreqBinsToPlot, QVector<QPointF> &points);

// range = {smallest, largest} of values (range is made 2 long). An empty
// vector has neither: range is left as it was and the result is false.
bool valueRange(const QVector<double> &values, QVector<double> &range);

// A fresh trend for nTokens sound files: x = 1 ... nTokens, every count 0.
void resetTrend(int nTokens, QVector<double> &trendY, QVector<QPointF> &trendPoints);

// Top of the trend's y axis, which always starts at 0: the largest count when
// it is above 4, else 4. Sets trendRange to {smallest, largest} count when
// there are counts.
double trendAxisTop(const QVector<double> &trendY, QVector<double> &trendRange);

#endif // CHARTDATA_H
