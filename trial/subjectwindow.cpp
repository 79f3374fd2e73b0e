#include "trial/subjectwindow.h"

#include <QCloseEvent>

// Placeholder until the subject window lands.
SubjectWindow::SubjectWindow(QWidget *parent) : QMainWindow(parent) { }
SubjectWindow::~SubjectWindow() = default;
void SubjectWindow::disableAllChoiceButtons() { }
void SubjectWindow::setWindowGeometry(bool, double, double) { }
void SubjectWindow::setupLayout() { }
void SubjectWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
}
void SubjectWindow::pushButtonIAmReady_clicked() { }
void SubjectWindow::receiveFeedBackStatus(bool) { }
void SubjectWindow::receiveAutoPlayStatus(bool) { }
void SubjectWindow::receiveSubCode(QString) { }
void SubjectWindow::receiveWavFileName(QString) { }
void SubjectWindow::pushButtonNext_clicked() { }
void SubjectWindow::enableAllChoiceButtons() { }
void SubjectWindow::updateSubjectWindow(int) { }
void SubjectWindow::pushButtonChoice2_clicked() { }
void SubjectWindow::pushButtonChoice4_clicked() { }
void SubjectWindow::finishExperiment(qreal, qreal, qint32) { }
