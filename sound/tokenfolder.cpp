#include "sound/tokenfolder.h"

#include "sound/wavfile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {
const QString kTokenSuffix = QStringLiteral("wav");
const int kMaxChannels = 2;
} // namespace

QVector<TokenRecord> listTokens(const QString &folder)
{
    QVector<TokenRecord> tokens;
    // QDir lists a link that leads nowhere only among the system entries.
    QDir dir(folder);
    dir.setFilter(dir.filter() | QDir::System);
    const QFileInfoList entries = dir.entryInfoList();
    for (const QFileInfo &entry : entries) {
        // A broken link (target gone, or a loop of links) is listed too, so
        // the check names it instead of the session silently losing a token.
        // FIFOs and devices are no tokens: reading one could block forever.
        const bool brokenLink = entry.isSymLink() && !entry.exists();
        if ((entry.isFile() || brokenLink) && entry.suffix().toLower() == kTokenSuffix)
            tokens.append(TokenRecord(folder, entry.fileName()));
    }
    return tokens;
}

bool TokenCheck::ready() const
{
    if (tokens.isEmpty())
        return false;
    return std::all_of(tokens.cbegin(), tokens.cend(),
                       [](const TokenInfo &t) { return t.problem.isEmpty(); });
}

QStringList TokenCheck::problems() const
{
    QStringList lines;
    for (const TokenInfo &t : tokens) {
        if (!t.problem.isEmpty())
            lines.append(t.fileName + QStringLiteral(": ") + t.problem);
    }
    return lines;
}

QString tokenProblem(const WavFile &wav)
{
    if (wav.numChannels == 0)
        return QStringLiteral("no channels");
    if (wav.numChannels > kMaxChannels)
        return QStringLiteral("%1 channels (only mono and stereo can be played)")
                .arg(wav.numChannels);
    if (wav.samplingRate == 0)
        return QStringLiteral("sampling rate of 0 Hz");
    // The samples are read as packed frames of whole samples; a header whose
    // frame size says otherwise would play as noise.
    if (wav.blockAlign != wav.numChannels * (wav.bitsPerSample / 8))
        return QStringLiteral("frame size of %1 bytes does not fit %2 channel(s) of %3 bits")
                .arg(wav.blockAlign)
                .arg(wav.numChannels)
                .arg(wav.bitsPerSample);
    if (wav.numSamples / wav.numChannels == 0)
        return QStringLiteral("no samples");
    if (wav.samples.size() < wav.numSamples && wav.bytesRead == wav.dataLength)
        return QStringLiteral("samples could not be converted");
    if (wav.samples.size() < wav.numSamples)
        return QStringLiteral("sample data incomplete (%1 of %2 bytes in the file)")
                .arg(wav.bytesRead)
                .arg(wav.dataLength);
    return QString();
}

TokenCheck checkTokens(const QString &folder, const QVector<TokenRecord> &tokens,
                       std::optional<double> silenceDb)
{
    TokenCheck check;
    check.tokens.reserve(tokens.size());
    WavFile wav;
    QHash<quint32, int> rateCounts;
    QVector<quint32> ratesInOrder;
    for (const TokenRecord &token : tokens) {
        TokenInfo info;
        info.fileName = token.fileName;
        const QString path = folder + QLatin1Char('/') + token.fileName;
        info.readable = wav.readWavFile(path.toUtf8().constData());
        if (!info.readable) {
            const QFileInfo file(path);
            info.problem = file.isSymLink() && !file.exists()
                    ? QStringLiteral("link to a missing file, or a loop of links")
                    : QString::fromStdString(wav.lastError);
        } else {
            info.samplingRate = wav.samplingRate;
            info.channels = wav.numChannels;
            info.bits = wav.bitsPerSample;
            // The frames actually held: an incomplete file holds none, whatever
            // its header claims.
            info.frames = wav.numChannels ? quint32(wav.samples.size()) / wav.numChannels : 0;
            info.durationMs = wav.samplingRate ? 1000.0 * info.frames / wav.samplingRate : 0.0;
            info.problem = tokenProblem(wav);
            if (info.problem.isEmpty() && silenceDb)
                info.levels = measureLevels(wav, *silenceDb);
            if (info.problem.isEmpty()) {
                if (!rateCounts.contains(info.samplingRate))
                    ratesInOrder.append(info.samplingRate);
                ++rateCounts[info.samplingRate];
            }
        }
        check.tokens.append(info);
    }

    // The rate most playable tokens share (the first listed on a tie) is the
    // session's; the others would play at the wrong speed.
    quint32 common = 0;
    for (quint32 rate : ratesInOrder) {
        if (common == 0 || rateCounts.value(rate) > rateCounts.value(common))
            common = rate;
    }
    check.commonRate = common;
    for (TokenInfo &info : check.tokens) {
        if (info.problem.isEmpty() && info.samplingRate != common)
            info.problem =
                    QStringLiteral("sampling rate %1 Hz differs from the other tokens' %2 Hz")
                            .arg(info.samplingRate)
                            .arg(common);
    }
    return check;
}

QVector<double> firstChannel(const WavFile &wav, int frames)
{
    QVector<double> channel;
    if (wav.numChannels == 0 || frames <= 0)
        return channel;
    const size_t step = wav.numChannels;
    const size_t available = wav.samples.size() / step;
    const int n = static_cast<int>(std::min<size_t>(available, static_cast<size_t>(frames)));
    channel.resize(n);
    for (int i = 0; i < n; ++i)
        channel[i] = wav.samples[i * step];
    return channel;
}

QVector<double> tokenSamples(const WavFile &wav)
{
    if (wav.numChannels == 0)
        return {};
    const int frames = static_cast<int>(wav.numSamples / wav.numChannels);
    QVector<double> samples = firstChannel(wav, frames);
    samples.resize(frames);
    return samples;
}
