#include "trial/resultfiles.h"

#include <QTemporaryDir>
#include <QtTest>

// The texts of the three result files, their names, and their writing. Whole
// files from real sessions are checked byte for byte by the session test.
class TestResultFiles : public QObject
{
    Q_OBJECT

private slots:
    void numbersPrintAsShortestG_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("printed");
        QTest::newRow("integral") << 1250.0 << "1250";
        QTest::newRow("fraction") << 0.25 << "0.25";
        QTest::newRow("six digits kept") << 966.6666666 << "966.667";
        QTest::newRow("exponent from 1e6") << 1234567.0 << "1.23457e+06";
        QTest::newRow("small exponent") << 0.0000123 << "1.23e-05";
    }
    void numbersPrintAsShortestG()
    {
        QFETCH(double, value);
        QFETCH(QString, printed);
        TokenRecord t("/f", "a.wav");
        t.nStranger = 3;
        t.rt_incorrect = value;
        TrialEntry e;
        e.fileName = "a.wav";
        e.stim = "mother";
        e.resp = "stranger";
        e.rt = value;
        QCOMPARE(recordsFileText({ t }),
                 "filename\tnMother\tnStranger\trt\trt_correct\trt_incorrect\na.wav\t0\t3\t0\t0\t"
                         + printed);
        const QString row = "\na.wav\tmother\tstranger\t0\t" + printed;
        QCOMPARE(entriesFileText({ e, e }), "filename\tstim\tresp\tcorrectness\trt" + row + row);
        QCOMPARE(recordsFileText({}) + entriesFileText({}), QString());
    }
    void parametersTakeTheSessionValues()
    {
        SessionParameters p;
        p.fs = 44100.5;
        p.sesTypeNames = QStringList { "a" };
        p.soundTypeNames.clear();
        p.si = 0.0008;
        p.feedBack = false;
        const QStringList lines = parametersFileText(p).split('\n'); // no line end after the last
        QCOMPARE(lines.size(), 23);
        QCOMPARE(lines[0] + lines[9] + lines[11] + lines[17] + lines[21] + lines[22],
                 QString("fs: 44100.5sesTypeNames: asoundTypeNames: si: 0.0008feedBack: 0autoPlay: "
                         "1"));
    }
    void derivedNames()
    {
        QCOMPARE(entriesFileName("SUB001_practice001.txt"),
                 QString("SUB001_practice001_entries.txt"));
        QCOMPARE(parametersFileName("run.data.txt"), QString("run.data_parameters.txt"));
        QCOMPARE(entriesFileName("run"), QString("run_entries."));
        QCOMPARE(parametersFileName("run"), QString("run_parameters."));
    }
    void writesWholeFilesOrNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("r.txt");
        QVERIFY(writeWholeTextFile(path, "old content that is longer\nstill"));
        QVERIFY(writeWholeTextFile(path, "a\tb\nc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("a\tb\nc"));
        // A "folder" that is a plain file cannot hold files, whoever runs the test.
        QVERIFY(!writeWholeTextFile(path + "/r.txt", "data"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList { "r.txt" });
    }
};

QTEST_GUILESS_MAIN(TestResultFiles)
#include "test_resultfiles.moc"
