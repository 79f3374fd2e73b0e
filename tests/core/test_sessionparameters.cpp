#include "app/windowgeometry.h"

#include <QtTest>

// The size and place of the windows on the screen. The output file name and
// folder are checked through the controls by the main window test, the plot
// length rule through the charts by the chart test.
class TestSessionParameters : public QObject
{
    Q_OBJECT

private slots:
    void windowGeometry_data()
    {
        QTest::addColumn<QPoint>("current"); // null: centred
        QTest::addColumn<QSize>("available");
        QTest::addColumn<double>("wf");
        QTest::addColumn<double>("hf");
        QTest::addColumn<QRect>("expected");
        const QSize screen(1920, 1040);
        QTest::newRow("main window")
                << QPoint() << screen << 0.8 << 0.9 << QRect(192, 52, 1536, 936);
        QTest::newRow("odd size truncates")
                << QPoint() << QSize(1366, 705) << 0.8 << 0.9 << QRect(137, 35, 1092, 634);
        QTest::newRow("fractions clamped")
                << QPoint() << screen << 1.5 << -0.2 << QRect(0, 520, 1920, 0);
        QTest::newRow("kept off the corner")
                << QPoint(0, 10) << screen << 0.5 << 0.5 << QRect(5, 40, 960, 520);
        QTest::newRow("position kept")
                << QPoint(300, 200) << screen << 0.5 << 0.5 << QRect(300, 200, 960, 520);
    }
    void windowGeometry()
    {
        QFETCH(QPoint, current);
        QFETCH(QSize, available);
        QFETCH(double, wf);
        QFETCH(double, hf);
        QTEST(::windowGeometry(available, current, current.isNull(), wf, hf), "expected");
    }
};

QTEST_APPLESS_MAIN(TestSessionParameters)
#include "test_sessionparameters.moc"
