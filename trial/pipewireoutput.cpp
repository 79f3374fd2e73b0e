#include "trial/pipewireoutput.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <cmath>
#include <cstring>

namespace {
// How long the graph may take to link the new stream to a device.
const int kLinkTimeoutMs = 3000;
// A reading whose origin moved by more than this from the last one means the
// graph dropped or skipped part of the stream (an underrun, a quantum change
// mid-stream).
const double kJumpNs = 1e6;

quint32 dictId(const spa_dict *props, const char *key)
{
    const char *value = props ? spa_dict_lookup(props, key) : nullptr;
    return value ? quint32(std::strtoul(value, nullptr, 10)) : SPA_ID_INVALID;
}
} // namespace

struct PipeWireOutput::Hooks
{
    spa_hook stream {};
    spa_hook core {};
    spa_hook registry {};
    pw_stream_events streamEvents {};
    pw_core_events coreEvents {};
    pw_registry_events registryEvents {};
};

PipeWireOutput::PipeWireOutput() = default;

PipeWireOutput::~PipeWireOutput()
{
    stop();
}

bool PipeWireOutput::fail(const QString &why)
{
    error = why;
    if (loop)
        pw_thread_loop_unlock(loop);
    stop();
    return false;
}

bool PipeWireOutput::start(int frameRate)
{
    stop();
    static const bool initialised = [] {
        pw_init(nullptr, nullptr);
        return true;
    }();
    Q_UNUSED(initialised)
    rate = frameRate;
    latencyUs.store(kNoLatency);
    haveOrigin = false;
    prepare(frameRate, DeviceClock::ServerReadings);
    hooks = new Hooks;
    loop = pw_thread_loop_new("tellwyn-pipewire", nullptr);
    if (!loop)
        return fail(QStringLiteral("cannot create a PipeWire loop"));
    pw_thread_loop_lock(loop);
    if (pw_thread_loop_start(loop) < 0)
        return fail(QStringLiteral("cannot start the PipeWire thread"));
    // PipeWire's configuration for clients with a real-time data thread: the
    // thread that fills the stream asks for real-time priority (directly or
    // through rtkit, as the system allows). At normal priority a busy
    // machine made it miss graph cycles, and a sound came out cut or with a
    // gap of a cycle in it.
    context = pw_context_new(pw_thread_loop_get_loop(loop),
                             pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    if (!context)
        return fail(QStringLiteral("cannot create a PipeWire context"));
    core = pw_context_connect(context, nullptr, 0);
    if (!core)
        return fail(QStringLiteral("no PipeWire server: ")
                    + QString::fromUtf8(std::strerror(errno)));
    hooks->coreEvents.version = PW_VERSION_CORE_EVENTS;
    hooks->coreEvents.error = coreError;
    pw_core_add_listener(core, &hooks->core, &hooks->coreEvents, this);
    registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
    hooks->registryEvents.version = PW_VERSION_REGISTRY_EVENTS;
    hooks->registryEvents.global = registryGlobal;
    pw_registry_add_listener(registry, &hooks->registry, &hooks->registryEvents, this);

    stream = pw_stream_new(core, "Tellwyn session",
                           pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                             "Playback", PW_KEY_MEDIA_ROLE, "Production",
                                             PW_KEY_APP_NAME, "Tellwyn", nullptr));
    if (!stream)
        return fail(QStringLiteral("cannot create a PipeWire stream"));
    hooks->streamEvents.version = PW_VERSION_STREAM_EVENTS;
    hooks->streamEvents.state_changed = [](void *self, pw_stream_state old, pw_stream_state now,
                                           const char *why) {
        streamStateChanged(self, old, now, why);
    };
    hooks->streamEvents.process = streamProcess;
    pw_stream_add_listener(stream, &hooks->stream, &hooks->streamEvents, this);

    uint8_t podBytes[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(podBytes, sizeof(podBytes));
    spa_audio_info_raw format {};
    format.format = SPA_AUDIO_FORMAT_F32;
    format.rate = uint32_t(frameRate);
    format.channels = 1;
    format.position[0] = SPA_AUDIO_CHANNEL_MONO;
    const spa_pod *params[1] = { spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat,
                                                            &format) };
    // Filled on the graph's own real-time thread: no hop to another thread
    // between the graph asking and the stream answering.
    const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS
                                       | PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) < 0)
        return fail(QStringLiteral("cannot open a PipeWire stream"));
    timespec deadline {};
    pw_thread_loop_get_time(loop, &deadline, qint64(kLinkTimeoutMs) * 1000000);
    while (state != PW_STREAM_STATE_STREAMING) {
        if (state == PW_STREAM_STATE_ERROR)
            return fail(QStringLiteral("the PipeWire stream failed: ") + stateError);
        if (pw_thread_loop_timed_wait_full(loop, &deadline) != 0)
            return fail(QStringLiteral("PipeWire linked the stream to no device within %1 s")
                                .arg(kLinkTimeoutMs / 1000));
    }
    {
        std::lock_guard<std::mutex> guard(deviceLock);
        streamNode = pw_stream_get_node_id(stream);
    }
    running = true;
    pw_thread_loop_unlock(loop);
    return true;
}

