#include "tests/gui/sessiondriver.h"

using namespace sessiondriver;

// A session on a machine without a usable audio output: the sound cannot
// start, and the experimenter is told instead of the session hanging.
class TestNoAudio : public QObject
{
    Q_OBJECT

private slots:
    void soundThatCannotStartStopsTheSession()
    {
        QTemporaryDir dir;
        QVERIFY(writeWav(dir.filePath("tone001.wav"), offsetTone(4800, 440)));
        MainWindow w;
        w.show();
        DialogPilot pilot;
        pilot.chooseFolder(dir.path());
        part<QPushButton>(&w, "pushButtonPractice")->click();
        QVERIFY2(pilot.clean() && part<QPushButton>(&w, "pushButtonGo")->isEnabled(),
                 pilot.errors());
        part<QPushButton>(&w, "pushButtonGo")->click();
        SubjectWindow *sw = w.currentSubjectWindow();
        QSignalSpy plays(&w, SIGNAL(soundPlaying(int)));

        QTest::ignoreMessage(QtWarningMsg, "Audio stopped unexpectedly");
        pilot.answerBox("Warning", QMessageBox::Ok);
        sw->pushButtonIAmReady->click();
        QTRY_VERIFY2_WITH_TIMEOUT(pilot.clean(), pilot.errors(), 5000);
        QVERIFY(pilot.boxTexts.last().contains("could not be played"));
        // Nothing played, nothing left behind, and the subject window can be closed.
        QCOMPARE(plays.size(), 0);
        QVERIFY(!w.holdsPlayback());
        QTRY_VERIFY(sw->pushButtonDone->isVisible() && sw->isEnabled());
        pilot.answerBox("Confirmation MessageBox", QMessageBox::Yes);
        sw->pushButtonDone->click();
        QTRY_VERIFY2(pilot.clean(), pilot.errors());
        QVERIFY(w.isEnabled());
    }
};

int main(int argc, char *argv[])
{
    // Sound servers that do not exist: no output device can be opened.
    qputenv("PULSE_SERVER", "unix:/nonexistent/tellwyn-no-audio");
    qputenv("PIPEWIRE_REMOTE", "/nonexistent/tellwyn-no-audio");
    return runInScratchHome<TestNoAudio>(argc, argv);
}

#include "test_noaudio.moc"
