#include "app/windowgeometry.h"

#include <QtTest>

// The size and place of the windows on the screen. The output file name and
// folder are checked through the controls by the main window test, the plot
// length rule through the charts by the chart test.
class TestSessionParameters : public QObject
{
    Q_OBJECT

private slots:
    void windowGeometry()
    {
        const QSize screen(1920, 1040);
        const auto place = [](QSize available, QPoint current, double wf, double hf) {
            return ::windowGeometry(available, current, current.isNull(), wf, hf);
        };
        QCOMPARE(place(screen, {}, 0.8, 0.9), QRect(192, 52, 1536, 936)); // centred
        QCOMPARE(place({ 1366, 705 }, {}, 0.8, 0.9), QRect(137, 35, 1092, 634)); // truncated
        QCOMPARE(place(screen, {}, 1.5, -0.2), QRect(0, 520, 1920, 0)); // fractions clamped
        QCOMPARE(place(screen, { 0, 10 }, 0.5, 0.5), QRect(5, 40, 960, 520)); // off the corner
        QCOMPARE(place(screen, { 300, 200 }, 0.5, 0.5), QRect(300, 200, 960, 520)); // kept
    }
};

QTEST_APPLESS_MAIN(TestSessionParameters)
#include "test_sessionparameters.moc"
