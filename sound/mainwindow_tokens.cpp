#include "app/mainwindow.h"
#include "sound/tokenfolder.h"
#include "trial/scoring.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

void MainWindow::selectWavFolder()
{
    SessionParameters &p = parameters;
    forever {
        p.desktopPath = desktopLocation();
        // Started at a folder that does not exist, the dialog would keep its
        // name typed in and answer "Directory not found" to every choice.
        const QString start = QFileInfo(p.desktopPath).isDir() ? p.desktopPath : QDir::homePath();
        const QString folder = QFileDialog::getExistingDirectory(this, tr("Select a folder"), start,
                                                                 QFileDialog::ReadOnly);
        // A cancel ends the choice: listing "" would list the working folder.
        if (folder.isEmpty()) {
            p.tokens.clear();
            nTokens = 0;
            createEntries();
            return;
        }
        p.wavFilePath = folder;
        p.tokens = listTokens(folder);
        if (!p.tokens.isEmpty()) {
            nTokens = p.tokens.size();
            createEntries();
            return;
        }
        const QMessageBox::StandardButton answer = QMessageBox::question(
                this, tr("Question"),
                tr("This folder contains no .wav files.\nDo you want to select another folder?"),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes) {
            nTokens = 0;
            createEntries();
            return;
        }
    }
}

void MainWindow::createEntries()
{
    parameters.entries = makeEntries(nTokens, nTimesSession, parameters.desktopPath);
}

void MainWindow::createStimOrder()
{
    trials.prepare(makeTrialOrder(nTokens, nTimesSession, clockSeed()));
}

bool MainWindow::loadCurrentToken()
{
    SessionParameters &p = parameters;
    loadProblem = QStringLiteral("no token for this trial");
    auto noToken = [this]() {
        signal.clear();
        parameters.nSamples = 0;
        return false;
    };
    const int trial = trials.nextTrial();
    if (trials.nextToken() < 0)
        return noToken();
    currentTokenIndex = trials.nextToken();
    if (currentTokenIndex < 0 || currentTokenIndex >= p.tokens.size())
        return noToken();

    const TokenRecord &token = p.tokens[currentTokenIndex];
    p.wavFilePath = token.folder;
    p.wavFileName = token.fileName;
    if (trial < p.entries.size()) {
        p.entries[trial].folder = token.folder;
        p.entries[trial].fileName = token.fileName;
    }
    currentWavFile = token.path();

    // A failed read leaves the previous token's samples in wav: never use them.
    QString &problem = loadProblem;
    problem = wav.readWavFile(currentWavFile.toUtf8().constData())
            ? tokenProblem(wav)
            : QString::fromStdString(wav.lastError);
    // The file may have changed since the session was prepared: at another
    // rate it would play at the wrong speed.
    const quint32 rate = quint32(audioFormat.sampleRate());
    if (problem.isEmpty() && wav.samplingRate != rate)
        problem = QStringLiteral("sampling rate %1 Hz differs from the session's %2 Hz")
                          .arg(wav.samplingRate)
                          .arg(rate);
    if (!problem.isEmpty()) {
        qWarning() << "Cannot load token" << currentWavFile << ":" << problem;
        return noToken();
    }

    const int frames = static_cast<int>(wav.numSamples / wav.numChannels);
    p.soundDuration = static_cast<double>(frames) / wav.samplingRate;
    lineEditSoundDuration->setText(QString::number(p.soundDuration * 1000, 'f', 3));
    setCurrentSamples(tokenSamples(wav));
    return true;
}

void MainWindow::setCurrentSamples(const QVector<double> &samples)
{
    SessionParameters &p = parameters;
    p.nSamples = samples.size();
    adjustPlotLength();
    applySpectrumSizing();
    signal = samples;
    waveformTime.resize(p.nSamplesToPlot);
    const double msPerSample = (1.0 / p.fs) * 1000;
    for (int i = 0; i < waveformTime.size(); ++i)
        waveformTime[i] = i * msPerSample;
}

void MainWindow::computeTokenAverages()
{
    ::computeTokenAverages(parameters.tokens, parameters.subCode);
}
