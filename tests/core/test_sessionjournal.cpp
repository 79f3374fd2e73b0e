#include "trial/answerscoring.h"
#include "trial/resultfiles.h"
#include "trial/scoring.h"
#include "trial/sessionjournal.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

// A session rebuilt from its journal gives the three result files a normal
// end gives for the trials answered; the end-to-end kill test shows the same
// through the windows for one ordinary session.
class TestSessionJournal : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // Hostile names (tab, line break, backslash, quote, non-ASCII) and numbers
    // that only survive at full precision; k of n trials answered, then a
    // line cut short by the crash.
    void rebuildsTheFilesOfTheTrialsAnswered()
    {
        SessionParameters p;
        p.fs = 44100.0 / 3;
        p.si = 0.1 + 0.2;
        p.upperFrequencyToPlot = 1234567.25;
        p.threshold = 1e-7;
        p.subCode = "K\tö 7";
        p.sesTypeIndex = 1;
        p.sesNum = 12;
        p.nTimes = 2;
        p.outputFilePath = "/tmp/a\nb\\c";
        p.wavFilePath = "/tök\"ens";
        p.soundTypeNames.clear();
        p.saveData = true;
        p.feedBack = false;
        p.alwaysPlotEntireWaveformFlag = true;
        const QStringList names = { "x ö 7.wav", "tab\there.wav", "line\nbreak.wav", "never.wav" };
        for (const QString &name : names)
            p.tokens.append(TokenRecord(p.wavFilePath, name));
        const QVector<int> order = { 0, 1, 0, 2, 1, 3, 2, 3 };
        for (int token : order) {
            TrialEntry e(p.wavFilePath);
            e.fileName = names[token];
            p.entries.append(e);
        }
        QByteArray journal = journalSessionLine(p, QDateTime::currentDateTimeUtc());

        // What the session's own end would hold after 5 answers.
        SessionParameters expected = p;
        const QVector<double> rts = { 412, 0.1 + 0.7, 1e-9, 987654.321, 250 };
        for (int k = 0; k < rts.size(); ++k) {
            TrialEntry &e = expected.entries[k];
            scoreAnswer(e, expected.tokens[order[k]], k % 3 != 1, rts[k], e.fileName, p.subCode);
            journal += journalTrialLine(k + 1, e, QDateTime::currentDateTimeUtc());
        }
        expected.entries.resize(rts.size());
        computeTokenAverages(expected.tokens, p.subCode);
        const QByteArray cut =
                journalTrialLine(6, expected.entries[0], QDateTime::currentDateTimeUtc()).left(40);
        QCOMPARE(journal.count('\n'), 1 + rts.size()); // no name broke a line
        QVERIFY(writeAll(dir.filePath("j.journal"), journal + cut));

        const RecoveredSession s = readJournal(dir.filePath("j.journal"));
        QVERIFY2(s.ok(), qPrintable(s.error));
        QCOMPARE(s.answers, rts.size());
        QCOMPARE(s.damagedLines, 1);
        QCOMPARE(s.trials, order.size());
        QCOMPARE(parametersFileText(s.parameters), parametersFileText(expected));
        QCOMPARE(recordsFileText(s.parameters.tokens), recordsFileText(expected.tokens));
        QCOMPARE(entriesFileText(s.parameters.entries), entriesFileText(expected.entries));

        // Without its first line the answers cannot be placed, but are not
        // taken for nothing either.
        QVERIFY(writeAll(dir.filePath("k.journal"), journal.mid(journal.indexOf('\n') + 1)));
        const RecoveredSession headless = readJournal(dir.filePath("k.journal"));
        QVERIFY(!headless.ok() && headless.answers == rts.size());
    }

    // A journal being written is no one else's to recover; a removed one leaves nothing.
    void journalFileLifecycle()
    {
        const QString folder = dir.filePath("journals");
        SessionParameters p;
        p.tokens = { TokenRecord("/f", "a.wav") };
        p.entries = { TrialEntry("/f") };
        SessionJournal writing;
        QVERIFY(writing.start(folder, p));
        QVERIFY(writing.append(1, p.entries[0]));
        QCOMPARE(journalFiles(folder), QStringList { writing.path() });
        QCOMPARE(readAll(writing.path()).count('\n'), 2);

        SessionJournal other;
        QVERIFY(!other.adopt(writing.path())); // still being written
        writing.remove();
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSessionJournal)
#include "test_sessionjournal.moc"
