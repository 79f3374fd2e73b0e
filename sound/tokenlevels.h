#ifndef TOKENLEVELS_H
#define TOKENLEVELS_H

// Levels of one sound token, measured on the samples as a session plays them:
// the first channel (every frame's first sample), as WavFile converts it to
// doubles in [-1, 1). Full scale is 1.0, so a sample x is 20 log10|x| dBFS.
//
// - rmsDbfs: 10 log10(mean of x^2) over every frame. A full-scale square wave
//   reads 0 dB and a full-scale sine -3.01 dB (the convention of sox stats;
//   not the AES one, which adds 3.01 dB so that sines read their peak).
// - activeRmsDbfs: the same from the first to the last frame whose |x|
//   exceeds the silence threshold (both included); none when no frame does.
// - peakDbfs: 20 log10(max |x|).
//   rmsDbfs and peakDbfs are -inf when every sample is 0.
// - clipped: the samples that stand in runs of two or more consecutive
//   frames holding the same rail, the format's largest or smallest code:
//   8-bit (unsigned) bytes 255 and 0, 16-bit 32767 and -32768, 24-bit 8388607
//   and -8388608; converted, 1 - 2^(1 - bits) and -1.0, compared exactly. A
//   single sample on a rail is a peak, not clipping. Only 8-, 16- and 24-bit
//   integer files are read at all (WavFile rejects 32-bit and float ones, so
//   those have a problem and no levels).
// - dc: the mean of x, a fraction of full scale.
// - leadMs, trailMs: the frames before the first and after the last frame
//   whose |x| exceeds the silence threshold, in ms at the file's own rate.
//   When no frame exceeds it the token is silence throughout and both are
//   its whole duration.
// - lufs: integrated loudness per ITU-R BS.1770-4 / EBU R128 (K-weighting,
//   400 ms blocks, absolute gate -70 LUFS, relative gate -10 LU), computed
//   by libebur128 on the one channel counted as dual mono, since the output
//   sends it to both ears (a full-scale 1 kHz sine reads 0 LUFS). None for a
//   token shorter than 400 ms (no complete block), sampled below 8 kHz, or
//   at a rate the library refuses (above 2822400 Hz); -inf when every block
//   is gated out (silence).
//
// One pass over the samples; the loudness filter runs on the same blocks of
// frames as they pass.

#include <cstddef>
#include <cstdint>
#include <optional>

class WavFile;

const double kDefaultSilenceDb = -50.0;

struct TokenLevels
{
    double rmsDbfs = 0.0;
    std::optional<double> activeRmsDbfs;
    double peakDbfs = 0.0;
    int64_t clipped = 0;
    double dc = 0.0;
    double leadMs = 0.0;
    double trailMs = 0.0;
    std::optional<double> lufs;
};

// samples: frames frames, each of channels interleaved samples (channels >= 1);
// rate in Hz (> 0), bits per sample of the file (8, 16 or 24).
TokenLevels measureLevels(const double *samples, size_t frames, unsigned channels, uint32_t rate,
                          unsigned bits, double silenceDb = kDefaultSilenceDb);

// The frames wav holds, read and converted (a token that passed tokenProblem()).
TokenLevels measureLevels(const WavFile &wav, double silenceDb = kDefaultSilenceDb);

#endif // TOKENLEVELS_H
