#include "app/sessionparameters.h"
#include "app/windowgeometry.h"

#include <QtTest>

class TestSessionParameters : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void outputFileName_data();
    void outputFileName();
    void outputFolderKeepsTheCodeAsTyped();
    void plotLength_data();
    void plotLength();
    void windowGeometry_data();
    void windowGeometry();
};

void TestSessionParameters::defaults()
{
    // The defaults that are built from the default subject code.
    const SessionParameters p;
    QCOMPARE(p.outputFilePath, p.desktopPath + "/SUB001");
    QCOMPARE(p.outputFileName, QStringLiteral("SUB001_records.txt"));
    QCOMPARE(p.outputFileName_entries, QStringLiteral("SUB001_entries.txt"));
    QCOMPARE(p.outputFileName_parameters, QStringLiteral("SUB001_parameters.txt"));
}

void TestSessionParameters::outputFileName_data()
{
    QTest::addColumn<QString>("subCode");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("sesNum");
    QTest::addColumn<QString>("expected");
    QTest::newRow("practice 1") << "SUB001"
                                << "practice" << 1 << "SUB001_practice001.txt";
    QTest::newRow("experiment 12") << "SUB001"
                                   << "experiment" << 12 << "SUB001_experiment012.txt";
    QTest::newRow("session 0") << "SUB001"
                               << "practice" << 0 << "SUB001_practice000.txt";
    QTest::newRow("session 7") << "S9"
                               << "practice" << 7 << "S9_practice007.txt";
    QTest::newRow("four digits are not cut") << "SUB001"
                                             << "practice" << 1234 << "SUB001_practice1234.txt";
    QTest::newRow("empty code") << ""
                                << "practice" << 1 << "_practice001.txt";
}

void TestSessionParameters::outputFileName()
{
    QFETCH(QString, subCode);
    QFETCH(QString, type);
    QFETCH(int, sesNum);
    QFETCH(QString, expected);
    QCOMPARE(outputFileNameFor(subCode, type, sesNum), expected);
}

void TestSessionParameters::outputFolderKeepsTheCodeAsTyped()
{
    QCOMPARE(outputFolderFor("/home/r/Desktop", "AB/12"), QStringLiteral("/home/r/Desktop/AB/12"));
}

void TestSessionParameters::plotLength_data()
{
    QTest::addColumn<bool>("entire");
    QTest::addColumn<double>("durationToPlot");
    QTest::addColumn<int>("nSamples");
    QTest::addColumn<int>("expectedPoints");
    QTest::addColumn<double>("expectedDuration");
    QTest::newRow("longer token, part shown") << false << 0.1 << 12000 << 4800 << 0.1;
    QTest::newRow("longer token, flag shows whole") << true << 0.1 << 12000 << 12000 << 0.25;
    QTest::newRow("shorter token always whole") << false << 0.25 << 2400 << 2400 << 0.05;
}

void TestSessionParameters::plotLength()
{
    QFETCH(bool, entire);
    QFETCH(double, durationToPlot);
    QFETCH(int, nSamples);
    QFETCH(int, expectedPoints);
    QFETCH(double, expectedDuration);
    SessionParameters p;
    p.alwaysPlotEntireWaveformFlag = entire;
    p.durationToPlot = durationToPlot;
    p.nSamples = nSamples;
    applyPlotLengthRule(p);
    QCOMPARE(p.nSamplesToPlot, expectedPoints);
    QCOMPARE(p.durationToPlot, expectedDuration);
}

void TestSessionParameters::windowGeometry_data()
{
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QPoint>("current");
    QTest::addColumn<bool>("center");
    QTest::addColumn<double>("wf");
    QTest::addColumn<double>("hf");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("main window") << QSize(1920, 1040) << QPoint() << true << 0.8 << 0.9
                                 << QRect(192, 52, 1536, 936);
    QTest::newRow("subject window")
            << QSize(1920, 1040) << QPoint() << true << 0.4 << 0.4 << QRect(576, 312, 768, 416);
    QTest::newRow("odd size truncates")
            << QSize(1366, 705) << QPoint() << true << 0.8 << 0.9 << QRect(137, 35, 1092, 634);
    QTest::newRow("fractions clamped")
            << QSize(1920, 1040) << QPoint() << true << 1.5 << -0.2 << QRect(0, 520, 1920, 0);
    QTest::newRow("not centred, kept off the corner")
            << QSize(1920, 1040) << QPoint(0, 10) << false << 0.5 << 0.5 << QRect(5, 40, 960, 520);
    QTest::newRow("not centred, position kept") << QSize(1920, 1040) << QPoint(300, 200) << false
                                                << 0.5 << 0.5 << QRect(300, 200, 960, 520);
}

void TestSessionParameters::windowGeometry()
{
    QFETCH(QSize, available);
    QFETCH(QPoint, current);
    QFETCH(bool, center);
    QFETCH(double, wf);
    QFETCH(double, hf);
    QFETCH(QRect, expected);
    QCOMPARE(::windowGeometry(available, current, center, wf, hf), expected);
}

QTEST_APPLESS_MAIN(TestSessionParameters)
#include "test_sessionparameters.moc"
