#ifndef PIPEWIREOUTPUT_H
#define PIPEWIREOUTPUT_H

#include "trial/soundoutput.h"

#include <QHash>

#include <atomic>
#include <limits>
#include <mutex>

struct pw_buffer;
struct pw_context;
struct pw_core;
struct pw_registry;
struct pw_stream;
struct pw_thread_loop;
struct spa_dict;
struct spa_hook;

// A stream of the PipeWire graph, filled on PipeWire's real-time thread in
// each graph cycle. Its clock is exact: every cycle the graph tells at what
// monotonic time the next sample the stream gives reaches the device
// (pw_stream_get_time_n), so each fill is also a reading of the clock.
class PipeWireOutput : public SoundOutput
{
    Q_OBJECT

public:
    PipeWireOutput();
    ~PipeWireOutput() override;

    bool start(int frameRate) override;
    void stop() override;
    QString name() const override { return QStringLiteral("pipewire"); }
    QString device() const override;
    double latencyMs() const override;
    int dropouts() const override { return jumps.load(); }

private:
    struct Hooks;
    static void streamStateChanged(void *self, int old, int state, const char *error);
    static void streamProcess(void *self);
    static void coreError(void *self, uint32_t id, int seq, int res, const char *message);
    static void registryGlobal(void *self, uint32_t id, uint32_t permissions, const char *type,
                               uint32_t version, const spa_dict *props);
    // On the real-time thread.
    void process();
    void brokeOff(const QString &why);
    bool fail(const QString &why);

    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_registry *registry = nullptr;
    pw_stream *stream = nullptr;
    Hooks *hooks = nullptr;
    int rate = 0;
    int state = 0;
    QString stateError;
    bool running = false; // set and read with the loop locked
    // The origin implied by the last reading; a jump means the graph lost
    // or skipped part of the stream.
    double lastOriginNs = 0;
    bool haveOrigin = false;
    std::atomic<qint64> latencyUs { kNoLatency };
    static const qint64 kNoLatency = std::numeric_limits<qint64>::min();
    std::atomic<int> jumps { 0 };
    // Which node the stream plays to, learnt from the graph's links.
    mutable std::mutex deviceLock;
    QHash<quint32, QString> nodeNames;
    QHash<quint32, quint32> linkTargets; // output node -> input node
    quint32 streamNode = 0xffffffffu;
};

#endif // PIPEWIREOUTPUT_H
