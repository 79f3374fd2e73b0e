#include "analysis/spectrum.h"
#include "analysis/spectrumahead.h"

#include <QSemaphore>
#include <QtTest>

#include <cmath>

// A spectrum computed ahead is taken only for the very samples, length and
// rate it was computed from, and then equals the one computed on the spot.
class TestSpectrumAhead : public QObject
{
    Q_OBJECT

    static QVector<double> tone(int n, double hz)
    {
        QVector<double> s(n);
        for (int i = 0; i < n; ++i)
            s[i] = 0.4 * std::sin(2 * 3.141592653589793 * hz * i / 48000) + 0.001 * (i % 7);
        return s;
    }

private slots:
    void takesOnlyWhatFits_data()
    {
        QTest::addColumn<int>("changedSample"); // -1: none
        QTest::addColumn<int>("extraSamples");
        QTest::addColumn<double>("fs");
        QTest::addColumn<bool>("taken");
        QTest::newRow("the same token") << -1 << 0 << 48000.0 << true;
        QTest::newRow("one sample differs") << 4321 << 0 << 48000.0 << false;
        QTest::newRow("one sample more") << -1 << 1 << 48000.0 << false;
        QTest::newRow("another rate") << -1 << 0 << 44100.0 << false;
    }
    void takesOnlyWhatFits()
    {
        QFETCH(int, changedSample);
        QFETCH(int, extraSamples);
        QFETCH(double, fs);
        QFETCH(bool, taken);
        const QVector<double> ahead = tone(6000, 440);
        QVector<double> shown = ahead;
        if (changedSample >= 0)
            shown[changedSample] += 1e-12;
        shown.resize(shown.size() + extraSamples);

        SpectrumAhead spectra;
        spectra.prepare([ahead] { return ahead; }, 48000);
        spectra.waitForWorker();
        const int nFFT = spectrumFftLength(shown.size());
        QVector<double> freq(nFFT / 2, -1), amp(nFFT / 2, -1);
        QCOMPARE(spectra.take(shown, nFFT, fs, freq, amp), taken);
        if (!taken) {
            QCOMPARE(amp, QVector<double>(nFFT / 2, -1));
            return;
        }
        QVector<double> freqHere(nFFT / 2), ampHere(nFFT / 2);
        computeAmplitudeSpectrum(shown, shown.size(), nFFT, fs, freqHere, ampHere);
        QCOMPARE(freq, freqHere);
        QCOMPARE(amp, ampHere); // bit for bit: the same transform of the same samples
        // Taken once: a second call finds nothing.
        QVERIFY(!spectra.take(shown, nFFT, fs, freq, amp));
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

QTEST_APPLESS_MAIN(TestSpectrumAhead)
#include "test_spectrumahead.moc"
