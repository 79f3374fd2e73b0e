#include "app/mainwindow.h"

#include "analysis/spectrum.h"

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
    const SpectrumResult result =
            computeAmplitudeSpectrum(signal, parameters.nSamples, nFFT, parameters.fs,
                                     spectrumFrequencies, spectrumAmplitudes);
    if (!result.error.isEmpty()) {
        qWarning().noquote() << "Spectrum not computed:" << result.error;
        return;
    }
    freqResolution = result.freqResolution;
}
