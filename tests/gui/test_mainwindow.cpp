#include "app/mainwindow.h"

#include <QAudioDeviceInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The main window as the experimenter first sees it, and the controls that
// keep the session record in step while typing.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpState();
    void everyConnectionExists();
    void feedbackForcesAutomaticPlay();
    void outputPathAndNameFollowEveryKeystroke();
    void sessionNumberRebuildsTheFileName();
    void readParametersTakesTheControls();
    void defaultOutputPlaysTheFormat();
};

void TestMainWindow::startUpState()
{
    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orlin Lab | Tellwyn (v09) | Main Window"));

    const QList<QPair<QLineEdit *, QString>> texts = {
        { w.lineEditFs, "48000" },
        { w.lineEditSoundDuration, "250.000" },
        { w.lineEditSi, "1000.000" },
        { w.lineEditSubCode, "SUB001" },
        { w.lineEditSesNum, "1" },
        { w.lineEditNTimes, "1" },
        { w.lineEditWavFilePath, w.parameters.desktopPath },
        { w.lineEditWavFileName, "SUB001_01.wav" },
        { w.lineEditOutputFilePath, w.parameters.desktopPath + "/SUB001" },
        { w.lineEditOutputFileName, "SUB001_practice001.txt" },
        { w.lineEditStatus, "not started yet" },
    };
    for (const auto &t : texts)
        QCOMPARE(t.first->text(), t.second);

    // Only the subject code, session number and repetition count are typed in.
    for (QLineEdit *e : { w.lineEditSubCode, w.lineEditSesNum, w.lineEditNTimes })
        QVERIFY(e->isEnabled());
    for (QLineEdit *e : { w.lineEditFs, w.lineEditSoundDuration, w.lineEditSi,
                          w.lineEditWavFilePath, w.lineEditWavFileName, w.lineEditOutputFilePath,
                          w.lineEditOutputFileName, w.lineEditStatus })
        QVERIFY2(!e->isEnabled(), qPrintable(e->text()));

    for (QCheckBox *c : { w.checkBoxSaveData, w.checkBoxFeedBack, w.checkBoxAutoPlay }) {
        QVERIFY(c->isChecked());
        QVERIFY(c->isEnabled());
    }
    QCOMPARE(w.checkBoxSaveData->text(), QStringLiteral("Save data to file"));
    QCOMPARE(w.checkBoxFeedBack->text(), QStringLiteral("Provide feedback"));
    QCOMPARE(w.checkBoxAutoPlay->text(), QStringLiteral("Play sound automatically"));

    QVERIFY(w.pushButtonPractice->isEnabled());
    QVERIFY(!w.pushButtonExperiment->isEnabled());
    QVERIFY(!w.pushButtonGo->isEnabled());
    QVERIFY(w.pushButtonQuit->isEnabled());
    QCOMPARE(w.pushButtonPractice->text(), QStringLiteral("Practice"));
    QCOMPARE(w.pushButtonExperiment->text(), QStringLiteral("Experiment"));
    QCOMPARE(w.pushButtonGo->text(), QStringLiteral("Go"));
    QCOMPARE(w.pushButtonQuit->text(), QStringLiteral("Quit"));
    QCOMPARE(w.pushButtonGo->minimumHeight(), 60);

    QCOMPARE(w.labelSoundFileInfo->text(), QStringLiteral("Sound File Information"));
    QCOMPARE(w.labelNTimes->text(), QStringLiteral("N times per token"));
    QVERIFY(w.labelSoundFileInfo->isVisible());
    QVERIFY(!w.labelSesType->isVisible());
    QVERIFY(!w.comboBoxSesType->isVisible());

    // The hidden combo boxes hold the session type and reached their slots.
    QCOMPARE(w.comboBoxSesType->count(), 2);
    QCOMPARE(w.comboBoxSesType->itemText(1), QStringLiteral("experiment"));
    QCOMPARE(w.parameters.sesTypeIndex, 0);

    // Derived sizes of the display at start-up.
    QVERIFY(w.parameters.alwaysPlotEntireWaveformFlag);
    QCOMPARE(w.parameters.nSamplesToPlot, 12000);
    QCOMPARE(w.waveformRange.size(), 2);
    QCOMPARE(w.nPlaysPerTrial, 1);
    QVERIFY(w.elapsedTimer && !w.elapsedTimer->isValid());

    QCOMPARE(w.audioFormat.sampleRate(), 48000);
    QCOMPARE(w.audioFormat.channelCount(), 1);
    QCOMPARE(w.audioFormat.sampleSize(), 32);
    QCOMPARE(w.audioFormat.sampleType(), QAudioFormat::Float);
    QCOMPARE(w.audioFormat.byteOrder(), QAudioFormat::LittleEndian);
    QCOMPARE(w.audioFormat.codec(), QStringLiteral("audio/pcm"));
}

