#include "app/mainwindow.h"

// Placeholders until token loading lands.
void MainWindow::selectWavFolder() { }
void MainWindow::createEntries() { }
void MainWindow::createStimOrder() { }
bool MainWindow::loadCurrentToken()
{
    return false;
}
void MainWindow::computeTokenAverages() { }
