#include "sound/tokenfolder.h"

#include "tests/gui/sessiondriver.h"

#include <csignal>
#include <cstdio>

using namespace sessiondriver;

namespace {
const char *const kChildOption = "--journal-child";
const int kTokens = 20;
const int kTimes = 2;
const QString kSubject = "KID042";
const int kSessionTimeoutMs = 60000;

QString tokenName(int i)
{
    return QString("t%1_%2.wav").arg(i % 4 == 0 ? "042" : "317").arg(i, 2, 10, QChar('0'));
}
int journalAnswers()
{
    const QStringList files = journalFiles(journalFolder());
    return files.size() == 1 ? readAll(files[0]).count('\n') - 1 : -1;
}

// The child: a session prepared and run through the windows, every trial
// answered as soon as it is offered, until the process is killed. Each answer
// is reported as the window holds it once the click has been handled.
int runChild(int argc, char *argv[], const QString &tokenFolder)
{
    QApplication app(argc, argv);
    MainWindow w;
    w.show();
    DialogPilot pilot;
    part<QLineEdit>(&w, "lineEditSubCode")->setText(kSubject);
    part<QLineEdit>(&w, "lineEditSesNum")->setText("7");
    part<QLineEdit>(&w, "lineEditNTimes")->setText(QString::number(kTimes));
    pilot.chooseFolder(tokenFolder);
    part<QPushButton>(&w, "pushButtonPractice")->click();
    if (!pilot.clean() || !part<QPushButton>(&w, "pushButtonGo")->isEnabled())
        return 2;
    part<QPushButton>(&w, "pushButtonGo")->click();
    SubjectWindow *sw = w.currentSubjectWindow();
    sw->pushButtonIAmReady->click();
    int answered = 0;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
        if (!sw->isEnabled() || !sw->pushButtonChoice2->isEnabled())
            return;
        const int entryIndex = w.trialSequence().waitingTrial();
        (answered++ % 3 != 1 ? sw->pushButtonChoice2 : sw->pushButtonChoice4)->click();
        const TrialEntry &e = w.sessionParameters().entries[entryIndex];
        std::printf("%s\t%s\t%.17g\n", qPrintable(e.fileName), qPrintable(e.resp), e.rt);
        std::fflush(stdout);
    });
    answering.start(5);
    return app.exec();
}
} // namespace

// A session killed in the middle loses no answer: the next start offers its
// journal, and the files it saves are those a normal end writes for the
// trials answered.
class TestJournal : public QObject
{
    Q_OBJECT

    QTemporaryDir workDir;

private slots:
    void killedSessionIsRecovered()
    {
        const QString tokenFolder = workDir.filePath("tokens");
        const QString out = workDir.filePath("out") + '/';
        QVERIFY(QDir().mkpath(tokenFolder) && QDir().mkpath(out));
        for (int i = 0; i < kTokens; ++i)
            QVERIFY(writeWav(tokenFolder + '/' + tokenName(i), offsetTone(4800, 300 + 20 * i)));

        QProcess child;
        QStringList reports;
        auto readReports = [&] {
            while (child.canReadLine())
                reports << QString::fromUtf8(child.readLine()).chopped(1);
        };
        connect(&child, &QProcess::readyReadStandardOutput, readReports);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), { kChildOption, tokenFolder });
        QVERIFY(child.waitForStarted());
        // Killed once a token has two answers: with 20 tokens some are still
        // unanswered then, so the records file must hold never-answered rows
        // and a mean over two answers.
        auto repeated = [&reports] {
            QSet<QString> seen;
            for (const QString &r : reports) {
                if (seen.contains(r.section('\t', 0, 0)))
                    return true;
                seen.insert(r.section('\t', 0, 0));
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT((repeated() && journalAnswers() == reports.size())
                                         || child.state() == QProcess::NotRunning,
                                 kSessionTimeoutMs);
        QVERIFY2(child.state() == QProcess::Running, "the child session ended by itself");
        {
            // A second Tellwyn started now leaves the running session's journal alone.
            DialogPilot pilot;
            MainWindow other;
            other.recoverUnfinishedSessions();
            QVERIFY2(pilot.clean(), pilot.errors());
        }
        // The child goes on answering meanwhile; killed between writing an
        // answer to its journal and reporting it, it would leave one answer
        // unreported. Killed just after its reports caught up, it cannot.
        QTRY_VERIFY_WITH_TIMEOUT(journalAnswers() == reports.size(), kSessionTimeoutMs);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        readReports();
        const int answered = journalAnswers();
        QCOMPARE(answered, reports.size());
        qInfo("killed after %d answers", answered);

        // What the session's end would have saved for these trials.
        QVector<TokenRecord> tokens = listTokens(tokenFolder);
        QVector<TrialEntry> entries;
        for (const QString &report : reports) {
            const QStringList field = report.split('\t');
            entries << TrialEntry(tokenFolder);
            entries.last().fileName = field[0];
            for (TokenRecord &t : tokens)
                if (t.fileName == field[0])
                    scoreAnswer(entries.last(), t, field[1] == "mother", field[2].toDouble(),
                                field[0], kSubject);
        }
        computeTokenAverages(tokens, kSubject);

        // No keeps the journal; at the next start Yes saves it.
        for (auto button : { QMessageBox::No, QMessageBox::Yes }) {
            DialogPilot pilot;
            pilot.answerBox("Question", button);
            if (button == QMessageBox::Yes)
                pilot.saveAs(out + "recovered.txt");
            MainWindow w;
            w.show();
            QTRY_VERIFY2(pilot.clean(), pilot.errors());
            QVERIFY2(pilot.boxTexts[0].contains("Subject: " + kSubject + "\nSession: practice 7")
                             && pilot.boxTexts[0].contains(
                                     QString("Answers: %1 of %2 trials").arg(answered).arg(40)),
                     qPrintable(pilot.boxTexts[0]));
            QCOMPARE(journalAnswers(), button == QMessageBox::No ? answered : -1);
            if (button == QMessageBox::Yes)
                QCOMPARE(part<QLineEdit>(&w, "lineEditSubCode")->text(),
                         QString("SUB001")); // its own settings back
        }
        QCOMPARE(QDir(journalFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());

        QCOMPARE(readAll(out + "recovered.txt"), recordsFileText(tokens));
        QCOMPARE(readAll(out + "recovered_entries.txt"), entriesFileText(entries));
        QCOMPARE(readAll(out + "recovered_parameters.txt"),
                 parametersText(out + "recovered", tokenFolder, kSubject, 7, kTimes));
        // Each answer's line carried its trial's timing.
        const QStringList timing = readAll(out + "recovered_timing.txt").split('\n');
        QCOMPARE(timing.size(), answered + 1);
        for (int i = 1; i <= answered; ++i)
            QVERIFY2(timing[i].section('\t', 0, 0) == QString::number(i)
                             && !timing[i].section('\t', 3, 3).isEmpty(),
                     qPrintable(timing[i]));
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], kChildOption) == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    // The child inherits the scratch home, and with it the journals.
    return runInScratchHome<TestJournal>(argc, argv);
}

#include "test_journal.moc"
