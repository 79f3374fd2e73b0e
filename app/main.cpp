#include "app/commandline.h"
#include "app/graphicalsession.h"
#include "app/imagefolder.h"
#include "app/mainwindow.h"
#include "trial/soundoutput.h"

#include <QApplication>
#include <QCommandLineParser>

#include <optional>

namespace {
const QString kProgram = QStringLiteral("tellwyn");
const QCommandLineOption kAudio(QStringLiteral("audio"),
                                QStringLiteral("play through OUTPUT: auto (the default: the "
                                               "first that works of ")
                                        + soundOutputNames().join(QStringLiteral(", "))
                                        + QStringLiteral(")"),
                                QStringLiteral("OUTPUT"), QStringLiteral("auto"));

// Qt's own options of a widget program, accepted and handed on to it. Single
// dash, as Qt documents them ("-platform offscreen"); two dashes work too.
QList<QCommandLineOption> qtOptions()
{
    QList<QCommandLineOption> options;
    for (const char *name :
         { "platform", "platformpluginpath", "platformtheme", "plugin", "display", "geometry",
           "qwindowgeometry", "qwindowicon", "qwindowtitle", "style", "stylesheet", "session" })
        options << QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("x"));
    for (const char *name : { "reverse", "widgetcount", "nograb", "dograb", "sync" })
        options << QCommandLineOption(QString::fromLatin1(name));
    for (QCommandLineOption &option : options)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return options;
}

QString helpText()
{
    return QStringLiteral("Usage: tellwyn [OPTION]...\n"
                          "Runs a two-alternative voice-recognition listening experiment: the "
                          "experimenter\nprepares a session in the main window, the listener "
                          "answers \"Mother\" or\n\"Stranger\" after each sound in a second "
                          "window, and the answers are saved as\nfour tab-separated files.\n\n"
                          "Options:\n")
            + optionTable({ kAudio, helpOption(), versionOption() })
            + QStringLiteral("\nQt's own options (-platform NAME, -display DISPLAY, -style "
                             "STYLE, -reverse, ...)\nare handed on to Qt. Tellwyn needs a "
                             "graphical session.\n\n"
                             "Exit status: 0 when the main window was closed, 1 when no window "
                             "could be\nshown, 2 for a wrong command line.\n\n"
                             "The README and the manual page tellwyn(1) describe a session and "
                             "its files.\n");
}

// Returns kGoOn when the program is to run, else its exit status; the output
// asked for goes to audioOutput.
int answerCommandLine(const QStringList &arguments, QString *audioOutput)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(qtOptions());
    parser.addOption(kAudio);
    const int answered = parseStandard(parser, arguments, kProgram, helpText());
    if (answered != kGoOn)
        return answered;
    if (!parser.positionalArguments().isEmpty())
        return usageError(kProgram,
                          QStringLiteral("takes no arguments: ")
                                  + parser.positionalArguments().join(QLatin1Char(' ')));
    *audioOutput = parser.value(kAudio);
    if (outputsToTry(*audioOutput).isEmpty())
        return usageError(kProgram, QStringLiteral("no audio output named ") + *audioOutput);
    return kGoOn;
}
} // namespace

int main(int argc, char *argv[])
{
    QString audioOutput;
    const int answered = answerCommandLine(argumentList(argc, argv), &audioOutput);
    if (answered != kGoOn)
        return answered;
    std::optional<GraphicalSessionGuard> guard(std::in_place, kProgram);
    QApplication app(argc, argv);
    guard.reset();
    // The feedback images are looked up in the working directory: installed,
    // they are in share/tellwyn beside the bin folder; in a build folder, next
    // to the binary. Qt has read its own arguments by now, and every path the
    // program uses later is absolute.
    const QString binDir = QCoreApplication::applicationDirPath();
    enterImageFolder({ binDir + QStringLiteral("/" TELLWYN_DATA_FROM_BIN), binDir });
    MainWindow window;
    window.setAudioOutputChoice(audioOutput);
    window.show();
    return app.exec();
}
