#include "trial/resultfiles.h"

#include <QTemporaryDir>
#include <QtTest>

// The number format of the records and entries files, the derived names, and
// writing whole or not at all. Whole files from real sessions, the parameters
// file included, are checked byte for byte by the session test.
class TestResultFiles : public QObject
{
    Q_OBJECT

private slots:
    void numbersPrintAsShortestGAndNames()
    {
        // Six digits, exponent from 1e6, small exponent.
        for (const auto &[value, printed] : { std::pair { 966.6666666, "966.667" },
                                              { 1234567.0, "1.23457e+06" },
                                              { 0.0000123, "1.23e-05" } }) {
            TokenRecord t("/f", "a.wav");
            t.nStranger = 3;
            t.rt_incorrect = value;
            TrialEntry e;
            e.fileName = "a.wav";
            e.stim = "mother";
            e.resp = "stranger";
            e.rt = value;
            QCOMPARE(recordsFileText({ t }),
                     "filename\tnMother\tnStranger\trt\trt_correct\trt_incorrect\n"
                     "a.wav\t0\t3\t0\t0\t"
                             + QString(printed));
            const QString row = "\na.wav\tmother\tstranger\t0\t" + QString(printed);
            QCOMPARE(entriesFileText({ e, e }),
                     "filename\tstim\tresp\tcorrectness\trt" + row + row);
        }
        QCOMPARE(recordsFileText({}) + entriesFileText({}), QString());
        QCOMPARE(parametersFileName("run.data.txt"), QString("run.data_parameters.txt"));
        QCOMPARE(entriesFileName("run") + parametersFileName("run"),
                 QString("run_entries.run_parameters."));
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
