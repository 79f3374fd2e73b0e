#include "app/sessionparameters.h"

#include <QStandardPaths>

#include <cmath>

SessionParameters::SessionParameters()
    : desktopPath(desktopLocation()),
      outputFilePath(desktopPath + QStringLiteral("/SUB001")),
      wavFilePath(desktopPath),
      subCode(QStringLiteral("SUB001")),
      outputFileName(subCode + QStringLiteral("_records.txt")),
      outputFileName_entries(subCode + QStringLiteral("_entries.txt")),
      outputFileName_parameters(subCode + QStringLiteral("_parameters.txt")),
      sesTypeNames({ QStringLiteral("practice"), QStringLiteral("experiment") }),
      soundTypeNames({ QStringLiteral(".wav files"), QStringLiteral("reserved") }),
      mainParameterNames({ QStringLiteral("sound files"), QStringLiteral("reserved") }),
      wavFileName(QStringLiteral("SUB001_01.wav"))
{
}

QString desktopLocation()
{
    return QStringLiteral("%1").arg(
            QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString outputFolderFor(const QString &desktopPath, const QString &subCode)
{
    return desktopPath + QLatin1Char('/') + subCode;
}

QString outputFileNameFor(const QString &subCode, const QString &sesTypeName, int sesNum)
{
    return subCode + QLatin1Char('_') + sesTypeName
            + QStringLiteral("%1").arg(sesNum, 3, 10, QLatin1Char('0')) + QStringLiteral(".txt");
}

void applyPlotLengthRule(SessionParameters &p)
{
    p.nSamplesToPlot = static_cast<int>(std::floor(p.fs * p.durationToPlot));
    if (p.nSamples < p.nSamplesToPlot
        || (p.nSamples > p.nSamplesToPlot && p.alwaysPlotEntireWaveformFlag)) {
        p.nSamplesToPlot = p.nSamples;
        p.durationToPlot = p.nSamples / p.fs;
    }
}
