#ifndef SPECTRUM_H
#define SPECTRUM_H

// Single-sided amplitude spectrum of a sound token.
//
// The token's samples, zero-padded at the end to the transform length nFFT (a
// power of two), go through RealFft without any window. Bin k (0 <= k < nFFT/2)
// lies at k * fs / nFFT Hz and its amplitude is |X[k]| / D with D = nSamples/2
// (integer division): the token length, not the transform length, so a
// sinusoid of amplitude A filling the token with a whole number of periods at a
// bin frequency reads A, padding or not. Bin 0 reads twice the mean. The
// Nyquist bin is not kept.

#include <QString>
#include <QVector>

// The transform length for a token of nSamples samples:
// 2^ceil(ln(nSamples) / ln 2) in double precision, which is the smallest power
// of two not below nSamples for every realistic length. A token without
// samples gets 1 (a transform with no bins), never 0; the result is at most
// 2^30, the largest length the transform accepts.
int spectrumFftLength(int nSamples);

// Bins below upperFrequencyToPlot, truncated: (nFFT / fs) * upperFrequencyToPlot,
// limited to 0 ... nFFT/2 (a zero fs or a huge limit gives all nFFT/2 bins).
int spectrumBinsToPlot(int nFFT, double fs, double upperFrequencyToPlot);

struct SpectrumResult
{
    QString error; // empty, or why nothing was written (see computeAmplitudeSpectrum)
    double freqResolution = 0.0; // Hz per bin
};

// Fills frequencies[k] and amplitudes[k] for k < nFFT/2 (by index: both must be
// sized by the caller; bins beyond their sizes are skipped). Samples of signal
// beyond nFFT are not used; missing ones are zeros. Writes nothing and says why
// when nFFT is not a power of two in 1 ... 2^30, or when there are bins to
// write but nSamples / 2 is 0 (a divisor that would give infinities).
SpectrumResult computeAmplitudeSpectrum(const QVector<double> &signal, int nSamples, int nFFT,
                                        double fs, QVector<double> &frequencies,
                                        QVector<double> &amplitudes);

#endif // SPECTRUM_H
