#ifndef SCREENPLACEMENT_H
#define SCREENPLACEMENT_H

#include "app/windowgeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

// Sizes and places a window on the primary screen by windowGeometry; both
// windows' setWindowGeometry come here.
inline void placeOnPrimaryScreen(QWidget &window, bool center, double widthFraction,
                                 double heightFraction)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize();
    window.setGeometry(windowGeometry(available, window.geometry().topLeft(), center, widthFraction,
                                      heightFraction));
}

#endif // SCREENPLACEMENT_H
