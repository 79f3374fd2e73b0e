#include "analysis/spectrumahead.h"

#include "analysis/spectrum.h"

#include <atomic>
#include <cstring>

#ifdef __linux__
#  include <sys/resource.h>
#  include <sys/syscall.h>
#  include <unistd.h>
#endif

namespace {
// The worker yields to the GUI thread and to the thread that feeds the sound
// output; it has a whole trial for its work.
const int kWorkerNice = 10;

void lowerThisThreadsPriority()
{
#ifdef __linux__
    // On Linux a thread id names the thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kWorkerNice);
#endif
}
} // namespace

struct SpectrumAhead::Job
{
    double fs = 0;
    QVector<double> samples;
    int nFFT = 0;
    QVector<double> frequencies;
    QVector<double> amplitudes;
    bool ok = false;
    std::atomic<bool> dropped { false };
    std::atomic<bool> done { false };
};

SpectrumAhead::SpectrumAhead()
{
    worker.setMaxThreadCount(1);
}

SpectrumAhead::~SpectrumAhead()
{
    drop();
    worker.waitForDone();
}

void SpectrumAhead::prepare(Loader load, double fs)
{
    drop();
    auto job = std::make_shared<Job>();
    job->fs = fs;
    latest = job;
    worker.start([job, load = std::move(load)] {
        if (job->dropped.load()) {
            job->done.store(true);
            return;
        }
        lowerThisThreadsPriority();
        job->samples = load();
        const int n = job->samples.size();
        if (n > 0 && !job->dropped.load()) {
            job->nFFT = spectrumFftLength(n);
            job->frequencies.resize(job->nFFT / 2);
            job->amplitudes.resize(job->nFFT / 2);
            const SpectrumResult result = computeAmplitudeSpectrum(
                    job->samples, n, job->nFFT, job->fs, job->frequencies, job->amplitudes);
            job->ok = result.error.isEmpty();
        }
        job->done.store(true, std::memory_order_release);
    });
}

bool SpectrumAhead::take(const QVector<double> &samples, int nFFT, double fs,
                         QVector<double> &frequencies, QVector<double> &amplitudes)
{
    if (!latest || !latest->done.load(std::memory_order_acquire))
        return false;
    Job &job = *latest;
    const bool same = job.ok && job.nFFT == nFFT && job.fs == fs
            && job.frequencies.size() == frequencies.size()
            && job.amplitudes.size() == amplitudes.size() && job.samples.size() == samples.size()
            && std::memcmp(job.samples.constData(), samples.constData(),
                           sizeof(double) * size_t(samples.size()))
                    == 0;
    if (!same)
        return false;
    frequencies.swap(job.frequencies);
    amplitudes.swap(job.amplitudes);
    release(std::move(latest));
    return true;
}

void SpectrumAhead::drop()
{
    if (!latest)
        return;
    latest->dropped.store(true);
    release(std::move(latest));
}

// A minute's token leaves some 60 MB to give back to the system; the worker
// does that, not the GUI thread.
void SpectrumAhead::release(std::shared_ptr<Job> job)
{
    worker.start([job = std::move(job)]() mutable { job.reset(); });
}

void SpectrumAhead::waitForWorker()
{
    worker.waitForDone();
}
