#include "app/mainwindow.h"

#include "analysis/spectrum.h"
#include "sound/tokenfolder.h"

#include <QDebug>

void MainWindow::applySpectrumSizing()
{
    SessionParameters &p = parameters;
    nFFT = spectrumFftLength(p.nSamples);
    p.nFreqBinsToPlot = spectrumBinsToPlot(nFFT, p.fs, p.upperFrequencyToPlot);
    spectrumFrequencies.resize(nFFT / 2);
    spectrumAmplitudes.resize(nFFT / 2);
    spectrumPoints.resize(p.nFreqBinsToPlot);
}

void MainWindow::computeSpectrum()
{
    // The worker's spectrum of this very token, when the trial before asked for it.
    if (parameters.nSamples == signal.size()
        && spectrumAhead.take(signal, nFFT, parameters.fs, spectrumFrequencies, spectrumAmplitudes))
        return;
    const SpectrumResult result =
            computeAmplitudeSpectrum(signal, parameters.nSamples, nFFT, parameters.fs,
                                     spectrumFrequencies, spectrumAmplitudes);
    if (!result.error.isEmpty())
        qWarning().noquote() << "Spectrum not computed:" << result.error;
}

void MainWindow::prepareNextSpectrum()
{
    const int token = trials.nextToken();
    if (token < 0 || token >= parameters.tokens.size()) {
        spectrumAhead.drop();
        return;
    }
    const QString path = parameters.tokens[token].path();
    spectrumAhead.prepare(
            [path] {
                WavFile wav;
                if (!wav.readWavFile(path.toUtf8().constData()) || !tokenProblem(wav).isEmpty())
                    return QVector<double>();
                return tokenSamples(wav);
            },
            parameters.fs);
}

void MainWindow::computeSpectrumAheadOf(const QVector<double> &samples)
{
    spectrumAhead.prepare([samples] { return samples; }, parameters.fs);
    spectrumAhead.waitForWorker();
}
