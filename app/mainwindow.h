#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "analysis/chartdata.h"
#include "analysis/spectrumahead.h"
#include "app/sessionparameters.h"
#include "sound/wavfile.h"
#include "trial/sessionjournal.h"
#include "trial/soundoutput.h"
#include "trial/trialsequence.h"
#include "trial/trialtiming.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QFont>
#include <QMainWindow>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>
#include <QtCharts/QChartGlobal>

class QBuffer;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class SubjectWindow;

QT_CHARTS_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
QT_CHARTS_END_NAMESPACE

// The experimenter's window and the hub of a session: it owns the controls,
// the session record, the tokens and trial entries, the current token's
// samples, the charts and the playback objects. Its operations live in the
// folder of their subsystem (app/, sound/, trial/, analysis/).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // --- What the tests and benches read, and the settings made from outside ---
    // The controls and chart views carry their member's name as object name
    // (findChild<QLineEdit *>("lineEditNTimes")); what the window keeps is read
    // here.
    const SessionParameters &sessionParameters() const { return parameters; }
    const TrialSequence &trialSequence() const { return trials; }
    int tokenCount() const { return nTokens; }
    // The listener's window of the last "Go", or null before the first.
    SubjectWindow *currentSubjectWindow() const { return subjectWindow; }
    // The current token's samples (setCurrentSamples).
    const QVector<double> &currentSamples() const { return signal; }
    const QVector<double> &spectrumBinFrequencies() const { return spectrumFrequencies; }
    const QVector<double> &spectrumBinAmplitudes() const { return spectrumAmplitudes; }
    // The pixel columns the waveform's and the spectrum's points were made for.
    const PlotColumns &waveformPlotColumns() const { return waveformColumns; }
    const PlotColumns &spectrumPlotColumns() const { return spectrumColumns; }
    // The session's output while one is open, else empty.
    QString soundOutputName() const;
    // Whether an output or the bytes of a sound are still held.
    bool holdsPlayback() const { return soundOutput || audioBytes; }
    // Whether the next trial's sound is scheduled.
    bool nextSoundScheduled() const;
    // Each trial's timing so far, and when "I am ready" arrived (monotonic ns).
    const QVector<TrialTiming> &sessionTimings() const { return trialTimings; }
    qint64 trialsStartedAtNs() const { return trialsStartNs; }
    // "auto" or the name of the output to use (tellwyn --audio).
    void setAudioOutputChoice(const QString &choice) { audioOutputChoice = choice; }
    // Test set-up: the window always shows the whole token; false plots at
    // most durationToPlot of it.
    void setAlwaysPlotEntireWaveform(bool on) { parameters.alwaysPlotEntireWaveformFlag = on; }
    // Test and bench set-up without tokens: a session of nTokens sound files
    // whose first trial has been armed, so that the trend shows nTokens files
    // and keeps the counts given by setTrendCount.
    void showTrendForTest(int nTokens);
    // Bench set-up: the worker computes the spectrum of samples as it does for
    // the next trial's token; returns once it is done. dropSpectrumAhead lets
    // computeSpectrum compute on the spot.
    void computeSpectrumAheadOf(const QVector<double> &samples);
    void dropSpectrumAhead() { spectrumAhead.drop(); }

    // --- Application and session control (app/) ---
    void setWindowGeometry(bool center, double widthFraction, double heightFraction);
    void setupLayout();
    void initMainWindow();
    void readParameters();
    void adjustPlotLength();
    void updateOutputFilePath();
    void updateOutputFileName();
    // The count of "N times per token", then the session of that type (Practice, Experiment).
    void prepareFromButton(int sesTypeIndex);
    void prepareSession();
    void displayWavFileInfo();
    void displayStatus();
    // Whether the default output device plays audioFormat; logs a warning if not.
    bool checkAudioFormat();

    // --- Token folder and loading (sound/mainwindow_tokens.cpp) ---
    void selectWavFolder();
    void createEntries();
    void createStimOrder();
    // Loads the token of the next trial into signal. False when the file
    // could not be read (loadProblem says why): signal then holds no stale
    // samples of another token.
    bool loadCurrentToken();
    // Makes samples the current token's: nSamples, the plotted span, the
    // spectrum sizes and the time (ms at fs) of every plotted sample.
    void setCurrentSamples(const QVector<double> &samples);
    void computeTokenAverages();

    // --- Trial loop, playback, wiring and results (trial/) ---
    void schedulePlayback();
    void finishSession();
    // Saves session with its trials' timings (the session just run, or one
    // rebuilt from its journal): true when the results were written, or
    // discarded on purpose; false when they could not be written and the
    // experimenter gave up. The folder and names chosen go into session.
    bool saveDataFiles(SessionParameters &session, const QVector<TrialTiming> &timings);
    // The save dialog until a file is chosen or the results are discarded (empty).
    QString askForRecordsFile(const SessionParameters &session);
    // Writes the four result files beside path; the number that failed.
    int writeResultFiles(const QString &path, SessionParameters &session,
                         const QVector<TrialTiming> &timings);
    // Loads, shows and arms the token of the next trial; a token that cannot
    // be read stops the session instead.
    void advanceToNextTrial(bool readControls);
    // Ends a running session early: no pending sound, no playing sound.
    void stopSession();
    void releasePlaybackObjects();
    // Places the current token in the session's stream to start at dueNs
    // (monotonic ns); starts the output first if there is none.
    void queueSound(qint64 dueNs);
    bool startSessionOutput();
    bool soundWasPlaced();
    // Stops the session with a warning to the experimenter and offers its
    // answers for saving; the subject window shows "Done".
    void abortSession(const QString &reason);
    // Asks whether to save the answers of an unfinished session and saves them.
    void offerAnswersSoFar();
    // The token's count of "Mother" answers in the trend (shown at the next plotTrend).
    void setTrendCount(int tokenIndex, double count);
    // The reaction-time clock: ns since the device played the last sample, and
    // whole ms of it.
    qint64 reactionClockNs() const;
    qint64 reactionTimeMs() const;

    // --- Timing of the trials (trial/mainwindow_timing.cpp) ---
    // The playback code reports each trial's sound as it starts and ends at
    // the device. The first sample's time at the device, or -1 when no sound
    // reached it.
    void noteSoundStarted(qint64 onsetNs);
    // When the last sample is over at the device (its next frame plays), or -1
    // when not known.
    void noteSoundEnded(qint64 endNs);
    const TrialTiming *timingOfTrial(int trial) const;

    // --- Session journal (trial/mainwindow_journal.cpp) ---
    // With saving on, every answer is on disk before the next sound, so a crash
    // loses none; the journal goes once the results are saved or discarded.
    void startJournal();
    void journalAnswer(int entryIndex);
    void endJournal(bool settled);
    // At start-up: offers to save the answers of sessions that ended unexpectedly.
    void recoverUnfinishedSessions();

    // --- Spectrum and charts (analysis/) ---
    void applySpectrumSizing();
    void computeSpectrum();
    // Has the worker compute the spectrum of the next trial's token while
    // this trial runs; computeSpectrum takes it when it fits the token.
    void prepareNextSpectrum();
    void createWaveformChart();
    void createSpectrumChart();
    void createTrendChart();
    void plotWaveform();
    void plotSpectrum();
    void plotTrend();
    // The waveform's and the spectrum's points for the pixel columns their
    // plot areas have now (analysis/chartdata.h), and the columns they were
    // computed for.
    void fillWaveformSeries();
    void fillSpectrumSeries();

