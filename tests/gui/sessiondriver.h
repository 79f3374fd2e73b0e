#ifndef SESSIONDRIVER_H
#define SESSIONDRIVER_H

// Helpers that drive the real windows and dialogs as a person would: token
// folders written on the spot, and a pilot that answers each modal dialog in
// turn. Shared by the GUI tests and the session timing bench.

#include <QApplication>
#include <QDebug>
#include <QDataStream>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <functional>

namespace sessiondriver {

const int kTokenRate = 48000;
const int kPilotTickMs = 20;

// A canonical 44-byte-header, 16-bit mono PCM file.
inline bool writeWav(const QString &path, const QVector<qint16> &samples, int rate = kTokenRate)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = quint32(samples.size()) * 2;
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (qint16 s : samples)
        out << s;
    return out.status() == QDataStream::Ok;
}

// A tone that never crosses zero (offset plus a smaller sine), so every sample
// of it is audible in a capture and its first and last sample can be found.
inline QVector<qint16> offsetTone(int frames, double frequency, double offset = 0.3,
                                  double amplitude = 0.2, int rate = kTokenRate)
{
    QVector<qint16> samples(frames);
    for (int i = 0; i < frames; ++i)
        samples[i] = qint16(std::lround(
                32767 * (offset + amplitude * std::sin(2 * M_PI * frequency * i / rate))));
    return samples;
}

// Answers the modal dialogs of a run one after another, in the order they
// are expected. A dialog nobody expected is noted and rejected, so a wrong
// turn fails the test instead of hanging it.
class DialogPilot : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    DialogPilot()
    {
        timer.setInterval(kPilotTickMs);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start();
    }

    void expect(const QString &what, const Step &step) { steps.append({ what, step }); }

    // Chooses folder in a folder dialog.
    void chooseFolder(const QString &folder)
    {
        expect("folder dialog", [folder](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return;
            dialog->setDirectory(folder);
            static_cast<QDialog *>(dialog)->accept();
        });
    }

    // Names path in a save dialog and accepts it.
    void saveAs(const QString &path)
    {
        expect("save dialog", [path](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return;
            // Typed into the file name box, as a person would.
            auto *nameBox = dialog->findChild<QLineEdit *>("fileNameEdit");
            if (!nameBox)
                return;
            nameBox->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        });
    }

    void cancelFileDialog()
    {
        expect("file dialog to cancel", [](QWidget *w) {
            if (qobject_cast<QFileDialog *>(w))
                static_cast<QDialog *>(w)->reject();
        });
    }

    // Clicks button in a message box whose title is title.
    void answerBox(const QString &title, QMessageBox::StandardButton button)
    {
        expect("message box " + title, [this, title, button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || box->windowTitle() != title || !box->button(button))
                return;
            boxTexts.append(box->text());
            box->button(button)->click();
        });
    }

    bool done() const { return steps.isEmpty(); }

    QStringList boxTexts; // the text of every message box answered
    QStringList unexpected; // dialogs nobody expected, rejected

private:
    void tick()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == handling)
            return;
        handling = w;
        // The answer runs outside this timer's own slot, so a dialog that the
        // answer opens in turn is still seen.
        QTimer::singleShot(0, this, [this, w] {
            if (steps.isEmpty()) {
                reject(w);
            } else {
                const auto step = steps.takeFirst();
                step.second(w);
                if (w == QApplication::activeModalWidget() && w->isVisible()) {
                    // It was not the dialog this step was waiting for.
                    unexpected.append("expected " + step.first + ", got " + describe(w));
                    reject(w);
                }
            }
            handling = nullptr;
        });
    }

    void reject(QWidget *w)
    {
        if (steps.isEmpty())
            unexpected.append("no dialog expected, got " + describe(w));
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            box->close();
            if (box->isVisible() && box->buttons().size())
                box->buttons().first()->click();
        } else if (auto *dialog = qobject_cast<QDialog *>(w)) {
            dialog->reject();
        } else {
            w->close();
        }
    }

    static QString describe(QWidget *w)
    {
        QString text = w->metaObject()->className() + QString(" \"") + w->windowTitle() + '"';
        if (auto *box = qobject_cast<QMessageBox *>(w))
            text += ": " + box->text();
        return text;
    }

    QTimer timer;
    QWidget *handling = nullptr;
    QVector<QPair<QString, Step>> steps;
};

} // namespace sessiondriver

#endif // SESSIONDRIVER_H
