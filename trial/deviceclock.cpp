#include "trial/deviceclock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace {
const double kNsPerSecond = 1e9;
// Long enough to hold many reports of the server, short enough that a sound
// card's clock cannot drift from the system's by much within it (100 ppm is
// 0.1 ms a second).
const qint64 kWindowNs = 1000000000;
} // namespace

qint64 monotonicNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
}

DeviceClock::DeviceClock(int rate, Kind readingKind) : frameRate(rate), kind(readingKind) { }

void DeviceClock::observe(qint64 nowNs, double frame)
{
    const double origin = double(nowNs) - frame * kNsPerSecond / frameRate;
    std::lock_guard<std::mutex> guard(lock);
    readings.emplace_back(nowNs, origin);
    while (readings.front().first < nowNs - kWindowNs)
        readings.pop_front();
}

void DeviceClock::restart()
{
    std::lock_guard<std::mutex> guard(lock);
    readings.clear();
}

double DeviceClock::originLocked() const
{
    if (kind == LateReadings) {
        return std::min_element(readings.begin(), readings.end(),
                                [](const auto &a, const auto &b) { return a.second < b.second; })
                ->second;
    }
    std::vector<double> origins;
    origins.reserve(readings.size());
    for (const auto &reading : readings)
        origins.push_back(reading.second);
    const auto middle = origins.begin() + origins.size() / 2;
    std::nth_element(origins.begin(), middle, origins.end());
    return *middle;
}

qint64 DeviceClock::frameTimeNs(qint64 frame) const
{
    std::lock_guard<std::mutex> guard(lock);
    if (readings.empty())
        return -1;
    return std::llround(originLocked() + double(frame) * kNsPerSecond / frameRate);
}

qint64 DeviceClock::frameAt(qint64 timeNs) const
{
    std::lock_guard<std::mutex> guard(lock);
    if (readings.empty())
        return -1;
    return std::llround((double(timeNs) - originLocked()) * frameRate / kNsPerSecond);
}
