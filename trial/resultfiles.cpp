#include "trial/resultfiles.h"

#include "trial/resultformat.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <type_traits>

namespace {
using namespace ResultFormat;

const QChar kTab = kColumnSeparator;
const QChar kLineEnd = QLatin1Char('\n');

QString derivedFileName(const QString &recordsFileName, const QString &infix)
{
    const QFileInfo info(recordsFileName);
    return info.completeBaseName() + infix + QLatin1Char('.') + info.suffix();
}

// Nanoseconds as milliseconds to the microsecond, rounded half away from
// zero; integer arithmetic, so no locale and no binary fraction shows.
QString msText(const std::optional<qint64> &ns)
{
    if (!ns)
        return QString();
    const qint64 us = (*ns >= 0 ? *ns + 500 : *ns - 500) / 1000;
    const qint64 magnitude = us < 0 ? -us : us;
    return QLatin1String(us < 0 ? "-" : "") + QString::number(magnitude / 1000) + QLatin1Char('.')
            + QStringLiteral("%1").arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
}

QString msText(const std::optional<double> &ms)
{
    return ms && std::isfinite(*ms) ? QString::number(*ms, 'f', 3) : QString();
}
} // namespace

QString tableField(const QString &text)
{
    QString field;
    field.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\t'))
            field += QLatin1String("\\t");
        else if (c == QLatin1Char('\n'))
            field += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            field += QLatin1String("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            field += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            field += c;
    }
    return field;
}

QString recordsFileText(const QVector<TokenRecord> &tokens)
{
    QString text;
    if (tokens.isEmpty())
        return text;
    QTextStream out(&text);
    out << kRecordsColumns.join(kTab);
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
    out << kEntriesColumns.join(kTab);
    for (const TrialEntry &e : entries) {
        out << kLineEnd << e.fileName << kTab << e.stim << kTab << e.resp << kTab
            << int(e.correctness) << kTab << e.rt;
    }
    out.flush();
    return text;
}

QString timingFileText(const QVector<TrialTiming> &timings)
{
    QString text;
    if (timings.isEmpty())
        return text;
    QTextStream out(&text);
    out << kTimingColumns.join(kTab);
    for (const TrialTiming &t : timings) {
        std::optional<qint64> onsetError;
        if (t.onsetNs && t.dueNs)
            onsetError = *t.onsetNs - *t.dueNs;
        out << kLineEnd << t.trial << kTab << tableField(t.fileName) << kTab << msText(t.dueNs)
            << kTab << msText(t.onsetNs) << kTab << msText(onsetError) << kTab
            << msText(t.outputLatencyMs) << kTab << msText(t.endNs) << kTab
            << msText(t.rtClockLagNs) << kTab << (t.dropouts ? QString::number(*t.dropouts) : "")
            << kTab << tableField(t.output) << kTab << tableField(t.device);
    }
    out.flush();
    return text;
}

QString parametersFileText(const SessionParameters &p)
{
    QString text;
    QTextStream out(&text);
    bool first = true;
    const auto line = [&](const char *key, const auto &value) {
        if (!first)
            out << kLineEnd;
        first = false;
        out << key << kKeySeparator;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, bool>)
            out << int(value);
        else if constexpr (std::is_same_v<T, QStringList>)
            out << value.join(kListSeparator);
        else
            out << value;
    };
    visitFileParameters(p, line);
    out.flush();
    return text;
}

QString entriesFileName(const QString &recordsFileName)
{
    return derivedFileName(recordsFileName, kEntriesInfix);
}

QString parametersFileName(const QString &recordsFileName)
{
    return derivedFileName(recordsFileName, kParametersInfix);
}

QString timingFileName(const QString &recordsFileName)
{
    return derivedFileName(recordsFileName, kTimingInfix);
}

QString writeFailureMessage(const QString &folder, const QString &fileName)
{
    return QStringLiteral("could not open file for writing \r\n") + folder + fileName;
}

QString writeWholeTextFile(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return file.errorString();
    QTextStream out(&file);
    out << text;
    out.flush();
    if (out.status() != QTextStream::Ok)
        file.cancelWriting();
    if (!file.commit())
        return file.errorString().isEmpty() ? QStringLiteral("not written") : file.errorString();
    return QString();
}
