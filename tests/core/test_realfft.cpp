#include "analysis/fft/DynArray.h"
#include "analysis/fft/RealFft.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <vector>

namespace {
const char kFireCheckArgument[] = "--fire-check";
const int kMaxTestedBits = 16;
const int kAllBinsUpToBits = 12;
const int kChosenBins = 40;
const double kRelativeTolerance = 1e-11;

// Runs in a child process: each scenario breaks one precondition.
int fireCheck(const char *scenario)
{
    const std::string s(scenario);
    std::vector<double> a(16), b(16);
    if (s == "array-size")
        DynArray<double> array(-1);
    if (s == "array-resize") {
        DynArray<double> array;
        array.resize(-2);
    }
    if (s == "array-pos-negative") {
        DynArray<int> array(3);
        return array[-1];
    }
    if (s == "array-pos-end") {
        DynArray<int> array(3);
        return array[3];
    }
    if (s == "length-0")
        RealFft<double> fft(0);
    if (s == "length-negative")
        RealFft<double> fft(-8);
    if (s == "length-12")
        RealFft<double> fft(12);
    if (s == "length-above-max")
        RealFft<double> fft((1 << 30) + 1);
    RealFft<double> fft(16);
    if (s == "f-null")
        fft.forward_fft(nullptr, a.data());
    if (s == "f-buffer")
        fft.forward_fft(fft.use_buffer(), a.data());
    if (s == "x-null")
        fft.forward_fft(b.data(), nullptr);
    if (s == "x-buffer")
        fft.forward_fft(b.data(), fft.use_buffer());
    if (s == "x-is-f")
        fft.forward_fft(a.data(), a.data());
    return 0;
}

// Direct DFT of one bin in long double, with the angles reduced exactly.
void directBin(const std::vector<double> &x, const std::vector<long double> &cosTab,
               const std::vector<long double> &sinTab, long k, long double &re, long double &im)
{
    const long n = static_cast<long>(x.size());
    re = 0;
    im = 0;
    for (long j = 0; j < n; ++j) {
        const long idx = (k * j) % n;
        re += x[j] * cosTab[idx];
        im -= x[j] * sinTab[idx];
    }
}

// The transform written out plainly from its definition: bit-reversed radix-4
// first passes, the sqrt(2)/2 pass, then one loop per later pass with table or
// oscillator twiddles. The optimised class must give exactly these bits.
std::vector<double> plainTransform(const std::vector<double> &x)
{
    const int n = static_cast<int>(x.size());
    const int bits = RealFft<double>::ceilLog2(n);
    std::vector<double> f(n), scratch(n);
    if (n < 8) {
        RealFft<double>(n).forward_fft(f.data(), x.data()); // written out in smallLengths
        return f;
    }
    std::vector<int> rev(n);
    for (int c = 0; c < n; ++c)
        for (int b = 0; b < bits; ++b)
            rev[c] |= ((c >> b) & 1) << (bits - 1 - b);
    double *df = bits % 2 ? scratch.data() : f.data();
    double *sf = bits % 2 ? f.data() : scratch.data();
    for (int c = 0; c < n; c += 4) {
        const double x0 = x[rev[c]], x1 = x[rev[c + 1]], x2 = x[rev[c + 2]], x3 = x[rev[c + 3]];
        df[c + 1] = x0 - x1;
        df[c + 3] = x2 - x3;
        df[c] = (x0 + x1) + (x2 + x3);
        df[c + 2] = (x0 + x1) - (x2 + x3);
    }
    const double h = 0.7071067811865476;
    for (int c = 0; c < n; c += 8) {
        const double *s = df + c;
        double *d = sf + c;
        d[0] = s[0] + s[4];
        d[4] = s[0] - s[4];
        d[2] = s[2];
        d[6] = s[6];
        d[1] = s[1] + (s[5] - s[7]) * h;
        d[3] = s[1] - (s[5] - s[7]) * h;
        d[5] = (s[5] + s[7]) * h + s[3];
        d[7] = (s[5] + s[7]) * h - s[3];
    }
    for (int p = 3; p < bits; ++p) {
        const int len = 1 << p, half = len / 2;
        const double step = 3.141592653589793 / len;
        const double stepCos = std::cos(1.5707963267948966 / (1 << (p - 1)));
        const double stepSin = std::sin(1.5707963267948966 / (1 << (p - 1)));
        for (int c = 0; c < n; c += 2 * len) {
            const double *s1r = sf + c, *s2r = sf + c + len;
            double *d1 = df + c, *d2 = df + c + len;
            d1[0] = s1r[0] + s2r[0];
            d2[0] = s1r[0] - s2r[0];
            d1[half] = s1r[half];
            d2[half] = s2r[half];
            double oscCos = 1, oscSin = 0;
            for (int i = 1; i < half; ++i) {
                double ci = std::cos(i * step), si = std::cos((half - i) * step);
                if (p > 12) {
                    const double oldCos = oscCos;
                    oscCos = oldCos * stepCos - oscSin * stepSin;
                    oscSin = oldCos * stepSin + oscSin * stepCos;
                    ci = oscCos;
                    si = oscSin;
                }
                const double v = s2r[i] * ci - s2r[half + i] * si;
                d1[i] = s1r[i] + v;
                d1[len - i] = s1r[i] - v;
                const double w = s2r[i] * si + s2r[half + i] * ci;
                d2[i] = w + s1r[half + i];
                d2[len - i] = w - s1r[half + i];
            }
        }
        std::swap(df, sf);
    }
    return f;
}
} // namespace

