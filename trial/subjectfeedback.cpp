#include "trial/subjectfeedback.h"

namespace {
const char kReadyStyle[] =
        "QPushButton:hover {background-color: rgb(0, 255, 255); border: 1px solid blue;}";
const char kRightStyle[] = "QPushButton {    background-image: url(correct.png);    "
                           "background-repeat: no-repeat;    background-position: center;}"
                           "QPushButton:hover {    background-color: rgb(0, 255, 255);    "
                           "border: 1px solid blue;}";
const char kWrongStyle[] = "QPushButton {    background-image: url(incorrect.png);    "
                           "background-repeat: no-repeat;    background-position: center;}"
                           "QPushButton:hover {    background-color: rgb(0, 255, 255);    "
                           "border: 1px solid blue;}";
const int kFrequencyDifference = 0;
const int kModulationThreshold = 1;
const double kPercent = 100.0;
const int kDigits = 6;
} // namespace

QString answerReadyStyleSheet()
{
    return QString::fromLatin1(kReadyStyle);
}

QString feedbackStyleSheet(bool rightAnswer)
{
    return QString::fromLatin1(rightAnswer ? kRightStyle : kWrongStyle);
}

QString resultText(double threshold, double reactionTimeMs, int mainParameterIndex)
{
    QString prefix;
    if (mainParameterIndex == kFrequencyDifference)
        prefix = QStringLiteral("Frequency Difference = ");
    else if (mainParameterIndex == kModulationThreshold)
        prefix = QStringLiteral("Modulation Threshold = ");
    return prefix + QString::number(threshold * kPercent, 'g', kDigits)
            + QStringLiteral(" %,   Reaction Time = ")
            + QString::number(reactionTimeMs, 'g', kDigits) + QStringLiteral(" ms");
}
