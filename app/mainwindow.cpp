#include "app/mainwindow.h"
#include "app/screenplacement.h"

#include <QAudioDeviceInfo>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {
const int kButtonMinimumHeight = 60;
const int kRowLayouts = 13;
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    qRegisterMetaType<QAudio::State>("QAudio::State");

    labelSesType = new QLabel(tr("Session type"));
    labelSoundType = new QLabel(tr("Sound type"));
    labelMainParameter = new QLabel(tr("Main parameter"));
    labelSoundFileInfo = new QLabel(tr("Sound File Information"));
    labelFs = new QLabel(tr("Sampling rate"));
    labelSoundDuration = new QLabel(tr("Sound duration (ms)"));
    labelSi = new QLabel(tr("Silent interval (ms)"));
    labelSubCode = new QLabel(tr("Subject code"));
    labelSesNum = new QLabel(tr("Session"));
    labelNTimes = new QLabel(tr("N times per token"));
    labelWavFilePath = new QLabel(tr("WAV filepath"));
    labelWavFileName = new QLabel(tr("WAV filename"));
    labelOutputFilePath = new QLabel(tr("Output filepath"));
    labelOutputFileName = new QLabel(tr("Output filename"));
    labelStatus = new QLabel(tr("Status"));

    comboBoxSesType = new QComboBox;
    comboBoxSoundType = new QComboBox;
    comboBoxMainParameter = new QComboBox;

    lineEditFs = new QLineEdit(QStringLiteral("40000"));
    lineEditSoundDuration = new QLineEdit(QStringLiteral("250.000"));
    lineEditSi = new QLineEdit(QStringLiteral("1000.000"));
    lineEditSubCode = new QLineEdit(QStringLiteral("SUB001"));
    lineEditSesNum = new QLineEdit(QStringLiteral("1"));
    lineEditNTimes = new QLineEdit(QStringLiteral("1"));
    lineEditWavFilePath = new QLineEdit(QStringLiteral("."));
    lineEditWavFileName = new QLineEdit(QStringLiteral("File001.wav"));
    lineEditOutputFilePath = new QLineEdit(QStringLiteral("."));
    lineEditOutputFileName = new QLineEdit(QStringLiteral("SUB001.dat"));
    lineEditStatus = new QLineEdit;

    pushButtonPractice = new QPushButton(tr("Practice"));
    pushButtonExperiment = new QPushButton(tr("Experiment"));
    pushButtonGo = new QPushButton(tr("Go"));
    pushButtonQuit = new QPushButton(tr("Quit"));

    checkBoxSaveData = new QCheckBox(tr("Save data to file"));
    checkBoxFeedBack = new QCheckBox(tr("Provide feedback"));
    checkBoxAutoPlay = new QCheckBox(tr("Play sound automatically"));

    // Named as their members, so that tests find them as a person would, by
    // what they are (findChild).
    const std::pair<QObject *, const char *> named[] = {
        { lineEditFs, "lineEditFs" },
        { lineEditSoundDuration, "lineEditSoundDuration" },
        { lineEditSi, "lineEditSi" },
        { lineEditSubCode, "lineEditSubCode" },
        { lineEditSesNum, "lineEditSesNum" },
        { lineEditNTimes, "lineEditNTimes" },
        { lineEditWavFilePath, "lineEditWavFilePath" },
        { lineEditWavFileName, "lineEditWavFileName" },
        { lineEditOutputFilePath, "lineEditOutputFilePath" },
        { lineEditOutputFileName, "lineEditOutputFileName" },
        { lineEditStatus, "lineEditStatus" },
        { pushButtonPractice, "pushButtonPractice" },
        { pushButtonExperiment, "pushButtonExperiment" },
        { pushButtonGo, "pushButtonGo" },
        { pushButtonQuit, "pushButtonQuit" },
        { checkBoxSaveData, "checkBoxSaveData" },
        { checkBoxFeedBack, "checkBoxFeedBack" },
        { checkBoxAutoPlay, "checkBoxAutoPlay" },
    };
    for (const auto &[object, name] : named)
        object->setObjectName(QLatin1String(name));

    for (int i = 0; i < kRowLayouts; ++i)
        rowLayouts.append(new QHBoxLayout);
    gridLayoutControls = new QGridLayout;
    gridLayoutCharts = new QGridLayout;
    gridLayoutMain = new QGridLayout;
    centralWidget = new QWidget;

    // The connections exist before initialisation, so filling the combo boxes
    // and checking the check boxes there reaches the slots below.
    connect(pushButtonPractice, SIGNAL(clicked(bool)), this, SLOT(pushButtonPractice_clicked()));
    connect(pushButtonExperiment, SIGNAL(clicked(bool)), this,
            SLOT(pushButtonExperiment_clicked()));
    connect(pushButtonGo, SIGNAL(clicked(bool)), this, SLOT(pushButtonGo_clicked()));
    connect(pushButtonQuit, SIGNAL(clicked(bool)), this, SLOT(close()));
    connect(comboBoxSesType, SIGNAL(currentIndexChanged(int)), this,
            SLOT(comboBoxSesType_currentIndexChanged(int)));
    connect(comboBoxSoundType, SIGNAL(currentIndexChanged(int)), this,
            SLOT(comboBoxSoundType_currentIndexChanged(int)));
    connect(comboBoxMainParameter, SIGNAL(currentIndexChanged(int)), this,
            SLOT(comboBoxMainParameter_currentIndexChanged(int)));
    connect(lineEditSubCode, SIGNAL(textChanged(QString)), this,
            SLOT(lineEditSubCode_textChanged(QString)));
    connect(lineEditSesNum, SIGNAL(textChanged(QString)), this,
            SLOT(lineEditSesNum_textChanged(QString)));
    connect(checkBoxSaveData, SIGNAL(stateChanged(int)), this,
            SLOT(checkBoxSaveData_stateChanged(int)));
    connect(checkBoxFeedBack, SIGNAL(stateChanged(int)), this,
            SLOT(checkBoxFeedBack_stateChanged(int)));
    connect(checkBoxAutoPlay, SIGNAL(stateChanged(int)), this,
            SLOT(checkBoxAutoPlay_stateChanged(int)));

    setupLayout();
    initMainWindow();
    createWaveformChart();
    createSpectrumChart();
    createTrendChart();

    // Once the window is up: answers of a session that ended unexpectedly.
    QTimer::singleShot(0, this, [this] { recoverUnfinishedSessions(); });
}