void PipeWireOutput::stop()
{
    if (loop) {
        pw_thread_loop_lock(loop);
        running = false;
        if (stream) {
            pw_stream_destroy(stream);
            stream = nullptr;
        }
        if (registry) {
            spa_hook_remove(&hooks->registry);
            pw_proxy_destroy(reinterpret_cast<pw_proxy *>(registry));
            registry = nullptr;
        }
        if (core) {
            spa_hook_remove(&hooks->core);
            pw_core_disconnect(core);
            core = nullptr;
        }
        pw_thread_loop_unlock(loop);
        pw_thread_loop_stop(loop);
        if (context) {
            pw_context_destroy(context);
            context = nullptr;
        }
        pw_thread_loop_destroy(loop);
        loop = nullptr;
    }
    delete hooks;
    hooks = nullptr;
    state = 0;
    std::lock_guard<std::mutex> guard(deviceLock);
    nodeNames.clear();
    linkTargets.clear();
    streamNode = SPA_ID_INVALID;
}

double PipeWireOutput::latencyMs() const
{
    const qint64 us = latencyUs.load();
    return us == kNoLatency ? std::numeric_limits<double>::quiet_NaN() : us / 1000.0;
}

QString PipeWireOutput::device() const
{
    std::lock_guard<std::mutex> guard(deviceLock);
    return nodeNames.value(linkTargets.value(streamNode, SPA_ID_INVALID));
}

void PipeWireOutput::streamStateChanged(void *self, int, int state, const char *why)
{
    auto *output = static_cast<PipeWireOutput *>(self);
    output->state = state;
    output->stateError = QString::fromUtf8(why ? why : "");
    if (output->running && (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED))
        output->brokeOff(QStringLiteral("the PipeWire stream stopped: ")
                         + (why ? QString::fromUtf8(why) : QStringLiteral("disconnected")));
    pw_thread_loop_signal(output->loop, false);
}

void PipeWireOutput::coreError(void *self, uint32_t id, int, int res, const char *message)
{
    auto *output = static_cast<PipeWireOutput *>(self);
    if (id == PW_ID_CORE && output->running)
        output->brokeOff(QStringLiteral("the PipeWire server went away: ")
                         + QString::fromUtf8(message ? message : std::strerror(-res)));
    pw_thread_loop_signal(output->loop, false);
}

void PipeWireOutput::registryGlobal(void *self, uint32_t id, uint32_t, const char *type, uint32_t,
                                    const spa_dict *props)
{
    auto *output = static_cast<PipeWireOutput *>(self);
    std::lock_guard<std::mutex> guard(output->deviceLock);
    if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
        const char *nodeName = props ? spa_dict_lookup(props, PW_KEY_NODE_NAME) : nullptr;
        output->nodeNames.insert(id, QString::fromUtf8(nodeName ? nodeName : ""));
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Link) == 0) {
        output->linkTargets.insert(dictId(props, PW_KEY_LINK_OUTPUT_NODE),
                                   dictId(props, PW_KEY_LINK_INPUT_NODE));
    }
}

void PipeWireOutput::streamProcess(void *self)
{
    static_cast<PipeWireOutput *>(self)->process();
}

void PipeWireOutput::process()
{
    pw_buffer *buffer = pw_stream_dequeue_buffer(stream);
    if (!buffer)
        return;
    spa_data &data = buffer->buffer->datas[0];
    if (!data.data) {
        pw_stream_queue_buffer(stream, buffer);
        return;
    }
    qint64 frames = qint64(data.maxsize) / kBytesPerFrame;
    if (buffer->requested > 0 && qint64(buffer->requested) < frames)
        frames = qint64(buffer->requested);

    // The first frame of this buffer reaches the device after what the graph
    // still holds (delay, counted from the cycle's start at time.now), what
    // the converter holds and what is queued in the stream.
    pw_time time {};
    if (pw_stream_get_time_n(stream, &time, sizeof(time)) == 0 && time.rate.denom > 0
        && time.now > 0) {
        const double graphNs = double(time.delay) * 1e9 * time.rate.num / time.rate.denom;
        const double streamNs = double(time.buffered + time.queued) * 1e9 / rate;
        const double playNs = double(time.now) + graphNs + streamNs;
        const double frame = double(placement()->framesFilled());
        const double originNs = playNs - frame * 1e9 / rate;
        if (haveOrigin && std::fabs(originNs - lastOriginNs) > kJumpNs) {
            ++jumps;
            clock()->restart();
        }
        lastOriginNs = originNs;
        haveOrigin = true;
        clock()->observe(qint64(std::llround(playNs)), frame);
        latencyUs.store(qint64((graphNs + streamNs) / 1000));
    }
    placement()->fill(static_cast<char *>(data.data), frames);
    data.chunk->offset = 0;
    data.chunk->stride = kBytesPerFrame;
    data.chunk->size = uint32_t(frames * kBytesPerFrame);
    buffer->size = uint64_t(frames);
    pw_stream_queue_buffer(stream, buffer);
}

void PipeWireOutput::brokeOff(const QString &why)
{
    running = false;
    emit failed(why);
}
