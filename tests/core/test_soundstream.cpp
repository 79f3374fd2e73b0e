#include "trial/soundstream.h"

#include <QSignalSpy>
#include <QtTest>

// (ms, frames held) per reading of the output; held -1 restarts the clock.
using Readings = QVector<QPair<int, int>>;

// The session's stream: a sound lands at the frame that the output's clock
// maps to its due time, whole and exact, with silence around it. At 1000
// frames per second a frame is a millisecond, so frame f leaves for the sink
// at origin + f ms; a reading (t, held) implies the origin t - (handed out -
// held) and the stream keeps the earliest of the last two seconds.
class TestSoundStream : public QObject
{
    Q_OBJECT

private slots:
    void soundLandsOnItsDueFrame_data()
    {
        QTest::addColumn<Readings>("readings");
        QTest::addColumn<int>("dueMs");
        QTest::addColumn<int>("startFrame");
        QTest::addColumn<int>("onsetMs");
        const QPair<int, int> restart(0, -1);
        // 10000 frames are handed out before the sound; the next 200 are read.
        QTest::newRow("earliest reading sets the clock")
                << Readings { { 50, 9960 }, { 70, 9945 } } << 10030 << 10020 << 10030;
        QTest::newRow("a reading before anything played says nothing")
                << Readings { { 5, 10000 }, { 50, 9960 } } << 10030 << 10020 << 10030;
        QTest::newRow("readings older than two seconds are dropped")
                << Readings { { 1000, 9010 }, { 3500, 6512 } } << 10032 << 10020 << 10032;
        QTest::newRow("a restarted clock forgets earlier readings")
                << Readings { { 50, 9960 }, restart, { 70, 9942 } } << 10032 << 10020 << 10032;
        QTest::newRow("a sound due too early starts at the first unread frame")
                << Readings { { 50, 9960 } } << 50 << 10000 << 10010;
    }
    void soundLandsOnItsDueFrame()
    {
        QFETCH(Readings, readings);
        QFETCH(int, dueMs);
        QFETCH(int, startFrame);
        QFETCH(int, onsetMs);
        const qint64 ms = 1000000;
        SoundStream stream(1000, 4);
        stream.clockNs = [] { return qint64(0); };
        QVERIFY(stream.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        QCOMPARE(stream.read(10000 * 4).size(), 10000 * 4);
        for (const auto &r : readings) {
            if (r.second < 0)
                stream.restartClock();
            else
                stream.observe(r.first * ms, r.second);
        }
        const QByteArray sound = QByteArray::fromHex("0000803f"
                                                     "000000bf"
                                                     "0000403f"
                                                     "000080bf"
                                                     "0000003f");
        QSignalSpy placed(&stream, &SoundStream::soundPlaced);
        stream.queueSound(sound, dueMs * ms);
        QByteArray out = stream.read(22 * 4); // the sound straddles the two reads
        out += stream.read(178 * 4);

        QByteArray expected(200 * 4, '\0');
        expected.replace((startFrame - 10000) * 4, sound.size(), sound);
        QCOMPARE(out.toHex(), expected.toHex());
        QCOMPARE(placed.size(), 1);
        QCOMPARE(placed[0][0].toLongLong(), qint64(startFrame));
        QCOMPARE(placed[0][1].toLongLong(), qint64(startFrame + 5));
        QCOMPARE(stream.frameTimeNs(startFrame), onsetMs * ms);
        QVERIFY(!stream.soundPending());
    }
};

QTEST_GUILESS_MAIN(TestSoundStream)
#include "test_soundstream.moc"
