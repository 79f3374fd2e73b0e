#include "app/mainwindow.h"

#include <QDebug>
#include <QDir>
#include <QMessageBox>

namespace {

// Not modal: the subject's window must stay usable, the session goes on.
void warnJournalFailed(const QString &folder, const QString &reason)
{
    qWarning() << "The session journal cannot be written in" << folder << ":" << reason;
    auto *box = new QMessageBox(
            QMessageBox::Warning, QStringLiteral("Warning"),
            QObject::tr("The answers of this session cannot be written to the journal in\n%1\n"
                        "(%2)\n\n"
                        "The session goes on and its results are saved at its end as usual, "
                        "but a crash now would lose them.")
                    .arg(QDir::toNativeSeparators(folder), reason),
            QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString recoveryQuestion(const RecoveredSession &s)
{
    const SessionParameters &p = s.parameters;
    QString text =
            QObject::tr("A session ended unexpectedly before its results were saved.\n\n"
                        "Subject: %1\nSession: %2 %3, started %4\nAnswers: %5 of %6 trials\n")
                    .arg(p.subCode, p.sesTypeNames.value(p.sesTypeIndex))
                    .arg(p.sesNum)
                    .arg(s.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                    .arg(s.answers)
                    .arg(s.trials);
    if (s.damagedLines > 0)
        text += QObject::tr("(damaged lines of its journal, left out: %1)\n").arg(s.damagedLines);
    return text
            + QObject::tr("\nDo you want to save these answers now? With No they are kept and "
                          "offered again at the next start.");
}

} // namespace

void MainWindow::startJournal()
{
    journal.close(); // a journal kept after a failed save stays for recovery
    if (!parameters.saveData)
        return; // nothing of this session is to be saved, so nothing is kept
    if (const QString error = journal.start(journalFolder(), parameters); !error.isEmpty())
        warnJournalFailed(journalFolder(), error);
}

void MainWindow::journalAnswer(int entryIndex)
{
    const int trial = entryIndex + 1;
    if (!journal.isWritable())
        return;
    const QString error =
            journal.append(trial, parameters.entries[entryIndex], timingOfTrial(trial));
    if (!error.isEmpty())
        warnJournalFailed(journalFolder(), error);
}

void MainWindow::endJournal(bool settled)
{
    if (settled)
        journal.remove();
    else
        journal.close(); // offered again at the next start
}

void MainWindow::recoverUnfinishedSessions()
{
    for (const QString &path : journalFiles(journalFolder())) {
        SessionJournal unfinished;
        if (!unfinished.adopt(path).isEmpty())
            continue; // a running Tellwyn is still writing it, or it cannot be read
        const RecoveredSession s = readJournal(path);
        if (s.answers == 0 && s.damagedLines == 0) {
            unfinished.remove(); // ended before the first answer: nothing to save
            continue;
        }
        if (!s.ok()) {
            QMessageBox::warning(this, QStringLiteral("Warning"),
                                 tr("A session ended unexpectedly, but its journal\n%1\ncannot be "
                                    "read: %2.\nIt is left where it is.")
                                         .arg(QDir::toNativeSeparators(path), s.error),
                                 QMessageBox::Ok);
            continue;
        }
        if (QMessageBox::question(this, QStringLiteral("Question"), recoveryQuestion(s),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            != QMessageBox::Yes)
            continue;
        // Saved the way the session's own end saves; the window's own session
        // stays as it is.
        SessionParameters recovered = s.parameters;
        if (saveDataFiles(recovered, s.timings))
            unfinished.remove();
    }
}
