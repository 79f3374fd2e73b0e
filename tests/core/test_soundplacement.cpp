#include "trial/soundplacement.h"

#include <QtTest>

#include <thread>

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

// At 1000 frames per second a frame is a millisecond: a reading (t, f) says
// frame 0 played at t - f ms.
class TestSoundPlacement : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestSoundPlacement)
#include "test_soundplacement.moc"
