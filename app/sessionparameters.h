#ifndef SESSIONPARAMETERS_H
#define SESSIONPARAMETERS_H

#include "sound/tokenrecord.h"
#include "trial/trialentry.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Every setting of a session and its two result fields. The field names are
// also the keys of the parameters file, so they keep their short forms.
struct SessionParameters
{
    SessionParameters();

    double fs = 48000.0; // Hz
    double soundDuration = 0.25; // s
    int nSamples = 12000;
    double durationToPlot = 0.25; // s
    int nSamplesToPlot = 12000;
    bool alwaysPlotEntireWaveformFlag = false;
    double upperFrequencyToPlot = 2000.0; // Hz
    int nFreqBinsToPlot = 500;
    QString desktopPath;
    QString outputFilePath;
    QString wavFilePath;
    QString subCode;
    QString outputFileName;
    QString outputFileName_entries;
    QString outputFileName_parameters;
    QStringList sesTypeNames;
    int sesTypeIndex = 0;
    QStringList soundTypeNames;
    int soundTypeIndex = 0;
    QStringList mainParameterNames;
    int mainParameterIndex = 0;
    int sesNum = 1;
    int nTimes = 1;
    double si = 1.0; // s
    QString wavFileName;
    QVector<TokenRecord> tokens;
    QVector<TrialEntry> entries;
    double threshold = 0.0;
    double reactionTime = 0.0;
    bool saveData = true;
    bool feedBack = true;
    bool autoPlay = true;
};

// The user's writable desktop folder, the base of the default folders.
QString desktopLocation();

// desktopPath + "/" + subCode, the subject code taken as typed.
QString outputFolderFor(const QString &desktopPath, const QString &subCode);

// subCode + "_" + session type name + session number padded to 3 digits + ".txt",
// e.g. SUB001_practice001.txt. Longer numbers are not cut.
QString outputFileNameFor(const QString &subCode, const QString &sesTypeName, int sesNum);

// The waveform chart's span: a sound shorter than durationToPlot is shown
// whole, and a longer one too when alwaysPlotEntireWaveformFlag is set.
void applyPlotLengthRule(SessionParameters &p);

#endif // SESSIONPARAMETERS_H
