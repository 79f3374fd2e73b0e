#include "app/mainwindow.h"

#include "trial/resultfiles.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

bool MainWindow::saveDataFiles(SessionParameters &session, const QVector<TrialTiming> &timings)
{
    QDir().mkpath(session.outputFilePath);

    // The results exist only in memory until written: neither a cancelled
    // dialog nor a file that cannot be written loses them without a question.
    forever {
        const QString path = askForRecordsFile(session);
        if (path.isEmpty())
            return true; // the experimenter chose to discard the results
        const int failed = writeResultFiles(path, session, timings);
        if (failed == 0)
            return true;
        const QMessageBox::StandardButton again =
                QMessageBox::question(this, QStringLiteral("Question"),
                                      tr("%1 of the 4 result files could not be written.\n"
                                         "Do you want to save the results again in another place?")
                                              .arg(failed),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (again != QMessageBox::Yes)
            return false;
    }
}

QString MainWindow::askForRecordsFile(const SessionParameters &p)
{
    forever {
        QString selectedFilter = tr("Text files (*.txt)");
        const QString path = QFileDialog::getSaveFileName(
                this, tr("Save a file"), p.outputFilePath + QLatin1Char('/') + p.outputFileName,
                tr("All files (*.*);; Text files (*.txt)"), &selectedFilter,
                QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty())
            return path;
        const QMessageBox::StandardButton discard = QMessageBox::question(
                this, QStringLiteral("Question"),
                tr("No file was chosen.\nDo you want to discard the results of this session?"),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (discard == QMessageBox::Yes)
            return QString();
    }
}

int MainWindow::writeResultFiles(const QString &path, SessionParameters &p,
                                 const QVector<TrialTiming> &timings)
{
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
        // Beside them, named after the records file like the others; the
        // parameters file keeps its lines and does not name it.
        { timingFileName(p.outputFileName), timingFileText(timings) },
    };
    int failed = 0;
    for (const auto &file : files) {
        const QString error = writeWholeTextFile(folder.filePath(file.first), file.second);
        if (!error.isEmpty()) {
            ++failed;
            qWarning().noquote() << "Cannot write" << folder.filePath(file.first) << ":" << error;
            QMessageBox::warning(this, QStringLiteral("Warning"),
                                 writeFailureMessage(p.outputFilePath, file.first),
                                 QMessageBox::Ok);
        }
    }
    return failed;
}
