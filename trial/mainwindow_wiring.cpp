#include "app/mainwindow.h"

// Placeholder until the window wiring lands.
void MainWindow::pushButtonGo_clicked() { }
