#include "app/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const int kPollMs = 50;
const int kPollsBeforeGivingUp = 100; // 5 s for one dialog

QByteArray le(quint32 v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>(v >> (8 * i)));
    return b;
}

// A canonical 16-bit file; frame i of channel c holds i + 1000 c.
QByteArray wav16(quint32 rate, quint16 channels, quint32 frames)
{
    QByteArray data;
    for (quint32 i = 0; i < frames; ++i) {
        for (quint16 c = 0; c < channels; ++c)
            data += le(i + 1000 * c, 2);
    }
    return "RIFF" + le(36 + data.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(channels, 2)
            + le(rate, 4) + le(rate * 2 * channels, 4) + le(2 * channels, 2) + le(16, 2) + "data"
            + le(data.size(), 4) + data;
}

// Works the modal dialogs as they appear, one planned step per dialog, as a
// person would. A dialog nobody planned for, or one a step failed to close,
// is rejected so that the test fails instead of hanging.
class DialogDriver : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    DialogDriver()
    {
        timer.setInterval(kPollMs);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }

    void chooseFolder(const QString &path)
    {
        steps.enqueue([this, path](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return fail(w, "expected the folder dialog");
            seen << QStringLiteral("folder dialog: ") + dialog->windowTitle();
            // Go to the folder and type its path in the name field, which may
            // still hold the name of a starting folder that does not exist.
            dialog->setDirectory(path);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!name)
                return fail(w, "the folder dialog has no name field");
            name->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        });
    }

    void cancelFolder()
    {
        steps.enqueue([this](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return fail(w, "expected the folder dialog");
            seen << QStringLiteral("folder dialog cancelled");
            dialog->reject();
        });
    }

    void answer(QMessageBox::StandardButton button)
    {
        steps.enqueue([this, button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->button(button))
                return fail(w, "expected a message box with that button");
            seen << box->windowTitle() + QStringLiteral(": ") + box->text();
            box->button(button)->click();
        });
    }

    bool done() const { return steps.isEmpty(); }
    QStringList seen; // what each handled dialog showed
    QStringList errors;

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        const int polls = w->property("testPolls").toInt();
        w->setProperty("testPolls", polls + 1);
        if (polls == 0) {
            if (steps.isEmpty())
                return fail(w, "a dialog nobody expected");
            // Acted on from outside this timer, so that a dialog the action
            // opens is polled too.
            QTimer::singleShot(0, w, [w, step = steps.dequeue()] { step(w); });
        } else if (polls > kPollsBeforeGivingUp) {
            fail(w, "the dialog stayed open");
        }
    }

    void fail(QWidget *w, const char *why)
    {
        const auto *box = qobject_cast<QMessageBox *>(w);
        errors << QStringLiteral("%1 (%2: %3)")
                          .arg(QLatin1String(why), w->windowTitle(), box ? box->text() : QString());
        if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
    }

    QTimer timer;
    QQueue<Step> steps;
};

} // namespace

class TestPreparation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString folder48; // three mono tokens at 48000 Hz
    QString folder44; // two stereo tokens at 44100 Hz
    QString emptyFolder; // no .wav file
    QString badFolder; // two good tokens and four bad ones

    QString makeFolder(const QString &name, const QVector<QPair<QString, QByteArray>> &files)
    {
        QDir(dir.path()).mkdir(name);
        const QString path = dir.filePath(name);
        for (const auto &file : files) {
            QFile f(path + QLatin1Char('/') + file.first);
            f.open(QIODevice::WriteOnly);
            f.write(file.second);
        }
        return path;
    }

    static void verifyNoSession(const MainWindow &w)
    {
        QCOMPARE(w.nTokens, 0);
        QVERIFY(w.parameters.tokens.isEmpty());
        QVERIFY(w.parameters.entries.isEmpty());
        QVERIFY(w.stimOrder.isEmpty());
        QVERIFY(!w.pushButtonGo->isEnabled());
    }

private slots:
    void initTestCase();
    void practiceTwice();
    void folderWithoutTokens();
    void cancelEndsWithoutQuestion();
    void badTokensAreListedInOneWarning();
    void repetitionCountBelowOneIsRefused();
};

void TestPreparation::initTestCase()
{
    QVERIFY(dir.isValid());
    folder48 = makeFolder("s48",
                          { { "mom_001.wav", wav16(48000, 1, 4800) },
                            { "b.wav", wav16(48000, 1, 9600) },
                            { "c.wav", wav16(48000, 1, 2400) } });
    folder44 = makeFolder(
            "s44", { { "x.wav", wav16(44100, 2, 4410) }, { "y.WAV", wav16(44100, 2, 4410) } });
    emptyFolder = makeFolder("none", { { "notes.txt", "no sound here" } });
    badFolder = makeFolder("bad",
                           { { "good1.wav", wav16(48000, 1, 100) },
                             { "good2.wav", wav16(48000, 1, 100) },
                             { "rate.wav", wav16(22050, 1, 100) },
                             { "text.wav", QByteArray(100, 'x') },
                             { "three.wav", wav16(48000, 3, 100) },
                             { "empty.wav", wav16(48000, 1, 0) } });
}

