#ifndef QTAUDIOOUTPUT_H
#define QTAUDIOOUTPUT_H

#include "trial/soundoutput.h"

#include <QAudio>
#include <QPointer>

class QAudioOutput;
class QTimer;

// Qt Multimedia's output to the default device, for machines where no sound
// server runs (ALSA alone). It pulls the stream on the GUI thread, and its
// clock is its own count of the frames it still holds: of the frames handed
// out, those are not played yet. With ALSA that is the device's own buffer;
// through a sound server it is not, which is why the servers have outputs of
// their own.
class QtAudioOutput : public SoundOutput
{
    Q_OBJECT

public:
    QtAudioOutput();
    ~QtAudioOutput() override;

    bool start(int frameRate) override;
    void stop() override;
    QString name() const override { return QStringLiteral("qt"); }
    QString device() const override { return deviceName; }
    double latencyMs() const override;
    int dropouts() const override { return idles; }

private slots:
    void stateChanged(QAudio::State state);
    void probe();

private:
    qint64 heldFrames() const;

    QPointer<QAudioOutput> output; // deleted later: it may be inside its own notification
    QTimer *probeTimer = nullptr; // child of this
    QString deviceName;
    int rate = 0;
    int idles = 0;
};

#endif // QTAUDIOOUTPUT_H
