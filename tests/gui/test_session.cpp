#include "app/mainwindow.h"
#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QAudioOutput>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace sessiondriver;

// Whole sessions through the real windows, dialogs and playback into the test
// sound server: prepare, "Go", "I am ready", answer every trial by a rule,
// "Done", and the three result files checked byte for byte.
class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wholeSession_data();
    void wholeSession();
    void sinkReceivesTheToken();
    void earlyCloseStopsSoundAndOffersAnswers();
    void cancelledSaveAsksBeforeDiscarding();
    void unwritableFileIsReportedOthersWritten();
    void unreadableTokenStopsTheSession();

private:
    void prepare(MainWindow &w, DialogPilot &pilot, const QString &folder, int nTimes,
                 bool feedBack, bool autoPlay, bool saveData = true);
    void startSession(MainWindow &w);
    // Answers nTrials trials by the rule below and notes what was answered.
    void answerTrials(MainWindow &w, int nTrials, bool feedBack, bool autoPlay, int firstTrial = 0);
    void checkResultFiles(const QString &recordsPath, const QString &tokenFolder, int nTimes,
                          bool feedBack, bool autoPlay);
    // Closes the subject window with Yes; with saveTo, also accepts the offer
    // to save the answers given so far into that file.
    void closeSubjectWindow(MainWindow &w, DialogPilot &pilot, const QString &saveTo = QString());

    QTemporaryDir workDir;
    QString tokenFolder;
    QStringList tokenNames = { "voice001_a.wav", "voice002_b.wav", "voice003_c.wav" };
    QStringList answeredFiles; // per answered trial, in order
    QVector<bool> answeredMother;
};

