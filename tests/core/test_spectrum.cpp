#include "analysis/spectrum.h"

#include <QtTest>

#include <cmath>

namespace {
const double kFs = 48000.0;
const double kPi = 3.141592653589793;
const double kTolerance = 1e-12;

struct Spectrum
{
    SpectrumResult result;
    QVector<double> frequencies;
    QVector<double> amplitudes;
};

// Sized and computed the way the main window does it for one token.
Spectrum spectrumOf(const QVector<double> &signal, int nSamples)
{
    Spectrum s;
    const int nFFT = spectrumFftLength(nSamples);
    s.frequencies.resize(nFFT / 2);
    s.amplitudes.resize(nFFT / 2);
    s.result = computeAmplitudeSpectrum(signal, nSamples, nFFT, kFs, s.frequencies, s.amplitudes);
    return s;
}
} // namespace

class TestSpectrum : public QObject
{
    Q_OBJECT

private slots:
    void sizing_data();
    void sizing();
    void cosineReadsItsAmplitude();
    void constantGivesTwiceItsValueAtBinZero();
    void paddedTokenIsScaledByItsOwnLength();
    void oddLengthOfThree();
    void tokensWithoutBins();
    void inconsistentSizesWriteNothing();
};

void TestSpectrum::sizing_data()
{
    QTest::addColumn<int>("nSamples");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("nFFT");
    QTest::addColumn<int>("bins");
    QTest::newRow("250 ms at 48 kHz") << 12000 << 2000.0 << 16384 << 682;
    QTest::newRow("power of two") << 4096 << 2000.0 << 4096 << 170;
    QTest::newRow("odd 3") << 3 << 2000.0 << 4 << 0;
    QTest::newRow("one sample") << 1 << 2000.0 << 1 << 0;
    QTest::newRow("no samples") << 0 << 2000.0 << 1 << 0;
    QTest::newRow("negative count") << -7 << 2000.0 << 1 << 0;
    QTest::newRow("limit above fs/2") << 12000 << 30000.0 << 16384 << 8192;
    QTest::newRow("negative limit") << 12000 << -5.0 << 16384 << 0;
    QTest::newRow("largest int") << 2147483647 << 2000.0 << (1 << 30) << 44739242;
}

void TestSpectrum::sizing()
{
    QFETCH(int, nSamples);
    QFETCH(double, upper);
    QFETCH(int, nFFT);
    QFETCH(int, bins);
    QCOMPARE(spectrumFftLength(nSamples), nFFT);
    QCOMPARE(spectrumBinsToPlot(nFFT, kFs, upper), bins);
}

void TestSpectrum::cosineReadsItsAmplitude()
{
    const int n = 4096;
    const int bin = 85;
    const double amplitude = 0.6;
    QVector<double> signal(n);
    for (int i = 0; i < n; ++i)
        signal[i] = amplitude * std::cos(2 * kPi * bin * i / n);
    const Spectrum s = spectrumOf(signal, n);
    QVERIFY(s.result.ok);
    QCOMPARE(s.result.freqResolution, kFs / n);
    QCOMPARE(s.frequencies[bin], bin * kFs / n);
    for (int k = 0; k < n / 2; ++k)
        QVERIFY2(std::abs(s.amplitudes[k] - (k == bin ? amplitude : 0.0)) < kTolerance,
                 qPrintable(QString::number(k)));

    // The same token again gives the same vectors.
    const Spectrum again = spectrumOf(signal, n);
    QCOMPARE(again.amplitudes, s.amplitudes);
    QCOMPARE(again.frequencies, s.frequencies);
}

void TestSpectrum::constantGivesTwiceItsValueAtBinZero()
{
    const Spectrum s = spectrumOf(QVector<double>(1024, -0.25), 1024);
    QVERIFY(std::abs(s.amplitudes[0] - 0.5) < kTolerance);
    for (int k = 1; k < 512; ++k)
        QVERIFY(std::abs(s.amplitudes[k]) < kTolerance);
}

// 12000 samples are padded with zeros to 16384 and divided by 6000, not 8192:
// the sum of the token over 6000 at bin 0, whatever lies past its end.
void TestSpectrum::paddedTokenIsScaledByItsOwnLength()
{
    const Spectrum s = spectrumOf(QVector<double>(12000, 0.5), 12000);
    QCOMPARE(s.amplitudes.size(), 8192);
    QVERIFY(std::abs(s.amplitudes[0] - 1.0) < kTolerance);

    // Samples beyond the transform length are not read.
    const Spectrum longer = spectrumOf(QVector<double>(20000, 0.5), 12000);
    QCOMPARE(longer.amplitudes.size(), 8192);
    QVERIFY(std::abs(longer.amplitudes[0] - 16384 * 0.5 / 6000) < kTolerance);
}

// X[0] = 6, X[1] = 1 - 2i - 3 = -2 - 2i; divisor 3/2 = 1.
void TestSpectrum::oddLengthOfThree()
{
    const Spectrum s = spectrumOf({ 1, 2, 3 }, 3);
    QCOMPARE(s.amplitudes.size(), 2);
    QCOMPARE(s.amplitudes[0], 6.0);
    QVERIFY(std::abs(s.amplitudes[1] - 2 * std::sqrt(2.0)) < kTolerance);
    QCOMPARE(s.frequencies[1], kFs / 4);
}

void TestSpectrum::tokensWithoutBins()
{
    for (int nSamples : { 0, 1 }) {
        const Spectrum s = spectrumOf(QVector<double>(nSamples, 0.5), nSamples);
        QVERIFY(s.result.ok);
        QVERIFY(s.amplitudes.isEmpty());
        QCOMPARE(s.result.freqResolution, kFs);
    }
}

void TestSpectrum::inconsistentSizesWriteNothing()
{
    QVector<double> frequencies(4, -1), amplitudes(4, -1);
    // Not a power of two, and zero: refused.
    QVERIFY(!computeAmplitudeSpectrum({ 1, 2, 3 }, 3, 6, kFs, frequencies, amplitudes).ok);
    QVERIFY(!computeAmplitudeSpectrum({}, 0, 0, kFs, frequencies, amplitudes).ok);
    // Bins to write but a divisor of 0 (nSamples changed after sizing).
    QVERIFY(!computeAmplitudeSpectrum({ 1, 2 }, 1, 8, kFs, frequencies, amplitudes).ok);
    QCOMPARE(amplitudes, QVector<double>(4, -1));

    // Vectors shorter than nFFT/2 are written only as far as they reach.
    QVector<double> shortFrequencies(2), shortAmplitudes(2);
    QVERIFY(computeAmplitudeSpectrum(QVector<double>(8, 1.0), 8, 8, kFs, shortFrequencies,
                                     shortAmplitudes)
                    .ok);
    QCOMPARE(shortAmplitudes[0], 2.0);
}

QTEST_GUILESS_MAIN(TestSpectrum)
#include "test_spectrum.moc"
