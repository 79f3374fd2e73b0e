#include "sound/wavfile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <new>

namespace {

const int kHeaderSize = 44;
const int kRiffPreambleSize = 12; // "RIFF", size, "WAVE"
const int kChunkHeaderSize = 8; // identifier, size
const uint32_t kPlainFormatLength = 16;
const uint32_t kExtensibleFormatLength = 40;
const uint16_t kFormatPcm = 1;
const uint16_t kFormatExtensible = 0xFFFE;
const std::streamoff kCanonicalFmtOffset = 12;
const std::streamoff kCanonicalDataOffset = 36;

// KSDATAFORMAT_SUBTYPE_PCM as stored: 00000001-0000-0010-8000-00aa00389b71.
const unsigned char kPcmSubFormat[16] = { 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                          0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };
const int kSubFormatOffset = 24; // within the extensible format chunk

const double k8BitScale = 0.0078125; // 1 / 128
const double k16BitScale = 3.0517578125e-05; // 1 / 32768
const double k24BitScale = 1.1920928955078125e-07; // 1 / 8388608

const char kLabels[12][30] = {
    "RIFF header                : ", "WAVE header                : ",
    "FMT                        : ", "Data size                  : ",
    "Sampling Rate              : ", "Number of bits per sample  : ",
    "Number of channels         : ", "Number of bytes per second : ",
    "Data length (bytes)        : ", "Audio Format               : ",
    "Block align                : ", "Data string                : ",
};

uint16_t le16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
            | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void put16(unsigned char *p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool sameId(const unsigned char *p, const char *id)
{
    return std::memcmp(p, id, 4) == 0;
}

} // namespace

WavFile::WavFile()
{
    std::memset(riffHeader, 0, sizeof riffHeader);
    dataSize = 0;
    std::memset(waveHeader, 0, sizeof waveHeader);
    std::memset(fmtHeader, 0, sizeof fmtHeader);
    fmtLength = 0;
    formatCode = 0;
    numChannels = 0;
    samplingRate = 0;
    bytesPerSecond = 0;
    blockAlign = 0;
    bitsPerSample = 0;
    std::memset(dataString, 0, sizeof dataString);
    dataLength = 0;
}

WavFile::~WavFile()
{
    std::free(rawData);
}

bool WavFile::fail(const char *message, const char *path)
{
    std::cerr << message << (path ? path : "") << std::endl;
    lastError = message;
    while (!lastError.empty()
           && (lastError.back() == ' ' || lastError.back() == ':' || lastError.back() == '.'))
        lastError.pop_back();
    return false;
}

bool WavFile::readWavFile(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail("Unable to open WAV file: ", path);

    unsigned char head[kHeaderSize];
    in.read(reinterpret_cast<char *>(head), kHeaderSize);
    const std::streamsize got = in.gcount();
    if (got == 0)
        return fail("Header size is zero. ", path);
    // A shorter read would leave fields of the previous file in the record.
    if (got < kHeaderSize)
        return fail("WAV header is shorter than 44 bytes: ", path);

    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff fileSize = in.tellg();

    std::memcpy(riffHeader, head, 4);
    dataSize = le32(head + 4);
    std::memcpy(waveHeader, head + 8, 4);
    if (!sameId(head + 8, "WAVE"))
        return fail("Not a WAV file: ", path);

    // Walk the chunks after the preamble, each padded to an even length.
    std::streamoff fmtOffset = -1;
    std::streamoff dataOffset = -1;
    uint32_t fmtChunkLength = 0;
    uint32_t dataChunkLength = 0;
    unsigned char fmt[kExtensibleFormatLength] = {};
    std::streamoff pos = kRiffPreambleSize;
    while ((fmtOffset < 0 || dataOffset < 0) && pos + kChunkHeaderSize <= fileSize) {
        unsigned char chunk[kChunkHeaderSize];
        in.clear();
        in.seekg(pos);
        if (!in.read(reinterpret_cast<char *>(chunk), kChunkHeaderSize))
            break;
        const uint32_t length = le32(chunk + 4);
        if (fmtOffset < 0 && sameId(chunk, "fmt ")) {
            fmtOffset = pos;
            fmtChunkLength = length;
            in.read(reinterpret_cast<char *>(fmt),
                    std::min<uint32_t>(length, kExtensibleFormatLength));
        } else if (dataOffset < 0 && sameId(chunk, "data")) {
            dataOffset = pos;
            dataChunkLength = length;
        }
        pos += kChunkHeaderSize + static_cast<std::streamoff>(length) + (length & 1u);
    }

    if (fmtOffset < 0)
        return fail("No format chunk in WAV file: ", path);
    if (fmtChunkLength < kPlainFormatLength)
        return fail("Format chunk shorter than 16 bytes in WAV file: ", path);

    std::memcpy(fmtHeader, "fmt ", 4);
    fmtLength = fmtChunkLength;
    formatCode = le16(fmt);
    numChannels = le16(fmt + 2);
    samplingRate = le32(fmt + 4);
    bytesPerSecond = le32(fmt + 8);
    blockAlign = le16(fmt + 12);
    bitsPerSample = le16(fmt + 14);

    if (formatCode == kFormatExtensible && fmtChunkLength >= kExtensibleFormatLength
        && std::memcmp(fmt + kSubFormatOffset, kPcmSubFormat, sizeof kPcmSubFormat) == 0)
        formatCode = kFormatPcm;
    if (formatCode != kFormatPcm)
        return fail("Not a PCM (linear quantitation) WAV file: ", path);
    if (bitsPerSample != 8 && bitsPerSample != 16 && bitsPerSample != 24)
        return fail("Not a 8-bit, 16-bit, or 24-bit WAV file: ", path);
    if (dataOffset < 0)
        return fail("No data chunk in WAV file: ", path);

    std::memcpy(dataString, "data", 4);
    dataLength = dataChunkLength;
    const bool canonical = fmtOffset == kCanonicalFmtOffset && fmtChunkLength == kPlainFormatLength
            && dataOffset == kCanonicalDataOffset;
    if (!canonical) {
        fmtLength = kPlainFormatLength;
        dataSize = dataLength > UINT32_MAX - 36 ? UINT32_MAX : dataLength + 36;
    }

    numSamples = dataLength / (bitsPerSample / 8u);

    if (dataLength != 0) {
        // The header may claim more than the file holds: allocate only what is there.
        const std::streamoff dataStart = dataOffset + kChunkHeaderSize;
        const std::streamoff remaining = std::max<std::streamoff>(0, fileSize - dataStart);
        const size_t wanted = static_cast<size_t>(std::min<std::streamoff>(dataLength, remaining));
        bytesRead = 0;
        if (wanted > 0) {
            auto *grown = static_cast<unsigned char *>(std::realloc(rawData, wanted));
            if (!grown)
                return fail("Not enough memory for the samples of WAV file: ", path);
            rawData = grown;
            rawDataSize = wanted;
            in.clear();
            in.seekg(dataStart);
            in.read(reinterpret_cast<char *>(rawData), static_cast<std::streamsize>(wanted));
            bytesRead = in.gcount();
        }
        convertSamples();
    }
    lastError.clear();
    return true;
}

void WavFile::convertSamples()
{
    samples.clear();
    const bool complete = rawData && bytesRead > 0 && bytesRead == dataLength
            && static_cast<size_t>(bytesRead) <= rawDataSize && numSamples > 0;
    if (complete) {
        const unsigned char *p = rawData;
        const uint32_t bytesPer = bitsPerSample / 8u;
        const uint32_t n = bytesPer ? std::min<uint32_t>(numSamples, dataLength / bytesPer) : 0;
        try {
            samples.reserve(n);
        } catch (const std::bad_alloc &) {
            std::cerr << "Not enough memory to convert the samples." << std::endl;
            sampleData = nullptr;
            return;
        }
        switch (bitsPerSample) {
        case 8:
            samples.resize(n);
            for (uint32_t i = 0; i < n; ++i)
                samples[i] = (static_cast<int>(p[i]) - 128) * k8BitScale;
            break;
        case 16:
            samples.resize(n);
            for (uint32_t i = 0; i < n; ++i)
                samples[i] = static_cast<int16_t>(le16(p + 2 * i)) * k16BitScale;
            break;
        case 24:
            samples.resize(n);
            for (uint32_t i = 0; i < n; ++i) {
                const unsigned char *b = p + 3 * i;
                const uint32_t u = b[0] | (b[1] << 8) | (static_cast<uint32_t>(b[2]) << 16);
                double x = u * k24BitScale;
                if (x >= 1.0)
                    x -= 2.0;
                samples[i] = x;
            }
            break;
        default:
            std::cerr << "Not recognizable bits per sample. " << std::endl;
            break;
        }
    }
    sampleData = samples.data();
}

bool WavFile::writeWavFile(const char *path)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out)
        return fail("Unable to write wave file: ", path);

    unsigned char head[kHeaderSize];
    std::memcpy(head, riffHeader, 4);
    put32(head + 4, dataSize);
    std::memcpy(head + 8, waveHeader, 4);
    std::memcpy(head + 12, fmtHeader, 4);
    put32(head + 16, fmtLength);
    put16(head + 20, formatCode);
    put16(head + 22, numChannels);
    put32(head + 24, samplingRate);
    put32(head + 28, bytesPerSecond);
    put16(head + 32, blockAlign);
    put16(head + 34, bitsPerSample);
    std::memcpy(head + 36, dataString, 4);
    put32(head + 40, dataLength);
    out.write(reinterpret_cast<const char *>(head), kHeaderSize);
    // Never past the buffer: a short file gave fewer bytes than dataLength.
    const size_t dataBytes =
            rawData && bytesRead > 0 ? std::min<size_t>(dataLength, size_t(bytesRead)) : 0;
    out.write(reinterpret_cast<const char *>(rawData), static_cast<std::streamsize>(dataBytes));
    out.close();
    if (!out)
        return fail("Unable to write wave file: ", path);
    lastError.clear();
    return true;
}

void WavFile::printHeader()
{
    std::ostream &out = std::cout;
    auto chars = [&](int line, const char *value) {
        out << kLabels[line];
        out.write(value, 4);
        out << '\n';
    };
    auto number = [&](int line, unsigned long value) { out << kLabels[line] << value << '\n'; };
    chars(0, riffHeader);
    chars(1, waveHeader);
    chars(2, fmtHeader);
    number(3, dataSize);
    number(4, samplingRate);
    number(5, bitsPerSample);
    number(6, numChannels);
    number(7, bytesPerSecond);
    number(8, dataLength);
    number(9, formatCode);
    number(10, blockAlign);
    chars(11, dataString);
    out.flush();
}

void WavFile::printSamples()
{
    for (double s : samples)
        std::cout << s << '\n';
    std::cout.flush();
}
