#include "app/imagefolder.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The feedback images are looked up in the working directory: installed,
    // they are in share/tellwyn beside the bin folder; in a build folder, next
    // to the binary. Qt has read its own arguments by now, and every path the
    // program uses later is absolute.
    const QString binDir = QCoreApplication::applicationDirPath();
    enterImageFolder({ binDir + QStringLiteral("/" TELLWYN_DATA_FROM_BIN), binDir });
    MainWindow window;
    window.show();
    return app.exec();
}
