#ifndef TOKENREPORT_H
#define TOKENREPORT_H

// The levels of a checked folder as tellwyn-tokens reports them: the
// machine-readable table, the summary under the human one, and what
// --strict fails on. Numbers are written with QString::number, which knows
// no locale: a dot as decimal separator everywhere.

#include "sound/tokenfolder.h"

#include <QString>
#include <QStringList>

const double kMaxTrailingMs = 20.0;
const double kMaxClassDifferenceDb = 1.0;

// dB to 0.01 ("-inf" for an all-zero level, never "-0.00"), ms to 0.001, dc
// to 6 significant digits; an empty optional gives an empty text.
QString dbText(double db);
QString dbText(const std::optional<double> &db);
QString msText(double ms);
QString dcText(double dc);

// Header and one LF-ended row per token, TAB-separated, never quoted: file
// rate channels bits frames ms voice rms_dbfs active_rms_dbfs peak_dbfs
// clipped dc lead_ms trail_ms lufs problem. A token that could not be read
// has only its file, voice and problem; one that was read but cannot be
// played has no measures. Control characters in a file name or problem are
// written as C escapes (tableField()), and so is the double quote (\x22),
// which pandas and R would take for quoting.
QString levelsTable(const TokenCheck &check, const QString &subject);

// The levels of the measured tokens together. The spread and the class means
// are of rmsDbfs, the column the human table shows. A class mean is the mean
// of its tokens' dB values, not the dB of their mean power: every token is
// heard as often as any other, and a power mean would let one loud token
// pull its class up by more than a quiet one pulls it down. All-zero tokens
// (-inf) are left out of the spread and the means and named in silent.
struct LevelSummary
{
    int measured = 0;
    QStringList silent;
    double minRmsDbfs = 0.0, maxRmsDbfs = 0.0;
    QString quietest, loudest;
    int mothers = 0, strangers = 0; // tokens in each class mean
    double motherMeanDbfs = 0.0, strangerMeanDbfs = 0.0;
    QStringList clipping; // "name (n samples)"
    QStringList trailing; // "name (x ms)": trailing silence over kMaxTrailingMs

    bool hasLevels() const { return measured > silent.size(); }
    bool hasBothClasses() const { return mothers > 0 && strangers > 0; }
    double classDifferenceDb() const { return motherMeanDbfs - strangerMeanDbfs; }
    // What --strict fails on, one line each: clipping, a class difference
    // over kMaxClassDifferenceDb, trailing silence; empty when none.
    QStringList strictFailures() const;
};

LevelSummary summarizeLevels(const TokenCheck &check, const QString &subject);

#endif // TOKENREPORT_H
