#include "trial/answerscoring.h"
#include "trial/playbackbytes.h"
#include "trial/scoring.h"
#include "trial/subjectfeedback.h"

#include <QtTest>

#include <cstring>

using Doubles = QVector<double>;

// The pure parts of a trial: which tokens are the mother's, the scoring of an
// answer and the token means, the playback delay, the result text, and the
// bytes an audio output plays.
class TestAnswerScoring : public QObject
{
    Q_OBJECT

private slots:
    void motherTokenRule_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("subCode");
        QTest::addColumn<bool>("mother");
        auto row = [](const char *name, const char *file, const char *code, bool mother) {
            QTest::newRow(name) << QString(file) << QString(code) << mother;
        };
        row("last three anywhere", "x_001_mom.wav", "SUB001", true);
        row("only the last three count", "SUB_01.wav", "SUB001", false);
        row("short code searched whole", "take_ab.wav", "ab", true);
        row("empty code matches all", "anything.wav", "", true);
        row("case counts", "voice_abc.wav", "XYABC", false);
    }
    void motherTokenRule()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, subCode);
        QFETCH(bool, mother);
        QCOMPARE(isMotherToken(fileName, subCode), mother);
        QCOMPARE(isRightAnswer(false, fileName, subCode), !mother);
    }
    void scoringAndMeans_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("answers"); // 'M' or 'S', with a time each
        QTest::addColumn<Doubles>("times");
        QTest::addColumn<Doubles>("expected"); // nMother, nStranger, rt, rt_correct, rt_incorrect
        auto row = [](const char *name, const char *file, const char *answers, Doubles times,
                      Doubles expected) {
            QTest::newRow(name) << QString(file) << QString(answers) << times << expected;
        };
        row("mother, mixed", "m001.wav", "MSM", { 1200, 900, 800 },
            { 2, 1, 2900.0 / 3, 1000, 900 });
        row("mother, only stranger", "m001.wav", "SS", { 300, 500 }, { 0, 2, 400, 0, 400 });
        row("stranger, mixed", "x.wav", "MS", { 250, 750 }, { 1, 1, 500, 750, 250 });
        row("never answered", "x.wav", "", {}, { 0, 0, 0, 0, 0 });
    }
    void scoringAndMeans()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, answers);
        QFETCH(Doubles, times);
        QVector<TokenRecord> tokens = { TokenRecord("/f", fileName) };
        TokenRecord &t = tokens[0];
        for (int i = 0; i < answers.size(); ++i) {
            TrialEntry entry;
            scoreAnswer(entry, t, answers[i] == 'M', times[i], fileName, "SUB001");
            QCOMPARE(entry.rt, times[i]);
            QCOMPARE(entry.resp, QString(answers[i] == 'M' ? "mother" : "stranger"));
        }
        const double sum = std::accumulate(times.begin(), times.end(), 0.0);
        QVERIFY(t.rt == sum && t.rt_correct + t.rt_incorrect == sum); // sums while it runs
        computeTokenAverages(tokens, "SUB001");
        QTEST((Doubles { double(t.nMother), double(t.nStranger), t.rt, t.rt_correct,
                         t.rt_incorrect }),
              "expected");
    }
    void resultText_data()
    {
        QTest::addColumn<double>("threshold");
        QTest::addColumn<double>("reactionTime");
        QTest::addColumn<int>("mainParameterIndex");
        QTest::addColumn<QString>("text");
        auto row = [](const char *name, double threshold, double rt, int index, const char *text) {
            QTest::newRow(name) << threshold << rt << index << QString(text);
        };
        row("frequency", 0.25, 0, 0, "Frequency Difference = 25 %,   Reaction Time = 0 ms");
        row("no prefix", 0.25, 0, 2, "25 %,   Reaction Time = 0 ms");
        row("six digits, exponent", 0.0123456, 1234567, 0,
            "Frequency Difference = 1.23456 %,   Reaction Time = 1.23457e+06 ms");
    }
    void resultText()
    {
        QFETCH(double, threshold);
        QFETCH(double, reactionTime);
        QFETCH(int, mainParameterIndex);
        QTEST(::resultText(threshold, reactionTime, mainParameterIndex), "text");
    }
    void playbackDelayIsTruncated()
    {
        QCOMPARE(playbackDelayMs(0.25, 1.0), 1250);
        QCOMPARE(playbackDelayMs(0.2509, 1.0), 1250);
    }
    void playbackBytes_data()
    {
        QTest::addColumn<int>("signalSize");
        QTest::addColumn<int>("nSamples");
        QTest::addColumn<int>("bytes");
        QTest::newRow("a 250 ms token at 48 kHz") << 12000 << 12000 << 48000;
        QTest::newRow("nSamples above the signal: only what exists") << 10000 << 12000 << 40000;
        QTest::newRow("nSamples below: the tail is left out") << 12000 << 11999 << 47996;
        QTest::newRow("empty signal") << 0 << 12000 << 0;
        QTest::newRow("negative count") << 100 << -5 << 0;
    }
    void playbackBytes()
    {
        QCOMPARE(::playbackBytes({ -0.5 }, 1), QByteArray("\x00\x00\x00\xBF", 4));
        QFETCH(int, signalSize);
        QFETCH(int, nSamples);
        Doubles signal(signalSize);
        for (int i = 0; i < signalSize; ++i)
            signal[i] = (i % 200) / 200.0 - 0.5 + 1e-9 * i; // 1e-9: not exact in float
        const QByteArray out = ::playbackBytes(signal, nSamples);
        QTEST(out.size(), "bytes");
        for (int i = 0; i < out.size() / 4; ++i) {
            const quint32 bits = qFromLittleEndian<quint32>(out.constData() + 4 * i);
            float f;
            std::memcpy(&f, &bits, 4);
            QCOMPARE(f, float(signal[i]));
        }
    }
};

QTEST_GUILESS_MAIN(TestAnswerScoring)
#include "test_answerscoring.moc"
