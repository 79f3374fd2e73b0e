#ifndef PULSEOUTPUT_H
#define PULSEOUTPUT_H

#include "trial/soundoutput.h"

#include <atomic>
#include <limits>
#include <mutex>

struct pa_context;
struct pa_mainloop_api;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

// A stream of the PulseAudio server (or of PipeWire's PulseAudio service),
// fed on libpulse's own thread. Its clock is the server's report of the
// frame its device plays, asked for every few milliseconds.
class PulseOutput : public SoundOutput
{
    Q_OBJECT

public:
    PulseOutput();
    ~PulseOutput() override;

    bool start(int frameRate) override;
    void stop() override;
    QString name() const override { return QStringLiteral("pulseaudio"); }
    QString device() const override;
    double latencyMs() const override;
    int dropouts() const override { return underflows.load(); }

private:
    static void contextStateChanged(pa_context *context, void *self);
    static void streamStateChanged(pa_stream *stream, void *self);
    static void streamWantsData(pa_stream *stream, size_t bytes, void *self);
    static void streamUnderflowed(pa_stream *stream, void *self);
    static void timingArrived(pa_stream *stream, int success, void *self);
    static void clockTick(pa_mainloop_api *api, pa_time_event *event, const timeval *, void *self);
    // On the loop's thread.
    void feed(size_t bytes);
    void readClock();
    void brokeOff(const QString &why);
    bool fail(const QString &why);

    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    pa_time_event *tick = nullptr;
    int rate = 0;
    bool running = false; // set and read with the loop locked
    bool loopThreadRaised = false; // the loop's thread only
    std::atomic<qint64> latencyUs { kNoLatency };
    static const qint64 kNoLatency = std::numeric_limits<qint64>::min();
    std::atomic<int> underflows { 0 };
    mutable std::mutex deviceLock;
    QString sinkName;
};

#endif // PULSEOUTPUT_H
