#include "app/mainwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace wavwriter;

// Preparation driven through the real dialogs: "Practice" with a folder of
// tokens, without tokens, cancelled, with bad tokens, and a bad count.
class TestPreparation : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    MainWindow *w = nullptr;
    sessiondriver::DialogPilot *pilot = nullptr;

    QString folder(const QString &name, const QVector<QPair<QString, QByteArray>> &files)
    {
        QDir(dir.path()).mkdir(name);
        for (const auto &file : files)
            put(dir.filePath(name + '/' + file.first), file.second);
        return dir.filePath(name);
    }
    // Clicks "Practice" (the pilot answers the dialogs as planned), then checks what is ready.
    void practice(const char *nTimes, int nTokens, int trials, double fs = 48000)
    {
        w->lineEditNTimes->setText(nTimes);
        w->pushButtonPractice->click();
        QVERIFY2(pilot->clean(), pilot->errors());
        QCOMPARE(QVector<int>({ w->nTokens, w->stimOrder.size(), w->parameters.entries.size() }),
                 QVector<int>({ nTokens, trials, trials }));
        QCOMPARE(w->pushButtonGo->isEnabled(), trials > 0);
        QCOMPARE(w->lineEditFs->text(), QString::number(fs));
        if (trials > 0) {
            QCOMPARE(w->lineEditStatus->text(), QString("practice 1/%1").arg(trials));
            QCOMPARE(w->parameters.fs, fs);
            QCOMPARE(w->audioFormat.sampleRate(), int(fs));
        }
    }

private slots:
    void init()
    {
        w = new MainWindow;
        w->show();
        pilot = new sessiondriver::DialogPilot;
    }
    void cleanup() { delete pilot, delete w; }

    void practiceTwice()
    {
        const QString folder48 = folder("s48",
                                        { { "mom_001.wav", ramp16(48000, 1, 4800) },
                                          { "b.wav", ramp16(48000, 1, 9600) },
                                          { "c.wav", ramp16(48000, 1, 2400) } });
        pilot->chooseFolder(folder48);
        practice("2", 3, 6);
        QVERIFY(!w->pushButtonExperiment->isEnabled());
        QCOMPARE(w->lineEditWavFilePath->text(), folder48);
        const QString first = w->parameters.tokens[w->stimOrder[0]].fileName;
        QCOMPARE(w->lineEditWavFileName->text(), first);
        QCOMPARE(w->parameters.entries[0].fileName, first);
        QCOMPARE(w->signal.size(), first == "b.wav" ? 9600 : first == "c.wav" ? 2400 : 4800);

        // The second one starts afresh, in another folder at the tokens' own rate.
        pilot->chooseFolder(folder(
                "s44",
                { { "x.wav", ramp16(44100, 2, 4410) }, { "y.WAV", ramp16(44100, 2, 4410) } }));
        practice("1", 2, 2, 44100);
        QCOMPARE(w->lineEditSoundDuration->text(), QString("100.000"));
        QCOMPARE(w->signal.size(), 4410);
        QCOMPARE(w->signal[4409], 4409 / 32768.0); // the left channel
    }
    void cancelOrFolderWithoutTokens()
    {
        pilot->cancelFileDialog(); // a question after it would be unexpected
        practice("1", 0, 0);
        QCOMPARE(w->lineEditStatus->text(), QString("not started yet"));
        const QString empty = folder("none", { { "notes.txt", "no sound here" } });
        pilot->chooseFolder(empty); // Yes gives another choice
        pilot->answerBox("Question", QMessageBox::Yes);
        pilot->chooseFolder(folder("one", { { "a.wav", ramp16(48000, 1, 100) } }));
        practice("1", 1, 1);
        pilot->chooseFolder(empty); // No ends without tokens, and Go goes off
        pilot->answerBox("Question", QMessageBox::No);
        practice("1", 0, 0);
        const QString question = "This folder contains no .wav files.\nDo you want to select "
                                 "another folder?";
        QCOMPARE(pilot->boxTexts, QStringList({ question, question }));
    }
    // A count below one, then bad tokens, listed in one warning.
    void refusals()
    {
        for (const char *count : { "0", "-3", "many" }) {
            pilot->answerBox("Warning", QMessageBox::Ok); // a folder dialog first would fail here
            practice(count, 0, 0);
        }
        pilot->chooseFolder(folder("bad",
                                   { { "good1.wav", ramp16(48000, 1, 100) },
                                     { "good2.wav", ramp16(48000, 1, 100) },
                                     { "rate.wav", ramp16(22050, 1, 100) },
                                     { "text.wav", QByteArray(100, 'x') } }));
        pilot->answerBox("Warning", QMessageBox::Ok);
        practice("1", 0, 0);
        const QString warning = pilot->boxTexts.last();
        for (const char *line : { "rate.wav: sampling rate 22050 Hz", "text.wav: Not a WAV file" })
            QVERIFY2(warning.contains(line), line);
        QVERIFY(!warning.contains("good"));
    }
};

QTEST_MAIN(TestPreparation)
#include "test_preparation.moc"
