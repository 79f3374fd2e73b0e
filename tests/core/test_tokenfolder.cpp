#include "sound/tokenfolder.h"

#include "tests/support/wavwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// A token folder that fights back: links that lead nowhere, a pipe, an empty
// file and a header that claims 4 GiB. The check must finish, name each bad
// entry with its reason and never take the good tokens for bad ones.
class TestTokenFolder : public QObject
{
    Q_OBJECT

private slots:
    void badEntriesAreNamed()
    {
        QTemporaryDir dir;
        auto path = [&dir](const char *name) { return dir.filePath(name); };
        QVERIFY(wavwriter::put(path("a.wav"), wavwriter::ramp16(48000, 1, 100)));
        QVERIFY(wavwriter::put(path("zero.wav"), QByteArray()));
        // 8 bytes of data behind a data chunk that claims 4 GiB - 1.
        QByteArray huge = wavwriter::ramp16(48000, 1, 4).left(40) + wavwriter::le(0xFFFFFFFF, 4)
                + QByteArray(8, '\1');
        QVERIFY(wavwriter::put(path("huge.wav"), huge));
        QVERIFY(QFile::link("loop2.wav", path("loop1.wav")));
        QVERIFY(QFile::link("loop1.wav", path("loop2.wav")));
        QVERIFY(QFile::link("self.wav", path("self.wav")));
        QVERIFY(QFile::link("missing.wav", path("gone.wav")));
        QVERIFY(QFile::link(".", path("here.wav"))); // a folder loop, not a token
        QVERIFY(::mkfifo(path("pipe.wav").toLocal8Bit(), 0600) == 0); // reading it would block

        const TokenCheck check = checkTokens(dir.path(), listTokens(dir.path()));
        const QString broken = ": link to a missing file, or a loop of links";
        QCOMPARE(check.problems(),
                 QStringList(
                         { "gone.wav" + broken,
                           "huge.wav: sample data incomplete (8 of 4294967295 bytes in the file)",
                           "loop1.wav" + broken, "loop2.wav" + broken, "self.wav" + broken,
                           "zero.wav: Header size is zero" }));
        QCOMPARE(check.tokens.size(), 7); // a.wav is fine; the pipe and the folder are no tokens
        QCOMPARE(check.commonRate, 48000.0);
    }
};

QTEST_APPLESS_MAIN(TestTokenFolder)
#include "test_tokenfolder.moc"
