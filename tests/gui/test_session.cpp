#include "trial/sessionjournal.h"

#include "tests/gui/sessiondriver.h"

#include <QAudioDeviceInfo>
#include <QLabel>
#include <QPointer>
#include <QThread>

#include <clocale>

using namespace sessiondriver;

// Runs a helper that checks, and stops the test function where it failed.
#define STEP(call)                                                                                 \
  call;                                                                                            \
  if (QTest::currentTestFailed())                                                                  \
  return

namespace {
const int kSoundTimeoutMs = 10000;
const QStringList kTokens = { "voice001_a.wav", "voice002_b.wav", "voice003_c.wav" };
const char kTrialHeader[] = "subject\tsession_type\tsession\ttrial\tfilename\tstim\tresp\t"
                            "correctness\trt\tfeedback\tautoplay";
const char kTokenHeader[] = "subject\tsession_type\tsession\tfilename\tstim\tn_mother\t"
                            "n_stranger\trt\trt_correct\trt_incorrect\tfeedback\tautoplay";

// What tellwyn-tokens collect gives for these arguments; status -1: it did not end.
struct Collected
{
    int status;
    QString out, err;
};
Collected collect(const QStringList &args)
{
    QProcess p;
    p.start(QDir::current().filePath("tellwyn-tokens"), QStringList("collect") + args);
    const bool ended = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
    return { ended ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
             QString::fromUtf8(p.readAllStandardError()) };
}

// Tokens of 100 ms, a tone of its own each.
bool writeTokens(const QString &folder, const QStringList &names)
{
    bool ok = QDir().mkpath(folder);
    for (int i = 0; i < names.size(); ++i)
        ok = writeWav(folder + '/' + names[i], offsetTone(4800, 440 + 220 * i)) && ok;
    return ok;
}
} // namespace

// Whole sessions through the real windows, dialogs and playback into the test
// sound server: prepare, "Go", "I am ready", answer every trial by a rule,
// "Done", and the result files checked byte for byte. The whole program runs
// in the C locale (see main).
class TestSession : public QObject
{
    Q_OBJECT

    QTemporaryDir workDir;
    QString tokenFolder, out; // out: where the results go
    MainWindow *w = nullptr;
    DialogPilot *pilot = nullptr;
    QStringList answeredFiles; // per answered trial, in order
    QVector<bool> answeredMother;

