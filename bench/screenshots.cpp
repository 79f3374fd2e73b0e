// Pictures of the main window for reviewers and the README: as it starts, and
// after "Practice" has prepared a session from a token folder.
//
// Run (scripts/screenshot does this): QT_QPA_PLATFORM=offscreen
//   ./screenshots OUTPUT_FOLDER TOKEN_FOLDER
// Writes OUTPUT_FOLDER/main-window-start.png and main-window-prepared.png.
// The folder dialog is answered by a timer, as a person would: go to the
// token folder, accept. Any other dialog is printed and dismissed, and the
// run then fails.

#include "app/mainwindow.h"

#include <QApplication>
#include <QDialog>
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
const int kPilotTickMs = 50;
const int kGiveUpMs = 30000;

bool savePicture(QWidget &w, const QString &path)
{
    QApplication::processEvents();
    const bool saved = w.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
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

    w.pushButtonPractice->click();
    pilot.stop();
    if (!folderChosen || strayDialog || w.nTokens == 0) {
        std::fprintf(stderr, "screenshots: no session was prepared from %s\n",
                     qPrintable(tokenFolder));
        ok = false;
    }
    ok = savePicture(w, outputFolder + QStringLiteral("/main-window-prepared.png")) && ok;
    return ok ? 0 : 1;
}
