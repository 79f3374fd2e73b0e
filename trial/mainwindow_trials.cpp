#include "app/mainwindow.h"

#include "trial/scoring.h"
#include "trial/trialsequence.h"

#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QTimer>

namespace {
const qint64 kNsPerMs = 1000000;
} // namespace

void MainWindow::updateMainwindow(int response)
{
    // The next sound is due a fixed interval after this moment, however long
    // the loading and drawing below take.
    answerClock.start();
    nPlays = 0;
    SessionParameters &p = parameters;

    switch (response) {
    case ResponseReady:
        qDebug("Test just started");
        // The session's times count from here.
        trialsStartNs = monotonicNowNs();
        trialTimings.clear();
        readParameters();
        trials.start();
        startJournal();
        emit deliverWavFileName(p.wavFileName);
        qDebug().noquote() << p.wavFileName;
        scheduleFirstSound();
        return;
    case ResponseMother:
    case ResponseStranger: {
        const double reactionTime = double(reactionTimeMs());
        qDebug("response: %d", response);
        const int entryIndex = trials.waitingTrial();
        if (entryIndex < 0 || entryIndex >= p.entries.size() || currentTokenIndex < 0
            || currentTokenIndex >= p.tokens.size())
            return; // no trial is waiting for an answer
        TokenRecord &token = p.tokens[currentTokenIndex];
        scoreAnswer(p.entries[entryIndex], token, response == ResponseMother, reactionTime,
                    p.wavFileName, p.subCode);
        trials.recordAnswer();
        // On disk before the next sound: the sound is due a fixed interval
        // after the answer (answerClock), whatever this write takes.
        journalAnswer(entryIndex);
        if (response == ResponseMother)
            setTrendCount(currentTokenIndex, token.nMother);
        plotTrend();
        if (trials.allArmed()) {
            finishSession();
            return;
        }
        if (p.feedBack && !p.autoPlay)
            return; // the subject looks at the feedback and asks for the next sound
        advanceToNextTrial(true);
        return;
    }
    case ResponseNext:
        if (!trials.isRunning())
            return;
        if (trials.allArmed()) {
            finishSession();
            return;
        }
        advanceToNextTrial(false);
        return;
    default:
        QMessageBox::warning(nullptr, QStringLiteral("Warning"), tr("Invalid response"),
                             QMessageBox::Ok);
        return;
    }
}

void MainWindow::advanceToNextTrial(bool readControls)
{
    if (!loadCurrentToken()) {
        abortSession(tr("The sound file\n%1\ncannot be played: %2.\nThe session stops here.")
                             .arg(QDir::toNativeSeparators(currentWavFile), loadProblem));
        return;
    }
    plotWaveform();
    computeSpectrum();
    plotSpectrum();
    displayWavFileInfo();
    displayStatus();
    if (readControls)
        readParameters();
    emit deliverWavFileName(parameters.wavFileName);
    if (!readControls)
        qDebug().noquote() << parameters.wavFileName;
    schedulePlayback();
}

void MainWindow::schedulePlayback()
{
    if (!trials.allArmed()) {
        if (!playbackTimer) {
            playbackTimer = new QTimer(this);
            playbackTimer->setSingleShot(true);
            playbackTimer->setTimerType(Qt::PreciseTimer);
            connect(playbackTimer, SIGNAL(timeout()), this, SLOT(playOneSound()));
        }
        const qint64 delayNs =
                qint64(playbackDelayMs(parameters.soundDuration, parameters.si)) * kNsPerMs;
        const qint64 spentNs = answerClock.isValid() ? answerClock.nsecsElapsed() : 0;
        const qint64 remainingMs = (delayNs - spentNs + kNsPerMs / 2) / kNsPerMs;
        playbackTimer->start(int(qMax<qint64>(0, remainingMs)));
        queueSound(monotonicNowNs() + delayNs - spentNs);
    }
    trials.arm();
    prepareNextSpectrum();
}

void MainWindow::finishSession()
{
    trials.stop();
    releasePlaybackObjects(); // the last sound is over
    computeTokenAverages();
    // No step of the session computes a threshold: the record's own (0) goes out.
    emit doneDataCollection(parameters.threshold, parameters.reactionTime,
                            parameters.mainParameterIndex);
    if (parameters.saveData)
        endJournal(saveDataFiles(parameters, trialTimings));
}

void MainWindow::stopSession()
{
    trials.stop();
    spectrumAhead.drop();
    if (playbackTimer)
        playbackTimer->stop();
    if (outputWaitTimer)
        outputWaitTimer->stop();
    releasePlaybackObjects();
}

void MainWindow::abortSession(const QString &reason)
{
    stopSession();
    QMessageBox::warning(this, QStringLiteral("Warning"), reason, QMessageBox::Ok);
    offerAnswersSoFar();
    emit doneDataCollection(parameters.threshold, parameters.reactionTime,
                            parameters.mainParameterIndex);
}

void MainWindow::offerAnswersSoFar()
{
    if (trials.answersGiven() <= 0 || !parameters.saveData) {
        endJournal(true); // nothing to save
        return;
    }
    const QMessageBox::StandardButton answer =
            QMessageBox::question(this, QStringLiteral("Question"),
                                  tr("The session ended after %1 of %2 trials.\n"
                                     "Do you want to save the answers given so far?")
                                          .arg(trials.answersGiven())
                                          .arg(trials.size()),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    const int answered = trials.answersGiven();
    trials.forgetAnswers(); // offered once
    if (answer != QMessageBox::Yes) {
        endJournal(true); // discarded on purpose
        return;
    }
    // Answers fill the entries in trial order: the first ones are the answered trials.
    parameters.entries.resize(qMin(answered, parameters.entries.size()));
    computeTokenAverages();
    endJournal(saveDataFiles(parameters, trialTimings));
}
