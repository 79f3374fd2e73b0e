#include "app/mainwindow.h"

// Placeholders until playback lands.
void MainWindow::playOneSound() { }
void MainWindow::handleAudioStateChanged(QAudio::State) { }
