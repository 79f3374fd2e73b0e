#include "sound/tokenlevels.h"
#include "sound/tokenreport.h"
#include "sound/wavfile.h"

#include "tests/support/wavwriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace wavwriter;
using Levels = TokenLevels;
Q_DECLARE_METATYPE(TokenLevels)

namespace {
const quint32 kRate = 48000;
const std::optional<double> kNone;

// A 1 kHz cosine at 48 kHz, peak amplitude in codes: whole periods, so the first
// and the last frame are near the peak and the mean is 0.
QVector<qint32> tone(int frames, double amplitude, qint32 offset = 0)
{
    QVector<qint32> v(frames);
    for (int i = 0; i < frames; ++i)
        v[i] = offset + qint32(std::lround(amplitude * std::cos(2 * M_PI * 1000.0 * i / kRate)));
    return v;
}
// A cycle of values repeated to frames frames.
QVector<qint32> repeat(const QVector<qint32> &cycle, int frames)
{
    QVector<qint32> v(frames);
    for (int i = 0; i < frames; ++i)
        v[i] = cycle[i % cycle.size()];
    return v;
}
QByteArray pcm(const QVector<qint32> &values, int bits)
{
    QByteArray b;
    b.reserve(values.size() * bits / 8);
    for (qint32 v : values) {
        for (int i = 0; i < bits / 8; ++i)
            b.append(char((bits == 8 ? v + 128 : v) >> (8 * i)));
    }
    return b;
}
QByteArray file(const QVector<qint32> &values, int bits = 16)
{
    return canonical(pcm(values, bits), bits, 1, kRate);
}
// 16-bit codes of a level in dBFS.
double codes(double dbfs)
{
    return std::pow(10.0, dbfs / 20) * 32768;
}
// The levels as the tables print them (tokenreport.h); dc to 1e-6, LUFS to 0.1.
QString printed(const Levels &l)
{
    const QString lufs = l.lufs ? QString::number(*l.lufs, 'f', 1) : QString();
    return QStringList { dbText(l.rmsDbfs),
                         dbText(l.activeRmsDbfs),
                         dbText(l.peakDbfs),
                         QString::number(l.clipped),
                         QString::number(std::round(l.dc * 1e6) / 1e6 + 0.0),
                         msText(l.leadMs),
                         msText(l.trailMs),
                         lufs }
            .join(" | ");
}
} // namespace

// The measures of tellwyn-tokens check on tokens whose levels are known by
// construction, read through WavFile as a session reads them, compared as
// the tables print them (dB to 0.01, ms to 0.001), with dc to 1e-6 of full
// scale and LUFS to 0.1 (within EBU Tech 3341's 0.1 LU).
class TestTokenLevels : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void measures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("silenceDb");
        QTest::addColumn<Levels>("expected");
        const double minus20 = codes(-20); // 3276.8
        const double sine = -3.0103; // a sine's RMS re its peak, dB
        const qint32 top16 = 32767, bottom16 = -32768, top24 = 0x7FFFFF, bottom24 = -0x800000;
        const QVector<qint32> padded = QVector<qint32>(4800) + tone(9600, minus20)
                + QVector<qint32>(2400); // 100 ms, 200 ms, 50 ms
        const double paddedRms = -20 + sine + 10 * std::log10(9600.0 / 16800);
        // 0.1 (3277 codes) under a -20 dBFS sine; the loudness filter's high-pass
        // takes the DC out.
        const double dcRms = -20 + 10 * std::log10(1.5), half = -6.0206;

        QTest::newRow("-20 dBFS sine") << file(tone(48000, minus20)) << -50.0
                                       << Levels { -20 + sine, -20 + sine, -20, 0, 0, 0, 0, -20.0 };
        QTest::newRow("padded 100 ms before, 50 ms after (350 ms: no LUFS)")
                << file(padded) << -50.0
                << Levels { paddedRms, -20 + sine, -20, 0, 0, 100, 50, kNone };
        QTest::newRow("the same all below a -10 dBFS threshold")
                << file(padded) << -10.0 << Levels { paddedRms, kNone, -20, 0, 0, 350, 350, kNone };
        QTest::newRow("DC offset 0.1") << file(tone(48000, minus20, 3277)) << -50.0
                                       << Levels { dcRms, dcRms, -13.98, 0, 0.100006, 0, 0, -20.0 };
        // A full-scale square reads 0 dB; its flat tops are clipping.
        QTest::newRow("16-bit rails in runs of 2")
                << file(repeat({ top16, top16, bottom16, bottom16 }, 4800)) << -50.0
                << Levels { 0, 0, 0, 4800, -0x1p-16, 0, 0, kNone };
        QTest::newRow("16-bit rails alternating: peaks, no clipping")
                << file(repeat({ top16, bottom16 }, 4800)) << -50.0
                << Levels { 0, 0, 0, 0, -0x1p-16, 0, 0, kNone };
        // Unsigned bytes 255 and 0 are 8-bit's rails: 1 - 2^-7 and -1.
        const double rails8 = 10 * std::log10((std::pow(1 - 0x1p-7, 2) + 1) / 2);
        QTest::newRow("8-bit rails in runs of 2")
                << file(repeat({ 127, 127, -128, -128 }, 4800), 8) << -50.0
                << Levels { rails8, rails8, 0, 4800, -0x1p-8, 0, 0, kNone };
        QTest::newRow("24-bit rails in runs of 3")
                << file(repeat({ top24, top24, top24, bottom24, bottom24, bottom24 }, 4800), 24)
                << -50.0 << Levels { 0, 0, 0, 4800, -0x1p-24, 0, 0, kNone };
        QVector<qint32> stereo;
        for (qint32 v : tone(48000, minus20))
            stereo << v << bottom16; // the second channel clips throughout
        QTest::newRow("stereo: the first channel only")
                << canonical(pcm(stereo, 16), 16, 2, kRate) << -50.0
                << Levels { -20 + sine, -20 + sine, -20, 0, 0, 0, 0, -20.0 };
        QTest::newRow("one sample")
                << file({ 16384 }) << -50.0 << Levels { half, half, half, 0, 0.5, 0, 0, kNone };
        // EBU Tech 3341, case 1: 20 s of 1 kHz at -23 dBFS peak, here one channel
        // counted as dual mono, reads -23.0 LUFS.
        QTest::newRow("EBU Tech 3341 case 1")
                << file(tone(20 * 48000, codes(-23))) << -50.0
                << Levels { -23 + sine, -23 + sine, -23, 0, 0, 0, 0, -23.0 };
    }
    void measures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, silenceDb);
        QFETCH(Levels, expected);
        const QString path = dir.filePath(QString(QTest::currentDataTag()).left(20) + ".wav");
        QVERIFY(put(path, bytes));
        WavFile wav;
        QVERIFY(wav.readWavFile(path.toUtf8().constData()));
        const Levels l = measureLevels(wav, silenceDb);
        QCOMPARE(printed(l), printed(expected));
    }
};

QTEST_APPLESS_MAIN(TestTokenLevels)
#include "test_tokenlevels.moc"
