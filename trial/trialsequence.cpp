#include "trial/trialsequence.h"

#include <algorithm>
#include <chrono>
#include <random>

int playbackDelayMs(double soundDurationS, double silentIntervalS)
{
    return static_cast<int>((soundDurationS + silentIntervalS) * 1000.0);
}

QVector<TrialEntry> makeEntries(int nTokens, int nTimes, const QString &folder)
{
    // The 32-bit product, as the trial count is an int everywhere else.
    const qint64 product = static_cast<qint64>(nTimes) * nTokens;
    const int count = product >= 1 && product <= INT32_MAX ? static_cast<int>(product) : 0;
    return QVector<TrialEntry>(count, TrialEntry(folder));
}

QVector<int> makeTrialOrder(int nTokens, int nTimes, uint32_t seed)
{
    QVector<int> order;
    const qint64 product = static_cast<qint64>(nTimes) * nTokens;
    if (nTokens <= 0 || nTimes <= 0 || product > INT32_MAX)
        return order;
    order.reserve(static_cast<int>(product));
    for (int r = 0; r < nTimes; ++r) {
        for (int t = 0; t < nTokens; ++t)
            order.append(t);
    }
    std::mt19937 engine(seed);
    std::shuffle(order.begin(), order.end(), engine);
    return order;
}

uint32_t clockSeed()
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ns.count()));
}

void TrialSequence::prepare(const QVector<int> &order)
{
    tokens = order;
    next = 0;
    answers = 0;
    answered = -1;
    running = false;
}

void TrialSequence::start()
{
    running = true;
    answers = 0;
}

void TrialSequence::stop()
{
    running = false;
}

void TrialSequence::arm()
{
    if (next < tokens.size())
        ++next;
}

int TrialSequence::waitingTrial() const
{
    const int armed = next - 1;
    return running && armed >= 0 && armed != answered ? armed : -1;
}

void TrialSequence::recordAnswer()
{
    answered = waitingTrial();
    ++answers;
}
