#include "trial/trialsequence.h"

int playbackDelayMs(double soundDurationS, double silentIntervalS)
{
    return static_cast<int>((soundDurationS + silentIntervalS) * 1000.0);
}
