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

// Spectrum points (frequencies[i] Hz, amplitudes[i]) for i below
// nFreqBinsToPlot and the sizes of both vectors. Returns the point count.
int fillSpectrumPoints(const QVector<double> &frequencies, const QVector<double> &amplitudes,
                       int nFreqBinsToPlot, QVector<QPointF> &points);

// range = {smallest, largest} of values (range is made 2 long). An empty
// vector has neither: range is left as it was and the result is false.
bool valueRange(const QVector<double> &values, QVector<double> &range);

// A fresh trend for nTokens sound files: x = 1 ... nTokens, every count 0.
void resetTrend(int nTokens, QVector<double> &trendX, QVector<double> &trendY,
                QVector<QPointF> &trendPoints);

// Top of the trend's y axis, which always starts at 0: the largest count when
// it is above 4, else 4. Sets trendRange to {smallest, largest} count when
// there are counts.
double trendAxisTop(const QVector<double> &trendY, QVector<double> &trendRange);

#endif // CHARTDATA_H
