#include "app/mainwindow.h"

#include "trial/resultfiles.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void MainWindow::saveDataFiles()
{
    SessionParameters &p = parameters;
    QDir().mkpath(p.outputFilePath);

    // A cancelled dialog would lose the session: ask before giving up.
    QString path;
    for (;;) {
        QString selectedFilter = tr("Text files (*.txt)");
        path = QFileDialog::getSaveFileName(this, tr("Save a file"),
                                            p.outputFilePath + QLatin1Char('/') + p.outputFileName,
                                            tr("All files (*.*);; Text files (*.txt)"),
                                            &selectedFilter, QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty())
            break;
        const QMessageBox::StandardButton discard = QMessageBox::question(
                this, QStringLiteral("Question"),
                tr("No file was chosen.\nDo you want to discard the results of this session?"),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (discard == QMessageBox::Yes)
            return;
    }

    const QFileInfo chosen(path);
    p.outputFilePath = chosen.path();
    p.outputFileName = chosen.fileName();
    QDir().mkpath(p.outputFilePath);
    p.outputFileName_entries = entriesFileName(p.outputFileName);
    p.outputFileName_parameters = parametersFileName(p.outputFileName);

    const QDir folder(p.outputFilePath);
    const QVector<QPair<QString, QString>> files = {
        { p.outputFileName, recordsFileText(p.tokens) },
        { p.outputFileName_entries, entriesFileText(p.entries) },
        { p.outputFileName_parameters, parametersFileText(p) },
    };
    for (const auto &file : files) {
        if (!writeWholeTextFile(folder.filePath(file.first), file.second))
            QMessageBox::warning(this, QStringLiteral("Warning"),
                                 writeFailureMessage(p.outputFilePath, file.first),
                                 QMessageBox::Ok);
    }
}
