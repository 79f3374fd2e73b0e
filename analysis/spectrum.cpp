#include "analysis/spectrum.h"

#include "analysis/fft/DynArray.h"
#include "analysis/fft/RealFft.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
const double kLn2 = 0.6931471805599453;
const int kMaxFftBits = 30;
} // namespace

int spectrumFftLength(int nSamples)
{
    if (nSamples < 1)
        return 1;
    const double bits = std::ceil(std::log(static_cast<double>(nSamples)) / kLn2);
    if (bits >= kMaxFftBits)
        return 1 << kMaxFftBits;
    return static_cast<int>(std::pow(2.0, bits));
}

int spectrumBinsToPlot(int nFFT, double fs, double upperFrequencyToPlot)
{
    const int nBins = std::max(nFFT / 2, 0);
    const double bins = (nFFT / fs) * upperFrequencyToPlot;
    if (std::isnan(bins) || bins <= 0)
        return 0;
    if (bins >= nBins)
        return nBins;
    return static_cast<int>(bins);
}

SpectrumResult computeAmplitudeSpectrum(const QVector<double> &signal, int nSamples, int nFFT,
                                        double fs, QVector<double> &frequencies,
                                        QVector<double> &amplitudes)
{
    SpectrumResult result;
    if (nFFT < 1 || nFFT > (1 << kMaxFftBits) || !RealFft<double>::isPowerOfTwo(nFFT)) {
        result.error = QStringLiteral("transform length %1 is no power of two up to 2^%2")
                               .arg(nFFT)
                               .arg(kMaxFftBits);
        return result;
    }
    const int nBins = std::min({ nFFT / 2, frequencies.size(), amplitudes.size() });
    const double divisor = nSamples / 2;
    if (nBins > 0 && divisor <= 0) {
        result.error = QStringLiteral("%1 samples give no amplitude scale").arg(nSamples);
        return result;
    }

    RealFft<double> fft(nFFT);
    DynArray<double> x(nFFT);
    DynArray<double> f(nFFT);

    const int nCopied = std::min(nFFT, signal.size());
    if (nCopied > 0)
        std::memcpy(x.data(), signal.constData(), sizeof(double) * nCopied);
    std::fill(x.data() + nCopied, x.data() + nFFT, 0.0);

    fft.forward_fft(f.data(), x.data());

    result.freqResolution = 1 / (nFFT / fs);
    const double *re = f.data();
    const double *negIm = f.data() + nFFT / 2;
    double *freq = frequencies.data();
    double *amp = amplitudes.data();
    for (int k = 0; k < nBins; ++k) {
        freq[k] = k * result.freqResolution;
        const double im = k == 0 ? 0.0 : -negIm[k];
        amp[k] = std::sqrt(re[k] * re[k] + im * im) / divisor;
    }
    return result;
}
