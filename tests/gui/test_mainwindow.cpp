#include "app/windowgeometry.h"

#include "tests/gui/sessiondriver.h"

#include <QtCharts>

#include <cmath>

QT_CHARTS_USE_NAMESPACE
using namespace wavwriter;
using namespace windowparts;

namespace {
QVector<double> tone(int n, double hz, double amplitude)
{
    QVector<double> s(n);
    for (int i = 0; i < n; ++i)
        s[i] = amplitude * std::cos(2 * 3.141592653589793 * hz * i / 48000);
    return s;
}

const auto rangeOf = [](const QValueAxis *axis) { return QPointF(axis->min(), axis->max()); };
} // namespace

// The main window as the experimenter first sees it and while typing, where the
// windows go, the charts, and "Practice" through the real dialogs: with tokens,
// without, cancelled, with bad tokens and with a bad count.
class TestMainWindow : public QObject
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
        part<QLineEdit>(w, "lineEditNTimes")->setText(nTimes);
        part<QPushButton>(w, "pushButtonPractice")->click();
        QVERIFY2(pilot->clean(), qPrintable(QString("N times %1: ").arg(nTimes) + pilot->errors()));
        QCOMPARE(QVector<int>({ w->tokenCount(), w->trialSequence().size(),
                                w->sessionParameters().entries.size() }),
                 QVector<int>({ nTokens, trials, trials }));
        QCOMPARE(part<QPushButton>(w, "pushButtonGo")->isEnabled(), trials > 0);
        QCOMPARE(part<QLineEdit>(w, "lineEditFs")->text(), QString::number(fs));
        if (trials > 0) {
            QCOMPARE(part<QLineEdit>(w, "lineEditStatus")->text(),
                     QString("practice 1/%1").arg(trials));
            QCOMPARE(w->sessionParameters().fs, fs);
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

    void startUpState()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Orlin Lab | Tellwyn (v09) | Main Window"));
        const QString desktop = w->sessionParameters().desktopPath;
        QStringList texts; // "*": typed in
        for (const char *name :
             { "Fs", "SoundDuration", "Si", "SubCode", "SesNum", "NTimes", "WavFilePath",
               "WavFileName", "OutputFilePath", "OutputFileName", "Status" }) {
            const auto *edit = part<QLineEdit>(w, qPrintable(QString("lineEdit") + name));
            texts << edit->text() + (edit->isEnabled() ? "*" : "");
        }
        QCOMPARE(texts,
                 QStringList({ "48000", "250.000", "1000.000", "SUB001*", "1*", "1*", desktop,
                               "SUB001_01.wav", desktop + "/SUB001", "SUB001_practice001.txt",
                               "not started yet" }));
        QStringList usable; // "+": checked
        for (const char *name :
             { "checkBoxSaveData", "checkBoxFeedBack", "checkBoxAutoPlay", "pushButtonPractice",
               "pushButtonExperiment", "pushButtonGo", "pushButtonQuit" }) {
            const auto *button = part<QAbstractButton>(w, name);
            if (button->isEnabled())
                usable << name + QString(button->isChecked() ? "+" : "");
        }
        QCOMPARE(usable,
                 QStringList({ "checkBoxSaveData+", "checkBoxFeedBack+", "checkBoxAutoPlay+",
                               "pushButtonPractice", "pushButtonQuit" }));
    }
    void feedbackForcesAutomaticPlay()
    {
        auto *autoPlay = part<QCheckBox>(w, "checkBoxAutoPlay");
        autoPlay->setChecked(false);
        QVERIFY(!w->sessionParameters().autoPlay);
        for (bool feedBack : { false, true }) {
            QTest::mouseClick(part<QCheckBox>(w, "checkBoxFeedBack"), Qt::LeftButton);
            QVERIFY2(w->sessionParameters().feedBack == feedBack && w->sessionParameters().autoPlay
                             && autoPlay->isChecked() && autoPlay->isEnabled() == feedBack,
                     feedBack ? "feedback on" : "feedback off");
        }
    }
    // Subject code, session number and type rebuild the output path and name at every keystroke.
    void outputPathAndNameFollowTheControls()
    {
        const QString desktop = w->sessionParameters().desktopPath;
        auto *subCode = part<QLineEdit>(w, "lineEditSubCode");
        auto *sesNum = part<QLineEdit>(w, "lineEditSesNum");
        const auto shown = [this] {
            return part<QLineEdit>(w, "lineEditOutputFilePath")->text() + ' '
                    + part<QLineEdit>(w, "lineEditOutputFileName")->text();
        };
        subCode->clear();
        QCOMPARE(shown(), desktop + "/ _practice001.txt");
        QString typed;
        for (const char ch : { 'A', 'B', '/', '7' }) { // a slash goes into the path as typed
            QTest::keyClick(subCode, ch);
            typed += ch;
            QCOMPARE(w->sessionParameters().outputFilePath, desktop + "/" + typed);
            QCOMPARE(shown(), desktop + "/" + typed + ' ' + typed + "_practice001.txt");
        }
        sesNum->clear();
        QCOMPARE(w->sessionParameters().sesNum, 0);
        QCOMPARE(shown(), desktop + "/AB/7 AB/7_practice000.txt");
        QTest::keyClicks(sesNum, "1234");
        QCOMPARE(shown(), desktop + "/AB/7 AB/7_practice1234.txt");
        sesNum->setText(QStringLiteral("x2"));
        QCOMPARE(w->sessionParameters().sesNum, 0);
    }
    void windowGeometry()
    {
        const QSize screen(1920, 1040);
        const auto place = [](QSize available, QPoint current, double wf, double hf) {
            return ::windowGeometry(available, current, current.isNull(), wf, hf);
        };
        QCOMPARE(place(screen, {}, 0.8, 0.9), QRect(192, 52, 1536, 936)); // centred
        QCOMPARE(place({ 1366, 705 }, {}, 0.8, 0.9), QRect(137, 35, 1092, 634)); // truncated
        QCOMPARE(place(screen, {}, 1.5, -0.2), QRect(0, 520, 1920, 0)); // fractions clamped
        QCOMPARE(place(screen, { 0, 10 }, 0.5, 0.5), QRect(5, 40, 960, 520)); // off the corner
        QCOMPARE(place(screen, { 300, 200 }, 0.5, 0.5), QRect(300, 200, 960, 520)); // kept
    }
    // The samples, whether the window shows them whole (else 250 ms at most), the
    // samples plotted (the time axis spans them in ms), the waveform's y range
    // and the top of the spectrum's axis (NaN: not checked). A single sample has
    // no bins. How many points draw them is the waveform picture test's.
    void tokenRangesAndPoints_data()
    {
        QTest::addColumn<QVector<double>>("samples");
        QTest::addColumn<bool>("entire");
        QTest::addColumn<int>("points");
        QTest::addColumn<QPointF>("y");
        QTest::addColumn<double>("spectrumTop");
        QVector<double> whole = tone(24000, 1000, 0.5), cut(24000, 0.0);
        whole[23999] = 0.75;
        cut[100] = 0.25;
        cut[20000] = -0.9; // beyond the plotted part, still in the y range
        QTest::newRow("500 ms shown whole")
                << whole << true << 24000 << QPointF(-0.5, 0.75) << qQNaN();
        QTest::newRow("500 ms cut to 250 ms")
                << cut << false << 12000 << QPointF(-0.9, 0.25) << qQNaN();
        // A strong component above the plotted band still sets the top of the axis.
        QTest::newRow("6 kHz above the band")
                << tone(16384, 6000, 0.8) << false << 12000 << QPointF(-0.8, 0.8) << 0.8;
        QTest::newRow("silent") << QVector<double>(12000) << true << 12000 << QPointF() << 0.0;
        // Shorter than 250 ms: shown whole. The spectrum keeps its starting range.
        QTest::newRow("one sample")
                << QVector<double> { 0.5 } << false << 1 << QPointF(0.5, 0.5) << 1.0;
    }
    // The token, then an empty one that shows nothing and keeps every range.
    void tokenRangesAndPoints()
    {
        QFETCH(QVector<double>, samples);
        QFETCH(bool, entire);
        QFETCH(int, points);
        QFETCH(QPointF, y);
        QFETCH(double, spectrumTop);
        w->setAlwaysPlotEntireWaveform(entire);
        const Chart waveform = chart(w, "waveformChartView");
        const Chart spectrum = chart(w, "spectrumChartView");
        for (const QVector<double> &token : { samples, QVector<double>() }) {
            w->setCurrentSamples(token); // what token loading leaves, then the redraws
            w->plotWaveform();
            w->computeSpectrum();
            w->plotSpectrum();
            QCOMPARE(waveform.series->count() > 0, !token.isEmpty());
            QCOMPARE(spectrum.series->count() > 0, token.size() > 1);
            QCOMPARE(rangeOf(waveform.axisX), QPointF(0, points / 48.0));
            QCOMPARE(rangeOf(waveform.axisY), y);
            QVERIFY(qIsNaN(spectrumTop) || std::abs(spectrum.axisY->max() - spectrumTop) < 1e-9);
        }
    }
    void trendGrowsAndResets()
    {
        const Chart trend = chart(w, "trendChartView");
        w->showTrendForTest(3);
        QCOMPARE(trend.series->count(), 3);
        QCOMPARE(rangeOf(trend.axisX), QPointF(1, 3));
        QCOMPARE(rangeOf(trend.axisY), QPointF(0, 4));
        // Six "Mother" answers to the second file, then the redraw: the axis grows past 4.
        w->setTrendCount(1, 6);
        w->plotTrend();
        QCOMPARE(rangeOf(trend.axisY), QPointF(0, 6));
        QCOMPARE(trend.series->at(1), QPointF(2, 6));
        // A new session of one file starts from zero.
        w->showTrendForTest(1);
        QCOMPARE(trend.series->pointsVector(), QVector<QPointF> { QPointF(1, 0) });
        QCOMPARE(rangeOf(trend.axisX), QPointF(1, 1));
        QCOMPARE(rangeOf(trend.axisY), QPointF(0, 4));
    }
    void practiceTwice()
    {
        const QString folder48 = folder("s48",
                                        { { "mom_001.wav", ramp16(48000, 1, 4800) },
                                          { "b.wav", ramp16(48000, 1, 9600) },
                                          { "c.wav", ramp16(48000, 1, 2400) } });
        pilot->chooseFolder(folder48);
        practice("2", 3, 6);
        QVERIFY(!part<QPushButton>(w, "pushButtonExperiment")->isEnabled());
        QCOMPARE(part<QLineEdit>(w, "lineEditWavFilePath")->text(), folder48);
        const QString first = w->sessionParameters().tokens[w->trialSequence().order()[0]].fileName;
        QCOMPARE(part<QLineEdit>(w, "lineEditWavFileName")->text(), first);
        QCOMPARE(w->currentSamples().size(),
                 first == "b.wav"           ? 9600
                         : first == "c.wav" ? 2400
                                            : 4800);

        // The second one starts afresh, in another folder at the tokens' own rate.
        pilot->chooseFolder(folder(
                "s44",
                { { "x.wav", ramp16(44100, 2, 4410) }, { "y.WAV", ramp16(44100, 2, 4410) } }));
        practice("1", 2, 2, 44100);
        QCOMPARE(part<QLineEdit>(w, "lineEditSoundDuration")->text(), QString("100.000"));
        QCOMPARE(w->currentSamples().size(), 4410);
        QCOMPARE(w->currentSamples()[4409], 4409 / 32768.0); // the left channel
    }
    void cancelOrFolderWithoutTokens()
    {
        pilot->cancelFileDialog(); // a question after it would be unexpected
        practice("1", 0, 0);
        QCOMPARE(part<QLineEdit>(w, "lineEditStatus")->text(), QString("not started yet"));
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

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
