#include "app/mainwindow.h"

#include "trial/playbackbytes.h"

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QBuffer>
#include <QDebug>

namespace {
const int kSoundOver = -1;
} // namespace

void MainWindow::playOneSound()
{
    if (nPlays >= nPlaysPerTrial)
        return;
    releasePlaybackObjects(); // nothing of an earlier play may linger

    const QVector<double> samples = signal;
    audioBytes = new QByteArray(playbackBytes(samples, parameters.nSamples));
    audioBuffer = new QBuffer(audioBytes);
    audioBuffer->open(QIODevice::ReadOnly);
    audioOutput = new QAudioOutput(QAudioDeviceInfo::defaultOutputDevice(), audioFormat, this);
    connect(audioOutput, SIGNAL(stateChanged(QAudio::State)), this,
            SLOT(handleAudioStateChanged(QAudio::State)));
    audioOutput->start(audioBuffer);

    // Without a usable output Qt returns at once, stopped with an open error,
    // and emits no state change.
    if (audioOutput->state() == QAudio::StoppedState && audioOutput->error() != QAudio::NoError) {
        qWarning("Audio stopped unexpectedly");
        releasePlaybackObjects();
        abortSession(tr("The sound could not be played: no audio output is available.\n"
                        "The session stops here."));
        return;
    }
    ++nPlays;
    emit soundPlaying(nPlays);
}

void MainWindow::handleAudioStateChanged(QAudio::State audioState)
{
    switch (audioState) {
    case QAudio::IdleState:
        releasePlaybackObjects();
        if (nPlays == nPlaysPerTrial) {
            if (clockStarts++ == 0)
                elapsedTimer->start();
            else
                elapsedTimer->restart();
            emit soundPlaying(kSoundOver);
        }
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
    // cut off from this window now, and deleted once control is back in the
    // event loop. Its buffer goes the same way; the bytes are unreachable once
    // the buffer is closed.
    if (audioOutput) {
        audioOutput->disconnect(this);
        audioOutput->stop();
    }
    if (audioBuffer)
        audioBuffer->close();
    delete audioBytes;
    audioBytes = nullptr;
    if (audioBuffer) {
        audioBuffer->deleteLater();
        audioBuffer = nullptr;
    }
    if (audioOutput) {
        audioOutput->deleteLater();
        audioOutput = nullptr;
    }
}
