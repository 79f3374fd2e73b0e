#include "sound/tokenfolder.h"
#include "sound/wavfile.h"
#include "trial/scoring.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Files = QVector<QPair<QString, QByteArray>>; // file name, contents

struct Format
{
    quint32 rate = 48000;
    quint16 channels = 1;
    quint32 frames = 100;
};

QByteArray le(quint32 v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>(v >> (8 * i)));
    return b;
}

// A canonical 16-bit file; frame i of channel c holds i + 1000 c.
QByteArray wav16(const Format &f)
{
    QByteArray data;
    for (quint32 i = 0; i < f.frames; ++i) {
        for (quint16 c = 0; c < f.channels; ++c)
            data += le(i + 1000 * c, 2);
    }
    return "RIFF" + le(36 + data.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(f.channels, 2)
            + le(f.rate, 4) + le(f.rate * 2 * f.channels, 4) + le(2 * f.channels, 2) + le(16, 2)
            + "data" + le(data.size(), 4) + data;
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList names(const QVector<TokenRecord> &tokens)
{
    QStringList list;
    for (const TokenRecord &t : tokens)
        list << t.fileName;
    return list;
}

} // namespace

class TestTokenFolder : public QObject
{
    Q_OBJECT

private slots:
    void listingOrderAndFilters();
    void check_data();
    void check();
    void noTokensIsNotReady();
    void trialOrderAndEntries_data();
    void trialOrderAndEntries();
    void firstChannel_data();
    void firstChannel();
    void tokenMeans();
};

void TestTokenFolder::listingOrderAndFilters()
{
    QTemporaryDir dir;
    for (const char *name :
         { "b.WAV", "a.wav", "C.Wav", "notes.txt", "x.wav.bak", "x.bak.wav", ".hidden.wav", "wav" })
        put(dir.filePath(name), wav16({}));
    QVERIFY(QDir(dir.path()).mkdir("d.wav"));
    QVERIFY(QFile::link(dir.filePath("a.wav"), dir.filePath("link.wav")));

    const QVector<TokenRecord> tokens = listTokens(dir.path());
    QCOMPARE(names(tokens), QStringList({ "a.wav", "b.WAV", "C.Wav", "link.wav", "x.bak.wav" }));
    for (const TokenRecord &t : tokens)
        QCOMPARE(t.folder, dir.path());
}

void TestTokenFolder::check_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QStringList>("problems"); // file names with a problem
    QTest::addColumn<QString>("reason"); // part of the first problem's reason
    QTest::addColumn<double>("rate");

    const QByteArray good = wav16({});
    QByteArray truncated = wav16({});
    truncated.chop(10);
    QByteArray zeroChannels = wav16({});
    zeroChannels.replace(22, 2, le(0, 2));

    QTest::newRow("all fine at 44100")
            << Files { { "a.wav", wav16({ 44100, 1, 10 }) }, { "b.wav", wav16({ 44100, 2, 10 }) } }
            << QStringList() << QString() << 44100.0;
    QTest::newRow("not a WAV file")
            << Files { { "a.wav", good },
                       { "b.wav", "just some text, surely long enough for a WAV header" } }
            << QStringList { "b.wav" } << "Not a WAV file" << 48000.0;
    QTest::newRow("three channels")
            << Files { { "a.wav", wav16({ 48000, 3, 10 }) }, { "b.wav", good } }
            << QStringList { "a.wav" } << "3 channels" << 48000.0;
    QTest::newRow("no channels") << Files { { "a.wav", zeroChannels } } << QStringList { "a.wav" }
                                 << "no channels" << 0.0;
    QTest::newRow("no samples") << Files { { "a.wav", good }, { "e.wav", wav16({ 48000, 1, 0 }) } }
                                << QStringList { "e.wav" } << "no samples" << 48000.0;
    QTest::newRow("data cut short") << Files { { "a.wav", good }, { "t.wav", truncated } }
                                    << QStringList { "t.wav" } << "incomplete" << 48000.0;
    QTest::newRow("one rate differs")
            << Files { { "a.wav", wav16({ 44100, 1, 10 }) }, { "b.wav", good }, { "c.wav", good } }
            << QStringList { "a.wav" } << "44100 Hz differs from the other tokens' 48000 Hz"
            << 48000.0;
}

