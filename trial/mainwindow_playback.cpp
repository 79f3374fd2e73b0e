#include "app/mainwindow.h"

#include "trial/playbackbytes.h"

#include <QDebug>
#include <QTimer>

// One audio output plays for the whole session, from "I am ready" to the end:
// a stream of silence in which each sound is placed at the frame that the
// device plays at its due time (SoundPlacement). A new output per sound would
// start each sound a start-up later, with its jitter. The output's clock
// tells when the device plays a sound's first and last frames;
// soundPlaying(1), soundPlaying(-1) and the reaction-time clock follow those
// times, not the moment the program handed the samples over.

namespace {
const int kSoundOver = -1;
const qint64 kNsPerMs = 1000000;
// How long past its due time a sound may wait for the output to place it.
const qint64 kNeverPlacedNs = 2000 * kNsPerMs;
// How long "I am ready" waits for the output to play before arming the first
// sound regardless (which then reports an output that never plays).
const qint64 kOutputStartNs = 3000 * kNsPerMs;
const int kOutputPollMs = 5;

int msUntil(qint64 ns)
{
    const qint64 leftNs = ns - monotonicNowNs();
    return leftNs <= 0 ? 0 : int((leftNs + kNsPerMs - 1) / kNsPerMs);
}
} // namespace

void MainWindow::queueSound(qint64 dueNs)
{
    if (soundOutput && soundOutput->clock()->rate() != audioFormat.sampleRate())
        releasePlaybackObjects(); // opened for another rate
    if (!soundOutput && !startSessionOutput())
        return; // playOneSound reports it when the sound is due
    const QVector<double> samples = signal;
    delete audioBytes;
    audioBytes = new QByteArray(playbackBytes(samples, parameters.nSamples));
    soundFirstFrame = soundEndFrame = -1;
    soundDueNs = dueNs;
    if (audioBytes->isEmpty())
        soundOutput->placement()->cancelSound();
    else
        soundOutput->placement()->queueSound(*audioBytes, dueNs);
}

bool MainWindow::startSessionOutput()
{
    for (const QString &name : outputsToTry(audioOutputChoice)) {
        std::unique_ptr<SoundOutput> output = makeSoundOutput(name);
        if (output && output->start(audioFormat.sampleRate())) {
            qInfo().noquote() << "Sound output:" << output->name() << output->device();
            soundOutput = output.release();
            soundOutput->setParent(this);
            connect(soundOutput, SIGNAL(failed(QString)), this, SLOT(soundOutputFailed(QString)),
                    Qt::QueuedConnection);
            return true;
        }
        qWarning().noquote() << "Sound output" << name << "unavailable:"
                             << (output ? output->errorString() : QStringLiteral("unknown"));
    }
    return false;
}

void MainWindow::scheduleFirstSound()
{
    // The first sound's interval counts from the moment the output plays, so
    // that it is placed and timed like every other. Opened at "Go", the output
    // normally plays long before "I am ready"; a server can take a while to
    // start a new stream, though (PulseAudio's null sink first sleeps out its
    // current block, up to 2 s).
    if (!trials.isRunning())
        return;
    if (!soundOutput)
        startSessionOutput();
    const bool waiting = soundOutput && soundOutput->clock()->frameTimeNs(0) < 0;
    if (waiting && answerClock.nsecsElapsed() < kOutputStartNs) {
        if (!outputWaitTimer) {
            outputWaitTimer = new QTimer(this);
            outputWaitTimer->setSingleShot(true);
            connect(outputWaitTimer, SIGNAL(timeout()), this, SLOT(scheduleFirstSound()));
        }
        outputWaitTimer->start(kOutputPollMs);
        return;
    }
    answerClock.start();
    schedulePlayback();
}

bool MainWindow::soundWasPlaced()
{
    if (soundFirstFrame < 0 && soundOutput)
        soundOutput->placement()->placedSound(&soundFirstFrame, &soundEndFrame);
    return soundFirstFrame >= 0;
}