namespace {
const int kTokenFrames = 4800; // 100 ms at 48 kHz
const int kSoundTimeoutMs = 10000;
const QString kSubCode = QStringLiteral("SUB001");

bool isMother(const QString &fileName)
{
    return fileName.contains("001");
}

// The rule the tests answer by: not always right, not always "Mother".
bool answerMother(int trial)
{
    return trial % 3 != 1;
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString g6(double v)
{
    return QString::number(v, 'g', 6);
}
} // namespace

void TestSession::initTestCase()
{
    QVERIFY(workDir.isValid());
    tokenFolder = workDir.filePath("tokens");
    QVERIFY(QDir().mkpath(tokenFolder));
    const double frequencies[] = { 440, 660, 880 };
    for (int i = 0; i < tokenNames.size(); ++i)
        QVERIFY(writeWav(tokenFolder + '/' + tokenNames[i],
                         offsetTone(kTokenFrames, frequencies[i])));
    QVERIFY2(QFile::exists("correct.png") && QFile::exists("incorrect.png"),
             "the feedback images belong in the working directory");
}

void TestSession::prepare(MainWindow &w, DialogPilot &pilot, const QString &folder, int nTimes,
                          bool feedBack, bool autoPlay, bool saveData)
{
    w.lineEditSubCode->setText(kSubCode);
    w.lineEditNTimes->setText(QString::number(nTimes));
    w.checkBoxSaveData->setChecked(saveData);
    w.checkBoxFeedBack->setChecked(feedBack);
    w.checkBoxAutoPlay->setChecked(autoPlay);
    pilot.chooseFolder(folder);
    w.pushButtonPractice->click();
    QVERIFY(pilot.done());
    QVERIFY2(w.pushButtonGo->isEnabled(), qPrintable(pilot.unexpected.join('\n')));
    QCOMPARE(w.stimOrder.size(), nTimes * tokenNames.size());
}

void TestSession::startSession(MainWindow &w)
{
    answeredFiles.clear();
    answeredMother.clear();
    w.pushButtonGo->click();
    QVERIFY(!w.isEnabled());
    SubjectWindow *sw = w.subjectWindow;
    QVERIFY(sw && sw->isVisible() && sw->isEnabled());
    QVERIFY(sw->pushButtonIAmReady->isVisible());
    QVERIFY(!sw->pushButtonChoice2->isVisible());
    sw->pushButtonIAmReady->click();
    QVERIFY(!sw->isEnabled());
}

void TestSession::answerTrials(MainWindow &w, int nTrials, bool feedBack, bool autoPlay,
                               int firstTrial)
{
    SubjectWindow *sw = w.subjectWindow;
    const int total = w.stimOrder.size();
    for (int k = firstTrial; k < firstTrial + nTrials; ++k) {
        if (k > firstTrial && feedBack && !autoPlay) {
            QVERIFY(sw->pushButtonNext->isVisible() && sw->pushButtonNext->isEnabled());
            sw->pushButtonNext->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(sw->isEnabled() && sw->pushButtonChoice2->isEnabled(),
                                 kSoundTimeoutMs);
        QVERIFY(sw->pushButtonChoice4->isEnabled());
        QCOMPARE(sw->pushButtonNext->isVisible(), !autoPlay);
        QVERIFY(!sw->pushButtonChoice2->styleSheet().contains("png"));

        const QString file = sw->wavFileName;
        QCOMPARE(file, w.parameters.wavFileName);
        const bool mother = answerMother(k);
        answeredFiles.append(file);
        answeredMother.append(mother);
        QPushButton *chosen = mother ? sw->pushButtonChoice2 : sw->pushButtonChoice4;
        chosen->click();
        if (k + 1 == total)
            return; // the session ends with this answer
        const QString image = isMother(file) == mother ? "url(correct.png)" : "url(incorrect.png)";
        QCOMPARE(chosen->styleSheet().contains(image), feedBack);
        QVERIFY(!sw->pushButtonChoice2->isEnabled() && !sw->pushButtonChoice4->isEnabled());
    }
}

void TestSession::closeSubjectWindow(MainWindow &w, DialogPilot &pilot, const QString &saveTo)
{
    pilot.answerBox("Confirmation MessageBox", QMessageBox::Yes);
    if (!saveTo.isEmpty()) {
        pilot.answerBox("Question", QMessageBox::Yes);
        pilot.saveAs(saveTo);
    }
    w.subjectWindow->close();
    QTRY_VERIFY2(pilot.done(), qPrintable(pilot.unexpected.join('\n')));
    QVERIFY(!w.subjectWindow->isVisible());
    QVERIFY(w.isEnabled());
    QVERIFY(!w.pushButtonGo->isEnabled());
}

// The files as this test expects them from its own answers and the reaction
// times the entries file reports.
void TestSession::checkResultFiles(const QString &recordsPath, const QString &folder, int nTimes,
                                   bool feedBack, bool autoPlay)
{
    const QFileInfo records(recordsPath);
    const QString base = records.completeBaseName();
    const QString entriesPath = records.path() + '/' + base + "_entries." + records.suffix();
    const QString parametersPath = records.path() + '/' + base + "_parameters." + records.suffix();

    const QStringList entryLines = readAll(entriesPath).split('\n');
    QCOMPARE(entryLines.size(), answeredFiles.size() + 1);
    QString expectedEntries = "filename\tstim\tresp\tcorrectness\trt";
    QMap<QString, QVector<QPair<bool, double>>> answersPerToken;
    for (int k = 0; k < answeredFiles.size(); ++k) {
        bool ok = false;
        const double rt = entryLines[k + 1].section('\t', 4).toDouble(&ok);
        QVERIFY2(ok && rt >= 0 && rt < kSoundTimeoutMs, qPrintable(entryLines[k + 1]));
        QCOMPARE(rt, std::floor(rt)); // whole milliseconds
        const QString &file = answeredFiles[k];
        const bool right = isMother(file) == answeredMother[k];
        expectedEntries += '\n' + file + '\t' + (isMother(file) ? "mother" : "stranger") + '\t'
                + (answeredMother[k] ? "mother" : "stranger") + '\t' + (right ? "1" : "0") + '\t'
                + g6(rt);
        answersPerToken[file].append({ answeredMother[k], rt });
    }
    QCOMPARE(readAll(entriesPath), expectedEntries);

    QString expectedRecords = "filename\tnMother\tnStranger\trt\trt_correct\trt_incorrect";
    for (const QString &name : tokenNames) {
        int nMother = 0, nRight = 0, nWrong = 0;
        double all = 0, right = 0, wrong = 0;
        for (const auto &a : answersPerToken.value(name)) {
            nMother += a.first;
            all += a.second;
            if (a.first == isMother(name)) {
                ++nRight;
                right += a.second;
            } else {
                ++nWrong;
                wrong += a.second;
            }
        }
        const int n = answersPerToken.value(name).size();
        expectedRecords += '\n' + name + '\t' + QString::number(nMother) + '\t'
                + QString::number(n - nMother) + '\t' + g6(n ? all / n : 0) + '\t'
                + g6(nRight ? right / nRight : 0) + '\t' + g6(nWrong ? wrong / nWrong : 0);
    }
    QCOMPARE(readAll(recordsPath), expectedRecords);

    const QStringList expectedParameters = {
        "fs: 48000",
        "alwaysPlotEntireWaveformFlag: 1",
        "upperFrequencyToPlot: 2000",
        "outputFilePath: " + records.path(),
        "wavFilePath: " + folder,
        "subCode: " + kSubCode,
        "outputFileName: " + records.fileName(),
        "outputFileName_entries: " + base + "_entries." + records.suffix(),
        "outputFileName_parameters: " + base + "_parameters." + records.suffix(),
        "sesTypeNames: practice, experiment",
        "sesTypeIndex: 0",
        "soundTypeNames: .wav files, reserved",
        "soundTypeIndex: 0",
        "mainParameterNames: sound files, reserved",
        "mainParameterIndex: 0",
        "sesNum: 1",
        "nTimes: " + QString::number(nTimes),
        "si: 1",
        "threshold: 0",
        "reactionTime: 0",
        "saveData: 1",
        QString("feedBack: ") + (feedBack ? "1" : "0"),
        QString("autoPlay: ") + (autoPlay ? "1" : "0"),
    };
    QCOMPARE(readAll(parametersPath), expectedParameters.join('\n'));
}

void TestSession::wholeSession_data()
{
    QTest::addColumn<bool>("feedBack");
    QTest::addColumn<bool>("autoPlay");
    QTest::newRow("feedback, automatic play") << true << true;
    QTest::newRow("feedback, \"Next\"") << true << false;
    QTest::newRow("neither") << false << true;
}

void TestSession::wholeSession()
{
    QFETCH(bool, feedBack);
    QFETCH(bool, autoPlay);
    const int nTimes = 2;
    const QString recordsPath =
            workDir.filePath(QString("out/run_%1.txt")
                                     .arg(QTest::currentDataTag()[0] == 'n' ? "neither"
                                                  : autoPlay                ? "auto"
                                                                            : "next"));
    QVERIFY(QDir().mkpath(workDir.filePath("out")));

    MainWindow w;
    w.show();
    DialogPilot pilot;
    prepare(w, pilot, tokenFolder, nTimes, feedBack, autoPlay);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(w.parameters.feedBack, feedBack);
    QCOMPARE(w.parameters.autoPlay, autoPlay);
    QSignalSpy plays(&w, SIGNAL(soundPlaying(int)));

    startSession(w);
    if (QTest::currentTestFailed())
        return;
    pilot.saveAs(recordsPath);
    answerTrials(w, w.stimOrder.size(), feedBack, autoPlay);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY(pilot.done());
    QVERIFY2(pilot.unexpected.isEmpty(), qPrintable(pilot.unexpected.join('\n')));

    // Every trial played one sound, start and end.
    QCOMPARE(plays.size(), 2 * w.stimOrder.size());
    SubjectWindow *sw = w.subjectWindow;
    QVERIFY(sw->pushButtonDone->isVisible() && sw->isEnabled());
    QCOMPARE(sw->pushButtonChoice2->isVisible(), feedBack);
    QVERIFY(!sw->pushButtonNext->isVisible());
    QVERIFY(!w.audioOutput && !w.audioBuffer && !w.audioBytes);

    checkResultFiles(recordsPath, tokenFolder, nTimes, feedBack, autoPlay);

    // "Done", then Yes: the main window is back, "Go" waits for a new preparation.
    pilot.answerBox("Confirmation MessageBox", QMessageBox::Yes);
    sw->pushButtonDone->click();
    QTRY_VERIFY(pilot.done());
    QVERIFY(w.isEnabled());
    QVERIFY(!w.pushButtonGo->isEnabled());
    QVERIFY(pilot.unexpected.isEmpty());
}

// What reaches the null sink is the token itself. Playback runs at the sink's
// own rate and format (48 kHz float) at full volume, so PulseAudio neither
// resamples nor scales: the samples arrive exactly. The tolerances only allow
// for a sink volume a hair off unity (level within 0.1 %) and for the capture
// starting or ending inside the sound (length within 1 ms).
void TestSession::sinkReceivesTheToken()
{
    const QString folder = workDir.filePath("one");
    QVERIFY(QDir().mkpath(folder));
    const QVector<qint16> token = offsetTone(14400, 500); // 300 ms
    QVERIFY(writeWav(folder + "/only001.wav", token));

    MainWindow w;
    w.show();
    DialogPilot pilot;
    tokenNames = QStringList { "only001.wav" };
    prepare(w, pilot, folder, 1, false, true, false);
    tokenNames = QStringList { "voice001_a.wav", "voice002_b.wav", "voice003_c.wav" };
    if (QTest::currentTestFailed())
        return;

    QProcess capture;
    capture.start("parec",
                  { "--device=null.monitor", "--format=float32le", "--rate=48000", "--channels=1",
                    "--latency-msec=10", "--raw" });
    QVERIFY2(capture.waitForStarted(), "parec is needed to record the sink");
    QTest::qWait(300);
    startSession(w);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(w.subjectWindow->pushButtonChoice2->isEnabled(), kSoundTimeoutMs);
    QTest::qWait(300);
    capture.terminate();
    QVERIFY(capture.waitForFinished());
    const QByteArray raw = capture.readAllStandardOutput();
    const int n = raw.size() / 4;
    QVector<float> captured(n);
    std::memcpy(captured.data(), raw.constData(), size_t(n) * 4);

    int first = -1, last = -1;
    for (int i = 0; i < n; ++i) {
        if (std::fabs(captured[i]) > 1e-6f) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    QVERIFY2(first >= 0, "nothing reached the sink");
    const int length = last - first + 1;
    QVERIFY2(std::abs(length - token.size()) <= 48,
             qPrintable(QString("captured %1 samples of %2").arg(length).arg(token.size())));
    double capturedSquares = 0, tokenSquares = 0;
    const int compared = qMin(length, token.size());
    for (int i = 0; i < compared; ++i) {
        capturedSquares += double(captured[first + i]) * captured[first + i];
        tokenSquares += (token[i] / 32768.0) * (token[i] / 32768.0);
    }
    const double levelRatio = std::sqrt(capturedSquares / tokenSquares);
    qDebug("sink capture: %d of %d samples, level ratio %.9f", length, token.size(), levelRatio);
    QVERIFY2(std::fabs(levelRatio - 1) < 1e-3, qPrintable(QString::number(levelRatio)));

    pilot.answerBox("Confirmation MessageBox", QMessageBox::Yes);
    w.subjectWindow->pushButtonChoice2->click(); // ends the one-trial session, nothing saved
    w.subjectWindow->pushButtonDone->click();
    QTRY_VERIFY(pilot.done());
    QVERIFY(pilot.unexpected.isEmpty());
}

void TestSession::earlyCloseStopsSoundAndOffersAnswers()
{
    const QString recordsPath = workDir.filePath("early/run.txt");
    QVERIFY(QDir().mkpath(workDir.filePath("early")));
    MainWindow w;
    w.show();
    DialogPilot pilot;
    prepare(w, pilot, tokenFolder, 2, true, true);
    if (QTest::currentTestFailed())
        return;
    startSession(w);
    answerTrials(w, 2, true, true);
    if (QTest::currentTestFailed())
        return;
    // The third sound is armed: closing now must silence it.
    QVERIFY(w.playbackTimer->isActive());
    QSignalSpy plays(&w, SIGNAL(soundPlaying(int)));

    // No keeps the session running.
    pilot.answerBox("Confirmation MessageBox", QMessageBox::No);
    w.subjectWindow->close();
    QTRY_VERIFY(pilot.done());
    QVERIFY(w.subjectWindow->isVisible());
    QVERIFY(w.playbackTimer->isActive());

    closeSubjectWindow(w, pilot, recordsPath);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!w.playbackTimer->isActive());
    QVERIFY(!w.audioOutput);
    QVERIFY(pilot.boxTexts.last().contains("2 of 6"));
    checkResultFiles(recordsPath, tokenFolder, 2, true, true);
    if (QTest::currentTestFailed())
        return;

    // A new session right away: nothing of the old one reaches it.
    QPointer<SubjectWindow> oldWindow = w.subjectWindow;
    prepare(w, pilot, tokenFolder, 1, true, true);
    w.pushButtonGo->click();
    QVERIFY(oldWindow.isNull());
    QTest::qWait(1600); // longer than the old session's pending interval
    QCOMPARE(plays.size(), 0);
    QVERIFY(w.subjectWindow->pushButtonIAmReady->isVisible());
    QVERIFY(w.subjectWindow->isEnabled());

    closeSubjectWindow(w, pilot); // before "I am ready": nothing to offer
    QVERIFY(pilot.unexpected.isEmpty());
}

void TestSession::cancelledSaveAsksBeforeDiscarding()
{
    QVERIFY(QDir().mkpath(workDir.filePath("cancel")));
    const QString recordsPath = workDir.filePath("cancel/run.txt");
    MainWindow w;
    w.show();
    DialogPilot pilot;
    prepare(w, pilot, tokenFolder, 1, false, true);
    if (QTest::currentTestFailed())
        return;
    startSession(w);
    pilot.cancelFileDialog();
    pilot.answerBox("Question", QMessageBox::No); // keep the results: the dialog again
    pilot.cancelFileDialog();
    pilot.answerBox("Question", QMessageBox::Yes); // discard
    answerTrials(w, 3, false, true);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY(pilot.done());
    QVERIFY2(pilot.unexpected.isEmpty(), qPrintable(pilot.unexpected.join('\n')));
    QVERIFY(QDir(workDir.filePath("cancel")).isEmpty());
    QVERIFY(!QFile::exists("_entries."));
    QVERIFY(w.subjectWindow->pushButtonDone->isVisible());
    closeSubjectWindow(w, pilot); // finished: nothing more is offered
    QVERIFY(pilot.unexpected.isEmpty());
}

void TestSession::unwritableFileIsReportedOthersWritten()
{
    const QString out = workDir.filePath("blocked");
    // A folder where the entries file should go: that file cannot be written.
    QVERIFY(QDir().mkpath(out + "/run_entries.txt"));
    MainWindow w;
    w.show();
    DialogPilot pilot;
    prepare(w, pilot, tokenFolder, 1, false, true);
    if (QTest::currentTestFailed())
        return;
    startSession(w);
    pilot.saveAs(out + "/run.txt");
    pilot.answerBox("Warning", QMessageBox::Ok);
    answerTrials(w, 3, false, true);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY(pilot.done());
    QVERIFY2(pilot.unexpected.isEmpty(), qPrintable(pilot.unexpected.join('\n')));
    QCOMPARE(pilot.boxTexts.last(),
             "could not open file for writing \r\n" + out + "run_entries.txt");
    QVERIFY(readAll(out + "/run.txt").startsWith("filename\tnMother"));
    QVERIFY(readAll(out + "/run_parameters.txt").startsWith("fs: 48000"));
    QVERIFY(QFileInfo(out + "/run_entries.txt").isDir());
    closeSubjectWindow(w, pilot);
}

void TestSession::unreadableTokenStopsTheSession()
{
    const QString folder = workDir.filePath("vanishing");
    QVERIFY(QDir().mkpath(folder));
    for (const QString &name : tokenNames)
        QVERIFY(QFile::copy(tokenFolder + '/' + name, folder + '/' + name));
    const QString recordsPath = workDir.filePath("vanishing-out/run.txt");
    QVERIFY(QDir().mkpath(workDir.filePath("vanishing-out")));

    MainWindow w;
    w.show();
    DialogPilot pilot;
    prepare(w, pilot, folder, 1, true, true);
    if (QTest::currentTestFailed())
        return;
    // The first token is in memory already; every later one has gone.
    for (const QString &name : tokenNames)
        QVERIFY(QFile::remove(folder + '/' + name));
    startSession(w);
    QSignalSpy plays(&w, SIGNAL(soundPlaying(int)));
    pilot.answerBox("Warning", QMessageBox::Ok);
    pilot.answerBox("Question", QMessageBox::Yes);
    pilot.saveAs(recordsPath);
    answerTrials(w, 1, true, true);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY(pilot.done());
    QVERIFY2(pilot.unexpected.isEmpty(), qPrintable(pilot.unexpected.join('\n')));
    const QString missing = tokenNames[w.stimOrder[1]];
    QVERIFY2(pilot.boxTexts[0].contains(missing), qPrintable(pilot.boxTexts[0]));
    QVERIFY(w.subjectWindow->pushButtonDone->isVisible());
    QTest::qWait(1500);
    QCOMPARE(plays.size(), 2); // the first sound only, nothing in place of the missing one
    checkResultFiles(recordsPath, folder, 1, true, true);
    closeSubjectWindow(w, pilot);
}

int main(int argc, char *argv[])
{
    // Keep the default output folders (on the desktop) inside a scratch home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    QDir(home.path()).mkpath("Desktop");
    QApplication app(argc, argv);
    TestSession test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_session.moc"
