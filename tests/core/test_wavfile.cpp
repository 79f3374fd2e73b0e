#include "sound/wavfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const char *id, const QByteArray &body, quint32 claimedLength)
{
    QByteArray c = QByteArray(id, 4) + le32(claimedLength) + body;
    if (body.size() % 2)
        c.append('\0');
    return c;
}

QByteArray chunk(const char *id, const QByteArray &body)
{
    return chunk(id, body, static_cast<quint32>(body.size()));
}

QByteArray fmtBody(quint16 code, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = channels * (bits / 8);
    return le16(code) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks;
}

QByteArray canonical(const QByteArray &data, quint16 bits = 16, quint16 channels = 1,
                     quint32 rate = 48000, quint16 code = 1)
{
    return riff(chunk("fmt ", fmtBody(code, channels, rate, bits)) + chunk("data", data));
}

QByteArray samples16(std::initializer_list<qint16> values)
{
    QByteArray b;
    for (qint16 v : values)
        b += le16(static_cast<quint16>(v));
    return b;
}

// The extensible format chunk: 16 plain bytes, cbSize 22, valid bits, channel
// mask, then the sub-format GUID whose first two bytes are the format code.
QByteArray extensibleBody(quint16 channels, quint32 rate, quint16 bits, quint16 subFormat)
{
    const QByteArray guidTail = QByteArray::fromHex("000000001000800000aa00389b71");
    return fmtBody(0xFFFE, channels, rate, bits) + le16(22) + le16(bits) + le32(4) + le16(subFormat)
            + guidTail;
}

// Everything a file descriptor receives while the object lives.
class FdCapture
{
public:
    explicit FdCapture(int fd) : fd(fd)
    {
        char name[] = "/tmp/test_wavfile-XXXXXX";
        const int out = mkstemp(name);
        path = name;
        std::fflush(nullptr);
        saved = dup(fd);
        dup2(out, fd);
        ::close(out);
    }
    ~FdCapture()
    {
        restore();
        QFile::remove(path);
    }
    QByteArray text()
    {
        restore();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(nullptr);
        dup2(saved, fd);
        ::close(saved);
        saved = -1;
    }
    QString path;
    int fd;
    int saved = -1;
};

} // namespace

class TestWavFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString put(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }

private slots:
    void conversion_data();
    void conversion();
    void stereoKeepsFramesInterleaved();
    void canonicalHeaderIsTakenAsStored();
    void rejections_data();
    void rejections();
    void nonCanonicalLayouts_data();
    void nonCanonicalLayouts();
    void hugeClaimAllocatesOnlyWhatIsThere();
    void shortDataGivesNoSamples();
    void zeroDataLengthKeepsPreviousSamples();
    void writeAppends();
    void printing();
};

void TestWavFile::conversion_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QVector<double>>("expected");

    QTest::newRow("8 bit") << QByteArray::fromHex("0080ff") << 8
                           << QVector<double> { -1.0, 0.0, 0.9921875 };
    QTest::newRow("16 bit") << samples16({ 0, 32767, -32768 }) << 16
                            << QVector<double> { 0.0, 0.999969482421875, -1.0 };
    QTest::newRow("24 bit") << QByteArray::fromHex("000080ffff7fffffff") << 24
                            << QVector<double> { -1.0, 0.99999988079071044921875,
                                                 -1.1920928955078125e-07 };
    QTest::newRow("24 bit, trailing partial group ignored")
            << QByteArray::fromHex("000080ffff7fff") << 24 << QVector<double> { -1.0, 1 - 0x1p-23 };
}

void TestWavFile::conversion()
{
    QFETCH(QByteArray, data);
    QFETCH(int, bits);
    QFETCH(QVector<double>, expected);

    WavFile wav;
    FdCapture err(2);
    QVERIFY(wav.readWavFile(put("c.wav", canonical(data, bits)).toUtf8().constData()));
    QCOMPARE(err.text(), QByteArray());
    QCOMPARE(wav.numSamples, static_cast<quint32>(expected.size()));
    QCOMPARE(wav.samples.size(), static_cast<size_t>(expected.size()));
    QCOMPARE(wav.sampleData, wav.samples.data());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(wav.samples[i] == expected[i], qPrintable(QString::number(i)));
}

void TestWavFile::stereoKeepsFramesInterleaved()
{
    QByteArray data;
    for (int i = 0; i < 1000; ++i)
        data += samples16({ static_cast<qint16>(i), static_cast<qint16>(-i) });
    WavFile wav;
    QVERIFY(wav.readWavFile(put("s.wav", canonical(data, 16, 2)).toUtf8().constData()));
    QCOMPARE(wav.numChannels, quint16(2));
    QCOMPARE(wav.numSamples, 2000u);
    QCOMPARE(wav.samples.size(), size_t(2000));
    QCOMPARE(wav.samples[2 * 999], 999 / 32768.0);
    QCOMPARE(wav.samples[2 * 999 + 1], -999 / 32768.0);
}

