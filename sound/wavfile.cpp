#include "sound/wavfile.h"

#include <cstdlib>
#include <cstring>

// Placeholder until the reader lands.
WavFile::WavFile()
{
    std::memset(riffHeader, 0, 44);
}

WavFile::~WavFile()
{
    std::free(rawData);
}

bool WavFile::readWavFile(const char *)
{
    return false;
}

void WavFile::convertSamples() { }

bool WavFile::writeWavFile(const char *)
{
    return false;
}

void WavFile::printHeader() { }

void WavFile::printSamples() { }
