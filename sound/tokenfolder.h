#ifndef TOKENFOLDER_H
#define TOKENFOLDER_H

#include "sound/tokenlevels.h"
#include "sound/tokenrecord.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class WavFile;

// The sound tokens of a folder as a session sees them: its files whose suffix
// is "wav" in any case, in QDir's default order (names compared lower-cased,
// hidden entries left out). Folders named *.wav are skipped; links to files
// count as files, and so do broken links (for the check to report them).
// An empty folder path lists the current folder.
QVector<TokenRecord> listTokens(const QString &folder);

// What one token holds, as far as it could be read.
struct TokenInfo
{
    QString fileName;
    bool readable = false;
    quint32 samplingRate = 0;
    quint16 channels = 0;
    quint16 bits = 0;
    quint32 frames = 0; // samples per channel
    double durationMs = 0.0;
    QString problem; // empty when the token can be played
    std::optional<TokenLevels> levels; // when asked for and the samples could be read
};

// The pre-session check of a folder's tokens.
struct TokenCheck
{
    QVector<TokenInfo> tokens; // in listing order
    double commonRate = 0.0; // Hz; the rate most tokens share, 0 when none was readable

    bool ready() const;
    QStringList problems() const; // "file name: reason", one per problem token
};

// Why a token just read into wav cannot be played as one (no channels, more
// than two, no sampling rate, a frame size that does not fit the channels and
// bits, no complete samples), or empty when it can.
QString tokenProblem(const WavFile &wav);

// Reads every token once. A token is a problem when it cannot be read or
// fails tokenProblem(), or when its sampling rate differs from the rate most
// other tokens share (playback runs at one rate for the whole session).
// The reader's own messages go to standard error as usual.
// With silenceDb, the levels of every token that passes tokenProblem() are
// measured too (measureLevels(), that silence threshold in dBFS), in the same
// pass over the folder; a session's preparation does without them.
TokenCheck checkTokens(const QString &folder, const QVector<TokenRecord> &tokens,
                       std::optional<double> silenceDb = std::nullopt);

// The first channel of wav's samples (every frame's first sample), at most
// frames of them and never more than wav holds; 0 channels give nothing.
QVector<double> firstChannel(const WavFile &wav, int frames);

// What a trial plays and shows of a token that passed tokenProblem(): the
// first channel of every frame its header counts, zeros for frames missing
// from the data.
QVector<double> tokenSamples(const WavFile &wav);

#endif // TOKENFOLDER_H
