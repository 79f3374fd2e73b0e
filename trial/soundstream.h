#ifndef SOUNDSTREAM_H
#define SOUNDSTREAM_H

#include <QByteArray>
#include <QIODevice>

#include <deque>
#include <functional>

class QTimer;

// The endless stream that one audio output plays for a whole session:
// silence, with each sound placed at the frame that reaches the sink at the
// sound's due time. Sounds then start without the start-up delay and jitter
// of a new output, and their start and end at the sink are known in advance.
//
// Where a frame plays comes from the output's own count: of the frames
// handed out, those the output still holds are not played yet, so frame
// (handed out - held) is leaving for the sink now and frame f leaves
// (f - that) / rate later. The output learns what the server has played only
// now and then, so each reading is late, never early: the stream's origin
// (when frame 0 left) is the earliest of the readings of the last seconds.
//
// Times are monotonic nanoseconds (std::chrono::steady_clock, the clock of
// QElapsedTimer). Open it ReadOnly | Unbuffered: a buffered device would read
// ahead of the output.
class SoundStream : public QIODevice
{
    Q_OBJECT

public:
    SoundStream(int frameRate, int bytesPerFrame, QObject *parent = nullptr);

    // How many bytes of those handed out the output still holds; read at
    // every read of the stream and at every probe.
    std::function<qint64()> heldBytes;
    std::function<qint64()> clockNs = steadyNowNs;

    // Reads the output's count every interval (a few ms) while the stream is
    // open, so that some reading comes soon after each report of the server.
    void startProbing(int intervalMs);

    // One reading: at nowNs the output held heldFrames of the frames handed out.
    void observe(qint64 nowNs, qint64 heldFrames);
    // Forgets the readings, as when the output ran dry and resumed later.
    void restartClock();
    bool hasClock() const { return !origins.empty(); }
    // When frame leaves for the sink, on the current clock.
    qint64 frameTimeNs(qint64 frame) const;
    qint64 framesHandedOut() const { return framesOut; }

    // The sound (bytes as the output plays them, whole frames) to start at
    // dueNs; it replaces a sound that has not started. Its first frame is
    // fixed when the stream reaches it: soundPlaced then gives its first frame
    // and the frame after its last, whose times frameTimeNs tells; asked
    // again later, it also reflects a stall of the output. A sound due before
    // the frames still unread starts at the first of them.
    void queueSound(const QByteArray &bytes, qint64 dueNs);
    void cancelSound();
    bool soundPending() const { return !sound.isEmpty(); }

    static qint64 steadyNowNs();

signals:
    void soundPlaced(qint64 firstFrame, qint64 endFrame);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    void probe();

    const int rate;
    const int frameBytes;
    qint64 framesOut = 0;
    QByteArray sound;
    qint64 soundDueNs = 0;
    qint64 soundStart = -1; // its first frame, once fixed
    // Readings of the last kClockWindowNs as (time, origin they imply), kept
    // with rising origins so that the front is the earliest.
    std::deque<std::pair<qint64, qint64>> origins;
    QTimer *probeTimer = nullptr;
};

#endif // SOUNDSTREAM_H