MainWindow::~MainWindow()
{
    // A running session's output is stopped while this window is still whole:
    // an output closed by its own destructor feeds itself once more from the
    // event loop, after its sound server stream is gone.
    stopSession();
    // The widgets in the layouts, the layouts and the chart views (which own
    // their charts, series and axes) go with centralWidget; the subject window
    // and a playing audio output are children of this window.
    delete labelSesType;
    delete labelSoundType;
    delete labelMainParameter;
    delete comboBoxSesType;
    delete comboBoxSoundType;
    delete comboBoxMainParameter;
    delete elapsedTimer;
}

void MainWindow::setWindowGeometry(bool center, double widthFraction, double heightFraction)
{
    placeOnPrimaryScreen(*this, center, widthFraction, heightFraction);
}

void MainWindow::setupLayout()
{
    setWindowGeometry(centerWindow, windowWidthFraction, windowHeightFraction);
    setWindowTitle(QStringLiteral("Orlin Lab | Tellwyn (v09) | Main Window"));

    const QVector<QVector<QWidget *>> rows = {
        { labelWavFilePath, lineEditWavFilePath },
        { labelWavFileName, lineEditWavFileName },
        { labelFs, lineEditFs },
        { labelSoundDuration, lineEditSoundDuration },
        { labelSi, lineEditSi },
        { labelSubCode, lineEditSubCode, checkBoxSaveData },
        { labelSesNum, lineEditSesNum },
        { labelNTimes, lineEditNTimes },
        { checkBoxFeedBack, checkBoxAutoPlay },
        { pushButtonPractice, pushButtonExperiment, pushButtonGo, pushButtonQuit },
        { labelOutputFilePath, lineEditOutputFilePath },
        { labelOutputFileName, lineEditOutputFileName },
        { labelStatus, lineEditStatus },
    };
    gridLayoutControls->addWidget(labelSoundFileInfo, 1, 0, 1, 4);
    for (int r = 0; r < rows.size(); ++r) {
        for (QWidget *w : rows[r])
            rowLayouts[r]->addWidget(w);
        gridLayoutControls->addLayout(rowLayouts[r], r + 2, 0, 1, 4);
    }

    gridLayoutMain->addLayout(gridLayoutControls, 0, 0, 1, 1);
    gridLayoutMain->addLayout(gridLayoutCharts, 0, 1, 1, 1);
    centralWidget->setLayout(gridLayoutMain);
    setCentralWidget(centralWidget);

    labelSoundFileInfo->setAlignment(Qt::AlignHCenter);
    labelSoundFileInfo->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    labelSoundFileInfo->setMinimumWidth(100);

    for (QPushButton *b :
         { pushButtonPractice, pushButtonExperiment, pushButtonGo, pushButtonQuit })
        b->setMinimumHeight(kButtonMinimumHeight);

    gridLayoutMain->setColumnStretch(0, 1);
    gridLayoutMain->setColumnStretch(1, 2);
}

