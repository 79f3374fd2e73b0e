#include "app/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The main window as the experimenter first sees it, and the controls that
// keep the session record in step while typing.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpState()
    {
        MainWindow w;
        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Orlin Lab | Tellwyn (v09) | Main Window"));
        const QString desktop = w.parameters.desktopPath;
        // Only the subject code, session number and repetition count are typed in.
        const QList<std::tuple<QLineEdit *, QString, bool>> texts = {
            { w.lineEditFs, "48000", false },
            { w.lineEditSoundDuration, "250.000", false },
            { w.lineEditSi, "1000.000", false },
            { w.lineEditSubCode, "SUB001", true },
            { w.lineEditSesNum, "1", true },
            { w.lineEditNTimes, "1", true },
            { w.lineEditWavFilePath, desktop, false },
            { w.lineEditWavFileName, "SUB001_01.wav", false },
            { w.lineEditOutputFilePath, desktop + "/SUB001", false },
            { w.lineEditOutputFileName, "SUB001_practice001.txt", false },
            { w.lineEditStatus, "not started yet", false },
        };
        for (const auto &t : texts) {
            QCOMPARE(std::get<0>(t)->text(), std::get<1>(t));
            QCOMPARE(std::get<0>(t)->isEnabled(), std::get<2>(t));
        }
        for (QCheckBox *c : { w.checkBoxSaveData, w.checkBoxFeedBack, w.checkBoxAutoPlay })
            QVERIFY(c->isChecked() && c->isEnabled());
        QVERIFY(w.pushButtonPractice->isEnabled() && w.pushButtonQuit->isEnabled());
        QVERIFY(!w.pushButtonExperiment->isEnabled() && !w.pushButtonGo->isEnabled());
    }
    // disconnect() succeeds only for a connection that exists, signature for signature.
    void everyConnectionExists()
    {
        MainWindow w;
        const QList<std::tuple<QObject *, QByteArray, QByteArray>> connections = {
            { w.pushButtonPractice, "clicked(bool)", "pushButtonPractice_clicked()" },
            { w.pushButtonExperiment, "clicked(bool)", "pushButtonExperiment_clicked()" },
            { w.pushButtonGo, "clicked(bool)", "pushButtonGo_clicked()" },
            { w.pushButtonQuit, "clicked(bool)", "close()" },
            { w.comboBoxSesType, "currentIndexChanged(int)",
              "comboBoxSesType_currentIndexChanged(int)" },
            { w.comboBoxSoundType, "currentIndexChanged(int)",
              "comboBoxSoundType_currentIndexChanged(int)" },
            { w.comboBoxMainParameter, "currentIndexChanged(int)",
              "comboBoxMainParameter_currentIndexChanged(int)" },
            { w.lineEditSubCode, "textChanged(QString)", "lineEditSubCode_textChanged(QString)" },
            { w.lineEditSesNum, "textChanged(QString)", "lineEditSesNum_textChanged(QString)" },
            { w.checkBoxSaveData, "stateChanged(int)", "checkBoxSaveData_stateChanged(int)" },
            { w.checkBoxFeedBack, "stateChanged(int)", "checkBoxFeedBack_stateChanged(int)" },
            { w.checkBoxAutoPlay, "stateChanged(int)", "checkBoxAutoPlay_stateChanged(int)" },
        };
        for (const auto &c : connections)
            QVERIFY2(QObject::disconnect(std::get<0>(c), "2" + std::get<1>(c), &w,
                                         "1" + std::get<2>(c)),
                     std::get<2>(c).constData());
    }
    void feedbackForcesAutomaticPlay()
    {
        MainWindow w;
        w.show();
        w.checkBoxAutoPlay->setChecked(false);
        QVERIFY(!w.parameters.autoPlay);
        QTest::mouseClick(w.checkBoxFeedBack, Qt::LeftButton);
        QVERIFY(!w.parameters.feedBack && w.parameters.autoPlay);
        QVERIFY(w.checkBoxAutoPlay->isChecked() && !w.checkBoxAutoPlay->isEnabled());
        QTest::mouseClick(w.checkBoxFeedBack, Qt::LeftButton);
        QVERIFY(w.parameters.feedBack);
        QVERIFY(w.checkBoxAutoPlay->isChecked() && w.checkBoxAutoPlay->isEnabled());
    }
    void outputPathAndNameFollowEveryKeystroke()
    {
        MainWindow w;
        w.show();
        const QString desktop = w.parameters.desktopPath;
        w.lineEditSubCode->clear();
        QCOMPARE(w.lineEditOutputFilePath->text(), desktop + "/");
        QCOMPARE(w.lineEditOutputFileName->text(), QStringLiteral("_practice001.txt"));
        QString typed;
        for (const char ch : { 'A', 'B', '/', '7' }) { // a slash goes into the path as typed
            QTest::keyClick(w.lineEditSubCode, ch);
            typed += ch;
            QCOMPARE(w.parameters.subCode, typed);
            QCOMPARE(w.lineEditOutputFilePath->text(), desktop + "/" + typed);
            QCOMPARE(w.parameters.outputFilePath, desktop + "/" + typed);
            QCOMPARE(w.lineEditOutputFileName->text(), typed + "_practice001.txt");
        }
    }
    void sessionNumberAndTypeRebuildTheFileName()
    {
        MainWindow w;
        w.show();
        w.lineEditSesNum->clear();
        QCOMPARE(w.parameters.sesNum, 0);
        QCOMPARE(w.lineEditOutputFileName->text(), QStringLiteral("SUB001_practice000.txt"));
        QTest::keyClicks(w.lineEditSesNum, "1234");
        QCOMPARE(w.lineEditOutputFileName->text(), QStringLiteral("SUB001_practice1234.txt"));
        w.lineEditSesNum->setText(QStringLiteral("x2"));
        QCOMPARE(w.parameters.sesNum, 0);
        w.lineEditSesNum->setText(QStringLiteral("7"));
        w.comboBoxSesType->setCurrentIndex(1);
        QCOMPARE(w.parameters.sesTypeIndex, 1);
        QCOMPARE(w.lineEditOutputFileName->text(), QStringLiteral("SUB001_experiment007.txt"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