class TestRealFft : public QObject
{
    Q_OBJECT

private slots:
    void ceilLog2_data();
    void ceilLog2();
    void smallLengths();
    void bitReversalTable();
    void cosineTableMatchesDirectFormula();
    void matchesDirectDft();
    void failedCheckNamesExpression_data();
    void failedCheckNamesExpression();
};

void TestRealFft::ceilLog2_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("powerOfTwo");
    const QVector<QVector<int>> rows = { { 1, 0, 1 },          { 2, 1, 1 },      { 3, 2, 0 },
                                         { 4, 2, 1 },          { 5, 3, 0 },      { 1024, 10, 1 },
                                         { 1025, 11, 0 },      { 12000, 14, 0 }, { 1 << 30, 30, 1 },
                                         { 2147483647, 31, 0 } };
    for (const auto &r : rows)
        QTest::addRow("%d", r[0]) << r[0] << r[1] << bool(r[2]);
}

void TestRealFft::ceilLog2()
{
    QFETCH(int, x);
    QFETCH(int, bits);
    QFETCH(bool, powerOfTwo);
    QCOMPARE(RealFft<double>::ceilLog2(x), bits);
    QCOMPARE(RealFft<double>::isPowerOfTwo(x), powerOfTwo);
}

void TestRealFft::smallLengths()
{
    double f[4];
    const double one[1] = { 0.375 };
    RealFft<double>(1).forward_fft(f, one);
    QCOMPARE(f[0], 0.375);

    const double two[2] = { 3, 5 };
    RealFft<double>(2).forward_fft(f, two);
    QCOMPARE(f[0], 8.0);
    QCOMPARE(f[1], -2.0);

    // X[1] = -i: f[1] = Re X[1] = 0, f[3] = -Im X[1] = 1.
    const double four[4] = { 0, 1, 0, 0 };
    RealFft<double>(4).forward_fft(f, four);
    QCOMPARE(std::vector<double>(f, f + 4), (std::vector<double> { 1, 0, -1, 1 }));
}

void TestRealFft::bitReversalTable()
{
    RealFft<double> fft(16);
    const std::vector<int> expected = { 0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15 };
    const auto &table = fft.bitReversalTable();
    QCOMPARE(table.size(), 16);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(table[i], expected[i]);
}

// The table is built from its top level downwards; it must hold exactly what
// cos(i * pi / 2^l) per level gives.
void TestRealFft::cosineTableMatchesDirectFormula()
{
    QCOMPARE(RealFft<double>(8).cosineTable().size(), 0);
    for (int bits = 4; bits <= kMaxTestedBits; ++bits) {
        RealFft<double> fft(1 << bits);
        const auto &table = fft.cosineTable();
        QCOMPARE(table.size(), (1 << (bits - 1)) - 4);
        for (int level = 3; level < bits; ++level) {
            const int len = 1 << (level - 1);
            const double step = 3.141592653589793 / (2 * len);
            for (int i = 0; i < len; ++i) {
                const double expected = std::cos(i * step);
                QVERIFY2(std::memcmp(&table[len - 4 + i], &expected, sizeof(double)) == 0,
                         qPrintable(QStringLiteral("bits %1 level %2 entry %3")
                                            .arg(bits)
                                            .arg(level)
                                            .arg(i)));
            }
        }
    }
}

