#include "trial/pulseoutput.h"

#include <pulse/pulseaudio.h>

#include <chrono>

#ifdef __linux__
#  include <pthread.h>
#  include <sched.h>
#endif

namespace {
// What the stream and the device together keep queued; the server fits the
// device's buffer into it where it can. The stream is filled on the server's
// thread, so this only has to cover that thread's wake-ups, not the GUI
// thread's work. With 50 ms on a device holding 43 ms the stream kept 7 ms,
// and 2 of 120 sounds of 6 s ran dry at the server on a busy 2-core machine;
// with 100 ms none did. The clock does not depend on it: sounds are placed
// by the device's position, and each is queued a second or more before it is
// due.
const pa_usec_t kTargetLatencyUs = 100000;
// How often the server is asked where its device is.
const pa_usec_t kClockTickUs = 10000;

// The loop's thread fills the stream. Where the system allows it, it runs at
// a real-time priority, so that no other program's work delays it past what
// the stream holds; below the server's own threads (PulseAudio asks for 5).
// Elsewhere it stays an ordinary thread.
const int kLoopThreadPriority = 4;

void raiseThisThread()
{
#ifdef __linux__
    sched_param param {};
    param.sched_priority = kLoopThreadPriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param);
#endif
}

qint64 wallNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
}

QString paError(pa_context *context)
{
    return QString::fromUtf8(pa_strerror(pa_context_errno(context)));
}
} // namespace

PulseOutput::PulseOutput() = default;

PulseOutput::~PulseOutput()
{
    stop();
}

bool PulseOutput::fail(const QString &why)
{
    error = why;
    if (loop)
        pa_threaded_mainloop_unlock(loop);
    stop();
    return false;
}

bool PulseOutput::start(int frameRate)
{
    stop();
    rate = frameRate;
    loopThreadRaised = false;
    latencyUs.store(kNoLatency);
    prepare(frameRate, DeviceClock::ServerReadings);
    loop = pa_threaded_mainloop_new();
    if (!loop) {
        error = QStringLiteral("cannot create a PulseAudio main loop");
        return false;
    }
    pa_threaded_mainloop_lock(loop);
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Tellwyn");
    if (!context)
        return fail(QStringLiteral("cannot create a PulseAudio context"));
    pa_context_set_state_callback(context, contextStateChanged, this);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return fail(QStringLiteral("no PulseAudio server: ") + paError(context));
    if (pa_threaded_mainloop_start(loop) < 0)
        return fail(QStringLiteral("cannot start the PulseAudio thread"));
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            return fail(QStringLiteral("no PulseAudio server: ") + paError(context));
        pa_threaded_mainloop_wait(loop);
    }

    const pa_sample_spec spec = { PA_SAMPLE_FLOAT32LE, uint32_t(frameRate), 1 };
    stream = pa_stream_new(context, "Tellwyn session", &spec, nullptr);
    if (!stream)
        return fail(QStringLiteral("cannot create a PulseAudio stream: ") + paError(context));
    pa_stream_set_state_callback(stream, streamStateChanged, this);
    pa_stream_set_write_callback(stream, streamWantsData, this);
    pa_stream_set_underflow_callback(stream, streamUnderflowed, this);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pa_usec_to_bytes(kTargetLatencyUs, &spec));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    // The clock reads the server's raw timing, asked for every tick: its
    // automatic updates grow rare (up to 1.5 s apart) and its interpolation
    // between them follows a change of the device's position only slowly.
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream, nullptr, &buffer, flags, nullptr, nullptr) < 0)
        return fail(QStringLiteral("cannot open a PulseAudio stream: ") + paError(context));
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state))
            return fail(QStringLiteral("cannot open a PulseAudio stream: ") + paError(context));
        pa_threaded_mainloop_wait(loop);
    }
    {
        std::lock_guard<std::mutex> guard(deviceLock);
        sinkName = QString::fromUtf8(pa_stream_get_device_name(stream));
    }
    tick = pa_context_rttime_new(context, pa_rtclock_now() + kClockTickUs, clockTick, this);
    running = true;
    pa_threaded_mainloop_unlock(loop);
    return true;
}

