#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

// What the two programs share on the command line: the version line, the
// GNU-style option table of their --help, one-line usage errors, and the
// arguments as Qt strings. Nothing here needs an application object, so
// --help and --version answer before any window or display is touched.

// Exit status of a command line that could not be understood.
const int kExitUsage = 2;

// "tellwyn 0.9" and the licence lines, as --version prints them.
QString versionText(const QString &program);

// One line per option, its names and value and then its description, aligned
// in one column: "  -o, --output FILE   write the table to FILE".
QString optionTable(const QList<QCommandLineOption> &options);

// The options every program has.
QCommandLineOption helpOption();
QCommandLineOption versionOption();

// What parseStandard returns when the program is to go on.
const int kGoOn = -1;

// Adds --help and --version to the parser and parses the arguments. Returns
// kGoOn, or the exit status once it has answered --help (with helpText),
// --version or a wrong command line.
int parseStandard(QCommandLineParser &parser, const QStringList &arguments, const QString &program,
                  const QString &helpText);

// argv as Qt strings, in the locale's encoding.
QStringList argumentList(int argc, char *argv[]);

// Prints "PROGRAM: WHAT (see PROGRAM --help)" on one line to standard error
// and returns kExitUsage.
int usageError(const QString &program, const QString &what);

// Prints text to standard output as UTF-8 and returns 0.
int printText(const QString &text);

#endif // COMMANDLINE_H
