#include "sound/tokenlevels.h"

#include "sound/wavfile.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const size_t kBlockFrames = 4096; // frames handed to the loudness filter at a time
const uint64_t kLoudnessBlockMs = 400; // BS.1770's gating block
const size_t kNone = std::numeric_limits<size_t>::max();
// Below the lowest rate speech is recorded at, K-weighting (its shelf lies
// near 1.7 kHz) no longer fits the band, and libebur128 itself corrupts its
// heap at 16 and 17 Hz (a crafted header can claim any rate).
const uint32_t kLowestLoudnessRate = 8000;

double powerDb(double meanSquare)
{
    return meanSquare > 0.0 ? 10.0 * std::log10(meanSquare)
                            : -std::numeric_limits<double>::infinity();
}

double ms(size_t frames, uint32_t rate)
{
    return 1000.0 * static_cast<double>(frames) / rate;
}

// libebur128's state for one channel counted twice, or null when the token is
// too short for one block, or sampled too slowly (or the library refuses the rate).
ebur128_state *loudnessMeter(size_t frames, uint32_t rate)
{
    if (rate < kLowestLoudnessRate
        || static_cast<uint64_t>(frames) * 1000 < kLoudnessBlockMs * rate)
        return nullptr;
    ebur128_state *meter = ebur128_init(1, rate, EBUR128_MODE_I);
    if (meter && ebur128_set_channel(meter, 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS)
        ebur128_destroy(&meter);
    return meter;
}

} // namespace

TokenLevels measureLevels(const double *samples, size_t frames, unsigned channels, uint32_t rate,
                          unsigned bits, double silenceDb)
{
    TokenLevels levels;
    if (!samples || frames == 0 || channels == 0 || rate == 0) {
        levels.rmsDbfs = levels.peakDbfs = -std::numeric_limits<double>::infinity();
        return levels;
    }
    const double threshold = std::pow(10.0, silenceDb / 20.0);
    const double top = 1.0 - std::ldexp(1.0, 1 - static_cast<int>(bits));
    const double bottom = -1.0;

    double sum = 0.0, squares = 0.0, peak = 0.0;
    double squaresBeforeFirst = 0.0, squaresThroughLast = 0.0;
    size_t first = kNone, last = kNone;
    int64_t clipped = 0;
    size_t run = 0; // consecutive frames on the rail of the previous one
    double rail = 0.0;

    ebur128_state *meter = loudnessMeter(frames, rate);
    double block[kBlockFrames];
    for (size_t start = 0; start < frames; start += kBlockFrames) {
        const size_t n = std::min(kBlockFrames, frames - start);
        const double *frame = samples + start * channels;
        for (size_t j = 0; j < n; ++j, frame += channels) {
            const double x = *frame;
            const double a = std::fabs(x);
            block[j] = x;
            sum += x;
            const double before = squares;
            squares += x * x;
            peak = std::max(peak, a);
            if (a > threshold) {
                if (first == kNone) {
                    first = start + j;
                    squaresBeforeFirst = before;
                }
                last = start + j;
                squaresThroughLast = squares;
            }
            if (x == top || x == bottom) {
                run = run > 0 && x == rail ? run + 1 : 1;
                rail = x;
                clipped += run == 2 ? 2 : run > 2 ? 1 : 0;
            } else {
                run = 0;
            }
        }
        if (meter)
            ebur128_add_frames_double(meter, block, n);
    }

    levels.rmsDbfs = powerDb(squares / frames);
    levels.peakDbfs =
            peak > 0.0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
    levels.clipped = clipped;
    levels.dc = sum / frames;
    if (first == kNone) {
        levels.leadMs = levels.trailMs = ms(frames, rate);
    } else {
        levels.activeRmsDbfs =
                powerDb((squaresThroughLast - squaresBeforeFirst) / (last - first + 1));
        levels.leadMs = ms(first, rate);
        levels.trailMs = ms(frames - 1 - last, rate);
    }
    if (meter) {
        double lufs = 0.0;
        if (ebur128_loudness_global(meter, &lufs) == EBUR128_SUCCESS)
            levels.lufs = lufs; // -HUGE_VAL, which is -inf, when all is gated out
        ebur128_destroy(&meter);
    }
    return levels;
}

TokenLevels measureLevels(const WavFile &wav, double silenceDb)
{
    const size_t frames = wav.numChannels ? wav.samples.size() / wav.numChannels : 0;
    return measureLevels(wav.samples.data(), frames, wav.numChannels, wav.samplingRate,
                         wav.bitsPerSample, silenceDb);
}
