#ifndef RESULTFORMAT_H
#define RESULTFORMAT_H

#include <QString>
#include <QStringList>

// What the result files hold and how they spell it: the one description that
// the writer, the session journal and the reader of saved sets all use.
namespace ResultFormat {

// The two classes of token and the two answers.
inline const QString kMother = QStringLiteral("mother");
inline const QString kStranger = QStringLiteral("stranger");

// The columns of each file's header, in order.
inline const QStringList kRecordsColumns = { "filename", "nMother",    "nStranger",
                                             "rt",       "rt_correct", "rt_incorrect" };
inline const QStringList kEntriesColumns = { "filename", "stim", "resp", "correctness", "rt" };
inline const QStringList kTimingColumns = { "trial",    "filename",        "due_ms",
                                            "onset_ms", "onset_error_ms",  "output_latency_ms",
                                            "end_ms",   "rt_clock_lag_ms", "dropouts",
                                            "output",   "device" };
inline const QChar kColumnSeparator = QLatin1Char('\t');

// What the other files add to the records file's base name.
inline const QString kEntriesInfix = QStringLiteral("_entries");
inline const QString kParametersInfix = QStringLiteral("_parameters");
inline const QString kTimingInfix = QStringLiteral("_timing");

// A parameters line is "key: value"; a list value is joined by ", ".
inline const QString kKeySeparator = QStringLiteral(": ");
inline const QString kListSeparator = QStringLiteral(", ");

// The 23 fields of the parameters file in the file's order: visit(key, field)
// for each. Params is SessionParameters, const or not.
template<class Params, class Visit>
void visitFileParameters(Params &p, Visit &&visit)
{
    visit("fs", p.fs);
    visit("alwaysPlotEntireWaveformFlag", p.alwaysPlotEntireWaveformFlag);
    visit("upperFrequencyToPlot", p.upperFrequencyToPlot);
    visit("outputFilePath", p.outputFilePath);
    visit("wavFilePath", p.wavFilePath);
    visit("subCode", p.subCode);
    visit("outputFileName", p.outputFileName);
    visit("outputFileName_entries", p.outputFileName_entries);
    visit("outputFileName_parameters", p.outputFileName_parameters);
    visit("sesTypeNames", p.sesTypeNames);
    visit("sesTypeIndex", p.sesTypeIndex);
    visit("soundTypeNames", p.soundTypeNames);
    visit("soundTypeIndex", p.soundTypeIndex);
    visit("mainParameterNames", p.mainParameterNames);
    visit("mainParameterIndex", p.mainParameterIndex);
    visit("sesNum", p.sesNum);
    visit("nTimes", p.nTimes);
    visit("si", p.si);
    visit("threshold", p.threshold);
    visit("reactionTime", p.reactionTime);
    visit("saveData", p.saveData);
    visit("feedBack", p.feedBack);
    visit("autoPlay", p.autoPlay);
}

// The keys above, in order.
QStringList parameterKeys();

} // namespace ResultFormat

#endif // RESULTFORMAT_H
