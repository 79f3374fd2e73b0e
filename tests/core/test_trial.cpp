#include "trial/playbackbytes.h"
#include "trial/scoring.h"
#include "trial/subjectfeedback.h"
#include "trial/soundplacement.h"
#include "trial/trialsequence.h"

#include <QtTest>

#include <thread>

using Doubles = QVector<double>;

namespace {
const qint64 kMs = 1000000;
// Readings as (ms, frame playing then); frame -1 restarts the clock.
using Readings = QVector<QPair<int, int>>;

QByteArray floats(std::initializer_list<float> values)
{
    QByteArray bytes;
    for (float v : values)
        bytes.append(reinterpret_cast<const char *>(&v), sizeof v);
    return bytes;
}
} // namespace

// The pure parts of a trial: the mother-token rule and the scores, the
// trial order and sequence, the bytes played and where the output places them.
class TestTrial : public QObject
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
    // Little-endian floats of the first nSamples that exist, nothing else.
    void playbackBytes()
    {
        QCOMPARE(::playbackBytes({ -0.5 }, 1), QByteArray("\x00\x00\x00\xBF", 4));
        Doubles signal(12000);
        for (int i = 0; i < signal.size(); ++i)
            signal[i] = (i % 200) / 200.0 - 0.5 + 1e-9 * i; // 1e-9: not exact in float
        const QVector<float> floats(signal.begin(), signal.end());
        const QByteArray all(reinterpret_cast<const char *>(floats.constData()), 48000);
        QCOMPARE(::playbackBytes(signal, 12000), all);
        QCOMPARE(::playbackBytes(signal, 11999), all.left(47996));
        QCOMPARE(::playbackBytes(signal, 13000), all);
        QCOMPARE(::playbackBytes(signal, -5) + ::playbackBytes({}, 100), QByteArray());
    }
    // Every token nTimes over, the same for the same seed, none when either
    // count is none; each answer goes to the trial armed last, once, and only
    // while the session runs.
    void trialOrderAndSequence()
    {
        const QVector<int> order = makeTrialOrder(3, 2, 12345u);
        QCOMPARE(makeTrialOrder(3, 2, 12345u), order);
        QCOMPARE(QVector<int>({ order.count(0), order.count(1), order.count(2), order.size() }),
                 QVector<int>({ 2, 2, 2, 6 }));
        QVERIFY(makeTrialOrder(4, 0, 1).isEmpty() && makeTrialOrder(4, -2, 1).isEmpty()
                && makeTrialOrder(0, 3, 1).isEmpty());
        const QVector<TrialEntry> entries = makeEntries(3, 2, "/desk");
        QVERIFY(entries.size() == 6 && entries[5].folder == "/desk" && entries[5].resp.isEmpty());
        QVERIFY(makeEntries(4, -2, "").isEmpty() && makeEntries(0, 3, "").isEmpty());

        TrialSequence trials;
        trials.prepare(order);
        trials.arm(); // armed before "I am ready": nothing answers yet
        QCOMPARE(trials.waitingTrial(), -1);
        trials.prepare(order);
        trials.start();
        QCOMPARE(trials.waitingTrial(), -1); // nothing armed
        for (int t = 0; t < order.size(); ++t) {
            QCOMPARE(trials.nextToken(), order[t]);
            QVERIFY(!trials.allArmed());
            trials.arm();
            QCOMPARE(trials.waitingTrial(), t);
            trials.recordAnswer();
            QCOMPARE(trials.waitingTrial(), -1); // answered once
            QCOMPARE(trials.answersGiven(), t + 1);
        }
        QCOMPARE(trials.nextToken(), -1);
        trials.arm(); // nothing left: stays at the end
        QCOMPARE(trials.nextTrial(), 6);
        trials.prepare({ 0, 1 });
        trials.start();
        trials.arm();
        trials.stop();
        QCOMPARE(trials.waitingTrial(), -1); // stopped: no answer is taken
        QCOMPARE(trials.nextTrial(), 1);
        QCOMPARE(playbackDelayMs(0.25, 1.0), 1250);
        QCOMPARE(playbackDelayMs(0.2509, 1.0), 1250); // truncated
    }
    // At 1000 frames per second a frame is a millisecond: a reading (t, f)
    // says frame 0 played at t - f ms.
    void clockFromReadings_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Readings>("readings");
        QTest::addColumn<int>("originMs");
        const int late = DeviceClock::LateReadings, server = DeviceClock::ServerReadings;
        QTest::newRow("late: the earliest origin")
                << late << Readings { { 50, 40 }, { 70, 55 } } << 10;
        QTest::newRow("late: readings over a second old go")
                << late << Readings { { 100, 95 }, { 1200, 1190 }, { 1300, 1290 } } << 10;
        QTest::newRow("late: a restart forgets")
                << late << Readings { { 50, 45 }, { 0, -1 }, { 70, 58 } } << 12;
        QTest::newRow("server: the median, not an outlier")
                << server << Readings { { 10, 0 }, { 20, 10 }, { 30, 26 }, { 40, 30 }, { 50, 40 } }
                << 10;
        QTest::newRow("server: a step of the server wins once it holds")
                << server << Readings { { 10, 0 }, { 20, 10 }, { 30, 17 }, { 40, 27 }, { 50, 37 } }
                << 13;
    }
    void clockFromReadings()
    {
        QFETCH(int, kind);
        QFETCH(Readings, readings);
        QFETCH(int, originMs);
        DeviceClock clock(1000, DeviceClock::Kind(kind));
        QCOMPARE(clock.frameTimeNs(0), qint64(-1));
        for (const auto &r : readings) {
            if (r.second < 0)
                clock.restart();
            else
                clock.observe(r.first * kMs, r.second);
        }
        QCOMPARE(clock.frameTimeNs(100), (originMs + 100) * kMs);
        QCOMPARE(clock.frameAt((originMs + 100) * kMs), qint64(100));
    }

    // A sound lands whole at the frame the clock maps its due time to, with
    // silence around it, across fills; one due too early starts at the first
    // frame not filled yet; none is placed before the clock is known.
    void soundLandsOnItsDueFrame_data()
    {
        QTest::addColumn<int>("dueMs");
        QTest::addColumn<int>("startFrame");
        QTest::newRow("straddles two fills") << 10020 << 10020;
        QTest::newRow("at the first frame of a fill") << 10022 << 10022;
        QTest::newRow("due too early") << 50 << 10000;
    }
    void soundLandsOnItsDueFrame()
    {
        QFETCH(int, dueMs);
        QFETCH(int, startFrame);
        DeviceClock clock(1000, DeviceClock::ServerReadings);
        SoundPlacement stream(4, &clock);
        QByteArray out(10000 * 4, '\1');
        stream.fill(out.data(), 10000);
        const QByteArray sound = floats({ 1.0f, -0.5f, 0.75f, -1.0f, 0.5f });
        stream.queueSound(sound, dueMs * kMs);
        out = QByteArray(22 * 4, '\1');
        stream.fill(out.data(), 22); // no clock yet: silence, and nothing placed
        QCOMPARE(out, QByteArray(22 * 4, '\0'));
        qint64 first = 0, end = 0;
        stream.placedSound(&first, &end);
        QCOMPARE(first, qint64(-1));

        clock.observe(100 * kMs, 100); // frame f plays at f ms
        out = QByteArray(200 * 4, '\1');
        stream.fill(out.data(), 20);
        stream.fill(out.data() + 20 * 4, 180);
        QByteArray expected(200 * 4, '\0');
        const int at = qMax(startFrame, 10022) - 10022;
        expected.replace(at * 4, sound.size(), sound);
        QCOMPARE(out.toHex(), expected.toHex());
        stream.placedSound(&first, &end);
        QCOMPARE(first, qint64(qMax(startFrame, 10022)));
        QCOMPARE(end, first + 5);
    }

    // The output's thread fills without pause while the GUI thread queues
    // sound after sound: every sound lands once, whole, on its due frame.
    void handOverBetweenThreads()
    {
        const int blocks = 4000, blockFrames = 64, sounds = 40;
        DeviceClock clock(1000, DeviceClock::ServerReadings);
        clock.observe(0, 0);
        SoundPlacement stream(4, &clock);
        std::vector<float> played(size_t(blocks) * blockFrames);
        // Paced like a device, some 25 times faster than real time.
        std::thread output([&] {
            for (int b = 0; b < blocks; ++b) {
                stream.fill(reinterpret_cast<char *>(&played[size_t(b) * blockFrames]),
                            blockFrames);
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        });
        QVector<qint64> due, placedAt;
        for (int k = 0; k < sounds && stream.framesFilled() < (blocks - 20) * blockFrames; ++k) {
            const float level = float(k + 1) / sounds;
            due << stream.framesFilled() + 500;
            stream.queueSound(floats({ level, level, level, level, level, level, level }),
                              due.last() * kMs);
            qint64 first = -1, end = -1;
            while (first < 0 && stream.framesFilled() < blocks * blockFrames)
                stream.placedSound(&first, &end);
            placedAt << first;
        }
        output.join();
        QCOMPARE(placedAt, due);
        QVERIFY(due.size() > 10);
        int soundFrames = 0;
        for (float v : played)
            soundFrames += v != 0.0f;
        QCOMPARE(soundFrames, 7 * due.size());
        for (int k = 0; k < due.size(); ++k) {
            for (int i = 0; i < 7; ++i)
                QCOMPARE(played[size_t(due[k] + i)], float(k + 1) / sounds);
        }
    }
};

QTEST_GUILESS_MAIN(TestTrial)
#include "test_trial.moc"
