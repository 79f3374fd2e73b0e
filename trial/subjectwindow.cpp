#include "trial/subjectwindow.h"

#include "app/screenplacement.h"
#include "trial/scoring.h"
#include "trial/trialsequence.h"
#include "trial/subjectfeedback.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {
const int kNextMinimumHeight = 60;
const int kFullRowSpan = 4;
} // namespace

SubjectWindow::SubjectWindow(QWidget *parent) : QMainWindow(parent)
{
    pushButtonChoice2 = new QPushButton(tr("Mother"));
    pushButtonChoice4 = new QPushButton(tr("Stranger"));
    pushButtonIAmReady = new QPushButton(tr("I am ready"));
    pushButtonNext = new QPushButton(tr("Next"));
    pushButtonDone = new QPushButton(tr("Done"));
    labelResult = new QLabel(tr("Threshold = "));
    gridLayout = new QGridLayout;
    centralWidget = new QWidget;

    connect(pushButtonIAmReady, SIGNAL(clicked()), this, SLOT(pushButtonIAmReady_clicked()));
    connect(pushButtonNext, SIGNAL(clicked()), this, SLOT(pushButtonNext_clicked()));
    connect(pushButtonDone, SIGNAL(clicked()), this, SLOT(close()));
    connect(pushButtonChoice2, SIGNAL(clicked()), this, SLOT(pushButtonChoice2_clicked()));
    connect(pushButtonChoice4, SIGNAL(clicked()), this, SLOT(pushButtonChoice4_clicked()));

    setupLayout();
}

SubjectWindow::~SubjectWindow()
{
    delete pushButtonChoice2;
    delete pushButtonChoice4;
    delete pushButtonIAmReady;
    delete pushButtonNext;
    delete pushButtonDone;
    delete labelResult;
    delete gridLayout;
    delete centralWidget;
}

void SubjectWindow::setWindowGeometry(bool center, double widthFraction, double heightFraction)
{
    placeOnPrimaryScreen(*this, center, widthFraction, heightFraction);
}

void SubjectWindow::setupLayout()
{
    setWindowGeometry(centerWindow, windowWidthFraction, windowHeightFraction);
    setWindowTitle(QStringLiteral("Orlin Lab | Tellwyn (v09) | Subject Window"));

    gridLayout->addWidget(pushButtonChoice2, 0, 0, 1, 1);
    gridLayout->addWidget(pushButtonChoice4, 0, 1, 1, 1);
    gridLayout->addWidget(labelResult, 1, 0, 1, kFullRowSpan);
    gridLayout->addWidget(pushButtonIAmReady, 2, 0, 1, kFullRowSpan);
    gridLayout->addWidget(pushButtonNext, 3, 0, 1, kFullRowSpan);
    gridLayout->addWidget(pushButtonDone, 4, 0, 1, kFullRowSpan);
    centralWidget->setLayout(gridLayout);
    setCentralWidget(centralWidget);

    pushButtonChoice2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pushButtonChoice4->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pushButtonNext->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    pushButtonNext->setMinimumHeight(kNextMinimumHeight);
    labelResult->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    labelResult->setAlignment(Qt::AlignHCenter);
    labelResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    pushButtonChoice2->hide();
    pushButtonChoice4->hide();
    pushButtonNext->hide();
    pushButtonDone->hide();
    labelResult->hide();
    pushButtonIAmReady->show();
}

void SubjectWindow::closeEvent(QCloseEvent *event)
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Confirmation MessageBox"),
            tr("Do you want to close this window?\n"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Yes) {
        emit subjectWindowClosed();
        event->accept();
    } else {
        event->ignore();
    }
}

void SubjectWindow::pushButtonIAmReady_clicked()
{
    setEnabled(false);
    disableAllChoiceButtons();
    pushButtonChoice2->show();
    pushButtonChoice4->show();
    pushButtonIAmReady->hide();
    pushButtonNext->setVisible(feedBackStatus);
    pushButtonDone->hide();
    emit subjectResponded(ResponseReady);
}

void SubjectWindow::receiveFeedBackStatus(bool feedbackstatus)
{
    feedBackStatus = feedbackstatus;
}

void SubjectWindow::receiveAutoPlayStatus(bool autoplaytatus)
{
    autoPlayStatus = autoplaytatus;
}

void SubjectWindow::receiveSubCode(QString subcode)
{
    subCode = subcode;
}

void SubjectWindow::receiveWavFileName(QString wavfilename)
{
    wavFileName = wavfilename;
}

void SubjectWindow::pushButtonNext_clicked()
{
    setEnabled(false);
    disableAllChoiceButtons();
    pushButtonChoice2->show();
    pushButtonChoice4->show();
    pushButtonIAmReady->hide();
    pushButtonNext->show();
    pushButtonDone->hide();
    emit subjectResponded(ResponseNext);
}

void SubjectWindow::enableAllChoiceButtons()
{
    pushButtonChoice2->setEnabled(true);
    pushButtonChoice4->setEnabled(true);
}

void SubjectWindow::disableAllChoiceButtons()
{
    pushButtonChoice2->setEnabled(false);
    pushButtonChoice4->setEnabled(false);
}

void SubjectWindow::updateSubjectWindow(int index)
{
    setEnabled(false);
    disableAllChoiceButtons();
    if (index != -1)
        return; // a sound is playing: nothing can be answered yet

    pushButtonChoice2->setStyleSheet(answerReadyStyleSheet());
    pushButtonChoice4->setStyleSheet(answerReadyStyleSheet());
    enableAllChoiceButtons();
    setEnabled(true);
    if (autoPlayStatus) {
        pushButtonNext->hide();
    } else {
        pushButtonNext->show();
        pushButtonNext->setEnabled(false);
    }
}

void SubjectWindow::pushButtonChoice2_clicked()
{
    answer(pushButtonChoice2, true);
}

void SubjectWindow::pushButtonChoice4_clicked()
{
    answer(pushButtonChoice4, false);
}

void SubjectWindow::answer(QPushButton *chosen, bool mother)
{
    disableAllChoiceButtons();
    pushButtonNext->setEnabled(true);
    if (feedBackStatus)
        chosen->setStyleSheet(feedbackStyleSheet(isRightAnswer(mother, wavFileName, subCode)));
    emit subjectResponded(mother ? ResponseMother : ResponseStranger);
}

void SubjectWindow::finishExperiment(qreal threshold, qreal reactionTime, qint32 mainParameterIndex)
{
    pushButtonChoice2->setVisible(feedBackStatus);
    pushButtonChoice4->setVisible(feedBackStatus);
    pushButtonNext->hide();
    labelResult->setText(resultText(threshold, reactionTime, mainParameterIndex));
    pushButtonDone->show();
    setEnabled(true);
}
