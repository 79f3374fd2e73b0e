#include "trial/playbackbytes.h"

#include <QtTest>

#include <cstring>

class TestPlaybackBytes : public QObject
{
    Q_OBJECT

private slots:
    void minusHalfIsLittleEndianFloat();
    void sizeFollowsBoundedCount_data();
    void sizeFollowsBoundedCount();
    void samplesRoundToNearestFloatWithoutScaling();
};

namespace {
float floatAt(const QByteArray &bytes, int i)
{
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData()) + 4 * i;
    const quint32 bits =
            quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
} // namespace

void TestPlaybackBytes::minusHalfIsLittleEndianFloat()
{
    QCOMPARE(playbackBytes({ -0.5 }, 1), QByteArray("\x00\x00\x00\xBF", 4));
    QCOMPARE(playbackBytes({ 0.0, 0.5 }, 2), QByteArray("\x00\x00\x00\x00\x00\x00\x00\x3F", 8));
}

void TestPlaybackBytes::sizeFollowsBoundedCount_data()
{
    QTest::addColumn<int>("signalSize");
    QTest::addColumn<int>("nSamples");
    QTest::addColumn<int>("bytes");
    QTest::newRow("a 250 ms token at 48 kHz") << 12000 << 12000 << 48000;
    QTest::newRow("nSamples above the signal: only what exists") << 10000 << 12000 << 40000;
    QTest::newRow("nSamples below: the tail is left out") << 12000 << 11999 << 47996;
    QTest::newRow("empty signal") << 0 << 12000 << 0;
    QTest::newRow("negative count") << 100 << -5 << 0;
    QTest::newRow("one sample") << 1 << 1 << 4;
}

void TestPlaybackBytes::sizeFollowsBoundedCount()
{
    QFETCH(int, signalSize);
    QFETCH(int, nSamples);
    QFETCH(int, bytes);
    QVector<double> signal(signalSize);
    for (int i = 0; i < signalSize; ++i)
        signal[i] = (i % 200) / 200.0 - 0.5;
    const QByteArray out = playbackBytes(signal, nSamples);
    QCOMPARE(out.size(), bytes);
    for (int i = 0; i < bytes / 4; ++i)
        QCOMPARE(floatAt(out, i), float(signal[i]));
}

void TestPlaybackBytes::samplesRoundToNearestFloatWithoutScaling()
{
    const QVector<double> signal = { 0.1, -1.0, 0.999969482421875, 1.0 / 3.0, 1e-30 };
    const QByteArray out = playbackBytes(signal, signal.size());
    QCOMPARE(out.size(), 20);
    QCOMPARE(floatAt(out, 0), 0.1f);
    QCOMPARE(floatAt(out, 1), -1.0f);
    QCOMPARE(floatAt(out, 2), 0.999969482421875f); // 32767 / 32768, exact in float
    QCOMPARE(floatAt(out, 3), 1.0f / 3.0f);
    QCOMPARE(floatAt(out, 4), 1e-30f);
}

QTEST_GUILESS_MAIN(TestPlaybackBytes)
#include "test_playbackbytes.moc"
