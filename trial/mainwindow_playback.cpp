#include "app/mainwindow.h"

#include "trial/playbackbytes.h"
#include "trial/soundstream.h"

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QDebug>
#include <QTimer>

#include <cmath>

// One audio output plays for the whole session, from "I am ready" to the end:
// a stream of silence in which each sound is placed at the frame that reaches
// the sink at its due time (SoundStream). A new output per sound would start
// each sound a feed tick and a pre-buffering later, with their jitter. The
// stream tells when a sound's first and last frames leave for the sink;
// soundPlaying(1), soundPlaying(-1) and the reaction-time clock follow those
// times, not the moment the program handed the samples over.

namespace {
const int kSoundOver = -1;
const qint64 kNsPerMs = 1000000;
// What the output holds ahead of the sink: enough for the GUI thread to be
// busy for a while (drawing the next token) without the stream running dry.
// A sound must be queued at least this long before it is due.
const int kOutputBufferMs = 200;
// How often the output's count is read between its own feeds.
const int kProbeIntervalMs = 2;

int msUntil(qint64 ns)
{
    const qint64 leftNs = ns - SoundStream::steadyNowNs();
    return leftNs <= 0 ? 0 : int((leftNs + kNsPerMs - 1) / kNsPerMs);
}
} // namespace

void MainWindow::queueSound(qint64 dueNs)
{
    if (!audioOutput && !startSessionOutput())
        return; // playOneSound reports it when the sound is due
    const QVector<double> samples = signal;
    delete audioBytes;
    audioBytes = new QByteArray(playbackBytes(samples, parameters.nSamples));
    soundFirstFrame = soundEndFrame = -1;
    if (!audioBytes->isEmpty())
        audioBuffer->queueSound(*audioBytes, dueNs);
}

bool MainWindow::startSessionOutput()
{
    const int bytesPerFrame = audioFormat.bytesPerFrame();
    audioOutput = new QAudioOutput(QAudioDeviceInfo::defaultOutputDevice(), audioFormat, this);
    // The stream belongs to the output: deleting the output (which may still
    // reach for its source while it closes) then always comes first.
    audioBuffer = new SoundStream(audioFormat.sampleRate(), qMax(1, bytesPerFrame), audioOutput);
    audioOutput->setBufferSize(audioFormat.bytesForDuration(kOutputBufferMs * 1000));
    QAudioOutput *output = audioOutput;
    audioBuffer->heldBytes = [output] {
        return qint64(output->bufferSize() - output->bytesFree());
    };
    connect(audioBuffer, SIGNAL(soundPlaced(qint64, qint64)), this,
            SLOT(soundPlaced(qint64, qint64)));
    connect(audioOutput, SIGNAL(stateChanged(QAudio::State)), this,
            SLOT(handleAudioStateChanged(QAudio::State)));
    audioBuffer->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    audioOutput->start(audioBuffer);
    // Without a usable output Qt returns at once, stopped with an open error.
    if (audioOutput->state() == QAudio::StoppedState && audioOutput->error() != QAudio::NoError) {
        releasePlaybackObjects();
        return false;
    }
    audioBuffer->startProbing(kProbeIntervalMs);
    return true;
}

void MainWindow::soundPlaced(qint64 firstFrame, qint64 endFrame)
{
    soundFirstFrame = firstFrame;
    soundEndFrame = endFrame;
}

void MainWindow::playOneSound()
{
    if (nPlays >= nPlaysPerTrial)
        return;
    if (!audioOutput) {
        qWarning("Audio stopped unexpectedly");
        abortSession(tr("The sound could not be played: no audio output is available.\n"
                        "The session stops here."));
        return;
    }
    // Due now. A sound the stream has not placed yet, or placed later, is
    // announced when it reaches the sink; a token without samples is over.
    const bool placed = soundFirstFrame >= 0;
    const bool silent = !audioBytes || audioBytes->isEmpty();
    if (!silent && (!placed || msUntil(audioBuffer->frameTimeNs(soundFirstFrame)) > 0)) {
        playbackTimer->start(placed ? msUntil(audioBuffer->frameTimeNs(soundFirstFrame)) : 1);
        return;
    }
    ++nPlays;
    emit soundPlaying(nPlays);
    if (!soundEndTimer) {
        soundEndTimer = new QTimer(this);
        soundEndTimer->setSingleShot(true);
        soundEndTimer->setTimerType(Qt::PreciseTimer);
        connect(soundEndTimer, SIGNAL(timeout()), this, SLOT(soundEnded()));
    }
    soundEndTimer->start(placed ? msUntil(audioBuffer->frameTimeNs(soundEndFrame)) : 0);
}

void MainWindow::soundEnded()
{
    // Where the last frame went is asked again now: a stall of the output
    // since the sound was placed has moved it.
    const qint64 now = SoundStream::steadyNowNs();
    const qint64 endNs = soundEndFrame >= 0 ? audioBuffer->frameTimeNs(soundEndFrame) : now;
    if (msUntil(endNs) > 0) {
        soundEndTimer->start(msUntil(endNs));
        return;
    }
    delete audioBytes; // played
    audioBytes = nullptr;
    if (nPlays != nPlaysPerTrial)
        return;
    // The clock runs from the moment the last sample left for the sink; this
    // timer fires a little after it, and the difference is kept beside it.
    if (clockStarts++ == 0)
        elapsedTimer->start();
    else
        elapsedTimer->restart();
    reactionClockLagNs = now - endNs;
    emit soundPlaying(kSoundOver);
}

qint64 MainWindow::reactionTimeMs() const
{
    return (elapsedTimer->nsecsElapsed() + reactionClockLagNs) / kNsPerMs;
}

void MainWindow::handleAudioStateChanged(QAudio::State audioState)
{
    switch (audioState) {
    case QAudio::IdleState:
        // The stream never ends: idle means it ran dry and resumes later
        // than its frames were counted on.
        if (audioBuffer)
            audioBuffer->restartClock();
        break;
    case QAudio::StoppedState:
        if (audioOutput && audioOutput->error() != QAudio::NoError) {
            qWarning("Audio stopped unexpectedly");
            releasePlaybackObjects();
            abortSession(tr("The sound stopped with an error before its end.\n"
                            "The session stops here."));
        }
        break;
    default:
        break;
    }
}

void MainWindow::releasePlaybackObjects()
{
    // The output may be inside its own state notification: it is stopped and
    // cut off from this window now, and deleted, with its stream, once control
    // is back in the event loop (or with this window, whichever comes first).
    if (soundEndTimer)
        soundEndTimer->stop();
    if (audioBuffer)
        audioBuffer->disconnect(this);
    if (audioOutput) {
        audioOutput->disconnect(this);
        audioOutput->stop();
        audioOutput->deleteLater();
        audioOutput = nullptr;
    }
    if (audioBuffer) {
        audioBuffer->close();
        audioBuffer = nullptr;
    }
    delete audioBytes;
    audioBytes = nullptr;
}
