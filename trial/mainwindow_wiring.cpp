#include "app/mainwindow.h"

#include "trial/subjectwindow.h"

#include <QLineEdit>

void MainWindow::pushButtonGo_clicked()
{
    setEnabled(false);
    // The trials were laid out for the count of the preparation; a count typed
    // since then would be recorded in the parameters file but never run.
    lineEditNTimes->setText(QString::number(nTimesSession));
    readParameters();

    // The window of the last session is closed and no longer read; deleting it
    // also cuts its connections, so nothing of that session reaches this one.
    delete subjectWindow;
    subjectWindow = new SubjectWindow(this);

    connect(subjectWindow, SIGNAL(subjectResponded(int)), this, SLOT(updateMainwindow(int)));
    connect(subjectWindow, SIGNAL(subjectWindowClosed()), this, SLOT(refreshMainWindow()));
    connect(this, SIGNAL(soundPlaying(int)), subjectWindow, SLOT(updateSubjectWindow(int)));
    connect(this, SIGNAL(doneDataCollection(qreal, qreal, qint32)), subjectWindow,
            SLOT(finishExperiment(qreal, qreal, qint32)));
    connect(this, SIGNAL(deliverFeedBackStatus(bool)), subjectWindow,
            SLOT(receiveFeedBackStatus(bool)));
    connect(this, SIGNAL(deliverAutoPlayStatus(bool)), subjectWindow,
            SLOT(receiveAutoPlayStatus(bool)));
    connect(this, SIGNAL(deliverSubCode(QString)), subjectWindow, SLOT(receiveSubCode(QString)));
    connect(this, SIGNAL(deliverWavFileName(QString)), subjectWindow,
            SLOT(receiveWavFileName(QString)));

    emit deliverFeedBackStatus(parameters.feedBack);
    emit deliverAutoPlayStatus(parameters.autoPlay);
    emit deliverSubCode(parameters.subCode);

    subjectWindow->show();
    // The output opens now, while the listener reads the instructions, so
    // that its clock has settled by the first sound: the first trial is then
    // timed like every other. If it cannot open, the first sound tries again
    // and reports it.
    if (!soundOutput)
        startSessionOutput();
}