    void prepare(const QString &folder, int nTimes, bool feedBack = true, bool autoPlay = true,
                 bool saveData = true, const char *button = "pushButtonPractice")
    {
        part<QLineEdit>(w, "lineEditSubCode")->setText("SUB001");
        part<QLineEdit>(w, "lineEditNTimes")->setText(QString::number(nTimes));
        part<QCheckBox>(w, "checkBoxSaveData")->setChecked(saveData);
        part<QCheckBox>(w, "checkBoxFeedBack")->setChecked(feedBack);
        part<QCheckBox>(w, "checkBoxAutoPlay")->setChecked(autoPlay);
        pilot->chooseFolder(folder);
        part<QPushButton>(w, button)->click();
        QVERIFY2(pilot->clean() && part<QPushButton>(w, "pushButtonGo")->isEnabled(),
                 pilot->errors());
    }
    // "Go" and "I am ready".
    void start()
    {
        answeredFiles.clear();
        answeredMother.clear();
        part<QPushButton>(w, "pushButtonGo")->click();
        SubjectWindow *sw = w->currentSubjectWindow();
        QVERIFY(!w->isEnabled() && sw->isVisible() && sw->isEnabled());
        QVERIFY(sw->pushButtonIAmReady->isVisible() && !sw->pushButtonChoice2->isVisible());
        sw->pushButtonIAmReady->click();
        QVERIFY(!sw->isEnabled());
    }
    // Answers by a rule that is not always right and not always "Mother":
    // "Mother", "Stranger", "Mother", ...
    void answerTrials(int nTrials, bool feedBack = true, bool autoPlay = true)
    {
        SubjectWindow *sw = w->currentSubjectWindow();
        QPushButton *chosen = nullptr;
        for (int k = answeredFiles.size(), end = k + nTrials; k < end; ++k) {
            if (chosen && feedBack && !autoPlay) {
                sw->pushButtonNext->click();
                QVERIFY(chosen->styleSheet().contains("png")); // until the next sound is over
            }
            QTRY_VERIFY_WITH_TIMEOUT(sw->isEnabled() && sw->pushButtonChoice2->isEnabled(),
                                     kSoundTimeoutMs);
            QVERIFY(sw->pushButtonChoice4->isEnabled()
                    && (autoPlay || !sw->pushButtonNext->isEnabled()));
            QCOMPARE(sw->pushButtonNext->isVisible(), !autoPlay);
            QVERIFY(!sw->pushButtonChoice2->styleSheet().contains("png"));
            QCOMPARE(sw->wavFileName, w->sessionParameters().wavFileName);
            answeredFiles << sw->wavFileName;
            answeredMother << (k % 3 != 1);
            chosen = answeredMother.last() ? sw->pushButtonChoice2 : sw->pushButtonChoice4;
            chosen->click();
            if (k + 1 == w->trialSequence().size())
                return; // the session ends with this answer
            const bool right = isRightAnswer(answeredMother.last(), answeredFiles.last(), "SUB001");
            QCOMPARE(chosen->styleSheet().contains(right ? "(correct.png)" : "(incorrect.png)"),
                     feedBack);
            QVERIFY(!sw->pushButtonChoice2->isEnabled() && !sw->pushButtonChoice4->isEnabled());
        }
    }
    // The files saved as base + ".txt", as the core makes them from the
    // answers given and the reaction times the entries file reports.
    void checkResultFiles(const QString &base, const QString &folder, int nTimes,
                          bool feedBack = true, bool autoPlay = true,
                          const QStringList &names = kTokens, int sesTypeIndex = 0)
    {
        const QStringList entryLines = readAll(base + "_entries.txt").split('\n');
        QCOMPARE(entryLines.size(), answeredFiles.size() + 1);
        QVector<TokenRecord> tokens;
        for (const QString &token : names)
            tokens << TokenRecord(folder, token);
        QVector<TrialEntry> entries(answeredFiles.size());
        for (int k = 0; k < answeredFiles.size(); ++k) {
            bool ok = false;
            const double rt = entryLines[k + 1].section('\t', 4).toDouble(&ok);
            QVERIFY2(ok && rt >= 0 && rt < kSoundTimeoutMs && rt == std::floor(rt),
                     qPrintable(entryLines[k + 1]));
            const QString &file = answeredFiles[k];
            entries[k].fileName = file;
            scoreAnswer(entries[k], tokens[names.indexOf(file)], answeredMother[k], rt, file,
                        "SUB001");
        }
        computeTokenAverages(tokens, "SUB001");
        QCOMPARE(readAll(base + "_entries.txt"), entriesFileText(entries));
        QCOMPARE(readAll(base + ".txt"), recordsFileText(tokens));
        QCOMPARE(readAll(base + "_parameters.txt"),
                 parametersText(base, folder, "SUB001", 1, nTimes, feedBack, autoPlay,
                                sesTypeIndex));
    }
    // Closes the subject window with Yes (after a No and a Cancel that keep
    // it); with saveAs, saves the answers so far, first into blocked.txt
    // (a folder stands where its entries file goes), then as saveAs + ".txt".
    void closeSubjectWindow(const QString &saveAs = QString())
    {
        const bool running = w->nextSoundScheduled();
        for (auto button : { QMessageBox::No, QMessageBox::Cancel }) {
            pilot->answerBox("Confirmation MessageBox", button);
            w->currentSubjectWindow()->close();
            QTRY_VERIFY(pilot->done());
            QVERIFY(w->currentSubjectWindow()->isVisible() && !w->isEnabled());
            QCOMPARE(w->nextSoundScheduled(), running);
        }
        pilot->answerBox("Confirmation MessageBox", QMessageBox::Yes);
        if (!saveAs.isEmpty()) {
            QVERIFY(QDir().mkpath(out + "blocked_entries.txt"));
            pilot->answerBox("Question", QMessageBox::Yes);
            pilot->saveAs(out + "blocked.txt");
            pilot->answerBox("Warning", QMessageBox::Ok);
            pilot->answerBox("Question", QMessageBox::Yes); // save again elsewhere
            pilot->saveAs(saveAs + ".txt");
        }
        w->currentSubjectWindow()->close();
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QVERIFY(!w->currentSubjectWindow()->isVisible() && w->isEnabled()
                && !part<QPushButton>(w, "pushButtonGo")->isEnabled()
                && part<QPushButton>(w, "pushButtonExperiment")->isEnabled());
        QVERIFY(!w->nextSoundScheduled() && w->soundOutputName().isEmpty());
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QByteArray(std::setlocale(LC_CTYPE, nullptr)), QByteArray("C"));
        tokenFolder = workDir.filePath("tokens");
        out = workDir.filePath("out") + '/';
        QVERIFY(writeTokens(tokenFolder, kTokens) && QDir().mkpath(out));
        QVERIFY2(QAudioDeviceInfo::defaultOutputDevice().deviceName() == "null",
                 "the default output is not the null sink: is the test sound server running?");
        QVERIFY2(QFile::exists("correct.png") && QFile::exists("incorrect.png"),
                 "the feedback images belong in the working directory");
    }
    void init()
    {
        w = new MainWindow;
        w->show();
        pilot = new DialogPilot;
    }
    void cleanup() { delete pilot, delete w; }

    void wholeSession_data()
    {
        QTest::addColumn<bool>("feedBack");
        QTest::addColumn<bool>("autoPlay");
        QTest::addColumn<QString>("folder"); // the tokens', in the work folder
        QTest::addColumn<QStringList>("tokens"); // in the order listed
        QTest::addColumn<QString>("saved"); // in the work folder, without ".txt"
        QTest::newRow("feedback, automatic play")
                << true << true << "tokens" << kTokens << "out/run11";
        QTest::newRow("feedback, Next") << true << false << "tokens" << kTokens << "out/run10";
        QTest::newRow("neither") << false << true << "tokens" << kTokens << "out/run01";
        // Listed ("f" before "M": case aside), played and written under their
        // own names: non-ASCII, and 255 bytes, the longest a file name can be.
        QString longName = "Mère ü 001 ";
        longName += QString(255 - 4 - longName.toUtf8().size(), 'x') + ".wav";
        QTest::newRow("non-ASCII and long names")
                << false << true << "Stimmen é ü" << QStringList { "fremd é ü.wav", longName }
                << "Ergebnisse é ü/run é";
    }
    void wholeSession()
    {
        QFETCH(bool, feedBack);
        QFETCH(bool, autoPlay);
        QFETCH(QString, folder);
        QFETCH(QStringList, tokens);
        QFETCH(QString, saved);
        folder = workDir.filePath(folder);
        saved = workDir.filePath(saved);
        QVERIFY(writeTokens(folder, tokens));
        STEP(prepare(folder, 2, feedBack, autoPlay));
        QSignalSpy plays(w, SIGNAL(soundPlaying(int)));
        STEP(start());
        QCOMPARE(journalFiles(journalFolder()).size(), 1);
        pilot->saveAs(saved + ".txt");
        STEP(answerTrials(w->trialSequence().size(), feedBack, autoPlay));
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QCOMPARE(plays.size(), 2 * w->trialSequence().size()); // each sound started and ended
        SubjectWindow *sw = w->currentSubjectWindow();
        QVERIFY(sw->pushButtonDone->isVisible() && sw->isEnabled()
                && !sw->pushButtonNext->isVisible());
        QCOMPARE(sw->pushButtonChoice2->isVisible(), feedBack);
        QCOMPARE(sw->labelResult->text(),
                 QString("Frequency Difference = 0 %,   Reaction Time = 0 ms"));
        QVERIFY(!w->holdsPlayback());
        STEP(checkResultFiles(saved, folder, 2, feedBack, autoPlay, tokens));
        // The timing file (its header the core's): each 100 ms token at the
        // device near its due time, by the output's clock, in the order played.
        const QStringList lines = readAll(saved + "_timing.txt").split('\n');
        QCOMPARE(lines.size(), answeredFiles.size() + 1);
        double lastDue = 0;
        for (int k = 0; k < answeredFiles.size(); ++k) {
            const QStringList f = lines[k + 1].split('\t');
            QVector<double> v;
            bool ok = f.size() == 11 && f[0] == QString::number(k + 1) && f[1] == answeredFiles[k]
                    && soundOutputNames().contains(f[9]) && !f[10].isEmpty();
            for (int c = 2; ok && c <= 8; ++c)
                v << f[c].toDouble(&ok);
            ok = ok && v[0] > lastDue && std::fabs(v[1] - v[0] - v[2]) < 0.0015 && v[2] > -10
                    && v[2] < 100 && std::fabs(v[4] - v[1] - 100) < 5 && v[5] >= 0 && v[5] < 1000
                    && v[6] >= 0;
            QVERIFY2(ok, qPrintable(lines[k + 1]));
            lastDue = v[0];
        }
        // Saved: no journal is left to offer at the next start.
        QCOMPARE(QDir(journalFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
        closeSubjectWindow();
    }
    // What reaches the null sink is the token itself, through each output: at
    // the sink's own rate and format, unscaled. The tolerances allow for a sink
    // volume a hair off unity (0.1 %) and a capture cut inside the sound (1 ms).
    void sinkReceivesTheToken_data()
    {
        QTest::addColumn<QString>("output");
        for (const QString &name : soundOutputNames())
            QTest::newRow(qPrintable(name)) << name;
    }
    void sinkReceivesTheToken()
    {
        QFETCH(QString, output);
        if (output == QLatin1String("pipewire") && !makeSoundOutput(output)->start(48000))
            QSKIP("no PipeWire server runs here");
        w->setAudioOutputChoice(output);
        const QString folder = workDir.filePath("one");
        const QVector<qint16> token = offsetTone(14400, 500); // 300 ms
        QVERIFY(QDir().mkpath(folder) && writeWav(folder + "/only001.wav", token));
        STEP(prepare(folder, 1, false, true, false));
        QProcess capture;
        capture.start("parec",
                      { "--device=null.monitor", "--format=float32le", "--rate=48000",
                        "--channels=1", "--latency-msec=10", "--raw" });
        QVERIFY2(capture.waitForStarted(), "parec is needed to record the sink");
        QTest::qWait(300);
        STEP(start());
        QTRY_VERIFY_WITH_TIMEOUT(w->currentSubjectWindow()->pushButtonChoice2->isEnabled(),
                                 kSoundTimeoutMs);
        QTest::qWait(300);
        capture.terminate();
        QVERIFY(capture.waitForFinished());
        const QByteArray raw = capture.readAllStandardOutput();
        const auto *captured = reinterpret_cast<const float *>(raw.constData());
        int first = -1, last = -1;
        for (int i = 0; i < raw.size() / 4; ++i) {
            if (std::fabs(captured[i]) > 1e-6f)
                last = i, first = first < 0 ? i : first;
        }
        QVERIFY2(first >= 0, "nothing reached the sink");
        const int length = last - first + 1;
        double capturedSquares = 0, tokenSquares = 0;
        for (int i = 0; i < qMin(length, token.size()); ++i) {
            capturedSquares += double(captured[first + i]) * captured[first + i];
            tokenSquares += (token[i] / 32768.0) * (token[i] / 32768.0);
        }
        const double levelRatio = std::sqrt(capturedSquares / tokenSquares);
        qInfo("sink received %d samples of %d, level ratio %.9f, dropouts reported %d", length,
              int(token.size()), levelRatio, w->sessionTimings().value(0).dropouts.value_or(-1));
        QVERIFY2(std::abs(length - token.size()) <= 48, qPrintable(QString::number(length)));
        QVERIFY2(std::fabs(levelRatio - 1) < 1e-3, qPrintable(QString::number(levelRatio)));
        QCOMPARE(w->soundOutputName(), output);
        pilot->answerBox("Confirmation MessageBox", QMessageBox::Yes);
        w->currentSubjectWindow()
                ->pushButtonChoice2->click(); // ends the one-trial session, nothing saved
        w->currentSubjectWindow()->pushButtonDone->click();
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
    }
    void cancelledSaveAsksBeforeDiscarding()
    {
        STEP(prepare(tokenFolder, 1, false));
        STEP(start());
        pilot->cancelFileDialog();
        pilot->answerBox("Question", QMessageBox::No); // keep the results: the dialog again
        pilot->cancelFileDialog();
        pilot->answerBox("Question", QMessageBox::Yes); // discard
        STEP(answerTrials(3, false));
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QVERIFY(!QFile::exists("_entries.")
                && w->currentSubjectWindow()->pushButtonDone->isVisible());
        closeSubjectWindow(); // finished: nothing more is offered
    }
    // The first token is in memory at "I am ready"; the second trial's token
    // goes, or changes on disk, before its trial.
    void unreadableTokenStopsTheSession_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: the file is removed
        QTest::addColumn<QString>("reason"); // told to the experimenter
        QTest::newRow("removed") << QByteArray() << "Unable to open WAV file";
        QTest::newRow("another rate") << wavwriter::ramp16(22050, 1, 2205)
                                      << "sampling rate 22050 Hz differs from the session's "
                                         "48000 Hz";
    }
    void unreadableTokenStopsTheSession()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString folder = workDir.filePath(QString("changing ") + QTest::currentDataTag());
        QVERIFY(writeTokens(folder, kTokens));
        STEP(prepare(folder, 1));
        const QString second = folder + '/' + kTokens[w->trialSequence().order()[1]];
        QVERIFY(bytes.isEmpty() ? QFile::remove(second) : wavwriter::put(second, bytes));
        STEP(start());
        QSignalSpy plays(w, SIGNAL(soundPlaying(int)));
        pilot->answerBox("Warning", QMessageBox::Ok);
        pilot->answerBox("Question", QMessageBox::Yes);
        pilot->saveAs(out + QTest::currentDataTag() + ".txt");
        STEP(answerTrials(1));
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QVERIFY2(pilot->boxTexts[0].contains(second) && pilot->boxTexts[0].contains(reason),
                 qPrintable(pilot->boxTexts[0]));
        QVERIFY2(pilot->boxTexts[1].contains("1 of 3"), qPrintable(pilot->boxTexts[1]));
        QVERIFY(w->currentSubjectWindow()->pushButtonDone->isVisible());
        QTest::qWait(1500);
        QCOMPARE(plays.size(), 2); // the first sound only, nothing in place of the missing one
        STEP(checkResultFiles(out + QTest::currentDataTag(), folder, 1));
        closeSubjectWindow();
    }
    // A whole practice session 2 and an experiment 1 closed after two answers
    // (the next sound silenced, the answers offered, an unwritable file
    // reported), collected into tables. A new session gets nothing of the old.
    void earlyAndWholeSessionsAreCollected()
    {
        QVERIFY(QFile::exists("tellwyn-tokens"));
        const QString results = workDir.filePath("results") + '/';
        part<QLineEdit>(w, "lineEditSesNum")->setText("2");
        STEP(prepare(tokenFolder, 1));
        pilot->saveAs(results + "a/run.txt");
        STEP(start());
        STEP(answerTrials(3));
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        STEP(closeSubjectWindow());
        part<QLineEdit>(w, "lineEditSesNum")->setText("1");
        STEP(prepare(tokenFolder, 1, false, true, true, "pushButtonExperiment"));
        QCOMPARE(part<QLineEdit>(w, "lineEditOutputFileName")->text(),
                 QString("SUB001_experiment001.txt"));
        part<QLineEdit>(w, "lineEditNTimes")->setText("5"); // after preparing: the session keeps 1
        STEP(start());
        QCOMPARE(part<QLineEdit>(w, "lineEditNTimes")->text(), QStringLiteral("1"));
        STEP(answerTrials(2, false));
        QVERIFY(w->nextSoundScheduled()); // the third sound is armed: closing must silence it
        QSignalSpy plays(w, SIGNAL(soundPlaying(int)));
        pilot->boxTexts.clear();
        STEP(closeSubjectWindow(results + "b/deep/early"));
        QVERIFY2(pilot->boxTexts[3].contains("2 of 3"), qPrintable(pilot->boxTexts[3]));
        QCOMPARE(pilot->boxTexts[4],
                 "could not open file for writing \r\n" + out.chopped(1) + "blocked_entries.txt");
        QVERIFY(readAll(out + "blocked.txt").startsWith("filename\tnMother"));
        QVERIFY(readAll(out + "blocked_parameters.txt").startsWith("fs: 48000"));
        STEP(checkResultFiles(results + "b/deep/early", tokenFolder, 1, false, true, kTokens, 1));
        QPointer<SubjectWindow> oldWindow = w->currentSubjectWindow();
        STEP(prepare(tokenFolder, 1));
        part<QPushButton>(w, "pushButtonGo")->click();
        QVERIFY(oldWindow.isNull());
        QTest::qWait(1600); // longer than the old session's pending interval
        QCOMPARE(plays.size(), 0);
        QVERIFY(w->currentSubjectWindow()->pushButtonIAmReady->isVisible()
                && w->currentSubjectWindow()->isEnabled());
        STEP(closeSubjectWindow()); // before "I am ready": nothing to offer

        // A copy of the first set cut short while copied: named and left out whole.
        QVERIFY(QDir().mkpath(results + "cut"));
        for (const char *name : { "run.txt", "run_entries.txt", "run_parameters.txt" })
            QVERIFY(QFile::copy(results + "a/" + name, results + "cut/" + name));
        const QString cutEntries = readAll(results + "cut/run_entries.txt");
        QVERIFY(QFile::resize(results + "cut/run_entries.txt",
                              cutEntries.lastIndexOf('\t', cutEntries.lastIndexOf('\t') - 1)));

        // The expected tables, from the files the sessions wrote.
        QString trials = QString(kTrialHeader) + '\n', tokens = QString(kTokenHeader) + '\n';
        const QVector<QStringList> sets = { { "a/run", "practice\t2", "1\t1" },
                                            { "b/deep/early", "experiment\t1", "0\t1" } };
        for (const QStringList &set : sets) {
            const QString prefix = "SUB001\t" + set[1] + '\t';
            const QStringList entries = readAll(results + set[0] + "_entries.txt").split('\n');
            for (int i = 1; i < entries.size(); ++i)
                trials += prefix + QString::number(i) + '\t' + entries[i] + '\t' + set[2] + '\n';
            for (const QString &line : readAll(results + set[0] + ".txt").split('\n').mid(1)) {
                QStringList f = line.split('\t');
                const bool mother = f[0].contains("001");
                const int nRight = mother ? f[1].toInt() : f[2].toInt();
                const int nWrong = mother ? f[2].toInt() : f[1].toInt();
                f.insert(1, mother ? "mother" : "stranger");
                f[4] = nRight + nWrong ? f[4] : "NA";
                f[5] = nRight ? f[5] : "NA";
                f[6] = nWrong ? f[6] : "NA";
                tokens += prefix + f.join('\t') + '\t' + set[2] + '\n';
            }
        }
        QCOMPARE(trials.count('\n'), 1 + 3 + 2);
        QVERIFY2(tokens.contains("\tNA\t"), "the early session left a token unanswered");

        const Collected all = collect({ results, "-o", results + "trials.tsv" });
        QCOMPARE(all.status, 1);
        QCOMPARE(readAll(results + "trials.tsv"), trials);
        QVERIFY2(all.err.contains("skipped " + results
                                  + "cut/run: run_entries.txt line 4: 3 columns instead of 5\n")
                         && all.err.contains(results + "b/deep/early: 2 of 3 trials")
                         && all.err.contains("collected 5 trials of 2 sessions; 1 left out"),
                 qPrintable(all.err));

        const Collected perToken = collect({ "--per-token", results + "a", results + "b" });
        QCOMPARE(perToken.status, 0);
        QCOMPARE(perToken.out, tokens);

        // --timing: two more columns from each set's timing file, joined by
        // trial number; empty, and noted, for a set saved without one.
        QVERIFY(QFile::remove(results + "b/deep/early_timing.txt"));
        const Collected timed = collect({ "--timing", results + "a", results + "b" });
        const QStringList timing = readAll(results + "a/run_timing.txt").split('\n').mid(1);
        const QStringList rows = trials.split('\n').mid(1, 5); // 3 of a/run, 2 of b/deep/early
        QString timedTrials = QString(kTrialHeader) + "\tonset_error_ms\toutput_latency_ms\n";
        for (int i = 0; i < rows.size(); ++i)
            timedTrials +=
                    rows[i] + '\t' + (i < 3 ? timing.value(i).section('\t', 4, 5) : "\t") + '\n';
        QCOMPARE(timing.size(), 3);
        QCOMPARE(timed.status, 0);
        QCOMPARE(timed.out, timedTrials);
        QVERIFY2(timed.err.contains(results + "b/deep/early: early_timing.txt is missing"),
                 qPrintable(timed.err));
        QCOMPARE(collect({ "--timing", "--per-token", results }).status, 2);

        // A table that cannot be written leaves nothing behind.
        QCOMPARE(collect({ results + "a", "-o", results + "a" }).status, 3);
        QCOMPARE(QDir(results + "a").entryList(QDir::Files).size(), 4);
    }
    // The main window destroyed mid-session, right after an answer (the next
    // sound queued) or after a stop (the old output not yet deleted): no crash.
    void windowDestroyedMidSession_data()
    {
        QTest::addColumn<bool>("stoppedFirst");
        QTest::newRow("right after an answer") << false;
        QTest::newRow("right after the session was stopped") << true;
    }
    void windowDestroyedMidSession()
    {
        QFETCH(bool, stoppedFirst);
        STEP(prepare(tokenFolder, 2, true, true, false));
        STEP(start());
        SubjectWindow *sw = w->currentSubjectWindow();
        QTRY_VERIFY_WITH_TIMEOUT(sw->pushButtonChoice2->isEnabled(), kSoundTimeoutMs);
        sw->pushButtonChoice2->click();
        if (stoppedFirst)
            w->stopSession();
        QThread::msleep(50); // busy drawing, say: the output's feed falls due meanwhile
        delete w;
        w = new MainWindow;
        QTest::qWait(300);
    }
};

int main(int argc, char *argv[])
{
    // Names must survive a locale without an encoding; set before Qt reads it.
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    return runInScratchHome<TestSession>(argc, argv);
}

#include "test_session.moc"
