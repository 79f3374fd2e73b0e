#include "trial/resultfiles.h"
#include "trial/resultset.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// A small session as Tellwyn saves it: two tokens, each played once.
const char kRecords[] = "filename\tnMother\tnStranger\trt\trt_correct\trt_incorrect\n"
                        "m001.wav\t1\t0\t500\t500\t0\n"
                        "x.wav\t1\t0\t700\t0\t700";
const char kEntries[] = "filename\tstim\tresp\tcorrectness\trt\n"
                        "m001.wav\tmother\tmother\t1\t500\n"
                        "x.wav\tstranger\tmother\t0\t700";

QString parametersText()
{
    SessionParameters p;
    p.subCode = "SUB001";
    p.sesTypeNames = QStringList { "practice", "experiment" };
    p.sesNum = 3;
    p.outputFileName = "run.txt";
    p.outputFileName_entries = "run_entries.txt";
    p.outputFileName_parameters = "run_parameters.txt";
    return parametersFileText(p);
}
} // namespace

// A saved set read back: one whole set, then the same with one fault each;
// every fault is refused with a message naming the file and what is wrong.
class TestResultSet : public QObject
{
    Q_OBJECT

private slots:
    void readsOrRefuses_data()
    {
        QTest::addColumn<QString>("file"); // which file the fault is in
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("error"); // a part of the message; empty: read
        // Name, file (Parameters, Records, Entries), text replaced, its replacement, error.
        const char *const rows[][5] = {
            { "whole", "", "", "", "" },
            { "unknown key", "P", "si:", "sj:", "line 18 is not a parameter line: sj: 1" },
            { "key twice", "P", "si: 1", "nTimes: 1", "line 18 is not a parameter line" },
            { "key missing", "P", "\nthreshold: 0", "", "has no threshold line" },
            { "session type", "P", "sesTypeIndex: 0", "sesTypeIndex: 2", "sesTypeIndex is \"2\"" },
            { "session number", "P", "sesNum: 3", "sesNum: 3x", "sesNum is \"3x\"" },
            { "repetitions", "P", "nTimes: 1", "nTimes: 0", "nTimes is \"0\"" },
            { "switch", "P", "feedBack: 1", "feedBack: yes", "feedBack is \"yes\"" },
            { "quote in subject", "P", "subCode: SUB001", "subCode: SUB\"001",
              "holds a tab or a double quote" },
            { "renamed", "P", "outputFileName: run.txt", "outputFileName: other.txt",
              "do not belong together" },
            { "empty line", "P", "\nsi: 1", "\n\nsi: 1", "line 18 is empty" },
            { "records header", "R", "nMother", "mothers",
              "run.txt: the first line is not the records header" },
            { "records columns", "R", "\t500\t0\n", "\t500\n",
              "run.txt line 2: 5 columns instead of 6" },
            { "token twice", "R", "x.wav\t", "m001.wav\t", "file name \"m001.wav\" repeated" },
            { "count", "R", "x.wav\t1", "x.wav\t-1", "nMother and nStranger must be counts" },
            { "mean", "R", "\t700\t0", "\tslow\t0",
              "rt, rt_correct and rt_incorrect must be times" },
            { "entries header", "E", "stim", "class", "not the entries header" },
            { "unknown token", "E", "x.wav\t", "y.wav\t",
              "\"y.wav\" is not a token of the records file" },
            { "stim", "E", "x.wav\tstranger", "x.wav\tmother",
              "stim \"mother\" does not fit subject SUB001" },
            { "resp", "E", "stranger\tmother", "stranger\tmum",
              "resp \"mum\" is neither mother nor stranger" },
            { "correctness", "E", "\t0\t700", "\t1\t700",
              "correctness \"1\" does not match stim and resp" },
            { "reaction time", "E", "\t700", "\t7e", "rt \"7e\" is not a time in ms" },
            { "counts disagree", "E", "stranger\tmother\t0", "stranger\tstranger\t1",
              "run.txt: the counts of x.wav do not match" },
            { "too many trials", "E", "\t700", "\t700\nx.wav",
              "3 trials, but the session had 1 to 2" },
            { "records missing", "R", "*", "", "run.txt is missing" },
        };
        const QMap<QString, QString> files = { { "P", "run_parameters.txt" },
                                               { "R", "run.txt" },
                                               { "E", "run_entries.txt" } };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << files.value(row[1]) << row[2] << row[3] << row[4];
        QTest::newRow("no tokens") << "run.txt" << QString(kRecords).section('\n', 1) << ""
                                   << "run.txt holds no tokens";
    }
    void readsOrRefuses()
    {
        QFETCH(QString, file);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QMap<QString, QString> files = { { "run_parameters.txt", parametersText() },
                                               { "run.txt", kRecords },
                                               { "run_entries.txt", kEntries } };
        for (auto it = files.begin(); it != files.end(); ++it) {
            QString text = it.value();
            if (it.key() == file && from == "*")
                continue; // the file is not there
            if (it.key() == file) {
                QVERIFY2(text.contains(from), qPrintable(from));
                text.replace(text.indexOf(from), from.size(), to);
            }
            QCOMPARE(writeWholeTextFile(dir.filePath(it.key()), text), QString());
        }
        ResultSet set;
        const QString got = readResultSet(dir.filePath("run_parameters.txt"), set);
        if (error.isEmpty()) {
            QCOMPARE(got, QString());
            QCOMPARE(QStringList({ set.subject, set.sessionType, QString::number(set.session) }),
                     QStringList({ "SUB001", "practice", "3" }));
            QCOMPARE(QVector<int>({ int(set.tokens.size()), int(set.trials.size()) }),
                     QVector<int>({ 2, 2 }));
        } else {
            QVERIFY2(got.contains(error), qPrintable(got));
            QVERIFY(set.tokens.isEmpty() && set.trials.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestResultSet)
#include "test_resultset.moc"
