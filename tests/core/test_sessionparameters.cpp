#include "app/sessionparameters.h"
#include "app/windowgeometry.h"

#include <QtTest>

// The arithmetic of the session record and the window sizes. The output file
// name and folder are checked through the controls by the main window test.
class TestSessionParameters : public QObject
{
    Q_OBJECT

private slots:
    void plotLength_data()
    {
        QTest::addColumn<bool>("entire");
        QTest::addColumn<double>("durationToPlot");
        QTest::addColumn<int>("nSamples");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("duration");
        QTest::newRow("longer token, part shown") << false << 0.1 << 12000 << 4800 << 0.1;
        QTest::newRow("longer token, flag shows whole") << true << 0.1 << 12000 << 12000 << 0.25;
        QTest::newRow("shorter token always whole") << false << 0.25 << 2400 << 2400 << 0.05;
    }
    void plotLength()
    {
        SessionParameters p;
        QFETCH(bool, entire);
        QFETCH(double, durationToPlot);
        QFETCH(int, nSamples);
        p.alwaysPlotEntireWaveformFlag = entire;
        p.durationToPlot = durationToPlot;
        p.nSamples = nSamples;
        applyPlotLengthRule(p);
        QTEST(p.nSamplesToPlot, "points");
        QTEST(p.durationToPlot, "duration");
    }
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
