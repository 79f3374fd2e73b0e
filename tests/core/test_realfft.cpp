#include "analysis/fft/RealFft.h"
#include "analysis/spectrum.h"
#include "analysis/spectrumahead.h"

#include <QSemaphore>
#include <QtTest>

#include <cmath>
#include <random>
#include <set>

namespace {
const double kFs = 48000.0;
using Bins = QMap<int, double>; // bin -> expected amplitude

QVector<double> tone(int n, double hz)
{
    QVector<double> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = 0.4 * std::sin(2 * 3.141592653589793 * hz * i / kFs) + 0.001 * (i % 7);
    return s;
}
} // namespace

// The real FFT and the amplitude spectrum the main window computes with it. A
// spectrum computed ahead is taken only for the very samples, length and rate
// it was computed from, and then equals the one computed on the spot.
class TestRealFft : public QObject
{
    Q_OBJECT

private slots:
    // N = 1 ... 2^16 (table and oscillator passes) against a long double DFT: all bins up to
    // 2^12, a few dozen above. A second transform with the same object gives the same bits.
    void matchesDirectDft()
    {
        std::mt19937_64 random(20240611);
        std::uniform_real_distribution<double> sample(-1.0, 1.0);
        for (int bits = 0; bits <= 16; ++bits) {
            const long n = 1L << bits;
            std::vector<double> x(n), f(n), again(n);
            for (double &v : x)
                v = sample(random);
            RealFft<double> fft(static_cast<int>(n));
            fft.forward_fft(f.data(), x.data());
            fft.forward_fft(again.data(), x.data());
            QVERIFY2(again == f, qPrintable(QString("N %1: a second transform differs").arg(n)));

            // Bins 0 and n/2, all others up to 2^12, else 1, n/2 - 1 and random ones.
            std::set<long> bins = { 0, n / 2 };
            for (long k = 1; k < n / 2; k += bits <= 12 ? 1 : n / 2 - 2)
                bins.insert(k);
            std::uniform_int_distribution<long> anyBin(0, n / 2);
            while (bits > 12 && bins.size() < 40)
                bins.insert(anyBin(random));

            long double largest = 0, worst = 0;
            for (long k : bins) {
                long double re = 0, im = 0;
                for (long j = 0; j < n; ++j) {
                    const long double angle = 6.283185307179586476925286766559L * ((k * j) % n) / n;
                    re += x[j] * std::cos(angle);
                    im -= x[j] * std::sin(angle);
                }
                largest = std::max(largest, std::hypot(re, im));
                const long double gotIm = (k == 0 || k == n / 2) ? 0.0L : -f[n / 2 + k];
                worst = std::max(worst, std::hypot(f[k] - re, gotIm - im));
            }
            const QString failure = QStringLiteral("N %1: error %2 of largest").arg(n);
            QVERIFY2(worst <= 1e-11 * largest, qPrintable(failure.arg(double(worst / largest))));
            // float takes the portable loops that double skips where the CPU has AVX; its
            // oscillators drift further, hence the looser bound.
            std::vector<float> xf(x.begin(), x.end()), ff(n);
            RealFft<float>(static_cast<int>(n)).forward_fft(ff.data(), xf.data());
            for (long k = 0; k < n; ++k)
                worst = std::max<long double>(worst, std::abs(ff[k] - f[k]));
            QVERIFY2(worst <= 1e-3 * largest, qPrintable(failure.arg(double(worst / largest))));
        }
    }
    void sizing()
    {
        QCOMPARE(spectrumFftLength(12000), 16384);
        QCOMPARE(spectrumFftLength(0), 1);
        QCOMPARE(spectrumFftLength(2147483647), 1 << 30);
        QCOMPARE(spectrumBinsToPlot(16384, kFs, 30000), 8192); // limited by fs/2
        QCOMPARE(spectrumBinsToPlot(16384, kFs, -5), 0);
        QCOMPARE(spectrumBinsToPlot(1 << 30, kFs, 2000), 44739242);
    }
    void amplitudes_data()
    {
        QTest::addColumn<QVector<double>>("signal");
        QTest::addColumn<int>("nSamples");
        QTest::addColumn<Bins>("expected");
        QVector<double> cosine(4096);
        for (int i = 0; i < cosine.size(); ++i)
            cosine[i] = 0.6 * std::cos(2 * 3.141592653589793 * 85 * i / 4096);
        QTest::newRow("cosine") << cosine << 4096 << Bins { { 85, 0.6 } };
        QTest::newRow("constant") << QVector<double>(1024, -0.25) << 1024 << Bins { { 0, 0.5 } };
        // Padded to 16384 and divided by 6000, not 8192; samples past nSamples are not read.
        QTest::newRow("padded") << QVector<double>(20000, 0.5) << 12000
                                << Bins { { 0, 16384 * 0.5 / 6000 } };
        // X[0] = 6, X[1] = 1 - 2i - 3 = -2 - 2i; divisor 3/2 = 1.
        QTest::newRow("three samples") << QVector<double> { 1, 2, 3 } << 3
                                       << Bins { { 0, 6.0 }, { 1, 2 * std::sqrt(2.0) } };
        QTest::newRow("no samples") << QVector<double>() << 0 << Bins();
    }
    // Computed the way the main window does it for one token. Unpadded, unlisted bins are 0.
    void amplitudes()
    {
        QFETCH(QVector<double>, signal);
        QFETCH(int, nSamples);
        QFETCH(Bins, expected);
        const int nFFT = spectrumFftLength(nSamples);
        QVector<double> frequencies(nFFT / 2), amplitudes(nFFT / 2);
        const SpectrumResult r =
                computeAmplitudeSpectrum(signal, nSamples, nFFT, kFs, frequencies, amplitudes);
        QCOMPARE(r.error, QString());
        QCOMPARE(r.freqResolution, kFs / nFFT);
        for (int k = 0; k < nFFT / 2; ++k) {
            QCOMPARE(frequencies[k], k * kFs / nFFT);
            if (expected.contains(k) || nSamples == nFFT)
                QVERIFY2(std::abs(amplitudes[k] - expected.value(k)) < 1e-12,
                         qPrintable(QString("bin %1: %2").arg(k).arg(amplitudes[k])));
        }
    }
    void inconsistentSizesWriteNothing()
    {
        QVector<double> frequencies(4, -1), amplitudes(4, -1);
        // Not a power of two, zero, and bins to write with a divisor of 0.
        const auto fails = [&](const QVector<double> &signal, int nSamples, int nFFT) {
            return !computeAmplitudeSpectrum(signal, nSamples, nFFT, kFs, frequencies, amplitudes)
                            .error.isEmpty();
        };
        QVERIFY(fails({ 1, 2, 3 }, 3, 6));
        QVERIFY(fails({}, 0, 0));
        QVERIFY(fails({ 1, 2 }, 1, 8));
        QCOMPARE(amplitudes, QVector<double>(4, -1));
        // Vectors shorter than nFFT/2 are written only as far as they reach.
        QVector<double> shortF(2), shortA(2);
        QCOMPARE(computeAmplitudeSpectrum(QVector<double>(8, 1.0), 8, 8, kFs, shortF, shortA).error,
                 QString());
        QCOMPARE(shortA[0], 2.0);
    }
    // Taken once, and only for the very samples, length and rate: then bit for
    // bit what the transform on the spot gives.
    void takesOnlyWhatFits()
    {
        const QVector<double> ahead = tone(6000, 440);
        QVector<double> changed = ahead, longer = ahead;
        changed[4321] += 1e-12;
        longer.append(0);
        const int nFFT = spectrumFftLength(6001);
        QVector<double> freq(nFFT / 2, -1), amp(nFFT / 2, -1);
        SpectrumAhead spectra;
        spectra.prepare([ahead] { return ahead; }, 48000);
        spectra.waitForWorker();
        QVERIFY(!spectra.take(changed, nFFT, 48000, freq, amp));
        QVERIFY(!spectra.take(longer, nFFT, 48000, freq, amp));
        QVERIFY(!spectra.take(ahead, nFFT, 44100, freq, amp));
        QCOMPARE(amp, QVector<double>(nFFT / 2, -1));
        QVERIFY(spectra.take(ahead, nFFT, 48000, freq, amp));
        QVector<double> freqHere(nFFT / 2), ampHere(nFFT / 2);
        computeAmplitudeSpectrum(ahead, ahead.size(), nFFT, 48000, freqHere, ampHere);
        QVERIFY(freq == freqHere && amp == ampHere);
        QVERIFY(!spectra.take(ahead, nFFT, 48000, freq, amp));
    }

