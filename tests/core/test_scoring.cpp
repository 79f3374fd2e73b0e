#include "trial/playbackbytes.h"
#include "trial/resultfiles.h"
#include "trial/scoring.h"
#include "trial/subjectfeedback.h"
#include "trial/trialsequence.h"

#include <QTemporaryDir>
#include <QtTest>

using Doubles = QVector<double>;

// The pure parts of a trial, from the mother-token rule to the result files'
// numbers and names; whole files from real sessions are the session test's.
class TestScoring : public QObject
{
    Q_OBJECT

private slots:
    void motherTokenRule_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("mother");
        const std::tuple<const char *, const char *, const char *, bool> rows[] = {
            { "last three anywhere", "x_001_mom.wav", "SUB001", true },
            { "not the last three", "SUB_01.wav", "SUB001", false },
            { "short code whole", "take_ab.wav", "ab", true },
            { "empty code", "anything.wav", "", true },
            { "case counts", "voice_abc.wav", "XYABC", false },
        };
        for (const auto &[name, file, code, mother] : rows)
            QTest::newRow(name) << QString(file) << QString(code) << mother;
    }
    // The last three characters of the subject code anywhere in the name, case counting.
    void motherTokenRule()
    {
        QFETCH(QString, file);
        QFETCH(QString, code);
        QFETCH(bool, mother);
        QCOMPARE(isMotherToken(file, code), mother);
        QCOMPARE(isRightAnswer(true, file, code), mother);
        QCOMPARE(tokenClass(file, code), QString(mother ? "mother" : "stranger"));
    }
    void scoringAndMeans_data()
    {
        // Answers 'M' or 'S' with a time each; nMother, nStranger, rt, rt_correct, rt_incorrect.
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<Doubles>("times");
        QTest::addColumn<Doubles>("expected");
        QTest::newRow("mother token, mixed")
                << "m001.wav"
                << "MSM" << Doubles { 1200, 900, 800 } << Doubles { 2, 1, 2900.0 / 3, 1000, 900 };
        QTest::newRow("mother token, all wrong")
                << "m001.wav"
                << "SS" << Doubles { 300, 500 } << Doubles { 0, 2, 400, 0, 400 };
        QTest::newRow("stranger token")
                << "x.wav"
                << "MS" << Doubles { 250, 750 } << Doubles { 1, 1, 500, 750, 250 };
        QTest::newRow("no answers") << "x.wav"
                                    << "" << Doubles {} << Doubles { 0, 0, 0, 0, 0 };
    }
    void scoringAndMeans()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, answers);
        QFETCH(Doubles, times);
        QFETCH(Doubles, expected);
        QVector<TokenRecord> tokens = { TokenRecord("/f", fileName) };
        TokenRecord &t = tokens[0];
        for (int i = 0; i < answers.size(); ++i) {
            TrialEntry entry;
            scoreAnswer(entry, t, answers[i] == 'M', times[i], fileName, "SUB001");
            QCOMPARE(entry.rt, times[i]);
            QCOMPARE(entry.resp, QString(answers[i] == 'M' ? "mother" : "stranger"));
        }
        const double sum = std::accumulate(times.begin(), times.end(), 0.0);
        QVERIFY(t.rt == sum && t.rt_correct + t.rt_incorrect == sum); // sums while it runs
        computeTokenAverages(tokens, "SUB001");
        QCOMPARE((Doubles { double(t.nMother), double(t.nStranger), t.rt, t.rt_correct,
                            t.rt_incorrect }),
                 expected);
    }
    void feedbackResultText()
    {
        // The session test sees the text of a session's end (0 %, 0 ms).
        QCOMPARE(resultText(0.25, 0, 2), QString("25 %,   Reaction Time = 0 ms"));
        QCOMPARE(resultText(0.0123456, 1234567, 0), // six digits, exponent
                 QString("Frequency Difference = 1.23456 %,   Reaction Time = 1.23457e+06 ms"));
    }
    void playbackBytes_data()
    {
        QTest::addColumn<int>("signalSize");
        QTest::addColumn<int>("nSamples");
        QTest::addColumn<int>("bytes");
        QTest::newRow("whole") << 12000 << 12000 << 48000;
        QTest::newRow("signal shorter") << 10000 << 12000 << 40000;
        QTest::newRow("nSamples shorter") << 12000 << 11999 << 47996;
        QTest::newRow("no signal") << 0 << 12000 << 0;
        QTest::newRow("negative count") << 100 << -5 << 0;
    }
    // Little-endian floats of the first nSamples that exist, nothing else.
    void playbackBytes()
    {
        QFETCH(int, signalSize);
        QFETCH(int, nSamples);
        QFETCH(int, bytes);
        QCOMPARE(::playbackBytes({ -0.5 }, 1), QByteArray("\x00\x00\x00\xBF", 4));
        Doubles signal(signalSize);
        for (int i = 0; i < signalSize; ++i)
            signal[i] = (i % 200) / 200.0 - 0.5 + 1e-9 * i; // 1e-9: not exact in float
        const QByteArray out = ::playbackBytes(signal, nSamples);
        QCOMPARE(out.size(), bytes);
        const QVector<float> floats(signal.begin(), signal.begin() + bytes / 4);
        QCOMPARE(out, QByteArray(reinterpret_cast<const char *>(floats.constData()), bytes));
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
    // Each answer goes to the trial armed last, once, and only while the session runs.
    void trialSequenceWalk()
    {
        TrialSequence trials;
        trials.prepare({ 2, 0, 1 });
        trials.arm(); // armed before "I am ready": nothing answers yet
        QCOMPARE(trials.waitingTrial(), -1);
        trials.prepare({ 2, 0, 1 });
        trials.start();
        QCOMPARE(trials.waitingTrial(), -1); // nothing armed
        for (int t = 0; t < 3; ++t) {
            QCOMPARE(trials.nextToken(), trials.order()[t]);
            QVERIFY(!trials.allArmed());
            trials.arm();
            QCOMPARE(trials.waitingTrial(), t);
            trials.recordAnswer();
            QCOMPARE(trials.waitingTrial(), -1); // answered once
            QCOMPARE(trials.answersGiven(), t + 1);
        }
        QVERIFY(trials.allArmed());
        QCOMPARE(trials.nextToken(), -1);
        trials.arm(); // nothing left: stays at the end
        QCOMPARE(trials.nextTrial(), 3);
        trials.prepare({ 0, 1 });
        trials.start();
        trials.arm();
        trials.stop();
        QCOMPARE(trials.waitingTrial(), -1); // stopped: no answer is taken
        QCOMPARE(trials.nextTrial(), 1);
        QCOMPARE(playbackDelayMs(0.25, 1.0), 1250);
        QCOMPARE(playbackDelayMs(0.2509, 1.0), 1250); // truncated
    }
};

QTEST_GUILESS_MAIN(TestScoring)
#include "test_scoring.moc"
