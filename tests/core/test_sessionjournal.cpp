#include "trial/resultfiles.h"
#include "trial/scoring.h"
#include "trial/sessionjournal.h"

#include "tests/support/wavwriter.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TrialTiming)

// A session rebuilt from its journal gives the three result files a normal
// end gives for the trials answered; the end-to-end kill test shows the same
// through the windows for one ordinary session.
class TestSessionJournal : public QObject
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
};

QTEST_GUILESS_MAIN(TestSessionJournal)
#include "test_sessionjournal.moc"