    // Never waits for the worker, never hands over a spectrum asked for before
    // another one or dropped.
    void unfinishedReplacedOrDroppedIsNotTaken()
    {
        const QVector<double> first = tone(4000, 300), second = tone(4000, 500);
        const int nFFT = spectrumFftLength(4000);
        QVector<double> freq(nFFT / 2), amp(nFFT / 2);
        SpectrumAhead spectra;
        QSemaphore loaderMayGo;
        spectra.prepare(
                [&] {
                    loaderMayGo.acquire();
                    return first;
                },
                48000);
        QVERIFY(!spectra.take(first, nFFT, 48000, freq, amp)); // still loading
        spectra.prepare([second] { return second; }, 48000);
        loaderMayGo.release();
        spectra.waitForWorker();
        QVERIFY(!spectra.take(first, nFFT, 48000, freq, amp));
        spectra.prepare([second] { return second; }, 48000);
        spectra.drop();
        spectra.waitForWorker();
        QVERIFY(!spectra.take(second, nFFT, 48000, freq, amp));
        spectra.prepare([] { return QVector<double>(); }, 48000); // a file that failed to load
        spectra.waitForWorker();
        QVERIFY(!spectra.take(QVector<double>(), 1, 48000, freq, amp));
    }
};

QTEST_GUILESS_MAIN(TestRealFft)
#include "test_realfft.moc"
