#include "sound/tokenreport.h"

#include "trial/resultfiles.h"
#include "trial/scoring.h"

#include <cmath>

namespace {
const QChar kTab = QLatin1Char('\t');
const QString kHeader = QStringLiteral(
        "file\trate\tchannels\tbits\tframes\tms\tvoice\trms_dbfs\tactive_rms_dbfs\tpeak_dbfs\t"
        "clipped\tdc\tlead_ms\ttrail_ms\tlufs\tproblem\n");
const int kReadColumns = 5; // rate channels bits frames ms
const int kLevelColumns = 8; // rms_dbfs .. lufs

// A name or problem as one field: control characters as C escapes, as the
// timing file writes them, and the double quote as \x22 too, since pandas
// and R would otherwise take a field that holds one as quoted.
QString tsvField(const QString &text)
{
    return tableField(text).replace(QLatin1Char('"'), QLatin1String("\\x22"));
}

void appendEmpty(QStringList &row, int n)
{
    for (int i = 0; i < n; ++i)
        row << QString();
}
} // namespace

QString dbText(double db)
{
    if (std::isinf(db))
        return db < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    const QString text = QString::number(db, 'f', 2);
    return text == QLatin1String("-0.00") ? QStringLiteral("0.00") : text;
}

QString dbText(const std::optional<double> &db)
{
    return db ? dbText(*db) : QString();
}

QString msText(double ms)
{
    return QString::number(ms, 'f', 3);
}

QString dcText(double dc)
{
    return QString::number(dc, 'g', 6);
}

QString levelsTable(const TokenCheck &check, const QString &subject)
{
    QString table = kHeader;
    for (const TokenInfo &t : check.tokens) {
        QStringList row { tsvField(t.fileName) };
        if (t.readable)
            row << QString::number(t.samplingRate) << QString::number(t.channels)
                << QString::number(t.bits) << QString::number(t.frames) << msText(t.durationMs);
        else
            appendEmpty(row, kReadColumns);
        row << tokenClass(t.fileName, subject);
        if (t.levels) {
            const TokenLevels &l = *t.levels;
            row << dbText(l.rmsDbfs) << dbText(l.activeRmsDbfs) << dbText(l.peakDbfs)
                << QString::number(l.clipped) << dcText(l.dc) << msText(l.leadMs)
                << msText(l.trailMs) << dbText(l.lufs);
        } else {
            appendEmpty(row, kLevelColumns);
        }
        row << tsvField(t.problem);
        table += row.join(kTab) + QLatin1Char('\n');
    }
    return table;
}

LevelSummary summarizeLevels(const TokenCheck &check, const QString &subject)
{
    LevelSummary s;
    double motherSum = 0.0, strangerSum = 0.0;
    for (const TokenInfo &t : check.tokens) {
        if (!t.levels)
            continue;
        const TokenLevels &l = *t.levels;
        ++s.measured;
        if (l.clipped > 0)
            s.clipping << QStringLiteral("%1 (%2 samples)").arg(t.fileName).arg(l.clipped);
        if (l.trailMs > kMaxTrailingMs)
            s.trailing << QStringLiteral("%1 (%2 ms)").arg(t.fileName, msText(l.trailMs));
        if (std::isinf(l.rmsDbfs)) {
            s.silent << t.fileName;
            continue;
        }
        if (s.quietest.isEmpty() || l.rmsDbfs < s.minRmsDbfs) {
            s.minRmsDbfs = l.rmsDbfs;
            s.quietest = t.fileName;
        }
        if (s.loudest.isEmpty() || l.rmsDbfs > s.maxRmsDbfs) {
            s.maxRmsDbfs = l.rmsDbfs;
            s.loudest = t.fileName;
        }
        if (isMotherToken(t.fileName, subject)) {
            ++s.mothers;
            motherSum += l.rmsDbfs;
        } else {
            ++s.strangers;
            strangerSum += l.rmsDbfs;
        }
    }
    s.motherMeanDbfs = s.mothers ? motherSum / s.mothers : 0.0;
    s.strangerMeanDbfs = s.strangers ? strangerSum / s.strangers : 0.0;
    return s;
}

QStringList LevelSummary::strictFailures() const
{
    QStringList failures;
    if (!clipping.isEmpty())
        failures << QStringLiteral("%1 token(s) clip").arg(clipping.size());
    if (hasBothClasses() && std::fabs(classDifferenceDb()) > kMaxClassDifferenceDb)
        failures << QStringLiteral("the mother and stranger means differ by %1 dB (over %2 dB)")
                            .arg(dbText(std::fabs(classDifferenceDb())))
                            .arg(kMaxClassDifferenceDb);
    if (!trailing.isEmpty())
        failures << QStringLiteral("%1 token(s) end in more than %2 ms of silence")
                            .arg(trailing.size())
                            .arg(kMaxTrailingMs);
    return failures;
}
