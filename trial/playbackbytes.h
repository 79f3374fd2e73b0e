#ifndef PLAYBACKBYTES_H
#define PLAYBACKBYTES_H

#include <QByteArray>
#include <QVector>

// The bytes an audio output plays for a token: the first n samples of signal,
// n = nSamples bounded by the size of signal (and by 0), each rounded to the
// nearest 32-bit float and stored little-endian, 4 * n bytes in all. No
// scaling, clipping or padding.
int playedSampleCount(int nSamples, int signalSize);
QByteArray playbackBytes(const QVector<double> &signal, int nSamples);

#endif // PLAYBACKBYTES_H