signals:
    void soundPlaying(int index);
    void doneDataCollection(qreal threshold, qreal reactionTime, qint32 mainParameterIndex);
    void deliverFeedBackStatus(bool feedBack);
    void deliverAutoPlayStatus(bool autoPlay);
    void deliverSubCode(QString subCode);
    void deliverWavFileName(QString);

public slots:
    void pushButtonPractice_clicked();
    void pushButtonExperiment_clicked();
    void pushButtonGo_clicked();
    void updateMainwindow(int response);
    void playOneSound();
    void scheduleFirstSound();
    void soundOutputFailed(const QString &why);
    void soundEnded();
    void comboBoxSesType_currentIndexChanged(int);
    void comboBoxSoundType_currentIndexChanged(int);
    void comboBoxMainParameter_currentIndexChanged(int);
    void lineEditSubCode_textChanged(QString arg1);
    void lineEditSesNum_textChanged(QString arg1);
    void checkBoxSaveData_stateChanged(int);
    void checkBoxFeedBack_stateChanged(int);
    void checkBoxAutoPlay_stateChanged(int);
    void refreshMainWindow();
    void waveformChart_plotAreaChanged(const QRectF &plotArea);
    void spectrumChart_plotAreaChanged(const QRectF &plotArea);

private:
    // Controls. All created without a parent; those placed in the layouts
    // belong to centralWidget afterwards, the rest are deleted by the destructor.
    QLabel *labelSesType = nullptr; // never shown
    QLabel *labelSoundType = nullptr; // never shown
    QLabel *labelMainParameter = nullptr; // never shown
    QLabel *labelSoundFileInfo = nullptr;
    QLabel *labelFs = nullptr;
    QLabel *labelSoundDuration = nullptr;
    QLabel *labelSi = nullptr;
    QLabel *labelSubCode = nullptr;
    QLabel *labelSesNum = nullptr;
    QLabel *labelNTimes = nullptr;
    QLabel *labelWavFilePath = nullptr;
    QLabel *labelWavFileName = nullptr;
    QLabel *labelOutputFilePath = nullptr;
    QLabel *labelOutputFileName = nullptr;
    QLabel *labelStatus = nullptr;

    QComboBox *comboBoxSesType = nullptr; // never shown
    QComboBox *comboBoxSoundType = nullptr; // never shown
    QComboBox *comboBoxMainParameter = nullptr; // never shown

    QLineEdit *lineEditFs = nullptr;
    QLineEdit *lineEditSoundDuration = nullptr;
    QLineEdit *lineEditSi = nullptr;
    QLineEdit *lineEditSubCode = nullptr;
    QLineEdit *lineEditSesNum = nullptr;
    QLineEdit *lineEditNTimes = nullptr;
    QLineEdit *lineEditWavFilePath = nullptr;
    QLineEdit *lineEditWavFileName = nullptr;
    QLineEdit *lineEditOutputFilePath = nullptr;
    QLineEdit *lineEditOutputFileName = nullptr;
    QLineEdit *lineEditStatus = nullptr;

    QPushButton *pushButtonPractice = nullptr;
    QPushButton *pushButtonExperiment = nullptr;
    QPushButton *pushButtonGo = nullptr;
    QPushButton *pushButtonQuit = nullptr;

    QCheckBox *checkBoxSaveData = nullptr;
    QCheckBox *checkBoxFeedBack = nullptr;
    QCheckBox *checkBoxAutoPlay = nullptr;

    QVector<QHBoxLayout *> rowLayouts; // the 13 rows of the control column
    QGridLayout *gridLayoutControls = nullptr;
    QGridLayout *gridLayoutCharts = nullptr;
    QGridLayout *gridLayoutMain = nullptr;
    QWidget *centralWidget = nullptr;

    SessionParameters parameters;

    // Working data of the signal display and the trial loop.
    QVector<double> waveformTime;
    QVector<double> signal;
    QVector<double> trendY;
    QVector<QPointF> waveformPoints;
    QVector<QPointF> trendPoints;
    QVector<double> waveformRange;
    QVector<double> spectrumRange;
    QVector<double> trendRange;
    int nFFT = 0;
    QVector<double> spectrumFrequencies;
    QVector<double> spectrumAmplitudes;
    QVector<QPointF> spectrumPoints;
    PlotColumns waveformColumns;
    PlotColumns spectrumColumns;
    SpectrumAhead spectrumAhead; // the next trial's spectrum, computed ahead

    // Chart objects, created once by the chart builders, deleted by the destructor.
    QtCharts::QLineSeries *waveformSeries = nullptr;
    QtCharts::QValueAxis *waveformAxisX = nullptr;
    QtCharts::QValueAxis *waveformAxisY = nullptr;
    QtCharts::QChart *waveformChart = nullptr;
    QtCharts::QChartView *waveformChartView = nullptr;
    QtCharts::QLineSeries *spectrumSeries = nullptr;
    QtCharts::QValueAxis *spectrumAxisX = nullptr;
    QtCharts::QValueAxis *spectrumAxisY = nullptr;
    QtCharts::QChart *spectrumChart = nullptr;
    QtCharts::QChartView *spectrumChartView = nullptr;
    QtCharts::QLineSeries *trendSeries = nullptr;
    QtCharts::QValueAxis *trendAxisX = nullptr;
    QtCharts::QValueAxis *trendAxisY = nullptr;
    QtCharts::QChart *trendChart = nullptr;
    QtCharts::QChartView *trendChartView = nullptr;

    SubjectWindow *subjectWindow = nullptr; // child of this window
    QElapsedTimer *elapsedTimer = nullptr; // the reaction-time clock, owned
    // The clock counts from when the device played the last sample: it is
    // (re)started this long after that moment.
    qint64 reactionClockLagNs = 0;
    int nPlaysPerTrial = 0;
    int nPlays = 0;
    // The session's trials: their order, the one armed and waiting for its
    // answer, the answers given and whether the session runs.
    TrialSequence trials;
    QString currentWavFile;
    int currentTokenIndex = 0;
    int nTimesSession = 0;
    int nTokens = 0;
    QString loadProblem; // why the last loadCurrentToken failed

    QFont axisLabelsFont;
    QFont axisTitleFont;
    QFont chartTitleFont;

    WavFile wav;

    // Playback: one output for the whole running session
    // (trial/mainwindow_playback.cpp); the bytes of the sound to come or
    // playing, until it is over.
    QByteArray *audioBytes = nullptr;
    QAudioFormat audioFormat;
    SoundOutput *soundOutput = nullptr; // child of this window; deleted later
    QString audioOutputChoice = QStringLiteral("auto");
    QTimer *soundEndTimer = nullptr; // child of this window
    // The queued sound's first frame in the stream and the frame after its
    // last, once the output has placed it; else -1.
    qint64 soundFirstFrame = -1;
    qint64 soundEndFrame = -1;
    qint64 soundDueNs = 0;
    // Between "I am ready" and the moment the output plays (a server may take
    // a moment to start a new stream); checks again every few ms.
    QTimer *outputWaitTimer = nullptr; // child of this window
    QTimer *playbackTimer = nullptr; // child of this window; precise single shot
    QElapsedTimer answerClock; // since the answer that arms the next sound

    // Each trial's due time and its sound's start and end at the device, for
    // the timing file.
    qint64 trialsStartNs = 0; // monotonic ns when "I am ready" arrived
    QVector<TrialTiming> trialTimings; // one per trial played, in that order
    int dropoutsAtSoundStart = -1; // the output's count as the sound started; -1 none

    SessionJournal journal;

    bool centerWindow = true;
    double windowWidthFraction = 0.8;
    double windowHeightFraction = 0.9;
};

#endif // MAINWINDOW_H
