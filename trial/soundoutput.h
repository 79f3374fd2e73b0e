#ifndef SOUNDOUTPUT_H
#define SOUNDOUTPUT_H

#include "trial/deviceclock.h"
#include "trial/soundplacement.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// One audio output that plays a session's stream (SoundPlacement) from start
// to stop, float32 mono at the session's rate, and tells when each frame is
// played by the device (DeviceClock). Each kind of sound server has one; the
// platform output of Qt Multimedia serves where none runs.
class SoundOutput : public QObject
{
    Q_OBJECT

public:
    ~SoundOutput() override;

    // Opens the output and starts streaming silence. False, with
    // errorString(), when it cannot.
    virtual bool start(int frameRate) = 0;
    // Stops streaming; safe to call more than once, and from the destructor.
    virtual void stop() = 0;

    // "pipewire", "pulseaudio" or "qt", and the device it plays on.
    virtual QString name() const = 0;
    virtual QString device() const = 0;
    // The server's latency from the stream to the device, as last reported;
    // NaN before its first report.
    virtual double latencyMs() const = 0;
    // Underruns the server reported since start.
    virtual int dropouts() const = 0;

    QString errorString() const { return error; }
    DeviceClock *clock() const { return deviceClock.get(); }
    SoundPlacement *placement() const { return soundPlacement.get(); }

    static const int kBytesPerFrame = 4;

signals:
    // The stream broke off after a successful start (sent from any thread;
    // connect it queued to the GUI).
    void failed(const QString &why);

protected:
    // Sets up the clock and the placement for a stream at frameRate.
    void prepare(int frameRate, DeviceClock::Kind readings);
    QString error;

private:
    std::unique_ptr<DeviceClock> deviceClock;
    std::unique_ptr<SoundPlacement> soundPlacement;
};

// The outputs a session can use, in the order "auto" tries them.
QStringList soundOutputNames();

// The outputs to try for a request ("auto", or one of soundOutputNames()):
// every available one in order for "auto", else the one asked for. Empty
// when the request names no output.
QStringList outputsToTry(const QString &request);

// A new output of that name, or nullptr for an unknown name.
std::unique_ptr<SoundOutput> makeSoundOutput(const QString &name);

#endif // SOUNDOUTPUT_H
