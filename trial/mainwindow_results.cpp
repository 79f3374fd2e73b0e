#include "app/mainwindow.h"

// Placeholder until the result files land.
void MainWindow::saveDataFiles() { }
