#include "app/mainwindow.h"
#include "sound/tokenfolder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

const int kPracticeIndex = 0;
const int kExperimentIndex = 1;
const qint64 kMaxTrials = 1000000;
const int kMaxListedProblems = 20;

// The problem lines of a check, shortened for a message box.
QString problemList(const QStringList &problems)
{
    QStringList shown = problems.mid(0, kMaxListedProblems);
    if (problems.size() > kMaxListedProblems)
        shown.append(QObject::tr("... and %1 more").arg(problems.size() - kMaxListedProblems));
    return shown.join(QLatin1Char('\n'));
}

} // namespace

void MainWindow::pushButtonPractice_clicked()
{
    prepareFromButton(kPracticeIndex);
}

void MainWindow::pushButtonExperiment_clicked()
{
    prepareFromButton(kExperimentIndex);
}

void MainWindow::prepareFromButton(int sesTypeIndex)
{
    const int count = lineEditNTimes->text().toInt(nullptr, 10);
    if (count <= 0) {
        QMessageBox::warning(this, tr("Warning"),
                             tr("\"N times per token\" must be a whole number of 1 or "
                                "more.\nNo session was prepared."));
        return;
    }
    parameters.nTimes = count;
    nTimesSession = count;
    comboBoxSesType->setCurrentIndex(sesTypeIndex);
    prepareSession();
    pushButtonPractice->setEnabled(true);
    pushButtonExperiment->setEnabled(sesTypeIndex == kExperimentIndex);
    pushButtonGo->setEnabled(nTokens >= 1);
}

void MainWindow::prepareSession()
{
    SessionParameters &p = parameters;
    auto discardSession = [this, &p]() {
        p.tokens.clear();
        p.entries.clear();
        trials.prepare({});
        nTokens = 0;
    };
    discardSession();
    currentWavFile.clear();
    currentTokenIndex = 0;
    p.sesTypeIndex = comboBoxSesType->currentIndex();
    readParameters();
    selectWavFolder();
    if (nTokens == 0)
        return;

    if (static_cast<qint64>(nTimesSession) * nTokens > kMaxTrials) {
        QMessageBox::warning(this, tr("Warning"),
                             tr("%1 tokens times %2 repetitions is more than %3 trials.\n"
                                "No session was prepared.")
                                     .arg(nTokens)
                                     .arg(nTimesSession)
                                     .arg(kMaxTrials));
        discardSession();
        return;
    }

    const TokenCheck check = checkTokens(p.wavFilePath, p.tokens);
    if (!check.ready()) {
        QMessageBox::warning(this, tr("Warning"),
                             tr("These sound files in %1 cannot be used in a session:\n\n%2\n\n"
                                "Mend or remove them, then prepare the session again.")
                                     .arg(p.wavFilePath, problemList(check.problems())));
        discardSession();
        return;
    }

    // Tokens play at their own rate, or the voice itself would change.
    if (check.commonRate != p.fs) {
        p.fs = check.commonRate;
        lineEditFs->setText(QString::number(p.fs, 'g', 6));
        audioFormat.setSampleRate(static_cast<int>(p.fs));
        checkAudioFormat();
    }

    createStimOrder();
    if (!loadCurrentToken()) {
        QMessageBox::warning(this, tr("Warning"),
                             tr("The sound file %1 could not be read.\nNo session was prepared.")
                                     .arg(currentWavFile));
        discardSession();
        return;
    }
    plotWaveform();
    computeSpectrum();
    plotSpectrum();
    plotTrend();
    displayWavFileInfo();
    displayStatus();
}

void MainWindow::displayWavFileInfo()
{
    lineEditWavFilePath->setText(parameters.wavFilePath);
    const QVector<TokenRecord> &tokens = parameters.tokens;
    if (currentTokenIndex >= 0 && currentTokenIndex < tokens.size())
        lineEditWavFileName->setText(tokens[currentTokenIndex].fileName);
}

void MainWindow::displayStatus()
{
    lineEditStatus->setText(parameters.sesTypeNames.value(comboBoxSesType->currentIndex())
                            + QLatin1Char(' ') + QString::number(trials.nextTrial() + 1)
                            + QLatin1Char('/') + QString::number(trials.size()));
}