void TestTokenFolder::check()
{
    QFETCH(Files, files);
    QFETCH(QStringList, problems);
    QFETCH(QString, reason);
    QFETCH(double, rate);

    QTemporaryDir dir;
    for (const auto &file : files)
        put(dir.filePath(file.first), file.second);
    const TokenCheck result = checkTokens(dir.path(), listTokens(dir.path()));

    QCOMPARE(result.tokens.size(), files.size());
    QCOMPARE(result.ready(), problems.isEmpty());
    QCOMPARE(result.commonRate, rate);
    QStringList problemFiles;
    for (const QString &line : result.problems())
        problemFiles << line.section(QStringLiteral(": "), 0, 0);
    QCOMPARE(problemFiles, problems);
    if (!problems.isEmpty())
        QVERIFY2(result.problems().first().contains(reason), qPrintable(result.problems().first()));
}

void TestTokenFolder::noTokensIsNotReady()
{
    QVERIFY(!checkTokens(QString(), {}).ready());
}

void TestTokenFolder::trialOrderAndEntries_data()
{
    QTest::addColumn<int>("nTokens");
    QTest::addColumn<int>("nTimes");
    QTest::addColumn<int>("trials");

    QTest::newRow("3 tokens twice") << 3 << 2 << 6;
    QTest::newRow("5 tokens 4 times") << 5 << 4 << 20;
    QTest::newRow("one token once") << 1 << 1 << 1;
    QTest::newRow("no repetitions") << 4 << 0 << 0;
    QTest::newRow("negative repetitions") << 4 << -2 << 0;
    QTest::newRow("no tokens") << 0 << 3 << 0;
}

void TestTokenFolder::trialOrderAndEntries()
{
    QFETCH(int, nTokens);
    QFETCH(int, nTimes);
    QFETCH(int, trials);

    const QVector<int> order = makeTrialOrder(nTokens, nTimes, 12345u);
    QCOMPARE(order.size(), trials);
    for (int t = 0; t < nTokens && trials > 0; ++t)
        QCOMPARE(order.count(t), nTimes);
    QCOMPARE(makeTrialOrder(nTokens, nTimes, 12345u), order);

    const QVector<TrialEntry> entries = makeEntries(nTokens, nTimes, "/desk");
    QCOMPARE(entries.size(), trials);
    for (const TrialEntry &e : entries) {
        QCOMPARE(e.folder, QString("/desk"));
        QVERIFY(e.fileName.isEmpty() && e.resp.isEmpty());
    }
}

void TestTokenFolder::firstChannel_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("expected");

    QTest::newRow("mono") << 1 << 1000 << 1000;
    QTest::newRow("stereo takes the left channel") << 2 << 1000 << 1000;
    QTest::newRow("bounded by the frames asked") << 2 << 10 << 10;
    QTest::newRow("bounded by what the file holds") << 2 << 5000 << 1000;
}

void TestTokenFolder::firstChannel()
{
    QFETCH(int, channels);
    QFETCH(int, frames);
    QFETCH(int, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath("t.wav");
    put(path, wav16({ 48000, static_cast<quint16>(channels), 1000 }));
    WavFile wav;
    QVERIFY(wav.readWavFile(path.toUtf8().constData()));
    const QVector<double> left = ::firstChannel(wav, frames);
    QCOMPARE(left.size(), expected);
    for (int i = 0; i < left.size(); ++i)
        QCOMPARE(left[i], i / 32768.0);
}

void TestTokenFolder::tokenMeans()
{
    TokenRecord mother("/f", "mom_001_a.wav");
    mother.nMother = 2;
    mother.nStranger = 1;
    mother.rt = 2900;
    mother.rt_correct = 2000;
    mother.rt_incorrect = 900;
    TokenRecord stranger("/f", "other.wav");
    stranger.nMother = 1;
    stranger.nStranger = 3;
    stranger.rt = 4000;
    stranger.rt_correct = 3000;
    stranger.rt_incorrect = 1000;
    TokenRecord unanswered("/f", "quiet.wav");
    QVector<TokenRecord> tokens { mother, stranger, unanswered };

    computeTokenAverages(tokens, "SUB001");
    QCOMPARE(QString::number(tokens[0].rt, 'f', 2), QString("966.67"));
    QCOMPARE(tokens[0].rt_correct, 1000.0);
    QCOMPARE(tokens[0].rt_incorrect, 900.0);
    QCOMPARE(tokens[1].rt, 1000.0);
    QCOMPARE(tokens[1].rt_correct, 1000.0);
    QCOMPARE(tokens[1].rt_incorrect, 1000.0);
    QCOMPARE(tokens[2].rt + tokens[2].rt_correct + tokens[2].rt_incorrect, 0.0);
}

QTEST_APPLESS_MAIN(TestTokenFolder)
#include "test_tokenfolder.moc"
