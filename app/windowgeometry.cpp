#include "app/windowgeometry.h"

#include <QtGlobal>

QRect windowGeometry(const QSize &available, const QPoint &currentPosition, bool center,
                     double widthFraction, double heightFraction)
{
    const double wf = qBound(0.0, widthFraction, 1.0);
    const double hf = qBound(0.0, heightFraction, 1.0);
    const int W = available.width();
    const int H = available.height();
    const int w = static_cast<int>(W * wf);
    const int h = static_cast<int>(H * hf);
    int x;
    int y;
    if (center) {
        x = (W - w) / 2;
        y = (H - h) / 2;
    } else {
        x = qMax(5, currentPosition.x());
        y = qMax(40, currentPosition.y());
    }
    return QRect(x, y, w, h);
}