void TestWavFile::canonicalHeaderIsTakenAsStored()
{
    // Identifiers and lengths outside the required ones are not examined.
    QByteArray bytes = canonical(samples16({ 1, 2 }), 16, 1, 44100);
    bytes.replace(0, 4, "RIFX");
    bytes.replace(4, 4, le32(12345));
    bytes.replace(28, 4, le32(7)); // bytes per second
    WavFile wav;
    QVERIFY(wav.readWavFile(put("h.wav", bytes).toUtf8().constData()));
    QCOMPARE(QByteArray(wav.riffHeader, 4), QByteArray("RIFX"));
    QCOMPARE(wav.dataSize, 12345u);
    QCOMPARE(QByteArray(wav.fmtHeader, 4), QByteArray("fmt "));
    QCOMPARE(wav.fmtLength, 16u);
    QCOMPARE(wav.formatCode, quint16(1));
    QCOMPARE(wav.samplingRate, 44100u);
    QCOMPARE(wav.bytesPerSecond, 7u);
    QCOMPARE(wav.blockAlign, quint16(2));
    QCOMPARE(QByteArray(wav.dataString, 4), QByteArray("data"));
    QCOMPARE(wav.dataLength, 4u);
    QCOMPARE(WavFile::headerSize(), 44);
}

void TestWavFile::rejections_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty name: no file at all
    QTest::addColumn<QByteArray>("message");

    const QByteArray data = samples16({ 5, 6 });
    QTest::newRow("missing file") << QByteArray("-") << QByteArray("Unable to open WAV file: ");
    QTest::newRow("empty file") << QByteArray() << QByteArray("Header size is zero. ");
    QTest::newRow("header shorter than 44 bytes")
            << canonical(data).left(30) << QByteArray("WAV header is shorter than 44 bytes: ");
    QByteArray notWave = canonical(data);
    notWave.replace(8, 4, "AVI ");
    QTest::newRow("not WAVE") << notWave << QByteArray("Not a WAV file: ");
    QTest::newRow("float format") << canonical(data, 16, 1, 48000, 3)
                                  << QByteArray("Not a PCM (linear quantitation) WAV file: ");
    QTest::newRow("extensible float")
            << riff(chunk("fmt ", extensibleBody(1, 48000, 16, 3)) + chunk("data", data))
            << QByteArray("Not a PCM (linear quantitation) WAV file: ");
    QTest::newRow("32-bit PCM") << canonical(data + data, 32)
                                << QByteArray("Not a 8-bit, 16-bit, or 24-bit WAV file: ");
    QTest::newRow("no format chunk")
            << riff(chunk("LIST", QByteArray(30, 'x')) + chunk("data", data))
            << QByteArray("No format chunk in WAV file: ");
    QTest::newRow("no data chunk")
            << riff(chunk("fmt ", fmtBody(1, 1, 48000, 16)) + chunk("LIST", QByteArray(12, 'x')))
            << QByteArray("No data chunk in WAV file: ");
    QTest::newRow("format chunk of 14 bytes")
            << riff(chunk("fmt ", fmtBody(1, 1, 48000, 16).left(14)) + chunk("data", data))
            << QByteArray("Format chunk shorter than 16 bytes in WAV file: ");
}

void TestWavFile::rejections()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, message);

    WavFile wav;
    QVERIFY(wav.readWavFile(put("good.wav", canonical(samples16({ 16384 }))).toUtf8().constData()));
    const QString path = bytes == "-" ? dir.filePath("absent.wav") : put("bad.wav", bytes);

    FdCapture err(2);
    QVERIFY(!wav.readWavFile(path.toUtf8().constData()));
    QCOMPARE(err.text(), message + path.toUtf8() + '\n');
    QVERIFY(!wav.lastError.empty());
    // The samples still describe the last file that was accepted.
    QCOMPARE(wav.numSamples, 1u);
    QCOMPARE(wav.samples, std::vector<double> { 0.5 });
}

void TestWavFile::nonCanonicalLayouts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<double>>("expected");

    const QByteArray data = samples16({ 16384, -8192, 0 });
    const QVector<double> values { 0.5, -0.25, 0.0 };
    QTest::newRow("LIST chunk first")
            << riff(chunk("LIST", QByteArray("INFOISFT\x05\0\0\0sox!\0", 17))
                    + chunk("fmt ", fmtBody(1, 1, 48000, 16)) + chunk("data", data))
            << values;
    QTest::newRow("18-byte format chunk")
            << riff(chunk("fmt ", fmtBody(1, 1, 48000, 16) + le16(0)) + chunk("data", data))
            << values;
    QTest::newRow("odd chunk padded, data before format") << riff(
            chunk("junk", "abc") + chunk("data", data) + chunk("fmt ", fmtBody(1, 1, 48000, 16)))
                                                          << values;
    QTest::newRow("extensible 24-bit PCM")
            << riff(chunk("fmt ", extensibleBody(1, 48000, 24, 1))
                    + chunk("data", QByteArray::fromHex("000040000000")))
            << QVector<double> { 0.5, 0.0 };
}

