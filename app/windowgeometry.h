#ifndef WINDOWGEOMETRY_H
#define WINDOWGEOMETRY_H

#include <QPoint>
#include <QRect>
#include <QSize>

// Size and place a window on a screen of the given available size: the
// fractions (clamped to [0, 1]) of the width and height, centred, or at the
// current position but no nearer the corner than (5, 40).
QRect windowGeometry(const QSize &available, const QPoint &currentPosition, bool center,
                     double widthFraction, double heightFraction);

#endif // WINDOWGEOMETRY_H
