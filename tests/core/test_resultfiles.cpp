#include "trial/answerscoring.h"
#include "trial/resultfiles.h"
#include "trial/scoring.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestResultFiles : public QObject
{
    Q_OBJECT

private slots:
    void recordsRowsAfterAveraging();
    void numbersPrintAsShortestG_data();
    void numbersPrintAsShortestG();
    void entriesRowsInTrialOrder();
    void emptyTablesGiveEmptyFiles();
    void parametersFileWithDefaults();
    void parametersFileTakesTheSessionValues();
    void derivedNames_data();
    void derivedNames();
    void writeFailureMessageJoinsFolderAndName();
    void writesExactBytesAndOverwrites();
    void unwritableFolderWritesNothing();
};

void TestResultFiles::recordsRowsAfterAveraging()
{
    // A mother token answered "Mother" in 500 and 700 ms, and a token never answered.
    QVector<TokenRecord> tokens = { TokenRecord("/f", "mom_001.wav"),
                                    TokenRecord("/f", "other_7.wav") };
    TrialEntry e1, e2;
    scoreAnswer(e1, tokens[0], true, 500, "mom_001.wav", "SUB001");
    scoreAnswer(e2, tokens[0], true, 700, "mom_001.wav", "SUB001");
    computeTokenAverages(tokens, "SUB001");

    QCOMPARE(recordsFileText(tokens),
             QStringLiteral("filename\tnMother\tnStranger\trt\trt_correct\trt_incorrect\n"
                            "mom_001.wav\t2\t0\t600\t600\t0\n"
                            "other_7.wav\t0\t0\t0\t0\t0"));
}

void TestResultFiles::numbersPrintAsShortestG_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("printed");
    QTest::newRow("integral") << 1250.0 << "1250";
    QTest::newRow("fraction") << 1234.5 << "1234.5";
    QTest::newRow("below one") << 0.25 << "0.25";
    QTest::newRow("six digits kept") << 966.6666666 << "966.667";
    QTest::newRow("exponent from 1e6") << 1234567.0 << "1.23457e+06";
    QTest::newRow("small exponent") << 0.0000123 << "1.23e-05";
    QTest::newRow("zero") << 0.0 << "0";
}

void TestResultFiles::numbersPrintAsShortestG()
{
    QFETCH(double, value);
    QFETCH(QString, printed);
    TokenRecord t("/f", "a.wav");
    t.rt = value;
    TrialEntry e;
    e.fileName = "a.wav";
    e.rt = value;
    QVERIFY(recordsFileText({ t }).endsWith("\na.wav\t0\t0\t" + printed + "\t0\t0"));
    QVERIFY(entriesFileText({ e }).endsWith("\na.wav\t\t\t0\t" + printed));
}

void TestResultFiles::entriesRowsInTrialOrder()
{
    QVector<TokenRecord> tokens = { TokenRecord("/f", "x001.wav"), TokenRecord("/f", "y.wav") };
    QVector<TrialEntry> entries(3);
    entries[0].fileName = "y.wav";
    entries[1].fileName = "x001.wav";
    entries[2].fileName = "y.wav";
    scoreAnswer(entries[0], tokens[1], true, 812, "y.wav", "SUB001");
    scoreAnswer(entries[1], tokens[0], true, 431.5, "x001.wav", "SUB001");
    scoreAnswer(entries[2], tokens[1], false, 1000, "y.wav", "SUB001");

    QCOMPARE(entriesFileText(entries),
             QStringLiteral("filename\tstim\tresp\tcorrectness\trt\n"
                            "y.wav\tstranger\tmother\t0\t812\n"
                            "x001.wav\tmother\tmother\t1\t431.5\n"
                            "y.wav\tstranger\tstranger\t1\t1000"));
}

void TestResultFiles::emptyTablesGiveEmptyFiles()
{
    QCOMPARE(recordsFileText({}), QString());
    QCOMPARE(entriesFileText({}), QString());
}