void MainWindow::initMainWindow()
{
    SessionParameters &p = parameters;

    comboBoxSesType->addItems(p.sesTypeNames);
    comboBoxSoundType->addItems(p.soundTypeNames);
    comboBoxMainParameter->addItems(p.mainParameterNames);
    p.sesTypeIndex = 0;
    p.soundTypeIndex = 0;
    p.mainParameterIndex = 0;
    comboBoxSesType->setCurrentIndex(0);
    comboBoxSoundType->setCurrentIndex(0);
    comboBoxMainParameter->setCurrentIndex(0);

    lineEditSoundDuration->setText(QString::number(p.soundDuration * 1000, 'f', 3));
    lineEditSoundDuration->setEnabled(false);

    checkBoxSaveData->setChecked(p.saveData);
    checkBoxFeedBack->setChecked(p.feedBack);
    checkBoxAutoPlay->setChecked(p.autoPlay);

    lineEditSi->setText(QString::number(p.si * 1000, 'f', 3));
    lineEditSi->setEnabled(false);

    lineEditWavFilePath->setText(p.wavFilePath);
    lineEditWavFileName->setText(p.wavFileName);
    lineEditWavFilePath->setEnabled(false);
    lineEditWavFileName->setEnabled(false);

    lineEditOutputFilePath->setText(p.outputFilePath);
    updateOutputFilePath();
    updateOutputFileName();
    lineEditOutputFilePath->setEnabled(false);
    lineEditOutputFileName->setEnabled(false);
    lineEditStatus->setEnabled(false);

    lineEditSubCode->setText(p.subCode);
    lineEditSesNum->setText(QString::number(p.sesNum));
    lineEditNTimes->setText(QString::number(p.nTimes));

    lineEditFs->setText(QString::number(p.fs, 'g', 6));
    lineEditFs->setEnabled(false);

    pushButtonPractice->setEnabled(true);
    pushButtonExperiment->setEnabled(false);
    pushButtonGo->setEnabled(false);

    lineEditStatus->setText(tr("not started yet"));

    nPlaysPerTrial = 1;
    nPlays = 0;

    // Derived sizes and display buffers.
    waveformTime.resize(p.nSamplesToPlot);
    trendY.resize(0);
    trendPoints.resize(nTokens);
    p.alwaysPlotEntireWaveformFlag = true;
    p.nSamplesToPlot = static_cast<int>(std::floor(p.fs * p.durationToPlot));
    waveformPoints.resize(p.nSamplesToPlot);
    waveformRange.resize(2);
    spectrumRange.resize(2);
    trendRange.resize(2);
    applySpectrumSizing();

    axisLabelsFont.setPixelSize(10);
    axisLabelsFont.setWeight(QFont::Normal);
    axisTitleFont.setPixelSize(10);
    axisTitleFont.setWeight(QFont::Normal);
    chartTitleFont.setPixelSize(12);
    chartTitleFont.setWeight(QFont::Normal);

    elapsedTimer = new QElapsedTimer;

    audioFormat.setSampleRate(static_cast<int>(p.fs));
    audioFormat.setChannelCount(1);
    audioFormat.setSampleSize(32);
    audioFormat.setCodec(QStringLiteral("audio/pcm"));
    audioFormat.setByteOrder(QAudioFormat::LittleEndian);
    audioFormat.setSampleType(QAudioFormat::Float);
    checkAudioFormat();
}

bool MainWindow::checkAudioFormat()
{
    const bool supported = QAudioDeviceInfo::defaultOutputDevice().isFormatSupported(audioFormat);
    if (!supported)
        qWarning() << "Raw audio format not supported by backend, cannot play audio.";
    return supported;
}

void MainWindow::comboBoxSesType_currentIndexChanged(int i)
{
    parameters.sesTypeIndex = i;
    updateOutputFileName();
}

void MainWindow::comboBoxSoundType_currentIndexChanged(int i)
{
    parameters.soundTypeIndex = i;
    updateOutputFileName();
}

void MainWindow::comboBoxMainParameter_currentIndexChanged(int i)
{
    parameters.mainParameterIndex = i;
    updateOutputFileName();
}

void MainWindow::lineEditSubCode_textChanged(QString arg1)
{
    parameters.subCode = arg1;
    updateOutputFilePath();
    updateOutputFileName();
}

void MainWindow::lineEditSesNum_textChanged(QString arg1)
{
    parameters.sesNum = arg1.toInt(nullptr, 10);
    updateOutputFileName();
}

void MainWindow::checkBoxSaveData_stateChanged(int state)
{
    parameters.saveData = state == Qt::Checked;
}

void MainWindow::checkBoxFeedBack_stateChanged(int state)
{
    parameters.feedBack = state == Qt::Checked;
    if (parameters.feedBack) {
        checkBoxAutoPlay->setEnabled(true);
    } else {
        // A session without feedback always plays automatically.
        checkBoxAutoPlay->setChecked(true);
        checkBoxAutoPlay->setEnabled(false);
    }
}

void MainWindow::checkBoxAutoPlay_stateChanged(int state)
{
    parameters.autoPlay = state == Qt::Checked;
}

void MainWindow::refreshMainWindow()
{
    // Closed in the middle of a session: no sound may follow once the
    // listener's window is gone, and the answers given so far are offered for
    // saving. Closed before "I am ready": the output opened at "Go" closes.
    const bool interrupted = trials.isRunning();
    if (interrupted)
        stopSession();
    else
        releasePlaybackObjects();
    setEnabled(true);
    lineEditNTimes->setEnabled(true);
    pushButtonPractice->setEnabled(true);
    pushButtonExperiment->setEnabled(true);
    pushButtonGo->setEnabled(false);
    if (interrupted)
        offerAnswersSoFar();
}
