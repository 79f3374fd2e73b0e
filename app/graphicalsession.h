#ifndef GRAPHICALSESSION_H
#define GRAPHICALSESSION_H

#include <QString>

// Held while the application object connects to the display. Without a
// display, Qt ends the program with a fatal message that advises
// reinstalling it; under this guard the program instead says in one line
// that it needs a graphical session and exits with status 1. Qt's other
// messages of that time are held back and shown when the guard goes.
class GraphicalSessionGuard
{
public:
    explicit GraphicalSessionGuard(const QString &program);
    ~GraphicalSessionGuard();
    GraphicalSessionGuard(const GraphicalSessionGuard &) = delete;
    GraphicalSessionGuard &operator=(const GraphicalSessionGuard &) = delete;
};

#endif // GRAPHICALSESSION_H
