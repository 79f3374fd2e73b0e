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
        QTest::newRow("whole") << ""
                               << ""
                               << ""
                               << "";
        QTest::newRow("unknown key") << "run_parameters.txt"
                                     << "si:"
                                     << "sj:"
                                     << "line 18 is not a parameter line: sj: 1";
        QTest::newRow("key twice") << "run_parameters.txt"
                                   << "si: 1"
                                   << "nTimes: 1"
                                   << "line 18 is not a parameter line";
        QTest::newRow("key missing") << "run_parameters.txt"
                                     << "\nthreshold: 0"
                                     << ""
                                     << "has no threshold line";
        QTest::newRow("session type") << "run_parameters.txt"
                                      << "sesTypeIndex: 0"
                                      << "sesTypeIndex: 2"
                                      << "sesTypeIndex is \"2\"";
        QTest::newRow("session number") << "run_parameters.txt"
                                        << "sesNum: 3"
                                        << "sesNum: 3x"
                                        << "sesNum is \"3x\"";
        QTest::newRow("repetitions") << "run_parameters.txt"
                                     << "nTimes: 1"
                                     << "nTimes: 0"
                                     << "nTimes is \"0\"";
        QTest::newRow("switch") << "run_parameters.txt"
                                << "feedBack: 1"
                                << "feedBack: yes"
                                << "feedBack is \"yes\"";
        QTest::newRow("quote in subject") << "run_parameters.txt"
                                          << "subCode: SUB001"
                                          << "subCode: SUB\"001"
                                          << "holds a tab or a double quote";
        QTest::newRow("renamed") << "run_parameters.txt"
                                 << "outputFileName: run.txt"
                                 << "outputFileName: other.txt"
                                 << "do not belong together";
        QTest::newRow("empty line") << "run_parameters.txt"
                                    << "\nsi: 1"
                                    << "\n\nsi: 1"
                                    << "line 18 is empty";
        QTest::newRow("records header") << "run.txt"
                                        << "nMother"
                                        << "mothers"
                                        << "run.txt: the first line is not the records header";
        QTest::newRow("records columns") << "run.txt"
                                         << "\t500\t0\n"
                                         << "\t500\n"
                                         << "run.txt line 2: 5 columns instead of 6";
        QTest::newRow("token twice") << "run.txt"
                                     << "x.wav\t"
                                     << "m001.wav\t"
                                     << "file name \"m001.wav\" repeated";
        QTest::newRow("count") << "run.txt"
                               << "x.wav\t1"
                               << "x.wav\t-1"
                               << "nMother and nStranger must be counts";
        QTest::newRow("mean") << "run.txt"
                              << "\t700\t0"
                              << "\tslow\t0"
                              << "rt, rt_correct and rt_incorrect must be times";
        QTest::newRow("no tokens") << "run.txt" << QString(kRecords).section('\n', 1) << ""
                                   << "run.txt holds no tokens";
        QTest::newRow("entries header") << "run_entries.txt"
                                        << "stim"
                                        << "class"
                                        << "not the entries header";
        QTest::newRow("unknown token") << "run_entries.txt"
                                       << "x.wav\t"
                                       << "y.wav\t"
                                       << "\"y.wav\" is not a token of the records file";
        QTest::newRow("stim") << "run_entries.txt"
                              << "x.wav\tstranger"
                              << "x.wav\tmother"
                              << "stim \"mother\" does not fit subject SUB001";
        QTest::newRow("resp") << "run_entries.txt"
                              << "stranger\tmother"
                              << "stranger\tmum"
                              << "resp \"mum\" is neither mother nor stranger";
        QTest::newRow("correctness") << "run_entries.txt"
                                     << "\t0\t700"
                                     << "\t1\t700"
                                     << "correctness \"1\" does not match stim and resp";
        QTest::newRow("reaction time") << "run_entries.txt"
                                       << "\t700"
                                       << "\t7e"
                                       << "rt \"7e\" is not a time in ms";
        QTest::newRow("counts disagree") << "run_entries.txt"
                                         << "stranger\tmother\t0"
                                         << "stranger\tstranger\t1"
                                         << "run.txt: the counts of x.wav do not match";
        QTest::newRow("too many trials") << "run_entries.txt"
                                         << "\t700"
                                         << "\t700\nx.wav"
                                         << "3 trials, but the session had 1 to 2";
        QTest::newRow("records missing") << "run.txt"
                                         << "*"
                                         << ""
                                         << "run.txt is missing";
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
