#include "app/mainwindow.h"
#include "app/windowgeometry.h"

#include "tests/gui/sessiondriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtCharts>
#include <QtTest>

#include <cmath>

QT_CHARTS_USE_NAMESPACE
using namespace wavwriter;

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

// The main window as the experimenter first sees it, the controls that keep
// the session record in step while typing, where the windows go on a screen,
// the charts of a token and of the answers, and preparation driven through the
// real dialogs: "Practice" with a folder of tokens, without tokens, cancelled,
// with bad tokens, and a bad count.
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
        w->lineEditNTimes->setText(nTimes);
        w->pushButtonPractice->click();
        QVERIFY2(pilot->clean(), pilot->errors());
        QCOMPARE(QVector<int>({ w->nTokens, w->trials.size(), w->parameters.entries.size() }),
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

    void startUpState()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Orlin Lab | Tellwyn (v09) | Main Window"));
        const QString desktop = w->parameters.desktopPath;
        QStringList texts; // "*": typed in
        for (QLineEdit *e :
             { w->lineEditFs, w->lineEditSoundDuration, w->lineEditSi, w->lineEditSubCode,
               w->lineEditSesNum, w->lineEditNTimes, w->lineEditWavFilePath, w->lineEditWavFileName,
               w->lineEditOutputFilePath, w->lineEditOutputFileName, w->lineEditStatus })
            texts << e->text() + (e->isEnabled() ? "*" : "");
        QCOMPARE(texts,
                 QStringList({ "48000", "250.000", "1000.000", "SUB001*", "1*", "1*", desktop,
                               "SUB001_01.wav", desktop + "/SUB001", "SUB001_practice001.txt",
                               "not started yet" }));
        for (QCheckBox *c : { w->checkBoxSaveData, w->checkBoxFeedBack, w->checkBoxAutoPlay })
            QVERIFY(c->isChecked() && c->isEnabled());
        QVERIFY(w->pushButtonPractice->isEnabled() && w->pushButtonQuit->isEnabled());
        QVERIFY(!w->pushButtonExperiment->isEnabled() && !w->pushButtonGo->isEnabled());
    }
    void feedbackForcesAutomaticPlay()
    {
        w->checkBoxAutoPlay->setChecked(false);
        QVERIFY(!w->parameters.autoPlay);
        for (bool feedBack : { false, true }) {
            QTest::mouseClick(w->checkBoxFeedBack, Qt::LeftButton);
            QVERIFY(w->parameters.feedBack == feedBack && w->parameters.autoPlay);
            QVERIFY(w->checkBoxAutoPlay->isChecked()
                    && w->checkBoxAutoPlay->isEnabled() == feedBack);
        }
    }
    // Subject code, session number and type rebuild the output path and name at every keystroke.
    void outputPathAndNameFollowTheControls()
    {
        const QString desktop = w->parameters.desktopPath;
        w->lineEditSubCode->clear();
        QCOMPARE(w->lineEditOutputFilePath->text() + ' ' + w->lineEditOutputFileName->text(),
                 desktop + "/ _practice001.txt");
        QString typed;
        for (const char ch : { 'A', 'B', '/', '7' }) { // a slash goes into the path as typed
            QTest::keyClick(w->lineEditSubCode, ch);
            typed += ch;
            QCOMPARE(w->parameters.subCode, typed);
            QCOMPARE(w->parameters.outputFilePath, desktop + "/" + typed);
            QCOMPARE(w->lineEditOutputFilePath->text() + ' ' + w->lineEditOutputFileName->text(),
                     desktop + "/" + typed + ' ' + typed + "_practice001.txt");
        }
        w->lineEditSubCode->setText("SUB001");
        w->lineEditSesNum->clear();
        QCOMPARE(w->parameters.sesNum, 0);
        QCOMPARE(w->lineEditOutputFileName->text(), QStringLiteral("SUB001_practice000.txt"));
        QTest::keyClicks(w->lineEditSesNum, "1234");
        QCOMPARE(w->lineEditOutputFileName->text(), QStringLiteral("SUB001_practice1234.txt"));
        w->lineEditSesNum->setText(QStringLiteral("x2"));
        QCOMPARE(w->parameters.sesNum, 0);
        w->lineEditSesNum->setText(QStringLiteral("7"));
        w->comboBoxSesType->setCurrentIndex(1);
        QCOMPARE(w->parameters.sesTypeIndex, 1);
        QCOMPARE(w->lineEditOutputFileName->text(), QStringLiteral("SUB001_experiment007.txt"));
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
    // Each token, then an empty one that shows nothing and keeps every range.
    void tokenRangesAndPoints()
    {
        QVector<double> whole = tone(24000, 1000, 0.5), part(24000, 0.0);
        whole[23999] = 0.75;
        part[100] = 0.25;
        part[20000] = -0.9; // beyond the plotted part, still in the y range
        // Samples, whole or else 250 ms at most, samples plotted (the time axis spans them
        // in ms), waveform y range, spectrum bins, top of the spectrum axis (NaN: not checked).
        const std::tuple<QVector<double>, bool, int, QPointF, int, double> cases[] = {
            { whole, true, 24000, { -0.5, 0.75 }, 1365, qQNaN() },
            { part, false, 12000, { -0.9, 0.25 }, 1365, qQNaN() },
            // A strong component above the plotted band still sets the top of the axis.
            { tone(16384, 6000, 0.8), false, 12000, { -0.8, 0.8 }, 682, 0.8 },
            { QVector<double>(12000), true, 12000, {}, 682, 0.0 }, // silent
            // Shorter than 250 ms: shown whole. No bins: the spectrum keeps its starting range.
            { { 0.5 }, false, 1, { 0.5, 0.5 }, 0, 1.0 },
        };
        for (const auto &[samples, entire, points, y, bins, spectrumTop] : cases) {
            MainWindow window;
            window.parameters.alwaysPlotEntireWaveformFlag = entire;
            for (const QVector<double> &token : { samples, QVector<double>() }) {
                window.setCurrentSamples(token); // what token loading leaves, then the redraws
                window.plotWaveform();
                window.computeSpectrum();
                window.plotSpectrum();
                // Every sample or bin, or at most four points per pixel column.
                const auto shown = [](const QLineSeries *series, int all) {
                    const int columns = std::ceil(series->chart()->plotArea().width()) + 3;
                    return series->count() == all || series->count() <= std::min(all, 4 * columns);
                };
                QCOMPARE(window.waveformSeries->count() > 0, !token.isEmpty());
                QCOMPARE(window.spectrumSeries->count() > 0, !token.isEmpty() && bins > 0);
                QVERIFY(shown(window.waveformSeries, points) && shown(window.spectrumSeries, bins));
                QCOMPARE(rangeOf(window.waveformAxisX), QPointF(0, points / 48.0));
                QCOMPARE(rangeOf(window.waveformAxisY), y);
                QVERIFY(qIsNaN(spectrumTop)
                        || std::abs(window.spectrumAxisY->max() - spectrumTop) < 1e-9);
            }
        }
    }
    void trendGrowsAndResets()
    {
        w->nTokens = 3;
        w->plotTrend();
        QCOMPARE(w->trendSeries->count(), 3);
        QCOMPARE(rangeOf(w->trendAxisX), QPointF(1, 3));
        QCOMPARE(rangeOf(w->trendAxisY), QPointF(0, 4));
        // The trial loop's side of six "Mother" answers, then the redraw: the axis grows past 4.
        w->trials.prepare({ 0, 1, 2 });
        w->trials.arm(); // a trial has run
        w->trendY[1] = 6;
        w->trendPoints[1].setY(6);
        w->plotTrend();
        QCOMPARE(rangeOf(w->trendAxisY), QPointF(0, 6));
        QCOMPARE(w->trendSeries->at(1), QPointF(2, 6));
        // A new session of one file starts from zero.
        w->nTokens = 1;
        w->trials.prepare({ 0 });
        w->plotTrend();
        QCOMPARE(w->trendSeries->pointsVector(), QVector<QPointF> { QPointF(1, 0) });
        QCOMPARE(rangeOf(w->trendAxisX), QPointF(1, 1));
        QCOMPARE(rangeOf(w->trendAxisY), QPointF(0, 4));
    }
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
        const QString first = w->parameters.tokens[w->trials.order()[0]].fileName;
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

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
