#include "app/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <cmath>

void MainWindow::readParameters()
{
    SessionParameters &p = parameters;
    p.sesTypeIndex = comboBoxSesType->currentIndex();
    p.soundTypeIndex = comboBoxSoundType->currentIndex();
    p.mainParameterIndex = comboBoxMainParameter->currentIndex();
    p.fs = lineEditFs->text().toDouble();
    p.soundDuration = lineEditSoundDuration->text().toDouble() / 1000;
    p.si = lineEditSi->text().toDouble() / 1000;
    p.saveData = checkBoxSaveData->isChecked();
    p.wavFilePath = lineEditWavFilePath->text();
    p.wavFileName = lineEditWavFileName->text();
    p.subCode = lineEditSubCode->text();
    p.sesNum = lineEditSesNum->text().toInt(nullptr, 10);
    p.nTimes = lineEditNTimes->text().toInt(nullptr, 10);
    p.feedBack = checkBoxFeedBack->isChecked();
    p.autoPlay = checkBoxAutoPlay->isChecked();
    p.outputFilePath = outputFolderFor(p.desktopPath, p.subCode);
    p.outputFileName = lineEditOutputFileName->text();
    p.nSamples = static_cast<int>(std::floor(p.fs * p.soundDuration));
    adjustPlotLength();
}

void MainWindow::adjustPlotLength()
{
    applyPlotLengthRule(parameters);
}

void MainWindow::updateOutputFilePath()
{
    parameters.outputFilePath = outputFolderFor(parameters.desktopPath, parameters.subCode);
    lineEditOutputFilePath->setText(parameters.outputFilePath);
}

void MainWindow::updateOutputFileName()
{
    const SessionParameters &p = parameters;
    parameters.outputFileName =
            outputFileNameFor(p.subCode, p.sesTypeNames.value(p.sesTypeIndex), p.sesNum);
    lineEditOutputFileName->setText(parameters.outputFileName);
}
