// RealFft against FFTW3, and the per-token spectrum job of the main window
// against the same job done with an FFTW plan made per call.
//
// Run: ./fft_bench [--benchmark_repetitions=N]. Prints Google Benchmark's table,
// then the ratios (times are medians when repeated). FFTW is a
// comparison only; the program never links it.

#include "analysis/fft/RealFft.h"
#include "analysis/spectrum.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <fftw3.h>

#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {
const double kFs = 48000.0;
const int kSizes[] = { 4096, 16384, 65536 };
// A token's length for a transform of n points: 12000 samples (250 ms at
// 48 kHz) for 16384, in proportion for the other sizes.
int tokenLengthFor(int n)
{
    return static_cast<int>(static_cast<long long>(n) * 12000 / 16384);
}

std::vector<double> randomSamples(int n)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    std::vector<double> x(n);
    for (double &v : x)
        v = sample(random);
    return x;
}

void BM_RealFftForward(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> x = randomSamples(n);
    std::vector<double> f(n);
    RealFft<double> fft(n);
    for (auto _ : state) {
        fft.forward_fft(f.data(), x.data());
        benchmark::DoNotOptimize(f.data());
        benchmark::ClobberMemory();
    }
}

void fftwPlannedOnce(benchmark::State &state, unsigned flags)
{
    const int n = static_cast<int>(state.range(0));
    double *in = fftw_alloc_real(n);
    fftw_complex *out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, flags);
    const std::vector<double> x = randomSamples(n);
    std::copy(x.begin(), x.end(), in); // FFTW_MEASURE overwrites the arrays
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
}

void BM_FftwEstimate(benchmark::State &state)
{
    fftwPlannedOnce(state, FFTW_ESTIMATE);
}

void BM_FftwMeasure(benchmark::State &state)
{
    fftwPlannedOnce(state, FFTW_MEASURE);
}

// What computeSpectrum does per token: build the transform, pad, transform,
// amplitudes, free.
void BM_SpectrumJob(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    const int nSamples = tokenLengthFor(n);
    const std::vector<double> samples = randomSamples(nSamples);
    const QVector<double> signal(samples.begin(), samples.end());
    const int nFFT = spectrumFftLength(nSamples);
    QVector<double> frequencies(nFFT / 2), amplitudes(nFFT / 2);
    for (auto _ : state) {
        computeAmplitudeSpectrum(signal, nSamples, nFFT, kFs, frequencies, amplitudes);
        benchmark::DoNotOptimize(amplitudes.data());
        benchmark::ClobberMemory();
    }
}

// The same job with FFTW: a plan made and destroyed per call.
void BM_FftwPlanPerCallJob(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    const int nSamples = tokenLengthFor(n);
    const std::vector<double> samples = randomSamples(nSamples);
    const QVector<double> signal(samples.begin(), samples.end());
    QVector<double> frequencies(n / 2), amplitudes(n / 2);
    for (auto _ : state) {
        double *in = fftw_alloc_real(n);
        fftw_complex *out = fftw_alloc_complex(n / 2 + 1);
        fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
        std::memcpy(in, signal.constData(), sizeof(double) * nSamples);
        std::fill(in + nSamples, in + n, 0.0);
        fftw_execute(plan);
        const double freqResolution = kFs / n;
        const double divisor = nSamples / 2;
        for (int k = 0; k < n / 2; ++k) {
            frequencies[k] = k * freqResolution;
            amplitudes[k] = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]) / divisor;
        }
        fftw_destroy_plan(plan);
        fftw_free(out);
        fftw_free(in);
        benchmark::DoNotOptimize(amplitudes.data());
        benchmark::ClobberMemory();
    }
}

// Keeps the CPU time per call of every benchmark for the ratios (steadier than
// wall time on a shared machine): the median over repetitions when there are
// repetitions, else the single run.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    // Colours on a terminal only, not in a log.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) { }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = run.cpu_accumulated_time / run.iterations;
            else if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                singles[name] = run.cpu_accumulated_time / run.iterations;
        }
    }

    double micros(const std::string &name, int n) const
    {
        const std::string key = name + "/" + std::to_string(n);
        for (const auto *times : { &medians, &singles }) {
            const auto it = times->find(key);
            if (it != times->end())
                return it->second * 1e6;
        }
        return NAN;
    }

private:
    std::map<std::string, double> medians;
    std::map<std::string, double> singles;
};

void printRatios(const RatioReporter &r)
{
    std::printf("\nCPU time per call (us; median when repeated) and ratios:\n");
    std::printf("%8s %10s %10s %10s %8s %8s | %10s %12s %8s\n", "N", "RealFft", "FFTW_EST",
                "FFTW_MEAS", "/EST", "/MEAS", "job", "FFTW/call", "job/FFTW");
    for (int n : kSizes) {
        const double real = r.micros("BM_RealFftForward", n);
        const double estimate = r.micros("BM_FftwEstimate", n);
        const double measure = r.micros("BM_FftwMeasure", n);
        const double job = r.micros("BM_SpectrumJob", n);
        const double fftwJob = r.micros("BM_FftwPlanPerCallJob", n);
        std::printf("%8d %10.2f %10.2f %10.2f %8.2f %8.2f | %10.2f %12.2f %8.2f\n", n, real,
                    estimate, measure, real / estimate, real / measure, job, fftwJob,
                    job / fftwJob);
    }
    std::printf("Targets: RealFft/EST <= 2; job/FFTW < 1 at 16384.\n");
}
} // namespace

BENCHMARK(BM_RealFftForward)->Arg(4096)->Arg(16384)->Arg(65536);
BENCHMARK(BM_FftwEstimate)->Arg(4096)->Arg(16384)->Arg(65536);
BENCHMARK(BM_FftwMeasure)->Arg(4096)->Arg(16384)->Arg(65536);
BENCHMARK(BM_SpectrumJob)->Arg(4096)->Arg(16384)->Arg(65536);
BENCHMARK(BM_FftwPlanPerCallJob)->Arg(4096)->Arg(16384)->Arg(65536);

int main(int argc, char **argv)
{
    // The first plan of the process sets up FFTW's planner; the per-call job
    // is measured with the planner warm, as in a running program.
    {
        double *in = fftw_alloc_real(16);
        fftw_complex *out = fftw_alloc_complex(9);
        fftw_destroy_plan(fftw_plan_dft_r2c_1d(16, in, out, FFTW_ESTIMATE));
        fftw_free(out);
        fftw_free(in);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printRatios(reporter);
    return 0;
}