void TestWavFile::nonCanonicalLayouts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVector<double>, expected);

    WavFile wav;
    FdCapture err(2);
    QVERIFY(wav.readWavFile(put("n.wav", bytes).toUtf8().constData()));
    QCOMPARE(err.text(), QByteArray());
    QCOMPARE(wav.formatCode, quint16(1));
    QCOMPARE(wav.numSamples, static_cast<quint32>(expected.size()));
    QCOMPARE(QVector<double>(wav.samples.begin(), wav.samples.end()), expected);

    // The record is the canonical header of the same sound: written and read
    // back, it gives the same samples from a plain 44-byte header.
    const QString copy = dir.filePath("copy.wav");
    QFile::remove(copy);
    QVERIFY(wav.writeWavFile(copy.toUtf8().constData()));
    QFile written(copy);
    QCOMPARE(written.size(), qint64(44 + wav.dataLength));
    WavFile again;
    QVERIFY(again.readWavFile(copy.toUtf8().constData()));
    QCOMPARE(again.samples, wav.samples);
}

void TestWavFile::hugeClaimAllocatesOnlyWhatIsThere()
{
    QByteArray bytes = canonical(samples16({ 1, 2, 3, 4, 5 }));
    bytes.replace(40, 4, le32(0xFFFFFFFFu));
    WavFile wav;
    QVERIFY(wav.readWavFile(put("huge.wav", bytes).toUtf8().constData()));
    QCOMPARE(wav.dataLength, 0xFFFFFFFFu);
    QCOMPARE(wav.numSamples, 0xFFFFFFFFu / 2);
    QCOMPARE(wav.rawDataSize, size_t(10));
    QCOMPARE(wav.bytesRead, qint64(10));
    QVERIFY(wav.samples.empty());
}

void TestWavFile::shortDataGivesNoSamples()
{
    QByteArray bytes = canonical(samples16({ 1, 2, 3 }));
    bytes.replace(40, 4, le32(100));
    WavFile wav;
    FdCapture err(2);
    QVERIFY(wav.readWavFile(put("short.wav", bytes).toUtf8().constData()));
    QCOMPARE(err.text(), QByteArray());
    QCOMPARE(wav.numSamples, 50u);
    QCOMPARE(wav.bytesRead, qint64(6));
    QVERIFY(wav.samples.empty());
}

void TestWavFile::zeroDataLengthKeepsPreviousSamples()
{
    WavFile wav;
    QVERIFY(wav.readWavFile(put("a.wav", canonical(samples16({ 16384 }))).toUtf8().constData()));
    QVERIFY(wav.readWavFile(put("z.wav", canonical(QByteArray())).toUtf8().constData()));
    QCOMPARE(wav.numSamples, 0u);
    QCOMPARE(wav.samples, std::vector<double> { 0.5 });
}

void TestWavFile::writeAppends()
{
    const QByteArray original = canonical(samples16({ 7, -7, 300 }), 16, 1, 22050);
    WavFile wav;
    QVERIFY(wav.readWavFile(put("w.wav", original).toUtf8().constData()));
    const QString out = dir.filePath("out.wav");
    QVERIFY(wav.writeWavFile(out.toUtf8().constData()));
    QVERIFY(wav.writeWavFile(out.toUtf8().constData()));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), original + original);

    const QString unwritable = dir.filePath("no/such/folder/x.wav");
    FdCapture err(2);
    QVERIFY(!wav.writeWavFile(unwritable.toUtf8().constData()));
    QCOMPARE(err.text(), "Unable to write wave file: " + unwritable.toUtf8() + '\n');
}

void TestWavFile::printing()
{
    WavFile wav;
    QVERIFY(wav.readWavFile(
            put("p.wav", canonical(samples16({ 0, 32767, -32768 }))).toUtf8().constData()));
    FdCapture out(1);
    wav.printHeader();
    wav.printSamples();
    const QByteArray expected = "RIFF header                : RIFF\n"
                                "WAVE header                : WAVE\n"
                                "FMT                        : fmt \n"
                                "Data size                  : 42\n"
                                "Sampling Rate              : 48000\n"
                                "Number of bits per sample  : 16\n"
                                "Number of channels         : 1\n"
                                "Number of bytes per second : 96000\n"
                                "Data length (bytes)        : 6\n"
                                "Audio Format               : 1\n"
                                "Block align                : 2\n"
                                "Data string                : data\n"
                                "0\n0.999969\n-1\n";
    QCOMPARE(out.text(), expected);
}

QTEST_APPLESS_MAIN(TestWavFile)
#include "test_wavfile.moc"
