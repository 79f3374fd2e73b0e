#include "analysis/spectrum.h"

#include <QtTest>

#include <cmath>

const double kFs = 48000.0;
using Bins = QMap<int, double>; // bin -> expected amplitude

class TestSpectrum : public QObject
{
    Q_OBJECT

private slots:
    void sizing()
    {
        QCOMPARE(spectrumFftLength(12000), 16384);
        QCOMPARE(spectrumFftLength(0), 1);
        QCOMPARE(spectrumFftLength(2147483647), 1 << 30);
        QCOMPARE(spectrumBinsToPlot(16384, kFs, 30000), 8192); // limited by fs/2
        QCOMPARE(spectrumBinsToPlot(16384, kFs, -5), 0);
        QCOMPARE(spectrumBinsToPlot(1 << 30, kFs, 2000), 44739242);
    }
    // Computed the way the main window does it for one token. Unpadded, unlisted bins are 0.
    void amplitudes()
    {
        QVector<double> cosine(4096);
        for (int i = 0; i < cosine.size(); ++i)
            cosine[i] = 0.6 * std::cos(2 * 3.141592653589793 * 85 * i / 4096);
        const std::tuple<QVector<double>, int, Bins> cases[] = {
            // signal, nSamples, expected
            { cosine, 4096, Bins { { 85, 0.6 } } },
            { QVector<double>(1024, -0.25), 1024, Bins { { 0, 0.5 } } },
            // Padded to 16384 and divided by 6000, not 8192; samples past nSamples are not read.
            { QVector<double>(20000, 0.5), 12000, Bins { { 0, 16384 * 0.5 / 6000 } } },
            // X[0] = 6, X[1] = 1 - 2i - 3 = -2 - 2i; divisor 3/2 = 1.
            { QVector<double> { 1, 2, 3 }, 3, Bins { { 0, 6.0 }, { 1, 2 * std::sqrt(2.0) } } },
            { QVector<double>(), 0, Bins() },
        };
        for (const auto &[signal, nSamples, expected] : cases) {
            const int nFFT = spectrumFftLength(nSamples);
            QVector<double> frequencies(nFFT / 2), amplitudes(nFFT / 2);
            const SpectrumResult r =
                    computeAmplitudeSpectrum(signal, nSamples, nFFT, kFs, frequencies, amplitudes);
            QVERIFY(r.ok);
            QCOMPARE(r.freqResolution, kFs / nFFT);
            for (int k = 0; k < nFFT / 2; ++k) {
                QCOMPARE(frequencies[k], k * kFs / nFFT);
                if (expected.contains(k) || nSamples == nFFT)
                    QVERIFY2(std::abs(amplitudes[k] - expected.value(k)) < 1e-12,
                             qPrintable(QString("%1 samples, bin %2: %3")
                                                .arg(nSamples)
                                                .arg(k)
                                                .arg(amplitudes[k])));
            }
        }
    }
    void inconsistentSizesWriteNothing()
    {
        QVector<double> frequencies(4, -1), amplitudes(4, -1);
        // Not a power of two, zero, and bins to write with a divisor of 0.
        QVERIFY(!computeAmplitudeSpectrum({ 1, 2, 3 }, 3, 6, kFs, frequencies, amplitudes).ok);
        QVERIFY(!computeAmplitudeSpectrum({}, 0, 0, kFs, frequencies, amplitudes).ok);
        QVERIFY(!computeAmplitudeSpectrum({ 1, 2 }, 1, 8, kFs, frequencies, amplitudes).ok);
        QCOMPARE(amplitudes, QVector<double>(4, -1));
        // Vectors shorter than nFFT/2 are written only as far as they reach.
        QVector<double> shortF(2), shortA(2);
        QVERIFY(computeAmplitudeSpectrum(QVector<double>(8, 1.0), 8, 8, kFs, shortF, shortA).ok);
        QCOMPARE(shortA[0], 2.0);
    }
};

QTEST_GUILESS_MAIN(TestSpectrum)
#include "test_spectrum.moc"
