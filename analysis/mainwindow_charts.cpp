#include "app/mainwindow.h"

// Placeholders until the charts land.
void MainWindow::createWaveformChart() { }
void MainWindow::createSpectrumChart() { }
void MainWindow::createTrendChart() { }
void MainWindow::plotWaveform() { }
void MainWindow::plotSpectrum() { }
void MainWindow::plotTrend() { }
