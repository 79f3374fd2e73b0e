#ifndef IMAGEFOLDER_H
#define IMAGEFOLDER_H

#include <QString>
#include <QStringList>

// The subject window's style sheets name the feedback images "correct.png"
// and "incorrect.png" relative to the working directory. When the working
// directory lacks them, the first of the given folders that holds both becomes
// the working directory. Returns the folder the images are in, or an empty
// string (with a warning on the log) when no folder has them.
QString enterImageFolder(const QStringList &candidates);

#endif // IMAGEFOLDER_H
