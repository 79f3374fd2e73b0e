#ifndef SUBJECTFEEDBACK_H
#define SUBJECTFEEDBACK_H

#include <QString>

// Style sheets of the subject's answer buttons: ready for an answer (hover
// highlight, no image), and after an answer with the right- or wrong-answer
// image (correct.png / incorrect.png, relative to the working directory).
QString answerReadyStyleSheet();
QString feedbackStyleSheet(bool rightAnswer);

// The end-of-session text: a prefix chosen by the main parameter (frequency
// difference, modulation threshold, none), the threshold as a percentage and
// the reaction time, both printed as %g with 6 significant digits.
QString resultText(double threshold, double reactionTimeMs, int mainParameterIndex);

#endif // SUBJECTFEEDBACK_H
