#include "trial/pipewireoutput.h"
#include "trial/pulseoutput.h"
#include "trial/qtaudiooutput.h"

std::unique_ptr<SoundOutput> makeSoundOutput(const QString &name)
{
    if (name == QLatin1String("pipewire"))
        return std::make_unique<PipeWireOutput>();
    if (name == QLatin1String("pulseaudio"))
        return std::make_unique<PulseOutput>();
    if (name == QLatin1String("qt"))
        return std::make_unique<QtAudioOutput>();
    return nullptr;
}
