// tellwyn-images: paints the subject window's feedback images, correct.png (a
// green check mark) and incorrect.png (a red cross), into the folder given as
// the only argument (the current folder without one). The program looks for
// them in its working directory.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cstdio>

namespace {
const int kSize = 128; // pixels, drawn as is in the middle of the answer button
const qreal kStroke = 18.0;
const QColor kRightColor(0, 150, 60);
const QColor kWrongColor(210, 30, 30);

QImage blankImage()
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QPen markPen(const QColor &color)
{
    return QPen(color, kStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QImage checkMark()
{
    QImage image = blankImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(markPen(kRightColor));
    QPainterPath path;
    path.moveTo(0.16 * kSize, 0.54 * kSize);
    path.lineTo(0.40 * kSize, 0.78 * kSize);
    path.lineTo(0.86 * kSize, 0.22 * kSize);
    painter.drawPath(path);
    return image;
}

QImage cross()
{
    QImage image = blankImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(markPen(kWrongColor));
    const qreal near = 0.2 * kSize;
    const qreal far = 0.8 * kSize;
    painter.drawLine(QPointF(near, near), QPointF(far, far));
    painter.drawLine(QPointF(far, near), QPointF(near, far));
    return image;
}
} // namespace

int main(int argc, char *argv[])
{
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const QString right = folder.filePath(QStringLiteral("correct.png"));
    const QString wrong = folder.filePath(QStringLiteral("incorrect.png"));
    if (!checkMark().save(right, "PNG") || !cross().save(wrong, "PNG")) {
        std::fprintf(stderr, "tellwyn-images: cannot write the images into %s\n",
                     qPrintable(folder.absolutePath()));
        return 1;
    }
    return 0;
}
