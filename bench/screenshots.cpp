// Pictures for reviewers and the README: the main window as it starts and
// after "Practice" has prepared a session from a token folder; the subject
// window waiting for the first answer, and showing the feedback on it.
//
// Run (scripts/screenshot does this, with a sound server and a neutral HOME):
//   QT_QPA_PLATFORM=offscreen ./screenshots OUTPUT_FOLDER TOKEN_FOLDER
// Writes OUTPUT_FOLDER/main-window-start.png, main-window-prepared.png,
// subject-window-answer.png and subject-window-feedback.png. The feedback
// images are found in the working directory, as the program finds them.
// The folder dialog is answered by a timer, as a person would: go to the
// token folder, accept. Any other dialog is printed and dismissed, and the
// run then fails.

#include "app/mainwindow.h"
#include "tests/support/windowparts.h"
#include "trial/scoring.h"
#include "trial/subjectwindow.h"

#include <QApplication>
#include <QDialog>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {
// The main window's size on a 1920 x 1040 desktop (the offscreen screen is smaller).
const int kWindowWidth = 1536;
const int kWindowHeight = 936;
// The subject window's: 40 % of that desktop.
const int kSubjectWidth = 768;
const int kSubjectHeight = 416;
const int kPilotTickMs = 50;
const int kGiveUpMs = 30000;

bool savePicture(QWidget &w, const QString &path)
{
    QApplication::processEvents();
    const bool saved = w.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

// Lets the event loop run until ready() holds; false after timeoutMs.
template<typename Condition>
bool waitFor(Condition ready, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!ready() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return ready();
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER TOKEN_FOLDER\n", argv[0]);
        return 2;
    }
    const QString outputFolder = QString::fromLocal8Bit(argv[1]);
    const QString tokenFolder = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    if (!QDir().mkpath(outputFolder) || !QDir(tokenFolder).exists()) {
        std::fprintf(stderr, "screenshots: no folder %s or %s\n", qPrintable(outputFolder),
                     qPrintable(tokenFolder));
        return 2;
    }

    MainWindow w;
    w.resize(kWindowWidth, kWindowHeight);
    w.show();
    bool ok = savePicture(w, outputFolder + QStringLiteral("/main-window-start.png"));

    bool folderChosen = false;
    bool strayDialog = false;
    QTimer pilot;
    pilot.setInterval(kPilotTickMs);
    QObject::connect(&pilot, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && !folderChosen) {
            dialog->setDirectory(tokenFolder);
            folderChosen = true;
            static_cast<QDialog *>(dialog)->accept();
        } else if (auto *other = qobject_cast<QDialog *>(modal)) {
            auto *box = qobject_cast<QMessageBox *>(other);
            std::fprintf(stderr, "screenshots: unexpected dialog \"%s\": %s\n",
                         qPrintable(other->windowTitle()), box ? qPrintable(box->text()) : "");
            strayDialog = true;
            other->reject();
        }
    });
    pilot.start();
    // A dialog that nothing could answer must not hang the run.
    QTimer::singleShot(kGiveUpMs, [] {
        std::fprintf(stderr, "screenshots: gave up waiting for the dialogs\n");
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
        QApplication::exit(1);
    });

    windowparts::part<QPushButton>(&w, "pushButtonPractice")->click();
    pilot.stop();
    if (!folderChosen || strayDialog || w.tokenCount() == 0) {
        std::fprintf(stderr, "screenshots: no session was prepared from %s\n",
                     qPrintable(tokenFolder));
        ok = false;
    }
    ok = savePicture(w, outputFolder + QStringLiteral("/main-window-prepared.png")) && ok;
    if (!ok)
        return 1;

    // The subject's side: "Go", "I am ready", the first sound, then the
    // right answer with its feedback image.
    windowparts::part<QPushButton>(&w, "pushButtonGo")->click();
    SubjectWindow *sw = w.currentSubjectWindow();
    sw->resize(kSubjectWidth, kSubjectHeight);
    sw->pushButtonIAmReady->click();
    if (!waitFor([sw] { return sw->pushButtonChoice2->isEnabled(); }, kGiveUpMs)) {
        std::fprintf(stderr,
                     "screenshots: the first sound did not end; is there a sound output?\n");
        return 1;
    }
    ok = savePicture(*sw, outputFolder + QStringLiteral("/subject-window-answer.png"));
    const bool mother = isMotherToken(sw->wavFileName, w.sessionParameters().subCode);
    (mother ? sw->pushButtonChoice2 : sw->pushButtonChoice4)->click();
    ok = savePicture(*sw, outputFolder + QStringLiteral("/subject-window-feedback.png")) && ok;
    w.stopSession(); // no sound left playing while the windows go
    return ok ? 0 : 1;
}
