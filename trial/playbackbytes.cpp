#include "trial/playbackbytes.h"

#include <QtEndian>

#include <cstring>

namespace {
const int kBytesPerSample = 4;
} // namespace

int playedSampleCount(int nSamples, int signalSize)
{
    return qBound(0, nSamples, qMax(0, signalSize));
}

QByteArray playbackBytes(const QVector<double> &signal, int nSamples)
{
    const int n = playedSampleCount(nSamples, signal.size());
    QByteArray bytes(n * kBytesPerSample, Qt::Uninitialized);
    uchar *out = reinterpret_cast<uchar *>(bytes.data());
    for (int i = 0; i < n; ++i) {
        const float sample = static_cast<float>(signal[i]);
        quint32 bits;
        std::memcpy(&bits, &sample, sizeof bits);
        qToLittleEndian(bits, out + i * kBytesPerSample);
    }
    return bytes;
}
