#ifndef SUBJECTWINDOW_H
#define SUBJECTWINDOW_H

#include <QMainWindow>
#include <QString>

class QCloseEvent;
class QGridLayout;
class QLabel;
class QPushButton;

// The listener's window: "I am ready", then "Mother" / "Stranger" after each
// sound, optionally "Next" and feedback images, and "Done" at the end. Every
// click becomes a response code sent with subjectResponded(int).
class SubjectWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit SubjectWindow(QWidget *parent);
    ~SubjectWindow() override;

    QPushButton *pushButtonChoice2 = nullptr; // "Mother"
    QPushButton *pushButtonChoice4 = nullptr; // "Stranger"
    QPushButton *pushButtonIAmReady = nullptr;
    QPushButton *pushButtonNext = nullptr;
    QPushButton *pushButtonDone = nullptr;
    QLabel *labelResult = nullptr;
    QGridLayout *gridLayout = nullptr;
    QWidget *centralWidget = nullptr;
    bool feedBackStatus = false;
    bool autoPlayStatus = false;
    QString subCode;
    QString wavFileName;
    bool centerWindow = true;
    double windowWidthFraction = 0.4;
    double windowHeightFraction = 0.4;

    void disableAllChoiceButtons();
    void setWindowGeometry(bool center, double widthFraction, double heightFraction);
    void setupLayout();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // "Mother" or "Stranger" clicked: feedback on the chosen button, then the code.
    void answer(QPushButton *chosen, bool mother);

signals:
    void subjectResponded(int response);
    void subjectWindowClosed();

public slots:
    void pushButtonIAmReady_clicked();
    void receiveFeedBackStatus(bool feedbackstatus);
    void receiveAutoPlayStatus(bool autoplaytatus);
    void receiveSubCode(QString subcode);
    void receiveWavFileName(QString wavfilename);
    void pushButtonNext_clicked();
    void enableAllChoiceButtons();
    void updateSubjectWindow(int index);
    void pushButtonChoice2_clicked();
    void pushButtonChoice4_clicked();
    void finishExperiment(qreal threshold, qreal reactionTime, qint32 mainParameterIndex);
};

#endif // SUBJECTWINDOW_H
