#include "app/mainwindow.h"
#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <fstream>
#include <sstream>

using namespace sessiondriver;

namespace {
const int kSoundTimeoutMs = 10000;
const int kNameMax = 255; // bytes in one file name

// Files by their UTF-8 bytes, as a UTF-8 system stores them, whatever codec
// Qt picked for the locale: a wrong decoding cannot cancel itself out.
bool putUtf8(const QString &path, const QByteArray &bytes)
{
    std::ofstream out(path.toUtf8().constData(), std::ios::binary);
    out.write(bytes.constData(), bytes.size());
    return bool(out);
}
QByteArray getUtf8(const QString &path)
{
    std::ifstream in(path.toUtf8().constData(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return QByteArray::fromStdString(all.str());
}
} // namespace

// Token folders that carry awkward names, driven through the real
// windows. The whole program runs in the C locale (see main).
class TestAwkwardTokens : public QObject
{
    Q_OBJECT

    QTemporaryDir workDir;
    MainWindow *w = nullptr;
    DialogPilot *pilot = nullptr;
    QSignalSpy *soundsOver = nullptr;

    QString tokenFolder(const QString &name, const QStringList &tokens)
    {
        const QString folder = workDir.filePath(name);
        QDir().mkpath(folder);
        for (const QString &token : tokens) {
            const QVector<qint16> tone = offsetTone(4800, 440); // 100 ms
            putUtf8(folder + '/' + token, wavwriter::canonical(wavwriter::pcm16(tone)));
        }
        return folder;
    }
    // Prepares two trials without feedback, quick to play, and starts them.
    void prepareAndStart(const QString &folder)
    {
        part<QLineEdit>(w, "lineEditSubCode")->setText("SUB001");
        part<QLineEdit>(w, "lineEditNTimes")->setText("1");
        part<QLineEdit>(w, "lineEditSi")->setText("50");
        part<QCheckBox>(w, "checkBoxFeedBack")->setChecked(false);
        pilot->chooseFolder(folder);
        part<QPushButton>(w, "pushButtonPractice")->click();
        QVERIFY2(pilot->clean() && part<QPushButton>(w, "pushButtonGo")->isEnabled(),
                 pilot->errors());
        part<QPushButton>(w, "pushButtonGo")->click();
        w->currentSubjectWindow()->pushButtonIAmReady->click();
    }
    void answerMother()
    {
        QTRY_VERIFY_WITH_TIMEOUT(w->currentSubjectWindow()->pushButtonChoice2->isEnabled(),
                                 kSoundTimeoutMs);
        w->currentSubjectWindow()->pushButtonChoice2->click();
    }
    void closeSubjectWindow()
    {
        pilot->answerBox("Confirmation MessageBox", QMessageBox::Yes);
        w->currentSubjectWindow()->close();
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QVERIFY(w->isEnabled());
    }

private slots:
    void init()
    {
        w = new MainWindow;
        w->show();
        pilot = new DialogPilot;
        soundsOver = new QSignalSpy(w, SIGNAL(soundPlaying(int)));
    }
    void cleanup() { delete soundsOver, delete pilot, delete w; }

    // Listed, checked, shown, played and written under their own names.
    void nonAsciiAndLongNames()
    {
        QCOMPARE(QByteArray(std::setlocale(LC_CTYPE, nullptr)), QByteArray("C"));
        QString longName = "Mère ü 001 ";
        while (longName.toUtf8().size() < kNameMax - 4)
            longName += 'x';
        longName += ".wav";
        const QStringList names = { longName, "fremd é ü.wav" };
        const QString folder = tokenFolder("Stimmen é ü", names);
        if (QTest::currentTestFailed())
            return;
        prepareAndStart(folder);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(w->tokenCount(), 2);
        QCOMPARE(w->sessionParameters().tokens[0].fileName, names[1]); // "f" before "m"
        QCOMPARE(w->sessionParameters().tokens[1].fileName, names[0]);
        const QString out = workDir.filePath("Ergebnisse é ü") + "/run é.txt";
        pilot->saveAs(out);
        for (int k = 0; k < 2; ++k) {
            answerMother();
            if (QTest::currentTestFailed())
                return;
        }
        QTRY_VERIFY2(pilot->clean(), pilot->errors());
        QCOMPARE(soundsOver->count(QVariantList { -1 }), 2);

        const QByteArray entries = getUtf8(out.chopped(4) + "_entries.txt");
        QCOMPARE(entries.count('\n'), 2);
        QCOMPARE(entries.count((longName + "\tmother\tmother\t1\t").toUtf8()), 1);
        QCOMPARE(entries.count((names[1] + "\tstranger\tmother\t0\t").toUtf8()), 1);
        const QByteArray records = getUtf8(out);
        QVERIFY(records.contains(("\n" + names[1] + "\t1\t0\t").toUtf8()));
        QVERIFY(records.contains(("\n" + longName + "\t1\t0\t").toUtf8()));
        QVERIFY(getUtf8(out.chopped(4) + "_parameters.txt")
                        .contains(("\nwavFilePath: " + folder + "\n").toUtf8()));
        closeSubjectWindow();
    }
};

int main(int argc, char *argv[])
{
    // Names must survive a locale without an encoding; set before Qt reads it.
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    return runInScratchHome<TestAwkwardTokens>(argc, argv);
}

#include "test_awkwardtokens.moc"
