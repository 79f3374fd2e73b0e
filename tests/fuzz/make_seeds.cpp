// Writes the WAV reader's seed corpus into the folder given: small files of
// the layouts tokens come in, byte for byte the same on every run.

#include "tests/support/wavwriter.h"

#include <QDir>

#include <cstdio>

using namespace wavwriter;

namespace {
// Eight 16-bit samples spread over the whole range, both signs.
QByteArray samples16()
{
    return pcm16({ 0, 1, -1, 12345, -12345, 32767, -32768, 256 });
}

QByteArray extensibleFormat(quint16 bits)
{
    // cbSize 22, valid bits, channel mask (front centre), PCM sub-format GUID.
    return fmtBody(0xFFFE, 1, 48000, bits) + le(22, 2) + le(bits, 2) + le(4, 4)
            + QByteArray::fromHex("0100000000001000800000aa00389b71");
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "Cannot create %s\n", argv[1]);
        return 1;
    }
    const QByteArray pcm8 = QByteArray::fromHex("00017f8081feff40");
    const QByteArray pcm24 = QByteArray::fromHex("000080ffff7fffffff000000563412");
    const QByteArray fmt16 = chunk("fmt ", fmtBody(1, 1, 48000, 16));
    const QByteArray data16 = chunk("data", samples16());
    QByteArray truncated = canonical(samples16());
    truncated.chop(7); // the data chunk claims 16 bytes and holds 9

    const QList<QPair<QString, QByteArray>> seeds {
        { "pcm8-mono.wav", canonical(pcm8, 8) },
        { "pcm16-mono.wav", canonical(samples16()) },
        { "pcm24-mono.wav", canonical(pcm24, 24) },
        { "pcm16-stereo.wav", canonical(samples16(), 16, 2, 44100) },
        { "list-chunk.wav",
          riff(chunk("LIST", QByteArray("INFOISFT\x05\0\0\0sox!\0", 17)) + fmt16 + data16) },
        { "fmt18.wav", riff(chunk("fmt ", fmtBody(1, 1, 48000, 16) + le(0, 2)) + data16) },
        { "extensible24.wav", riff(chunk("fmt ", extensibleFormat(24)) + chunk("data", pcm24)) },
        { "odd-chunk-data-first.wav", riff(chunk("junk", "abc") + data16 + fmt16) },
        { "truncated.wav", truncated },
        { "no-data.wav", canonical(QByteArray()) },
    };
    for (const auto &seed : seeds) {
        if (!put(dir.filePath(seed.first), seed.second)) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(dir.filePath(seed.first)));
            return 1;
        }
    }
    return 0;
}
