#include "trial/resultfiles.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {
const QChar kTab = QLatin1Char('\t');
const QChar kLineEnd = QLatin1Char('\n');

QString derivedFileName(const QString &recordsFileName, const QString &infix)
{
    const QFileInfo info(recordsFileName);
    return info.completeBaseName() + infix + info.suffix();
}
} // namespace

QString recordsFileText(const QVector<TokenRecord> &tokens)
{
    QString text;
    if (tokens.isEmpty())
        return text;
    QTextStream out(&text);
    out << "filename" << kTab << "nMother" << kTab << "nStranger" << kTab << "rt" << kTab
        << "rt_correct" << kTab << "rt_incorrect";
    for (const TokenRecord &t : tokens) {
        out << kLineEnd << t.fileName << kTab << t.nMother << kTab << t.nStranger << kTab << t.rt
            << kTab << t.rt_correct << kTab << t.rt_incorrect;
    }
    out.flush();
    return text;
}

QString entriesFileText(const QVector<TrialEntry> &entries)
{
    QString text;
    if (entries.isEmpty())
        return text;
    QTextStream out(&text);
    out << "filename" << kTab << "stim" << kTab << "resp" << kTab << "correctness" << kTab << "rt";
    for (const TrialEntry &e : entries) {
        out << kLineEnd << e.fileName << kTab << e.stim << kTab << e.resp << kTab
            << int(e.correctness) << kTab << e.rt;
    }
    out.flush();
    return text;
}

QString parametersFileText(const SessionParameters &p)
{
    const QString listSeparator = QStringLiteral(", ");
    QString text;
    QTextStream out(&text);
    out << "fs: " << p.fs << kLineEnd;
    out << "alwaysPlotEntireWaveformFlag: " << int(p.alwaysPlotEntireWaveformFlag) << kLineEnd;
    out << "upperFrequencyToPlot: " << p.upperFrequencyToPlot << kLineEnd;
    out << "outputFilePath: " << p.outputFilePath << kLineEnd;
    out << "wavFilePath: " << p.wavFilePath << kLineEnd;
    out << "subCode: " << p.subCode << kLineEnd;
    out << "outputFileName: " << p.outputFileName << kLineEnd;
    out << "outputFileName_entries: " << p.outputFileName_entries << kLineEnd;
    out << "outputFileName_parameters: " << p.outputFileName_parameters << kLineEnd;
    out << "sesTypeNames: " << p.sesTypeNames.join(listSeparator) << kLineEnd;
    out << "sesTypeIndex: " << p.sesTypeIndex << kLineEnd;
    out << "soundTypeNames: " << p.soundTypeNames.join(listSeparator) << kLineEnd;
    out << "soundTypeIndex: " << p.soundTypeIndex << kLineEnd;
    out << "mainParameterNames: " << p.mainParameterNames.join(listSeparator) << kLineEnd;
    out << "mainParameterIndex: " << p.mainParameterIndex << kLineEnd;
    out << "sesNum: " << p.sesNum << kLineEnd;
    out << "nTimes: " << p.nTimes << kLineEnd;
    out << "si: " << p.si << kLineEnd;
    out << "threshold: " << p.threshold << kLineEnd;
    out << "reactionTime: " << p.reactionTime << kLineEnd;
    out << "saveData: " << int(p.saveData) << kLineEnd;
    out << "feedBack: " << int(p.feedBack) << kLineEnd;
    out << "autoPlay: " << int(p.autoPlay);
    out.flush();
    return text;
}

QString entriesFileName(const QString &recordsFileName)
{
    return derivedFileName(recordsFileName, QStringLiteral("_entries."));
}

QString parametersFileName(const QString &recordsFileName)
{
    return derivedFileName(recordsFileName, QStringLiteral("_parameters."));
}

QString writeFailureMessage(const QString &folder, const QString &fileName)
{
    return QStringLiteral("could not open file for writing \r\n") + folder + fileName;
}

bool writeWholeTextFile(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << text;
    out.flush();
    if (out.status() != QTextStream::Ok)
        file.cancelWriting();
    return file.commit();
}
