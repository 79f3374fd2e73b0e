#include "trial/resultfiles.h"
#include "trial/resultset.h"
#include "trial/scoring.h"
#include "trial/sessionjournal.h"

#include "tests/support/wavwriter.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TrialTiming)

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

// Saved sessions read back. A session rebuilt from its journal gives the
// result files a normal end gives for the trials answered (the end-to-end kill
// test shows the same through the windows). A saved set is read whole, or
// refused with a message naming the file and what is wrong.
class TestResultFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // Hostile names (tab, line break, backslash, quote, non-ASCII) and numbers
    // that only survive at full precision; k of n trials answered, then a
    // line cut short by the crash.
    void rebuildsTheFilesOfTheTrialsAnswered()
    {
        SessionParameters p;
        p.fs = 44100.0 / 3;
        p.si = 0.1 + 0.2;
        p.upperFrequencyToPlot = 1234567.25;
        p.threshold = 1e-7;
        p.subCode = "K\tö 7";
        p.sesTypeIndex = 1;
        p.sesNum = 12;
        p.nTimes = 2;
        p.outputFilePath = "/tmp/a\nb\\c";
        p.wavFilePath = "/tök\"ens";
        p.soundTypeNames.clear();
        p.saveData = true;
        p.feedBack = false;
        p.alwaysPlotEntireWaveformFlag = true;
        const QStringList names = { "x ö 7.wav", "tab\there.wav", "line\nbreak.wav", "never.wav" };
        for (const QString &name : names)
            p.tokens.append(TokenRecord(p.wavFilePath, name));
        const QVector<int> order = { 0, 1, 0, 2, 1, 3, 2, 3 };
        for (int token : order) {
            TrialEntry e(p.wavFilePath);
            e.fileName = names[token];
            p.entries.append(e);
        }
        QByteArray journal = journalSessionLine(p, QDateTime::currentDateTimeUtc());

        // What the session's own end would hold after 5 answers. The third
        // line is one of a journal written before trials were timed: its
        // trial comes back with empty timing fields.
        SessionParameters expected = p;
        QVector<TrialTiming> timings;
        const QVector<double> rts = { 412, 0.1 + 0.7, 1e-9, 987654.321, 250 };
        for (int k = 0; k < rts.size(); ++k) {
            TrialEntry &e = expected.entries[k];
            scoreAnswer(e, expected.tokens[order[k]], k % 3 != 1, rts[k], e.fileName, p.subCode);
            TrialTiming t;
            t.trial = k + 1;
            t.fileName = e.fileName;
            if (k != 2) {
                t.dueNs = (qint64(1) << 52) + k; // exact only as a whole number
                t.onsetNs = *t.dueNs - 1501;
                t.outputLatencyMs = 0.1 + 0.2;
                t.dropouts = k;
                t.output = "pulse\"audio";
                t.device = "null\tsink";
            }
            journal += journalTrialLine(k + 1, e, QDateTime::currentDateTimeUtc(),
                                        k == 2 ? nullptr : &t);
            timings << t;
        }
        expected.entries.resize(rts.size());
        computeTokenAverages(expected.tokens, p.subCode);
        const QByteArray cut =
                journalTrialLine(6, expected.entries[0], QDateTime::currentDateTimeUtc()).left(40);
        QCOMPARE(journal.count('\n'), 1 + rts.size()); // no name broke a line
        QVERIFY(wavwriter::put(dir.filePath("j.journal"), journal + cut));

        const RecoveredSession s = readJournal(dir.filePath("j.journal"));
        QVERIFY2(s.ok(), qPrintable(s.error));
        QCOMPARE(s.answers, rts.size());
        QCOMPARE(s.damagedLines, 1);
        QCOMPARE(s.trials, order.size());
        QCOMPARE(parametersFileText(s.parameters), parametersFileText(expected));
        QCOMPARE(recordsFileText(s.parameters.tokens), recordsFileText(expected.tokens));
        QCOMPARE(entriesFileText(s.parameters.entries), entriesFileText(expected.entries));
        QCOMPARE(timingFileText(s.timings), timingFileText(timings));
        QCOMPARE(s.timings[3].dueNs, timings[3].dueNs);

        // Without its first line the answers cannot be placed, but are not
        // taken for nothing either.
        QVERIFY(wavwriter::put(dir.filePath("k.journal"), journal.mid(journal.indexOf('\n') + 1)));
        const RecoveredSession headless = readJournal(dir.filePath("k.journal"));
        QVERIFY(!headless.ok() && headless.answers == rts.size());
        // A count beyond int on a damaged first line is refused, not converted.
        QVERIFY(journal.contains("\"sesNum\":12,"));
        QVERIFY(wavwriter::put(dir.filePath("h.journal"),
                               QByteArray(journal).replace("\"sesNum\":12,", "\"sesNum\":1e13,")));
        QVERIFY(!readJournal(dir.filePath("h.journal")).ok());
    }

    // The timing file: ms to the microsecond with a dot in any locale, empty
    // fields where nothing is known, names that cannot break a row. A timing
    // is trial, file, due, onset, end, output latency, rt clock lag,
    // dropouts, output, device.
    void timingFileRows_data()
    {
        QTest::addColumn<TrialTiming>("timing");
        QTest::addColumn<QString>("row");
        QTest::newRow("played")
                << TrialTiming { 1,        "mom001.wav", 1000000500, 999999499,    1250000000,
                                 25.0 / 3, 140000,       0,          "pulseaudio", "null" }
                << "1\tmom001.wav\t1000.001\t999.999\t-0.001\t8.333\t1250.000\t"
                   "0.140\t0\tpulseaudio\tnull";
        // A token without samples: due, and nothing at the device.
        QTest::newRow("silent") << TrialTiming { 2,  "empty.wav", 5000000, {},   {},
                                                 {}, {},          {},      "qt", "" }
                                << "2\tempty.wav\t5.000\t\t\t\t\t\t\tqt\t";
        QTest::newRow("hostile names")
                << TrialTiming { 3,          "a\tb\nc\rd\x01 ö\\.wav", {}, {}, {}, {}, {}, {}, "",
                                 "sink\tone" }
                << "3\ta\\tb\\nc\\rd\\x01 ö\\.wav\t\t\t\t\t\t\t\t\tsink\\tone";
    }
    void timingFileRows()
    {
        QFETCH(TrialTiming, timing);
        QFETCH(QString, row);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = timingFileText({ timing });
        QLocale::setDefault(QLocale::c());
        QCOMPARE(text,
                 "trial\tfilename\tdue_ms\tonset_ms\tonset_error_ms\toutput_latency_ms\tend_ms\t"
                 "rt_clock_lag_ms\tdropouts\toutput\tdevice\n"
                         + row);
    }

    void numbersPrintAsShortestGAndNames()
    {
        // Six digits, exponent from 1e6, small exponent; the expected text names the case.
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
        QCOMPARE(recordsFileText({}) + entriesFileText({}) + timingFileText({}), QString());
        QCOMPARE(parametersFileName("run.data.txt") + timingFileName("run.data.txt"),
                 QString("run.data_parameters.txtrun.data_timing.txt"));
        QCOMPARE(entriesFileName("run") + parametersFileName("run") + timingFileName("run"),
                 QString("run_entries.run_parameters.run_timing."));
    }
    void writesWholeFilesOrNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("r.txt");
        QCOMPARE(writeWholeTextFile(path, "old content that is longer\nstill"), QString());
        QCOMPARE(writeWholeTextFile(path, "a\tb\nc"), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("a\tb\nc"));
        // A "folder" that is a plain file cannot hold files, whoever runs the test.
        QVERIFY(!writeWholeTextFile(path + "/r.txt", "data").isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList { "r.txt" });
    }
    // One whole set, then the same with one fault each.
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

QTEST_GUILESS_MAIN(TestResultFiles)
#include "test_resultfiles.moc"
