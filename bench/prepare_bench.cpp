// Times the preparation of a folder of 2000 sound tokens the way a session
// does it: listing, the check of every token, the trial order and the entries.
// Target: under 0.5 s in all. Prints figures only.

#include "sound/tokenfolder.h"
#include "trial/trialsequence.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const int kTokens = 2000;
const int kRate = 48000;
const int kFrames = 24000; // 0.5 s, mono, 16 bit
const int kRepetitions = 4; // trials per token
const int kRuns = 5;

QByteArray le(quint32 v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>(v >> (8 * i)));
    return b;
}

QByteArray token(int seed)
{
    QByteArray data(2 * kFrames, '\0');
    for (int i = 0; i < kFrames; ++i) {
        const quint16 s = static_cast<quint16>((i * 37 + seed * 101) % 20000 - 10000);
        data[2 * i] = static_cast<char>(s);
        data[2 * i + 1] = static_cast<char>(s >> 8);
    }
    return "RIFF" + le(36 + data.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2)
            + le(kRate, 4) + le(2 * kRate, 4) + le(2, 2) + le(16, 2) + "data" + le(data.size(), 4)
            + data;
}

double ms(QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    for (int i = 0; i < kTokens; ++i) {
        QFile f(dir.filePath(QStringLiteral("token_%1.wav").arg(i, 4, 10, QLatin1Char('0'))));
        if (!f.open(QIODevice::WriteOnly) || f.write(token(i)) < 0) {
            std::fprintf(stderr, "cannot write the tokens in %s\n", qPrintable(dir.path()));
            return 1;
        }
    }
    std::printf("prepare_bench: %d tokens of %d frames (%.1f MB), %d repetitions each\n", kTokens,
                kFrames, kTokens * (44.0 + 2 * kFrames) / 1e6, kRepetitions);

    QVector<double> totals;
    for (int run = 1; run <= kRuns; ++run) {
        QElapsedTimer total;
        total.start();
        QElapsedTimer phase;
        phase.start();
        const QVector<TokenRecord> tokens = listTokens(dir.path());
        const double listing = ms(phase);
        phase.restart();
        const TokenCheck check = checkTokens(dir.path(), tokens);
        const double checking = ms(phase);
        phase.restart();
        const QVector<int> order = makeTrialOrder(tokens.size(), kRepetitions, clockSeed());
        const QVector<TrialEntry> entries = makeEntries(tokens.size(), kRepetitions, dir.path());
        const double ordering = ms(phase);
        totals.append(ms(total));
        std::printf("run %d: listing %.1f ms, check %.1f ms, order+entries %.1f ms, total %.1f ms"
                    " (%d tokens, ready %s, %d trials, %d entries)\n",
                    run, listing, checking, ordering, totals.last(), tokens.size(),
                    check.ready() ? "yes" : "no", order.size(), entries.size());
    }
    std::sort(totals.begin(), totals.end());
    std::printf("prepare 2000 tokens: median %.1f ms, best %.1f ms (target < 500 ms)\n",
                totals[kRuns / 2], totals.first());
    return 0;
}