void MainWindow::playOneSound()
{
    if (nPlays >= nPlaysPerTrial)
        return;
    if (!soundOutput) {
        qWarning("Audio stopped unexpectedly");
        abortSession(tr("The sound could not be played: no audio output is available.\n"
                        "The session stops here."));
        return;
    }
    // Due now. A sound the output has not placed yet, or placed later, is
    // announced when the device plays it; a token without samples is over.
    const bool silent = !audioBytes || audioBytes->isEmpty();
    const bool placed = !silent && soundWasPlaced();
    const qint64 startNs = placed ? soundOutput->clock()->frameTimeNs(soundFirstFrame) : 0;
    if (!silent && !placed && monotonicNowNs() - soundDueNs > kNeverPlacedNs) {
        // The output never said where its device is: better a clear stop
        // than a session that waits for ever.
        soundOutputFailed(QStringLiteral("the output reports no position of its device"));
        return;
    }
    if (!silent && (!placed || msUntil(startNs) > 0)) {
        playbackTimer->start(placed ? msUntil(startNs) : 1);
        return;
    }
    ++nPlays;
    noteSoundStarted(placed ? startNs : -1);
    emit soundPlaying(nPlays);
    if (!soundEndTimer) {
        soundEndTimer = new QTimer(this);
        soundEndTimer->setSingleShot(true);
        soundEndTimer->setTimerType(Qt::PreciseTimer);
        connect(soundEndTimer, SIGNAL(timeout()), this, SLOT(soundEnded()));
    }
    soundEndTimer->start(placed ? msUntil(soundOutput->clock()->frameTimeNs(soundEndFrame)) : 0);
}

void MainWindow::soundEnded()
{
    // Where the last frame plays is asked again now: the clock may have
    // learnt more since the sound was placed.
    const qint64 now = monotonicNowNs();
    const qint64 endNs = soundEndFrame >= 0 && soundOutput
            ? soundOutput->clock()->frameTimeNs(soundEndFrame)
            : now;
    if (msUntil(endNs) > 0) {
        soundEndTimer->start(msUntil(endNs));
        return;
    }
    delete audioBytes; // played
    audioBytes = nullptr;
    if (nPlays != nPlaysPerTrial)
        return;
    // The clock runs from the moment the device played the last sample; this
    // timer fires a little after it, and the difference is kept beside it.
    elapsedTimer->start();
    reactionClockLagNs = now - endNs;
    noteSoundEnded(soundEndFrame >= 0 && soundOutput ? endNs : -1);
    emit soundPlaying(kSoundOver);
}

qint64 MainWindow::reactionClockNs() const
{
    return elapsedTimer->nsecsElapsed() + reactionClockLagNs;
}

qint64 MainWindow::reactionTimeMs() const
{
    return reactionClockNs() / kNsPerMs;
}

QString MainWindow::soundOutputName() const
{
    return soundOutput ? soundOutput->name() : QString();
}

bool MainWindow::nextSoundScheduled() const
{
    return playbackTimer && playbackTimer->isActive();
}

void MainWindow::soundOutputFailed(const QString &why)
{
    qWarning().noquote() << "Audio stopped unexpectedly:" << why;
    if (!soundOutput)
        return;
    releasePlaybackObjects();
    abortSession(tr("The sound stopped with an error before its end.\n"
                    "The session stops here."));
}

void MainWindow::releasePlaybackObjects()
{
    // The output stops now and goes once control is back in the event loop:
    // it may be inside one of its own notifications.
    if (soundEndTimer)
        soundEndTimer->stop();
    if (soundOutput) {
        soundOutput->disconnect(this);
        soundOutput->stop();
        soundOutput->deleteLater();
        soundOutput = nullptr;
    }
    delete audioBytes;
    audioBytes = nullptr;
    soundFirstFrame = soundEndFrame = -1;
}