void TestPreparation::practiceTwice()
{
    MainWindow w;
    w.show();
    DialogDriver driver;

    w.lineEditNTimes->setText("2");
    driver.chooseFolder(folder48);
    w.pushButtonPractice->click();
    QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
    QVERIFY(driver.done());
    QCOMPARE(driver.seen, QStringList { "folder dialog: Select a folder" });

    QCOMPARE(w.nTokens, 3);
    QCOMPARE(w.stimOrder.size(), 6);
    QCOMPARE(w.parameters.entries.size(), 6);
    QVERIFY(w.pushButtonGo->isEnabled());
    QVERIFY(w.pushButtonPractice->isEnabled());
    QVERIFY(!w.pushButtonExperiment->isEnabled());
    QCOMPARE(w.lineEditStatus->text(), QString("practice 1/6"));
    QCOMPARE(w.lineEditWavFilePath->text(), folder48);
    const TokenRecord &first = w.parameters.tokens[w.stimOrder[0]];
    QCOMPARE(w.lineEditWavFileName->text(), first.fileName);
    QCOMPARE(w.parameters.entries[0].fileName, first.fileName);
    // 48000 Hz tokens leave the session rate alone.
    QCOMPARE(w.lineEditFs->text(), QString("48000"));
    QCOMPARE(w.audioFormat.sampleRate(), 48000);
    const int frames = first.fileName == "b.wav" ? 9600 : first.fileName == "c.wav" ? 2400 : 4800;
    QCOMPARE(w.signal.size(), frames);
    QCOMPARE(w.lineEditSoundDuration->text(), QString::number(frames / 48.0, 'f', 3));

    // The second preparation starts afresh, in another folder at another rate.
    w.lineEditNTimes->setText("1");
    driver.chooseFolder(folder44);
    w.pushButtonPractice->click();
    QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
    QCOMPARE(w.nTokens, 2);
    QCOMPARE(w.parameters.tokens[0].fileName, QString("x.wav"));
    QCOMPARE(w.parameters.tokens[1].fileName, QString("y.WAV"));
    QCOMPARE(w.stimOrder.size(), 2);
    QCOMPARE(w.parameters.entries.size(), 2);
    QCOMPARE(w.lineEditStatus->text(), QString("practice 1/2"));
    QVERIFY(w.pushButtonGo->isEnabled());
    QCOMPARE(w.parameters.fs, 44100.0);
    QCOMPARE(w.lineEditFs->text(), QString("44100"));
    QCOMPARE(w.audioFormat.sampleRate(), 44100);
    QCOMPARE(w.lineEditSoundDuration->text(), QString("100.000"));
    QCOMPARE(w.signal.size(), 4410);
    QCOMPARE(w.signal[4409], 4409 / 32768.0); // the left channel
}

void TestPreparation::folderWithoutTokens()
{
    MainWindow w;
    w.show();
    DialogDriver driver;
    const QString question =
            "Question: This folder contains no .wav files.\nDo you want to select another folder?";

    // Yes gives another choice.
    driver.chooseFolder(emptyFolder);
    driver.answer(QMessageBox::Yes);
    driver.chooseFolder(folder48);
    w.pushButtonPractice->click();
    QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
    QCOMPARE(driver.seen.value(1), question);
    QCOMPARE(w.nTokens, 3);
    QVERIFY(w.pushButtonGo->isEnabled());

    // No ends the preparation without tokens, and Go goes off.
    driver.seen.clear();
    driver.chooseFolder(emptyFolder);
    driver.answer(QMessageBox::No);
    w.pushButtonPractice->click();
    QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
    QVERIFY(driver.done());
    QCOMPARE(driver.seen.value(1), question);
    verifyNoSession(w);
}

void TestPreparation::cancelEndsWithoutQuestion()
{
    MainWindow w;
    w.show();
    DialogDriver driver;
    driver.cancelFolder();
    w.pushButtonPractice->click();
    QTest::qWait(3 * kPollMs); // a question after the cancel would be caught here
    QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
    QCOMPARE(driver.seen, QStringList { "folder dialog cancelled" });
    verifyNoSession(w);
    QCOMPARE(w.lineEditStatus->text(), QString("not started yet"));
}

void TestPreparation::badTokensAreListedInOneWarning()
{
    MainWindow w;
    w.show();
    DialogDriver driver;
    driver.chooseFolder(badFolder);
    driver.answer(QMessageBox::Ok);
    w.pushButtonPractice->click();
    QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
    QVERIFY(driver.done());
    QCOMPARE(driver.seen.size(), 2);

    const QString warning = driver.seen[1];
    QVERIFY2(warning.startsWith("Warning: "), qPrintable(warning));
    for (const char *line : { "empty.wav: no samples", "rate.wav: sampling rate 22050 Hz",
                              "text.wav: Not a WAV file", "three.wav: 3 channels" })
        QVERIFY2(warning.contains(line), line);
    QVERIFY(!warning.contains("good1.wav"));
    QVERIFY(!warning.contains("good2.wav"));
    verifyNoSession(w);
    QCOMPARE(w.lineEditFs->text(), QString("48000"));
}

void TestPreparation::repetitionCountBelowOneIsRefused()
{
    MainWindow w;
    w.show();
    DialogDriver driver;
    for (const char *count : { "0", "-3", "many" }) {
        driver.seen.clear();
        w.lineEditNTimes->setText(count);
        driver.answer(QMessageBox::Ok); // a folder dialog first would fail this step
        w.pushButtonPractice->click();
        QVERIFY2(driver.errors.isEmpty(), qPrintable(driver.errors.join('\n')));
        QCOMPARE(driver.seen.size(), 1);
        QVERIFY2(driver.seen[0].startsWith("Warning: "), qPrintable(driver.seen[0]));
        verifyNoSession(w);
    }
}

QTEST_MAIN(TestPreparation)
#include "test_preparation.moc"