// Every length from 1 to 2^16 covers odd and even bit counts, the table passes
// and the oscillator passes. Bins are checked all up to 2^12, chosen ones above.
// The result must also be bit for bit that of the plain transform.
void TestRealFft::matchesDirectDft()
{
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    for (int bits = 0; bits <= kMaxTestedBits; ++bits) {
        const long n = 1L << bits;
        std::vector<double> x(n), f(n), again(n);
        for (double &v : x)
            v = sample(random);
        RealFft<double> fft(static_cast<int>(n));
        fft.forward_fft(f.data(), x.data());
        fft.forward_fft(again.data(), x.data());
        QVERIFY2(std::memcmp(f.data(), again.data(), n * sizeof(double)) == 0,
                 "a second transform with the same object differs");
        QVERIFY2(std::memcmp(f.data(), plainTransform(x).data(), n * sizeof(double)) == 0,
                 qPrintable(QStringLiteral("N %1 differs from the plain transform").arg(n)));

        std::vector<long double> cosTab(n), sinTab(n);
        const long double twoPi = 6.283185307179586476925286766559L;
        for (long j = 0; j < n; ++j) {
            cosTab[j] = std::cos(twoPi * j / n);
            sinTab[j] = std::sin(twoPi * j / n);
        }
        std::set<long> bins;
        if (bits <= kAllBinsUpToBits) {
            for (long k = 0; k <= n / 2; ++k)
                bins.insert(k);
        } else {
            std::uniform_int_distribution<long> anyBin(0, n / 2);
            bins = { 0, 1, 2, n / 4, n / 2 - 1, n / 2 };
            while (static_cast<int>(bins.size()) < kChosenBins)
                bins.insert(anyBin(random));
        }

        long double largest = 0;
        std::vector<std::pair<long, long double>> errors;
        for (long k : bins) {
            long double re, im;
            directBin(x, cosTab, sinTab, k, re, im);
            largest = std::max(largest, std::hypot(re, im));
            const long double gotRe = n == 1 ? f[0] : f[k];
            const long double gotIm = (k == 0 || k == n / 2) ? 0.0L : -f[n / 2 + k];
            errors.emplace_back(k, std::hypot(gotRe - re, gotIm - im));
        }
        for (const auto &[k, error] : errors)
            QVERIFY2(error <= kRelativeTolerance * largest,
                     qPrintable(QStringLiteral("N %1 bin %2 error %3 of %4")
                                        .arg(n)
                                        .arg(k)
                                        .arg(double(error))
                                        .arg(double(largest))));
    }
}

void TestRealFft::failedCheckNamesExpression_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QString>("expression");
    const QVector<QPair<QString, QString>> rows = {
        { "array-size", "size >= 0" },
        { "array-resize", "size >= 0" },
        { "array-pos-negative", "pos >= 0" },
        { "array-pos-end", "pos < _len" },
        { "length-0", "x > 0" },
        { "length-negative", "x > 0" },
        { "length-12", "isPowerOfTwo (length)" },
        { "length-above-max", "isPowerOfTwo (length)" },
        { "f-null", "f != 0" },
        { "f-buffer", "f != use_buffer ()" },
        { "x-null", "x != 0" },
        { "x-buffer", "x != use_buffer ()" },
        { "x-is-f", "x != f" },
    };
    for (const auto &r : rows)
        QTest::newRow(qPrintable(r.first)) << r.first << r.second;
}

// Each broken precondition stops a child process with the expression's text.
void TestRealFft::failedCheckNamesExpression()
{
    QFETCH(QString, scenario);
    QFETCH(QString, expression);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                { QString::fromLatin1(kFireCheckArgument), scenario });
    QVERIFY(child.waitForFinished(30000));
    QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    const QString stderrText = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(stderrText.contains(QStringLiteral("Check failed: \"%1\"").arg(expression)),
             qPrintable(stderrText));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], kFireCheckArgument) == 0)
        return fireCheck(argv[2]);
    QCoreApplication app(argc, argv);
    TestRealFft test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_realfft.moc"
