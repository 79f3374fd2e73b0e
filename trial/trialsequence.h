#ifndef TRIALSEQUENCE_H
#define TRIALSEQUENCE_H

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

#endif // TRIALSEQUENCE_H