void TestResultFiles::parametersFileWithDefaults()
{
    const SessionParameters p;
    const QStringList lines = parametersFileText(p).split('\n');
    const QStringList expected = {
        "fs: 48000",
        "alwaysPlotEntireWaveformFlag: 0",
        "upperFrequencyToPlot: 2000",
        "outputFilePath: " + p.outputFilePath,
        "wavFilePath: " + p.wavFilePath,
        "subCode: SUB001",
        "outputFileName: SUB001_records.txt",
        "outputFileName_entries: SUB001_entries.txt",
        "outputFileName_parameters: SUB001_parameters.txt",
        "sesTypeNames: practice, experiment",
        "sesTypeIndex: 0",
        "soundTypeNames: .wav files, reserved",
        "soundTypeIndex: 0",
        "mainParameterNames: sound files, reserved",
        "mainParameterIndex: 0",
        "sesNum: 1",
        "nTimes: 1",
        "si: 1",
        "threshold: 0",
        "reactionTime: 0",
        "saveData: 1",
        "feedBack: 1",
        "autoPlay: 1",
    };
    QCOMPARE(lines, expected); // also: no line end after the last line
}

void TestResultFiles::parametersFileTakesTheSessionValues()
{
    SessionParameters p;
    p.fs = 44100.5;
    p.alwaysPlotEntireWaveformFlag = true;
    p.sesTypeNames.clear();
    p.sesNum = 12;
    p.si = 0.0008;
    p.feedBack = false;
    p.autoPlay = false;
    const QStringList lines = parametersFileText(p).split('\n');
    QCOMPARE(lines.size(), 23);
    QCOMPARE(lines[0], QStringLiteral("fs: 44100.5"));
    QCOMPARE(lines[1], QStringLiteral("alwaysPlotEntireWaveformFlag: 1"));
    QCOMPARE(lines[9], QStringLiteral("sesTypeNames: "));
    QCOMPARE(lines[15], QStringLiteral("sesNum: 12"));
    QCOMPARE(lines[17], QStringLiteral("si: 0.0008"));
    QCOMPARE(lines[21], QStringLiteral("feedBack: 0"));
    QCOMPARE(lines[22], QStringLiteral("autoPlay: 0"));
}

void TestResultFiles::derivedNames_data()
{
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("parameters");
    QTest::newRow("usual") << "SUB001_practice001.txt"
                           << "SUB001_practice001_entries.txt"
                           << "SUB001_practice001_parameters.txt";
    QTest::newRow("two dots") << "run.data.txt"
                              << "run.data_entries.txt"
                              << "run.data_parameters.txt";
    QTest::newRow("no dot") << "run"
                            << "run_entries."
                            << "run_parameters.";
}

void TestResultFiles::derivedNames()
{
    QFETCH(QString, records);
    QFETCH(QString, entries);
    QFETCH(QString, parameters);
    QCOMPARE(entriesFileName(records), entries);
    QCOMPARE(parametersFileName(records), parameters);
}

void TestResultFiles::writeFailureMessageJoinsFolderAndName()
{
    QCOMPARE(writeFailureMessage("/home/u/SUB001", "x.txt"),
             QStringLiteral("could not open file for writing \r\n/home/u/SUB001x.txt"));
}

void TestResultFiles::writesExactBytesAndOverwrites()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("r.txt");
    QVERIFY(writeWholeTextFile(path, "old content that is longer\nstill"));
    QVERIFY(writeWholeTextFile(path, "a\tb\nc"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
#ifdef Q_OS_WIN
    QCOMPARE(file.readAll(), QByteArray("a\tb\r\nc"));
#else
    QCOMPARE(file.readAll(), QByteArray("a\tb\nc"));
#endif
}

void TestResultFiles::unwritableFolderWritesNothing()
{
    // A "folder" that is a plain file cannot hold files, whoever runs the test.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString notAFolder = dir.filePath("plain");
    QVERIFY(writeWholeTextFile(notAFolder, "x"));
    QVERIFY(!writeWholeTextFile(notAFolder + "/r.txt", "data"));
    QVERIFY(!QFile::exists(notAFolder + "/r.txt"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({ "plain" }));
}

QTEST_GUILESS_MAIN(TestResultFiles)
#include "test_resultfiles.moc"
