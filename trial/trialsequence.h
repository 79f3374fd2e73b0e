#ifndef TRIALSEQUENCE_H
#define TRIALSEQUENCE_H

#include "trial/trialentry.h"

#include <QString>
#include <QVector>

#include <cstdint>

// Codes the subject window sends with subjectResponded(int).
enum ResponseCode {
    ResponseReady = 0,
    ResponseMother = 2,
    ResponseStranger = 4,
    ResponseNext = 5,
};

// Milliseconds from an answer to the next sound: sound plus silent interval,
// truncated toward zero (0.25 s + 1.0 s -> 1250, 0.0008 s -> 0).
int playbackDelayMs(double soundDurationS, double silentIntervalS);

// One fresh entry per trial, nTimes x nTokens of them (none when that is below 1).
QVector<TrialEntry> makeEntries(int nTokens, int nTimes, const QString &folder);

// Every token index nTimes times, shuffled by an MT19937 seeded with seed.
QVector<int> makeTrialOrder(int nTokens, int nTimes, uint32_t seed);

// The low 32 bits of the system clock's count of nanoseconds since the epoch.
uint32_t clockSeed();

// The trials of one session: which token each plays, which trial is armed
// (its sound scheduled) and waits for its answer, how many were answered, and
// whether the session runs. Trials count from 0 here; the files count from 1.
class TrialSequence
{
public:
    // A newly prepared session, order[i] the token of trial i: nothing armed,
    // no answer, not running.
    void prepare(const QVector<int> &order);
    // "I am ready": the session runs, no answer yet.
    void start();
    // Finished or stopped: no answer is taken any more.
    void stop();
    bool isRunning() const { return running; }

    const QVector<int> &order() const { return tokens; }
    int size() const { return tokens.size(); }
    // The trial to arm next; size() once every trial has been armed.
    int nextTrial() const { return next; }
    // The token of the trial to arm next, or -1 when none is left.
    int nextToken() const { return next < tokens.size() ? tokens[next] : -1; }
    // The next trial's sound has been scheduled: it waits for the answer.
    void arm();
    bool allArmed() const { return next >= tokens.size(); }

    // The trial an answer now would answer, or -1: the one armed last, while
    // the session runs and it has no answer yet.
    int waitingTrial() const;
    // Counts the answer to waitingTrial(), which must not be -1.
    void recordAnswer();
    int answersGiven() const { return answers; }
    // Forgets the count (the answers so far have been offered for saving).
    void forgetAnswers() { answers = 0; }

private:
    QVector<int> tokens;
    int next = 0;
    int answers = 0;
    int answered = -1; // the last trial that got its answer
    bool running = false;
};

#endif // TRIALSEQUENCE_H
