// Arbitrary bytes through the WAV reader the way a session uses it: one record
// reused from token to token, the token check, the first channel and the bytes
// the audio output plays. A record that was read must also write a file that
// reads back as the same sound. Any broken promise aborts with its reason.

#include "sound/tokenfolder.h"
#include "sound/tokenlevels.h"
#include "sound/wavfile.h"
#include "trial/playbackbytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "wavfile_fuzz: %s\n", what);
        std::abort();
    }
}

// A file in memory with a path the reader can open like any other.
class MemoryFile
{
public:
    explicit MemoryFile(const char *name) : fd(memfd_create(name, 0))
    {
        require(fd >= 0, "memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    void set(const uint8_t *data, size_t size)
    {
        require(ftruncate(fd, 0) == 0, "ftruncate failed");
        for (size_t done = 0; done < size;) {
            const ssize_t n = pwrite(fd, data + done, size - done, off_t(done));
            require(n > 0, "pwrite failed");
            done += size_t(n);
        }
    }
    const char *name() const { return path.c_str(); }

private:
    int fd;
    std::string path;
};

// The token a session read before this one: two 16-bit samples, 0.5 and -0.5.
const uint8_t kPrevious[] = { 'R',  'I',  'F', 'F', 40, 0,    0, 0, 'W', 'A',  'V', 'E',
                              'f',  'm',  't', ' ', 16, 0,    0, 0, 1,   0,    1,   0,
                              0x80, 0xBB, 0,   0,   0,  0x77, 1, 0, 2,   0,    16,  0,
                              'd',  'a',  't', 'a', 4,  0,    0, 0, 0,   0x40, 0,   0xC0 };

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The reader's one-line reports would drown the fuzzer's own output.
    std::cerr.setstate(std::ios::badbit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static MemoryFile in("wav-in");
    static MemoryFile out("wav-out");

    WavFile wav;
    in.set(kPrevious, sizeof kPrevious);
    require(wav.readWavFile(in.name()) && wav.samples.size() == 2, "the previous token");
    const std::vector<double> previous = wav.samples;

    in.set(data, size);
    if (!wav.readWavFile(in.name())) {
        require(!wav.lastError.empty(), "a file refused without a reason");
        require(wav.samples == previous, "a refused file changed the samples");
        return 0;
    }
    require(wav.lastError.empty(), "a reason left over after a good read");
    if (wav.dataLength == 0) {
        // Nothing to read: the previous token's samples stay.
        require(wav.samples == previous, "a file without data changed the samples");
    } else {
        require(wav.bytesRead >= 0 && uint64_t(wav.bytesRead) <= wav.dataLength
                        && wav.rawDataSize <= size,
                "more sample bytes than the file holds");
        require(wav.samples.empty() || wav.samples.size() == wav.numSamples,
                "a partial conversion");
    }
    for (double s : wav.samples)
        require(s >= -1.0 && s < 1.0, "a sample outside [-1, 1)");

    if (tokenProblem(wav).isEmpty()) {
        const int frames = int(wav.numSamples / wav.numChannels);
        const QVector<double> signal = firstChannel(wav, frames);
        require(signal.size() == frames, "the first channel lacks frames");
        require(playbackBytes(signal, frames).size() == 4 * frames, "playback bytes missing");
        const TokenLevels l = measureLevels(wav);
        const double ms = 1000.0 * frames / wav.samplingRate;
        // A constant signal's RMS equals its peak, up to the rounding of a mean.
        require(l.clipped >= 0 && l.clipped <= frames && l.peakDbfs <= 0
                        && l.rmsDbfs <= l.peakDbfs + 1e-9 && std::fabs(l.dc) <= 1,
                "levels outside their range");
        require(l.activeRmsDbfs ? l.leadMs + l.trailMs < ms : l.leadMs == ms && l.trailMs == ms,
                "lead and trail do not fit the token");
    }

    // Written back, the record is a canonical file of the same sound.
    out.set(nullptr, 0);
    require(wav.writeWavFile(out.name()), "the record cannot be written");
    WavFile again;
    require(again.readWavFile(out.name()), "the written file cannot be read");
    require(again.numChannels == wav.numChannels && again.samplingRate == wav.samplingRate
                    && again.bitsPerSample == wav.bitsPerSample
                    && again.blockAlign == wav.blockAlign && again.dataLength == wav.dataLength
                    && again.numSamples == wav.numSamples,
            "the written file has another header");
    if (wav.dataLength != 0)
        require(again.samples == wav.samples, "the written file has other samples");
    return 0;
}
