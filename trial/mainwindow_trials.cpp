#include "app/mainwindow.h"

// Placeholders until the trial loop lands.
void MainWindow::updateMainwindow(int) { }
void MainWindow::schedulePlayback() { }
void MainWindow::finishSession() { }
