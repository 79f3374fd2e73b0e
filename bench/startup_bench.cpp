// Times the start of the program: the application object, the main window's
// construction (controls, charts, audio format check) and its first paint.
// Run with QT_QPA_PLATFORM=offscreen, or on a display.
#include "app/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QElapsedTimer total;
    total.start();
    QApplication app(argc, argv);
    const double appMs = total.nsecsElapsed() / 1e6;

    QElapsedTimer step;
    step.start();
    MainWindow *window = new MainWindow;
    const double constructMs = step.nsecsElapsed() / 1e6;
    step.restart();
    window->show();
    const bool exposed = QTest::qWaitForWindowExposed(window);
    window->grab(); // a full paint of every control and chart
    const double showMs = step.nsecsElapsed() / 1e6;

    std::printf("application object   %8.2f ms\n", appMs);
    std::printf("MainWindow()         %8.2f ms\n", constructMs);
    std::printf("show + first paint   %8.2f ms%s\n", showMs, exposed ? "" : " (not exposed)");
    std::printf("total to first paint %8.2f ms\n", total.nsecsElapsed() / 1e6);

    // A second window shows the cost without one-time library initialisation.
    step.restart();
    MainWindow second;
    second.show();
    second.grab();
    std::printf("second window        %8.2f ms\n", step.nsecsElapsed() / 1e6);
    delete window;
    return 0;
}
