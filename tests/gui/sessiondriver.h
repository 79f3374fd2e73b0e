#ifndef SESSIONDRIVER_H
#define SESSIONDRIVER_H

// Drives the real windows and dialogs as a person would: tokens written on the
// spot, and a pilot that answers each modal dialog in turn. Shared by the GUI
// tests and the session timing bench.

#include "app/mainwindow.h"
#include "trial/resultfiles.h"
#include "trial/scoring.h"
#include "trial/subjectwindow.h"

#include "tests/support/wavwriter.h"
#include "tests/support/windowparts.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

namespace sessiondriver {

using windowparts::chart;
using windowparts::part;

// A canonical 16-bit mono PCM file, written by the UTF-8 bytes of its path
// (see readAll).
inline bool writeWav(const QString &path, const QVector<qint16> &samples, int rate = 48000)
{
    const QByteArray bytes = wavwriter::canonical(wavwriter::pcm16(samples), 16, 1, rate);
    std::ofstream file(path.toUtf8().constData(), std::ios::binary);
    return bool(file.write(bytes.constData(), bytes.size()));
}

// A 48 kHz tone that never crosses zero (offset plus a smaller sine), so every
// sample of it is audible in a capture and its first and last can be found.
inline QVector<qint16> offsetTone(int frames, double frequency)
{
    QVector<qint16> samples(frames);
    for (int i = 0; i < frames; ++i)
        samples[i] = qint16(
                std::lround(32767 * (0.3 + 0.2 * std::sin(2 * M_PI * frequency * i / 48000))));
    return samples;
}

// A file's text, opened by the UTF-8 bytes of its path as a UTF-8 system
// stores names, whatever codec Qt picked for the locale: a name the program
// encoded wrongly is not found here. Empty when there is no such file.
inline QString readAll(const QString &path)
{
    std::ifstream in(path.toUtf8().constData(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return QString::fromStdString(all.str());
}

// The parameters file of a session saved as base + ".txt", the settings not
// given here as the main window starts with them.
inline QString parametersText(const QString &base, const QString &tokenFolder,
                              const QString &subCode, int sesNum, int nTimes, bool feedBack = true,
                              bool autoPlay = true, int sesTypeIndex = 0)
{
    const QFileInfo saved(base);
    return QString("fs: 48000\nalwaysPlotEntireWaveformFlag: 1\nupperFrequencyToPlot: 2000\n"
                   "outputFilePath: %1\nwavFilePath: %2\nsubCode: %3\noutputFileName: %4.txt\n"
                   "outputFileName_entries: %4_entries.txt\noutputFileName_parameters: "
                   "%4_parameters.txt\nsesTypeNames: practice, experiment\nsesTypeIndex: %9\n"
                   "soundTypeNames: .wav files, reserved\nsoundTypeIndex: 0\nmainParameterNames: "
                   "sound files, reserved\nmainParameterIndex: 0\nsesNum: %5\nnTimes: %6\nsi: 1\n"
                   "threshold: 0\nreactionTime: 0\nsaveData: 1\nfeedBack: %7\nautoPlay: %8")
            .arg(saved.path(), tokenFolder, subCode, saved.fileName())
            .arg(sesNum)
            .arg(nTimes)
            .arg(int(feedBack))
            .arg(int(autoPlay))
            .arg(sesTypeIndex);
}

// Answers the modal dialogs one after another, in the order expected. A
// dialog nobody expected, or one a step left open, is noted and rejected, so
// a wrong turn fails the test instead of hanging it.
class DialogPilot : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    DialogPilot()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start(20);
    }
    void chooseFolder(const QString &folder) { fileDialog("folder dialog", folder, true); }
    void saveAs(const QString &path) { fileDialog("save dialog", path, false); }
    void cancelFileDialog() { fileDialog("file dialog to cancel", QString(), false); }
    // Clicks button in a message box whose title is title, and notes its text.
    void answerBox(const QString &title, QMessageBox::StandardButton button)
    {
        expect("message box " + title, [this, title, button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->windowTitle() == title && box->button(button)) {
                boxTexts.append(box->text());
                box->button(button)->click();
            }
        });
    }
    bool done() const { return steps.isEmpty(); }
    bool clean() const { return done() && unexpected.isEmpty(); }
    QByteArray errors() const { return unexpected.join('\n').toLocal8Bit(); }

    QStringList boxTexts; // the text of every message box answered
    QStringList unexpected; // dialogs nobody expected, rejected

private:
    void expect(const QString &what, const Step &step) { steps.append({ what, step }); }
    void fileDialog(const QString &what, const QString &path, bool folder)
    {
        expect(what, [path, folder](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            auto *name = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
            if (name && path.isEmpty())
                dialog->reject();
            if (!name || path.isEmpty())
                return;
            if (folder)
                dialog->setDirectory(path);
            name->setText(path); // typed, as a person would
            static_cast<QDialog *>(dialog)->accept();
        });
    }
    void tick()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == handling)
            return;
        handling = w;
        // Answered outside this timer's slot, so a dialog the answer opens is seen too.
        QTimer::singleShot(0, this, [this, w] {
            const auto step =
                    steps.isEmpty() ? qMakePair(QString("no dialog"), Step()) : steps.takeFirst();
            if (step.second)
                step.second(w);
            if (w == QApplication::activeModalWidget() && w->isVisible()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                unexpected << "expected " + step.first + ", got \"" + w->windowTitle() + "\" "
                                + (box ? box->text() : QString());
                if (auto *dialog = qobject_cast<QDialog *>(w))
                    dialog->reject();
                else
                    w->close();
            }
            handling = nullptr;
        });
    }

    QTimer timer;
    QWidget *handling = nullptr;
    QVector<QPair<QString, Step>> steps;
};

// The main of a GUI test: its test object run in a scratch home, where the
// desktop (the default output folders), the settings and the journals land.
template<class Test>
int runInScratchHome(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qunsetenv("XDG_DATA_HOME");
    QDir(home.path()).mkpath("Desktop");
    QApplication app(argc, argv);
    Test test;
    const int failures = QTest::qExec(&test, argc, argv);
    // Let outputs deleted by the last test close their streams: exiting
    // meanwhile can trip the sound library's checks.
    QTest::qWait(200);
    return failures;
}

} // namespace sessiondriver

#endif // SESSIONDRIVER_H
