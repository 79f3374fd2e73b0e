#include "app/commandline.h"

#include <cstdio>

namespace {
// Descriptions start in this column, or two spaces after the longest names.
const int kDescriptionColumn = 24;

QString namesAndValue(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    // Long-only options line up with the long names of "-x, --xxx".
    QString text = option.names().constFirst().size() == 1 ? QStringLiteral("  ")
                                                           : QStringLiteral("      ");
    text += names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QLatin1Char(' ') + option.valueName();
    return text;
}
} // namespace

QString versionText(const QString &program)
{
    return program + QStringLiteral(" " TELLWYN_VERSION "\n")
            + QStringLiteral("Copyright (C) 2026 Orlin Lab.\n"
                             "License: MIT <https://opensource.org/licenses/MIT>.\n"
                             "This is free software: you are free to change and redistribute "
                             "it.\nThere is NO WARRANTY, to the extent permitted by law.\n");
}

QString optionTable(const QList<QCommandLineOption> &options)
{
    QString table;
    for (const QCommandLineOption &option : options) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        const QString names = namesAndValue(option);
        table += names.leftJustified(qMax(kDescriptionColumn, names.size() + 2))
                + option.description() + QLatin1Char('\n');
    }
    return table;
}

QCommandLineOption helpOption()
{
    return QCommandLineOption({ QStringLiteral("h"), QStringLiteral("help") },
                              QStringLiteral("display this help and exit"));
}

QCommandLineOption versionOption()
{
    return QCommandLineOption({ QStringLiteral("v"), QStringLiteral("version") },
                              QStringLiteral("output version information and exit"));
}

int parseStandard(QCommandLineParser &parser, const QStringList &arguments, const QString &program,
                  const QString &helpText)
{
    parser.addOption(helpOption());
    parser.addOption(versionOption());
    if (!parser.parse(arguments))
        return usageError(program, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        return printText(helpText);
    if (parser.isSet(QStringLiteral("version")))
        return printText(versionText(program));
    return kGoOn;
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int usageError(const QString &program, const QString &what)
{
    // QCommandLineParser's errors read "Unknown option 'x'.": made to fit in the line.
    QString text = what;
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    std::fprintf(stderr, "%s: %s (see %s --help)\n", qPrintable(program), qPrintable(text),
                 qPrintable(program));
    return kExitUsage;
}

int printText(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
