#include "trial/subjectwindow.h"

#include "tests/gui/sessiondriver.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

// The subject window on its own: its states, the codes it sends, the
// feedback images, the result text and the close confirmation.
class TestSubjectWindow : public QObject
{
    Q_OBJECT

private slots:
    void readyState();
    void trialStatesAndCodes_data();
    void trialStatesAndCodes();
    void finishShowsDone();
    void closeAsksFirst();
};

namespace {
const QString kMotherToken = QStringLiteral("talk_001_b.wav");
const QString kStrangerToken = QStringLiteral("talk_017_b.wav");
} // namespace

void TestSubjectWindow::readyState()
{
    SubjectWindow sw(nullptr);
    sw.show();
    QCOMPARE(sw.windowTitle(), QStringLiteral("Orlin Lab | Tellwyn (v09) | Subject Window"));
    QVERIFY(sw.pushButtonIAmReady->isVisible() && sw.isEnabled());
    for (QWidget *hidden :
         { static_cast<QWidget *>(sw.pushButtonChoice2),
           static_cast<QWidget *>(sw.pushButtonChoice4), static_cast<QWidget *>(sw.pushButtonNext),
           static_cast<QWidget *>(sw.pushButtonDone), static_cast<QWidget *>(sw.labelResult) })
        QVERIFY(!hidden->isVisible());
    QCOMPARE(sw.pushButtonChoice2->text(), QStringLiteral("Mother"));
    QCOMPARE(sw.pushButtonChoice4->text(), QStringLiteral("Stranger"));
}

void TestSubjectWindow::trialStatesAndCodes_data()
{
    QTest::addColumn<bool>("feedBack");
    QTest::addColumn<bool>("autoPlay");
    QTest::addColumn<QString>("token");
    QTest::addColumn<bool>("clickMother");
    QTest::addColumn<QString>("image"); // expected on the clicked button; empty: none
    QTest::newRow("mother token, Mother") << true << true << kMotherToken << true << "correct.png";
    QTest::newRow("mother token, Stranger")
            << true << false << kMotherToken << false << "incorrect.png";
    QTest::newRow("stranger token, Mother")
            << true << true << kStrangerToken << true << "incorrect.png";
    QTest::newRow("stranger token, Stranger")
            << true << false << kStrangerToken << false << "correct.png";
    QTest::newRow("no feedback") << false << true << kMotherToken << true << "";
}

void TestSubjectWindow::trialStatesAndCodes()
{
    QFETCH(bool, feedBack);
    QFETCH(bool, autoPlay);
    QFETCH(QString, token);
    QFETCH(bool, clickMother);
    QFETCH(QString, image);

    SubjectWindow sw(nullptr);
    sw.receiveFeedBackStatus(feedBack);
    sw.receiveAutoPlayStatus(autoPlay);
    sw.receiveSubCode("SUB001");
    sw.receiveWavFileName(token);
    sw.show();
    QSignalSpy codes(&sw, SIGNAL(subjectResponded(int)));

    sw.pushButtonIAmReady->click();
    QVERIFY(!sw.isEnabled());
    QVERIFY(sw.pushButtonChoice2->isVisible() && !sw.pushButtonIAmReady->isVisible());
    QCOMPARE(sw.pushButtonNext->isVisible(), feedBack);

    sw.updateSubjectWindow(1); // a sound starts
    QVERIFY(!sw.isEnabled() && !sw.pushButtonChoice2->isEnabled());
    sw.updateSubjectWindow(-1); // and is over
    QVERIFY(sw.isEnabled() && sw.pushButtonChoice2->isEnabled()
            && sw.pushButtonChoice4->isEnabled());
    QVERIFY(sw.pushButtonChoice2->styleSheet().startsWith("QPushButton:hover"));
    QCOMPARE(sw.pushButtonNext->isVisible(), !autoPlay);
    if (!autoPlay)
        QVERIFY(!sw.pushButtonNext->isEnabled()); // shown, usable after the answer

    const QString before = sw.pushButtonChoice2->styleSheet();
    QPushButton *clicked = clickMother ? sw.pushButtonChoice2 : sw.pushButtonChoice4;
    QPushButton *other = clickMother ? sw.pushButtonChoice4 : sw.pushButtonChoice2;
    clicked->click();
    QVERIFY(!sw.pushButtonChoice2->isEnabled() && !sw.pushButtonChoice4->isEnabled());
    QVERIFY(sw.pushButtonNext->isEnabled());
    if (image.isEmpty())
        QCOMPARE(clicked->styleSheet(), before);
    else
        QVERIFY2(clicked->styleSheet().contains("url(" + image + ")"),
                 qPrintable(clicked->styleSheet()));
    QCOMPARE(other->styleSheet(), before);

    // The image stays until the next sound is over.
    sw.pushButtonNext->setVisible(true);
    sw.pushButtonNext->click();
    QVERIFY(!sw.isEnabled());
    if (!image.isEmpty())
        QVERIFY(clicked->styleSheet().contains(image));
    sw.updateSubjectWindow(-1);
    QVERIFY(!clicked->styleSheet().contains("png"));

    const QList<int> expected = { 0, clickMother ? 2 : 4, 5 };
    QCOMPARE(codes.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(codes[i][0].toInt(), expected[i]);
}

void TestSubjectWindow::finishShowsDone()
{
    for (bool feedBack : { true, false }) {
        SubjectWindow sw(nullptr);
        sw.receiveFeedBackStatus(feedBack);
        sw.show();
        sw.pushButtonIAmReady->click();
        sw.finishExperiment(0.25, 0, 0);
        QVERIFY(sw.isEnabled() && sw.pushButtonDone->isVisible());
        QCOMPARE(sw.pushButtonChoice2->isVisible(), feedBack);
        QCOMPARE(sw.pushButtonChoice4->isVisible(), feedBack);
        QVERIFY(!sw.pushButtonNext->isVisible());
        QCOMPARE(sw.labelResult->text(),
                 QStringLiteral("Frequency Difference = 25 %,   Reaction Time = 0 ms"));
    }
}

void TestSubjectWindow::closeAsksFirst()
{
    SubjectWindow sw(nullptr);
    sw.show();
    QSignalSpy closed(&sw, SIGNAL(subjectWindowClosed()));
    sessiondriver::DialogPilot pilot;

    for (auto button : { QMessageBox::No, QMessageBox::Cancel }) {
        pilot.answerBox("Confirmation MessageBox", button);
        sw.close();
        QTRY_VERIFY(pilot.done());
        QVERIFY(sw.isVisible());
        QCOMPARE(closed.size(), 0);
    }
    pilot.answerBox("Confirmation MessageBox", QMessageBox::Yes);
    sw.pushButtonDone->click(); // hidden, but "Done" closes the same way
    QTRY_VERIFY(pilot.done());
    QVERIFY(!sw.isVisible());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(pilot.boxTexts.last(), QStringLiteral("Do you want to close this window?\n"));
    QVERIFY(pilot.unexpected.isEmpty());
}

QTEST_MAIN(TestSubjectWindow)
#include "test_subjectwindow.moc"
