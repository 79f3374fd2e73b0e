#include "app/mainwindow.h"

// Placeholders until session preparation lands.
void MainWindow::pushButtonPractice_clicked() { }
void MainWindow::pushButtonExperiment_clicked() { }
void MainWindow::prepareSession() { }
void MainWindow::displayWavFileInfo() { }
void MainWindow::displayStatus() { }
