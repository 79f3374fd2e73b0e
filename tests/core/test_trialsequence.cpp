#include "trial/trialsequence.h"

#include <QtTest>

// The trials of a session as the trial loop walks them: each answer goes to
// the trial armed last, once, and only while the session runs.
class TestTrialSequence : public QObject
{
    Q_OBJECT

private slots:
    void walksTheTrials()
    {
        TrialSequence trials;
        trials.prepare({ 2, 0, 1 });
        trials.arm(); // armed before "I am ready": nothing answers yet
        QCOMPARE(trials.waitingTrial(), -1);
        trials.prepare({ 2, 0, 1 });
        trials.start();
        QCOMPARE(trials.waitingTrial(), -1); // nothing armed
        for (int t = 0; t < 3; ++t) {
            QCOMPARE(trials.nextToken(), trials.order()[t]);
            QVERIFY(!trials.allArmed());
            trials.arm();
            QCOMPARE(trials.waitingTrial(), t);
            trials.recordAnswer();
            QCOMPARE(trials.waitingTrial(), -1); // answered once
            QCOMPARE(trials.answersGiven(), t + 1);
        }
        QVERIFY(trials.allArmed());
        QCOMPARE(trials.nextToken(), -1);
        trials.arm(); // nothing left: stays at the end
        QCOMPARE(trials.nextTrial(), 3);

        trials.prepare({ 0, 1 });
        trials.start();
        trials.arm();
        trials.stop();
        QCOMPARE(trials.waitingTrial(), -1); // stopped: no answer is taken
        QCOMPARE(trials.nextTrial(), 1);
    }
    void delay()
    {
        QCOMPARE(playbackDelayMs(0.25, 1.0), 1250);
        QCOMPARE(playbackDelayMs(0.2509, 1.0), 1250); // truncated
    }
};

QTEST_GUILESS_MAIN(TestTrialSequence)
#include "test_trialsequence.moc"
