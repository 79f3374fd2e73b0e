#include "sound/tokenfolder.h"
#include "sound/tokenlevels.h"
#include "sound/tokenreport.h"
#include "sound/wavfile.h"

#include "tests/support/wavwriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace wavwriter;
using Doubles = std::vector<double>;
using Levels = TokenLevels;
Q_DECLARE_METATYPE(TokenLevels)

namespace {
// What the file descriptor fd receives while run runs.
QByteArray output(int fd, const std::function<void()> &run)
{
    QTemporaryFile file;
    file.open();
    std::fflush(nullptr);
    const int saved = dup(fd);
    dup2(file.handle(), fd);
    run();
    std::fflush(nullptr);
    dup2(saved, fd);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

// Reads path into wav and gives what went to standard error meanwhile.
QByteArray read(WavFile &wav, const QByteArray &path, bool expectOk = true)
{
    bool ok = !expectOk;
    const QByteArray err = output(2, [&] { ok = wav.readWavFile(path); });
    return ok == expectOk ? err : "read gave " + QByteArray::number(ok) + ": " + err;
}

// The extensible format chunk: cbSize 22, valid bits, channel mask, sub-format GUID.
QByteArray extensibleBody(quint16 bits, quint16 subFormat)
{
    return fmtBody(0xFFFE, 1, 48000, bits) + le(22, 2) + le(bits, 2) + le(4, 4) + le(subFormat, 2)
            + QByteArray::fromHex("000000001000800000aa00389b71");
}

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

// WAV files read and written, token folders listed and checked, token levels.
class TestSound : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray put(const QString &name, const QByteArray &bytes)
    {
        wavwriter::put(dir.filePath(name), bytes);
        return dir.filePath(name).toUtf8();
    }

private slots:
    // Samples in [-1, 1), interleaved; any layout gives the record of the canonical header.
    void samplesAndRecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Doubles>("expected");
        const QByteArray data = chunk("data", pcm16({ 16384, -8192, 0 }));
        const QByteArray fmt = chunk("fmt ", fmtBody(1, 1, 48000, 16));
        const Doubles values { 0.5, -0.25, 0.0 };
        QTest::newRow("8 bit") << canonical(QByteArray::fromHex("0080ff01"), 8)
                               << Doubles { -1.0, 0.0, 0.9921875, -0.9921875 };
        QTest::newRow("16 bit") << canonical(pcm16({ 0, 32767, -32768 }))
                                << Doubles { 0.0, 0.999969482421875, -1.0 };
        QTest::newRow("24 bit") << canonical(QByteArray::fromHex("000080ffff7fffffff000001"), 24)
                                << Doubles { -1.0, 1 - 0x1p-23, -0x1p-23, 0x1p-7 };
        QTest::newRow("24 bit, partial group ignored")
                << canonical(QByteArray::fromHex("000080ffff7fffff"), 24)
                << Doubles { -1.0, 1 - 0x1p-23 };
        QTest::newRow("stereo stays interleaved")
                << canonical(pcm16({ 999, -999, 16384, -16384 }), 16, 2)
                << Doubles { 999 / 32768.0, -999 / 32768.0, 0.5, -0.5 };
        QTest::newRow("LIST chunk first")
                << riff(chunk("LIST", QByteArray("INFOISFT\x05\0\0\0sox!\0", 17)) + fmt + data)
                << values;
        QTest::newRow("18-byte format chunk")
                << riff(chunk("fmt ", fmtBody(1, 1, 48000, 16) + le(0, 2)) + data) << values;
        QTest::newRow("odd chunk padded, data before format")
                << riff(chunk("junk", "abc") + data + fmt) << values;
        QTest::newRow("extensible 24-bit PCM")
                << riff(chunk("fmt ", extensibleBody(24, 1))
                        + chunk("data", QByteArray::fromHex("000040000000")))
                << Doubles { 0.5, 0.0 };
    }
    void samplesAndRecord()
    {
        QFETCH(QByteArray, bytes);
        WavFile wav;
        QCOMPARE(read(wav, put("n.wav", bytes)), QByteArray());
        QTEST(wav.samples, "expected");
        QCOMPARE(wav.numSamples, quint32(wav.samples.size()));
        QVERIFY(wav.formatCode == 1 && wav.fmtLength == 16u);
        QCOMPARE(wav.dataSize, 36 + wav.dataLength);
    }
    void rejections_data() // named by the message, up to its last space
    {
        QTest::addColumn<QByteArray>("bytes"); // "-": no file at all
        const QByteArray data = pcm16({ 5, 6 }), fmt = fmtBody(1, 1, 48000, 16);
        QByteArray notWave = canonical(data);
        notWave.replace(8, 4, "AVI ");
        QTest::newRow("Unable to open WAV file: ") << QByteArray("-");
        QTest::newRow("Header size is zero. ") << QByteArray();
        QTest::newRow("WAV header is shorter than 44 bytes: ") << canonical(data).left(30);
        QTest::newRow("Not a WAV file: ") << notWave;
        QTest::newRow("Not a PCM (linear quantitation) WAV file: ")
                << canonical(data, 16, 1, 48000, 3);
        QTest::newRow("Not a PCM (linear quantitation) WAV file: (extensible)")
                << riff(chunk("fmt ", extensibleBody(16, 3)) + chunk("data", data));
        QTest::newRow("Not a 8-bit, 16-bit, or 24-bit WAV file: ") << canonical(data + data, 32);
        QTest::newRow("No format chunk in WAV file: ")
                << riff(chunk("LIST", QByteArray(30, 'x')) + chunk("data", data));
        QTest::newRow("No data chunk in WAV file: ")
                << riff(chunk("fmt ", fmt) + chunk("LIST", QByteArray(12, 'x')));
        QTest::newRow("Format chunk shorter than 16 bytes in WAV file: ")
                << riff(chunk("fmt ", fmt.left(14)) + chunk("data", data));
    }
    void rejections()
    {
        QFETCH(QByteArray, bytes);
        WavFile wav;
        QCOMPARE(read(wav, put("good.wav", canonical(pcm16({ 16384 })))), QByteArray());
        const QByteArray path =
                bytes == "-" ? dir.filePath("absent.wav").toUtf8() : put("bad.wav", bytes);
        const QByteArray tag = QTest::currentDataTag();
        QCOMPARE(read(wav, path, false), tag.left(tag.lastIndexOf(' ') + 1) + path + '\n');
        QVERIFY(!wav.lastError.empty());
        QCOMPARE(wav.samples, Doubles { 0.5 }); // still the last file accepted
    }
    void dataClaims_data() // the data size claimed, then as read: never more than the file holds
    {
        QTest::addColumn<quint32>("claim");
        QTest::addColumn<quint32>("numSamples");
        QTest::addColumn<Doubles>("samples");
        QTest::newRow("4 GiB in a small file") << 0xFFFFFFFFu << 0x7FFFFFFFu << Doubles {};
        QTest::newRow("short data gives no samples") << 100u << 50u << Doubles {};
        QTest::newRow("zero length keeps the samples") << 0u << 0u << Doubles { 0.5 };
    }
    void dataClaims()
    {
        QFETCH(quint32, claim);
        QByteArray bytes = canonical(pcm16({ 1, 2, 3, 4, 5 }));
        bytes.replace(40, 4, le(claim, 4));
        WavFile wav;
        QCOMPARE(read(wav, put("a.wav", canonical(pcm16({ 16384 })))), QByteArray());
        QCOMPARE(read(wav, put("claim.wav", bytes)), QByteArray());
        QTEST(wav.numSamples, "numSamples");
        QTEST(wav.samples, "samples");
        QVERIFY(wav.rawDataSize <= 10);
    }
    void writeAndPrint()
    {
        // A canonical header is taken as stored: fields no check needs are kept as they are.
        QByteArray original = canonical(pcm16({ 0, 32767, -32768 }), 16, 1, 22050);
        original.replace(0, 8, "RIFX" + le(12345, 4));
        original.replace(28, 4, le(7, 4)); // bytes per second
        WavFile wav;
        QCOMPARE(read(wav, put("w.wav", original)), QByteArray());
        const QByteArray out = dir.filePath("out.wav").toUtf8();
        QVERIFY(wav.writeWavFile(out) && wav.writeWavFile(out)); // the second one appends
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), original + original);
        const QByteArray unwritable = dir.filePath("no/such/x.wav").toUtf8();
        QCOMPARE(output(2, [&] { QVERIFY(!wav.writeWavFile(unwritable)); }),
                 "Unable to write wave file: " + unwritable + '\n');
        // The stored fields are printed, not ones worked out again, then the samples.
        const QByteArray printed = output(1, [&] { wav.printHeader(), wav.printSamples(); });
        QVERIFY2(
                printed.startsWith("RIFF header                : RIFX\n")
                        && printed.contains("Data size                  : 12345\n")
                        && printed.contains("Number of bytes per second : 7\n")
                        && printed.endsWith("Data string                : data\n0\n0.999969\n-1\n"),
                printed);
    }
    // Tokens listed by name, case aside; links count, broken ones too, and
    // the check names every bad one with its reason (a pipe would block a
    // reader, a 4 GiB claim must not be taken at its word, a rate is wrong
    // when the others share another).
    void folderListingAndProblems()
    {
        QTemporaryDir dir;
        const auto path = [&dir](const char *name) { return dir.filePath(name); };
        for (const char *name : { "b.WAV", "a.wav", "C.Wav", "notes.txt", "x.wav.bak", "x.bak.wav",
                                  ".hidden.wav", "wav" })
            QVERIFY(wavwriter::put(path(name), ramp16(48000, 1, 10)));
        QByteArray noChannels = ramp16(48000, 1, 10), wideFrames = noChannels;
        noChannels.replace(22, 2, QByteArray(2, '\0'));
        wideFrames.replace(32, 2, QByteArray("\x04\x00", 2)); // 16-bit mono in 4-byte frames
        for (const auto &[name, bytes] : { std::pair { "stereo.wav", ramp16(48000, 2, 10) },
                                           { "ch3.wav", ramp16(48000, 3, 10) },
                                           { "ch0.wav", noChannels },
                                           { "empty.wav", ramp16(48000, 1, 0) },
                                           { "frame.wav", wideFrames },
                                           { "rate.wav", ramp16(44100, 1, 10) },
                                           { "zero.wav", QByteArray() } })
            QVERIFY(wavwriter::put(path(name), bytes));
        // 8 bytes of data behind a data chunk that claims 4 GiB - 1.
        QVERIFY(wavwriter::put(path("huge.wav"),
                               ramp16(48000, 1, 4).left(40) + le(0xFFFFFFFF, 4)
                                       + QByteArray(8, 1)));
        QVERIFY(QDir(dir.path()).mkdir("d.wav"));
        for (const auto &[link, target] : { std::pair { "link.wav", "a.wav" },
                                            { "loop1.wav", "loop2.wav" },
                                            { "loop2.wav", "loop1.wav" },
                                            { "self.wav", "self.wav" },
                                            { "gone.wav", "missing.wav" },
                                            { "here.wav", "." } }) // here.wav: a folder loop
            QVERIFY2(QFile::link(target, path(link)), link);
        QVERIFY(::mkfifo(path("pipe.wav").toLocal8Bit(), 0600) == 0);
        QStringList names;
        for (const TokenRecord &t : listTokens(dir.path()))
            names << t.fileName + (t.folder == dir.path() ? "" : " elsewhere");
        QCOMPARE(names.join(' '),
                 QString("a.wav b.WAV C.Wav ch0.wav ch3.wav empty.wav frame.wav gone.wav huge.wav "
                         "link.wav loop1.wav loop2.wav rate.wav self.wav stereo.wav x.bak.wav "
                         "zero.wav"));
        const TokenCheck check = checkTokens(dir.path(), listTokens(dir.path()));
        const QString broken = ": link to a missing file, or a loop of links";
        QCOMPARE(check.problems(),
                 QStringList(
                         { "ch0.wav: no channels",
                           "ch3.wav: 3 channels (only mono and stereo can be played)",
                           "empty.wav: no samples",
                           "frame.wav: frame size of 4 bytes does not fit 1 channel(s) of 16 bits",
                           "gone.wav" + broken,
                           "huge.wav: sample data incomplete (8 of 4294967295 bytes in the file)",
                           "loop1.wav" + broken, "loop2.wav" + broken,
                           "rate.wav: sampling rate 44100 Hz differs from the other tokens' 48000 "
                           "Hz",
                           "self.wav" + broken, "zero.wav: Header size is zero" }));
        QCOMPARE(check.commonRate, 48000.0);
        QVERIFY(checkTokens(dir.path(), listTokens(dir.path()).mid(0, 3)).ready());
        QVERIFY(!checkTokens(QString(), {}).ready());
    }
    // The measures of tellwyn-tokens check on tokens whose levels are known by
    // construction, compared as the tables print them (dB to 0.01, ms to
    // 0.001), dc to 1e-6 of full scale and LUFS to 0.1 (EBU Tech 3341's 0.1 LU).
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
        QTest::newRow("the same at 7999 Hz: no LUFS")
                << canonical(pcm(tone(48000, minus20), 16), 16, 1, 7999) << -50.0
                << Levels { -20 + sine, -20 + sine, -20, 0, 0, 0, 0, kNone };
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
        WavFile wav;
        QVERIFY(wav.readWavFile(put(QString(QTest::currentDataTag()).left(20) + ".wav", bytes)));
        const Levels l = measureLevels(wav, silenceDb);
        QCOMPARE(printed(l), printed(expected));
    }
};

QTEST_APPLESS_MAIN(TestSound)
#include "test_sound.moc"
