#include "trial/answerscoring.h"
#include "trial/scoring.h"
#include "trial/subjectfeedback.h"

#include <QtTest>

class TestAnswerScoring : public QObject
{
    Q_OBJECT

private slots:
    void motherTokenRule_data();
    void motherTokenRule();
    void scoringAndMeans_data();
    void scoringAndMeans();
    void playbackDelay_data();
    void playbackDelay();
    void resultText_data();
    void resultText();
    void feedbackStyleSheets();
};

void TestAnswerScoring::motherTokenRule_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("subCode");
    QTest::addColumn<bool>("mother");
    QTest::newRow("last three digits anywhere") << "x_001_mom.wav"
                                                << "SUB001" << true;
    QTest::newRow("at the start") << "001.wav"
                                  << "SUB001" << true;
    QTest::newRow("other digits") << "SUB002_01.wav"
                                  << "SUB001" << false;
    QTest::newRow("only the last three count") << "SUB_01.wav"
                                               << "SUB001" << false;
    QTest::newRow("short code searched whole") << "take_ab.wav"
                                               << "ab" << true;
    QTest::newRow("short code absent") << "take_a.wav"
                                       << "ab" << false;
    QTest::newRow("empty code matches all") << "anything.wav"
                                            << "" << true;
    QTest::newRow("case counts") << "voice_abc.wav"
                                 << "XYABC" << false;
    QTest::newRow("case matches") << "voice_ABC.wav"
                                  << "XYABC" << true;
}

void TestAnswerScoring::motherTokenRule()
{
    QFETCH(QString, fileName);
    QFETCH(QString, subCode);
    QFETCH(bool, mother);
    QCOMPARE(isMotherToken(fileName, subCode), mother);
    QCOMPARE(isRightAnswer(true, fileName, subCode), mother);
    QCOMPARE(isRightAnswer(false, fileName, subCode), !mother);

    TrialEntry entry;
    TokenRecord token("/f", fileName);
    scoreAnswer(entry, token, true, 100, fileName, subCode);
    QCOMPARE(entry.stim, QString(mother ? "mother" : "stranger"));
    QCOMPARE(token.stim, entry.stim);
    QCOMPARE(entry.resp, QStringLiteral("mother"));
    QCOMPARE(entry.correctness, mother);
}

void TestAnswerScoring::scoringAndMeans_data()
{
    // answers: 'M' or 'S' with a time each; expectations after averaging.
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QVector<double>>("times");
    QTest::addColumn<int>("nMother");
    QTest::addColumn<int>("nStranger");
    QTest::addColumn<double>("rt");
    QTest::addColumn<double>("rtCorrect");
    QTest::addColumn<double>("rtIncorrect");
    QTest::newRow("mother token, mixed") << "mom_001_a.wav"
                                         << "MSM" << QVector<double> { 1200, 900, 800 } << 2 << 1
                                         << 2900.0 / 3 << 1000.0 << 900.0;
    QTest::newRow("mother token, only stranger")
            << "mom_001.wav"
            << "SS" << QVector<double> { 300, 500 } << 0 << 2 << 400.0 << 0.0 << 400.0;
    QTest::newRow("stranger token, only stranger")
            << "other.wav"
            << "SS" << QVector<double> { 300, 500 } << 0 << 2 << 400.0 << 400.0 << 0.0;
    QTest::newRow("stranger token, mixed")
            << "other.wav"
            << "MS" << QVector<double> { 250, 750 } << 1 << 1 << 500.0 << 750.0 << 250.0;
    QTest::newRow("never answered") << "other.wav"
                                    << "" << QVector<double> {} << 0 << 0 << 0.0 << 0.0 << 0.0;
}

void TestAnswerScoring::scoringAndMeans()
{
    QFETCH(QString, fileName);
    QFETCH(QString, answers);
    QFETCH(QVector<double>, times);
    QVector<TokenRecord> tokens = { TokenRecord("/f", fileName) };
    double sum = 0;
    for (int i = 0; i < answers.size(); ++i) {
        TrialEntry entry;
        const bool mother = answers[i] == 'M';
        scoreAnswer(entry, tokens[0], mother, times[i], fileName, "SUB001");
        QCOMPARE(entry.rt, times[i]);
        QCOMPARE(entry.resp, QString(mother ? "mother" : "stranger"));
        sum += times[i];
    }
    QCOMPARE(tokens[0].rt, sum); // sums while the session runs
    QCOMPARE(tokens[0].rt_correct + tokens[0].rt_incorrect, sum);

    computeTokenAverages(tokens, "SUB001");
    QTEST(tokens[0].nMother, "nMother");
    QTEST(tokens[0].nStranger, "nStranger");
    QTEST(tokens[0].rt, "rt");
    QTEST(tokens[0].rt_correct, "rtCorrect");
    QTEST(tokens[0].rt_incorrect, "rtIncorrect");
}

void TestAnswerScoring::playbackDelay_data()
{
    QTest::addColumn<double>("sound");
    QTest::addColumn<double>("silence");
    QTest::addColumn<int>("delay");
    QTest::newRow("defaults") << 0.25 << 1.0 << 1250;
    QTest::newRow("truncated, not rounded") << 0.0004 << 0.0004 << 0;
    QTest::newRow("fraction of a ms dropped") << 0.2509 << 1.0 << 1250;
}

void TestAnswerScoring::playbackDelay()
{
    QFETCH(double, sound);
    QFETCH(double, silence);
    QTEST(playbackDelayMs(sound, silence), "delay");
}

void TestAnswerScoring::resultText_data()
{
    QTest::addColumn<double>("threshold");
    QTest::addColumn<double>("reactionTime");
    QTest::addColumn<int>("mainParameterIndex");
    QTest::addColumn<QString>("text");
    QTest::newRow("frequency") << 0.25 << 0.0 << 0
                               << "Frequency Difference = 25 %,   Reaction Time = 0 ms";
    QTest::newRow("modulation") << 0.5 << 812.5 << 1
                                << "Modulation Threshold = 50 %,   Reaction Time = 812.5 ms";
    QTest::newRow("no prefix") << 0.25 << 0.0 << 2 << "25 %,   Reaction Time = 0 ms";
    QTest::newRow("six digits, exponent") << 0.0123456 << 1234567.0 << 0
                                          << "Frequency Difference = 1.23456 %,   "
                                             "Reaction Time = 1.23457e+06 ms";
}

void TestAnswerScoring::resultText()
{
    QFETCH(double, threshold);
    QFETCH(double, reactionTime);
    QFETCH(int, mainParameterIndex);
    QTEST(::resultText(threshold, reactionTime, mainParameterIndex), "text");
}

void TestAnswerScoring::feedbackStyleSheets()
{
    QCOMPARE(answerReadyStyleSheet(),
             QStringLiteral("QPushButton:hover {background-color: rgb(0, 255, 255); border: 1px "
                            "solid blue;}"));
    const QString tail = QStringLiteral("    background-repeat: no-repeat;    "
                                        "background-position: center;}QPushButton:hover {    "
                                        "background-color: rgb(0, 255, 255);    border: 1px "
                                        "solid blue;}");
    QCOMPARE(feedbackStyleSheet(true),
             "QPushButton {    background-image: url(correct.png);" + tail);
    QCOMPARE(feedbackStyleSheet(false),
             "QPushButton {    background-image: url(incorrect.png);" + tail);
}

QTEST_GUILESS_MAIN(TestAnswerScoring)
#include "test_answerscoring.moc"
