#include "app/graphicalsession.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {
struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler previousHandler = nullptr;
QVector<HeldMessage> heldMessages;
QByteArray programName;

void replay(QtMessageHandler handler, const HeldMessage &message)
{
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
    handler(message.type, context, message.text);
}

QString missingDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    for (const HeldMessage &message : heldMessages) {
        if (message.text.contains(QLatin1String("could not connect to display")))
            return display.isEmpty() ? QStringLiteral("DISPLAY is not set")
                                     : QStringLiteral("cannot connect to display ")
                            + QString::fromLocal8Bit(display);
    }
    if (display.isEmpty() && !wayland)
        return QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    return QString();
}

void holdOrExplain(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        heldMessages.append({ type, QByteArray(context.category), text });
        return;
    }
    // Qt ends the program after this handler returns, so it must not return.
    const QString why = missingDisplay();
    if (!why.isEmpty()) {
        std::fprintf(stderr,
                     "%s: needs a graphical session to show its windows (%s); start it on the "
                     "desktop\n",
                     programName.constData(), qPrintable(why));
    } else {
        // Something else broke the platform plugin: Qt's own words say what.
        for (const HeldMessage &message : heldMessages)
            replay(previousHandler, message);
        previousHandler(type, context, text);
    }
    std::fflush(stderr);
    std::_Exit(1);
}
} // namespace

GraphicalSessionGuard::GraphicalSessionGuard(const QString &program)
{
    programName = program.toLocal8Bit();
    previousHandler = qInstallMessageHandler(holdOrExplain);
}

GraphicalSessionGuard::~GraphicalSessionGuard()
{
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage &message : heldMessages)
        replay(previousHandler, message);
    heldMessages.clear();
}
