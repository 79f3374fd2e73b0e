#include "trial/qtaudiooutput.h"

#include <QAudioDeviceInfo>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QIODevice>
#include <QTimer>

#include <functional>

namespace {
// What the output holds ahead of the device: it is fed on the GUI thread, so
// this must cover the longest the GUI thread is busy (drawing a token).
const int kOutputBufferMs = 200;
// How often the output's count is read between its own feeds.
const int kProbeIntervalMs = 2;

// The stream as a device the output pulls from; each pull first reads where
// the output stands.
class PlacementDevice : public QIODevice
{
public:
    PlacementDevice(SoundPlacement *placement, std::function<void()> beforeRead, QObject *parent)
        : QIODevice(parent), stream(placement), observe(std::move(beforeRead))
    {
    }
    void detach() { stream = nullptr; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (!stream)
            return -1;
        observe();
        const qint64 frames = maxSize / SoundOutput::kBytesPerFrame;
        stream->fill(data, frames);
        return frames * SoundOutput::kBytesPerFrame;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    SoundPlacement *stream;
    std::function<void()> observe;
};
} // namespace

QtAudioOutput::QtAudioOutput() = default;

QtAudioOutput::~QtAudioOutput()
{
    stop();
}

bool QtAudioOutput::start(int frameRate)
{
    stop();
    rate = frameRate;
    prepare(frameRate, DeviceClock::LateReadings);
    QAudioFormat format;
    format.setSampleRate(frameRate);
    format.setChannelCount(1);
    format.setSampleSize(32);
    format.setSampleType(QAudioFormat::Float);
    format.setCodec(QStringLiteral("audio/pcm"));
    format.setByteOrder(QAudioFormat::LittleEndian);
    const QAudioDeviceInfo info = QAudioDeviceInfo::defaultOutputDevice();
    deviceName = info.deviceName();
    output = new QAudioOutput(info, format);
    output->setBufferSize(format.bytesForDuration(kOutputBufferMs * 1000));
    auto *source = new PlacementDevice(
            placement(), [this] { probe(); }, output);
    connect(output, SIGNAL(stateChanged(QAudio::State)), this, SLOT(stateChanged(QAudio::State)));
    source->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    output->start(source);
    // Without a usable device Qt returns at once, stopped with an open error.
    if (output->state() == QAudio::StoppedState && output->error() != QAudio::NoError) {
        error = QStringLiteral("Qt's audio output cannot open the default device");
        stop();
        return false;
    }
    if (!probeTimer) {
        probeTimer = new QTimer(this);
        probeTimer->setTimerType(Qt::PreciseTimer);
        connect(probeTimer, SIGNAL(timeout()), this, SLOT(probe()));
    }
    probeTimer->start(kProbeIntervalMs);
    return true;
}

void QtAudioOutput::stop()
{
    if (probeTimer)
        probeTimer->stop();
    if (!output)
        return;
    output->disconnect(this);
    for (auto *source : output->findChildren<PlacementDevice *>())
        source->detach();
    output->stop();
    output->deleteLater();
    output = nullptr;
}

qint64 QtAudioOutput::heldFrames() const
{
    return output ? (output->bufferSize() - output->bytesFree()) / kBytesPerFrame : 0;
}

double QtAudioOutput::latencyMs() const
{
    return rate > 0 ? 1000.0 * heldFrames() / rate : 0;
}

void QtAudioOutput::probe()
{
    if (!output)
        return;
    // Only once something has played does the count say where the stream is.
    const qint64 played = placement()->framesFilled() - heldFrames();
    if (played > 0)
        clock()->observe(monotonicNowNs(), double(played));
}

void QtAudioOutput::stateChanged(QAudio::State state)
{
    if (state == QAudio::IdleState) {
        // The stream never ends: idle means it ran dry and resumes later than
        // its frames were counted on.
        ++idles;
        clock()->restart();
    } else if (state == QAudio::StoppedState && output && output->error() != QAudio::NoError) {
        stop();
        emit failed(QStringLiteral("Qt's audio output stopped with an error"));
    }
}
