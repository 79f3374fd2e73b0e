#include "trial/soundoutput.h"

SoundOutput::~SoundOutput() = default;

void SoundOutput::prepare(int frameRate, DeviceClock::Kind readings)
{
    deviceClock = std::make_unique<DeviceClock>(frameRate, readings);
    soundPlacement = std::make_unique<SoundPlacement>(kBytesPerFrame, deviceClock.get());
}

QStringList soundOutputNames()
{
    return { QStringLiteral("pipewire"), QStringLiteral("pulseaudio"), QStringLiteral("qt") };
}

QStringList outputsToTry(const QString &request)
{
    if (request == QLatin1String("auto"))
        return soundOutputNames();
    return soundOutputNames().contains(request) ? QStringList(request) : QStringList();
}