void TestMainWindow::everyConnectionExists()
{
    // disconnect() succeeds only for a connection that exists, signature for signature.
    MainWindow w;
    const struct
    {
        QObject *sender;
        const char *signal;
        const char *slot;
    } connections[] = {
        { w.pushButtonPractice, SIGNAL(clicked(bool)), SLOT(pushButtonPractice_clicked()) },
        { w.pushButtonExperiment, SIGNAL(clicked(bool)), SLOT(pushButtonExperiment_clicked()) },
        { w.pushButtonGo, SIGNAL(clicked(bool)), SLOT(pushButtonGo_clicked()) },
        { w.pushButtonQuit, SIGNAL(clicked(bool)), SLOT(close()) },
        { w.comboBoxSesType, SIGNAL(currentIndexChanged(int)),
          SLOT(comboBoxSesType_currentIndexChanged(int)) },
        { w.comboBoxSoundType, SIGNAL(currentIndexChanged(int)),
          SLOT(comboBoxSoundType_currentIndexChanged(int)) },
        { w.comboBoxMainParameter, SIGNAL(currentIndexChanged(int)),
          SLOT(comboBoxMainParameter_currentIndexChanged(int)) },
        { w.lineEditSubCode, SIGNAL(textChanged(QString)),
          SLOT(lineEditSubCode_textChanged(QString)) },
        { w.lineEditSesNum, SIGNAL(textChanged(QString)),
          SLOT(lineEditSesNum_textChanged(QString)) },
        { w.checkBoxSaveData, SIGNAL(stateChanged(int)), SLOT(checkBoxSaveData_stateChanged(int)) },
        { w.checkBoxFeedBack, SIGNAL(stateChanged(int)), SLOT(checkBoxFeedBack_stateChanged(int)) },
        { w.checkBoxAutoPlay, SIGNAL(stateChanged(int)), SLOT(checkBoxAutoPlay_stateChanged(int)) },
    };
    for (const auto &c : connections)
        QVERIFY2(QObject::disconnect(c.sender, c.signal, &w, c.slot), c.slot);
}

void TestMainWindow::feedbackForcesAutomaticPlay()
{
    MainWindow w;
    w.show();
    w.checkBoxAutoPlay->setChecked(false);
    QVERIFY(!w.parameters.autoPlay);

    QTest::mouseClick(w.checkBoxFeedBack, Qt::LeftButton);
    QVERIFY(!w.parameters.feedBack);
    QVERIFY(w.checkBoxAutoPlay->isChecked());
    QVERIFY(!w.checkBoxAutoPlay->isEnabled());
    QVERIFY(w.parameters.autoPlay);

    QTest::mouseClick(w.checkBoxFeedBack, Qt::LeftButton);
    QVERIFY(w.parameters.feedBack);
    QVERIFY(w.checkBoxAutoPlay->isEnabled());
    QVERIFY(w.checkBoxAutoPlay->isChecked());

    QTest::mouseClick(w.checkBoxSaveData, Qt::LeftButton);
    QVERIFY(!w.parameters.saveData);
}

void TestMainWindow::outputPathAndNameFollowEveryKeystroke()
{
    MainWindow w;
    w.show();
    const QString desktop = w.parameters.desktopPath;
    w.lineEditSubCode->clear();
    QCOMPARE(w.lineEditOutputFilePath->text(), desktop + "/");
    QCOMPARE(w.lineEditOutputFileName->text(), QStringLiteral("_practice001.txt"));

    const QString code = QStringLiteral("AB/7");
    QString typed;
    for (const QChar ch : code) {
        QTest::keyClick(w.lineEditSubCode, ch.toLatin1());
        typed += ch;
        QCOMPARE(w.parameters.subCode, typed);
        QCOMPARE(w.lineEditOutputFilePath->text(), desktop + "/" + typed);
        QCOMPARE(w.parameters.outputFilePath, desktop + "/" + typed);
        QCOMPARE(w.lineEditOutputFileName->text(), typed + "_practice001.txt");
    }
}

void TestMainWindow::sessionNumberRebuildsTheFileName()
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

    w.lineEditSesNum->setText(QStringLiteral("3"));
    w.comboBoxSesType->setCurrentIndex(1);
    QCOMPARE(w.parameters.sesTypeIndex, 1);
    QCOMPARE(w.lineEditOutputFileName->text(), QStringLiteral("SUB001_experiment003.txt"));
}

void TestMainWindow::readParametersTakesTheControls()
{
    MainWindow w;
    w.lineEditSubCode->setText(QStringLiteral("KID042"));
    w.lineEditNTimes->setText(QStringLiteral("3"));
    w.checkBoxFeedBack->setChecked(false);
    w.parameters.fs = 1; // overwritten from the control
    w.readParameters();
    const SessionParameters &p = w.parameters;
    QCOMPARE(p.fs, 48000.0);
    QCOMPARE(p.soundDuration, 0.25);
    QCOMPARE(p.si, 1.0);
    QCOMPARE(p.nTimes, 3);
    QCOMPARE(p.subCode, QStringLiteral("KID042"));
    QCOMPARE(p.outputFilePath, p.desktopPath + "/KID042");
    QCOMPARE(p.outputFileName, QStringLiteral("KID042_practice001.txt"));
    QVERIFY(!p.feedBack);
    QVERIFY(p.autoPlay);
    QCOMPARE(p.nSamples, 12000);
    QCOMPARE(p.nSamplesToPlot, 12000);
}

void TestMainWindow::defaultOutputPlaysTheFormat()
{
    // The test script starts a sound server whose default output is a null
    // sink; playback in the session tests is real only if this holds.
    const QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    QVERIFY2(!device.isNull(), "no default audio output: is the test sound server running?");
    QCOMPARE(device.deviceName(), QStringLiteral("null"));
    MainWindow w;
    QVERIFY(device.isFormatSupported(w.audioFormat));
    QVERIFY(w.checkAudioFormat());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
