#ifndef WAVFILE_H
#define WAVFILE_H

#include <cstdint>
#include <vector>

// One linear-PCM WAV file in memory: the canonical 44-byte header record, the
// sample bytes as stored, and the samples converted to doubles in [-1, 1).
// Failures are reported as one line on standard error; nothing throws.
class WavFile
{
public:
    WavFile();
    ~WavFile();
    WavFile(const WavFile &) = delete;
    WavFile &operator=(const WavFile &) = delete;

    bool readWavFile(const char *path);
    void convertSamples();
    bool writeWavFile(const char *path);
    void printHeader();
    void printSamples();
    static int headerSize() { return 44; }

    // The header, laid out like the first 44 bytes of a canonical file.
    char riffHeader[4];
    uint32_t dataSize;
    char waveHeader[4];
    char fmtHeader[4];
    uint32_t fmtLength;
    uint16_t formatCode;
    uint16_t numChannels;
    uint32_t samplingRate;
    uint32_t bytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    char dataString[4];
    uint32_t dataLength;

    unsigned char *rawData = nullptr; // owned, realloc'd to dataLength
    int64_t bytesRead = 0;
    uint32_t numSamples = 0; // all channels together
    double *sampleData = nullptr; // points into samples
    std::vector<double> samples;
};

#endif // WAVFILE_H
