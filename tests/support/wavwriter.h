#ifndef WAVWRITER_H
#define WAVWRITER_H

// RIFF/WAVE files built byte by byte, for the tests that write their own tokens.

#include <QFile>
#include <QVector>

namespace wavwriter {

inline QByteArray le(quint32 v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(char(v >> (8 * i)));
    return b;
}
// One chunk, padded to an even length.
inline QByteArray chunk(const char *id, const QByteArray &body)
{
    return QByteArray(id, 4) + le(body.size(), 4) + body + QByteArray(body.size() % 2, '\0');
}
inline QByteArray fmtBody(quint16 code, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = channels * (bits / 8);
    return le(code, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2)
            + le(bits, 2);
}
inline QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le(4 + chunks.size(), 4) + "WAVE" + chunks;
}
// A canonical file: the 44-byte header, then data.
inline QByteArray canonical(const QByteArray &data, quint16 bits = 16, quint16 channels = 1,
                            quint32 rate = 48000, quint16 code = 1)
{
    return riff(chunk("fmt ", fmtBody(code, channels, rate, bits)) + chunk("data", data));
}
inline QByteArray pcm16(const QVector<qint16> &values)
{
    QByteArray b;
    for (qint16 v : values)
        b += le(quint16(v), 2);
    return b;
}
// 16-bit frames in which frame i of channel c holds i + 1000 c.
inline QByteArray ramp16(quint32 rate, quint16 channels, quint32 frames)
{
    QVector<qint16> v;
    for (quint32 i = 0; i < frames * channels; ++i)
        v << qint16(i / channels + 1000 * (i % channels));
    return canonical(pcm16(v), 16, channels, rate);
}
inline bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace wavwriter

#endif // WAVWRITER_H
