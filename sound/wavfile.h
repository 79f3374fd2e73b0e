#ifndef WAVFILE_H
#define WAVFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One linear-PCM WAV file in memory: a canonical 44-byte header record, the
// sample bytes as stored, and the samples converted to doubles in [-1, 1).
//
// Reading walks the RIFF chunks, so "fmt " and "data" are found wherever they
// stand (a LIST chunk first, an 18- or 40-byte format chunk). For a canonical
// file the record holds the file's first 44 bytes exactly; for any other
// layout it holds the canonical header of the same sound (format chunk of 16
// bytes, RIFF size 36 + data length), so writing it gives a canonical file.
// An extensible-format file whose sub-format is PCM is read as format code 1.
//
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

    // The header, little-endian in the file, in the order of a canonical file.
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

    unsigned char *rawData = nullptr; // owned, realloc'd on each read with data
    size_t rawDataSize = 0; // bytes allocated at rawData
    int64_t bytesRead = 0; // sample bytes the last read obtained
    uint32_t numSamples = 0; // all channels together
    double *sampleData = nullptr; // points into samples
    std::vector<double> samples;

    // The reason of the last failed read or write, without the path
    // (e.g. "Not a WAV file"); empty after a success.
    std::string lastError;

private:
    bool fail(const char *message, const char *path);
};

#endif // WAVFILE_H
