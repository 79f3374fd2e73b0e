#ifndef SPECTRUMAHEAD_H
#define SPECTRUMAHEAD_H

// The amplitude spectrum of the next trial's token, computed on a worker
// thread while the current trial runs. A minute's token needs a transform of
// 2^22 points, about 0.4 s; done at the trial's display it would freeze the
// experimenter's window for that long.
//
// The worker decodes the token itself. Its spectrum is taken only for exactly
// the samples it was computed from (same count, same bits), at the same
// transform length and rate; a file that changed in between, or a token that
// decoded otherwise, is computed afresh by the caller. So a chart never shows
// another token's spectrum, and what it shows is bit for bit what the caller
// would have computed.

#include <QThreadPool>
#include <QVector>

#include <functional>
#include <memory>

class SpectrumAhead
{
public:
    using Loader = std::function<QVector<double>()>;

    SpectrumAhead();
    ~SpectrumAhead(); // waits for a computation under way

    // Computes, on the worker, the spectrum of the samples load() returns (it
    // runs on the worker too; no samples, no spectrum) at rate fs. What was
    // asked before and not taken is dropped.
    void prepare(Loader load, double fs);
    // When the worker has finished and its spectrum was computed from exactly
    // samples at nFFT and fs: moves it into frequencies and amplitudes (sized
    // nFFT / 2 by the caller, as the worker's are) and returns true. Otherwise changes nothing and
    // returns false; it never waits for the worker.
    bool take(const QVector<double> &samples, int nFFT, double fs, QVector<double> &frequencies,
              QVector<double> &amplitudes);
    // Forgets what was asked (a session ends); a running computation finishes
    // unseen.
    void drop();
    // Blocks until the worker is idle (tests and benches).
    void waitForWorker();

private:
    struct Job;
    void release(std::shared_ptr<Job> job);
    QThreadPool worker;
    std::shared_ptr<Job> latest;
};

#endif // SPECTRUMAHEAD_H
