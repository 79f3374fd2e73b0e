#include "sound/tokenfolder.h"

#include "tests/support/wavwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using wavwriter::ramp16;

class TestTokenFolder : public QObject
{
    Q_OBJECT

private slots:
    void listingOrderAndFilters()
    {
        QTemporaryDir dir;
        for (const char *name : { "b.WAV", "a.wav", "C.Wav", "notes.txt", "x.wav.bak", "x.bak.wav",
                                  ".hidden.wav", "wav" })
            QVERIFY(wavwriter::put(dir.filePath(name), ramp16(48000, 1, 10)));
        QVERIFY(QDir(dir.path()).mkdir("d.wav"));
        QVERIFY(QFile::link(dir.filePath("a.wav"), dir.filePath("link.wav")));
        QStringList names;
        for (const TokenRecord &t : listTokens(dir.path()))
            names << t.fileName + (t.folder == dir.path() ? "" : " elsewhere");
        QCOMPARE(names, QStringList({ "a.wav", "b.WAV", "C.Wav", "link.wav", "x.bak.wav" }));
        QVERIFY(!checkTokens(QString(), {}).ready());
    }
    void check_data() // beside two good mono tokens at 48000 Hz, z.wav
    {
        QTest::addColumn<QByteArray>("z");
        QTest::addColumn<QString>("problem"); // the start of z.wav's problem; empty when ready
        auto row = [](const char *name, const QByteArray &z, const char *problem) {
            QTest::newRow(name) << z << QString(problem);
        };
        const QByteArray good = ramp16(48000, 1, 100);
        QByteArray zeroChannels = good;
        zeroChannels.replace(22, 2, QByteArray(2, '\0'));
        QByteArray wideFrames = good; // 16-bit mono claiming 4-byte frames
        wideFrames.replace(32, 2, QByteArray("\x04\x00", 2));
        row("stereo is fine", ramp16(48000, 2, 10), "");
        row("not a WAV file", QByteArray(60, 'x'), "z.wav: Not a WAV file");
        row("three channels", ramp16(48000, 3, 10), "z.wav: 3 channels");
        row("no channels", zeroChannels, "z.wav: no channels");
        row("no samples", ramp16(48000, 1, 0), "z.wav: no samples");
        row("frame size wrong", wideFrames, "z.wav: frame size of 4 bytes");
        row("data cut short", good.left(200), "z.wav: sample data incomplete");
        row("rate differs", ramp16(44100, 1, 10),
            "z.wav: sampling rate 44100 Hz differs from the other tokens' 48000 Hz");
    }
    void check()
    {
        QFETCH(QByteArray, z);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        for (const char *name : { "a.wav", "b.wav" })
            QVERIFY(wavwriter::put(dir.filePath(name), ramp16(48000, 1, 100)));
        QVERIFY(wavwriter::put(dir.filePath("z.wav"), z));
        const TokenCheck result = checkTokens(dir.path(), listTokens(dir.path()));
        QCOMPARE(result.tokens.size(), 3);
        QCOMPARE(result.ready(), problem.isEmpty());
        QCOMPARE(result.commonRate, 48000.0);
        QCOMPARE(result.problems().size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(result.problems()[0].startsWith(problem), qPrintable(result.problems()[0]));
    }
    void trialOrderAndEntries()
    {
        // Tokens, repetitions, trials: every token nTimes over, nothing when either is none.
        for (const auto &[nTokens, nTimes, trials] :
             { std::array { 3, 2, 6 }, { 4, 0, 0 }, { 4, -2, 0 }, { 0, 3, 0 } }) {
            const QVector<int> order = makeTrialOrder(nTokens, nTimes, 12345u);
            QCOMPARE(order.size(), trials);
            for (int t = 0; t < nTokens && trials > 0; ++t)
                QCOMPARE(order.count(t), nTimes);
            QCOMPARE(makeTrialOrder(nTokens, nTimes, 12345u), order);
            const QVector<TrialEntry> entries = makeEntries(nTokens, nTimes, "/desk");
            QCOMPARE(entries.size(), trials);
            for (const TrialEntry &e : entries)
                QVERIFY(e.folder == "/desk" && e.fileName.isEmpty() && e.resp.isEmpty());
        }
    }
};

QTEST_APPLESS_MAIN(TestTokenFolder)
#include "test_tokenfolder.moc"