void PulseOutput::stop()
{
    if (!loop)
        return;
    pa_threaded_mainloop_lock(loop);
    running = false;
    if (tick) {
        pa_threaded_mainloop_get_api(loop)->time_free(tick);
        tick = nullptr;
    }
    if (stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }
    if (context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    loop = nullptr;
}

double PulseOutput::latencyMs() const
{
    const qint64 us = latencyUs.load();
    return us == kNoLatency ? std::numeric_limits<double>::quiet_NaN() : us / 1000.0;
}

QString PulseOutput::device() const
{
    std::lock_guard<std::mutex> guard(deviceLock);
    return sinkName;
}

void PulseOutput::contextStateChanged(pa_context *context, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->running && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        output->brokeOff(QStringLiteral("the PulseAudio server went away: ") + paError(context));
    pa_threaded_mainloop_signal(output->loop, 0);
}

void PulseOutput::streamStateChanged(pa_stream *stream, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->running && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        output->brokeOff(QStringLiteral("the PulseAudio stream failed: ")
                         + paError(output->context));
    pa_threaded_mainloop_signal(output->loop, 0);
}

void PulseOutput::streamWantsData(pa_stream *, size_t bytes, void *self)
{
    static_cast<PulseOutput *>(self)->feed(bytes);
}

void PulseOutput::streamUnderflowed(pa_stream *, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    ++output->underflows;
    // The stream stops and starts again once it is filled: a new origin.
    output->clock()->restart();
}

void PulseOutput::clockTick(pa_mainloop_api *, pa_time_event *event, const timeval *, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    output->readClock();
    pa_context_rttime_restart(output->context, event, pa_rtclock_now() + kClockTickUs);
}

void PulseOutput::feed(size_t bytes)
{
    if (!loopThreadRaised) {
        raiseThisThread();
        loopThreadRaised = true;
    }
    void *data = nullptr;
    if (pa_stream_begin_write(stream, &data, &bytes) < 0 || !data)
        return;
    const qint64 frames = qint64(bytes) / kBytesPerFrame;
    placement()->fill(static_cast<char *>(data), frames);
    pa_stream_write(stream, data, size_t(frames * kBytesPerFrame), nullptr, 0, PA_SEEK_RELATIVE);
}

void PulseOutput::readClock()
{
    pa_operation *update = pa_stream_update_timing_info(stream, timingArrived, this);
    if (update)
        pa_operation_unref(update);
}

void PulseOutput::timingArrived(pa_stream *stream, int success, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    const pa_timing_info *timing = success ? pa_stream_get_timing_info(stream) : nullptr;
    if (!timing)
        return;
    // At the server's time stamp the sink had read read_index bytes of the
    // stream (from its first frame on) and held sink_usec of them, not yet
    // played. While the stream does not play (before its buffer first fills,
    // after an underrun) that says nothing of when frames will play.
    if (timing->playing && !timing->read_index_corrupt && timing->synchronized_clocks) {
        const qint64 stampNs = qint64(timing->timestamp.tv_sec) * 1000000000
                + qint64(timing->timestamp.tv_usec) * 1000;
        const double frame = double(timing->read_index) / kBytesPerFrame
                - double(timing->sink_usec) * output->rate / 1e6;
        // The stamp is wall-clock time; the offset to the monotonic clock is
        // read now, when both are close together.
        output->clock()->observe(stampNs - wallNowNs() + monotonicNowNs(), frame);
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &latency, &negative) == 0)
        output->latencyUs.store(negative ? -qint64(latency) : qint64(latency));
}

void PulseOutput::brokeOff(const QString &why)
{
    running = false;
    emit failed(why);
}
