#include "app/mainwindow.h"

// Placeholders until the spectrum lands.
void MainWindow::applySpectrumSizing() { }
void MainWindow::computeSpectrum() { }
