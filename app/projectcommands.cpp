#include "projectcommands.h"

#include "projectcreationdialog.h"
#include "projectoperator.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

#include <iostream>
#include <string>

namespace {

QString FL_toQString(const std::string& iText)
{
    return QString::fromStdString(iText);
}

} // namespace

namespace projectcommand {

bool createNewProject(QWidget* iWindow, ProjectOperator* iProjectOperator)
{
    // A fresh dialog for every use, gone once it has been read.
    ProjectCreationDialog dialog(iWindow);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return createNewProject(iWindow, iProjectOperator, dialog.getProjectFolderPath(), dialog.getProjectName());
}

bool createNewProject(QWidget* iWindow, ProjectOperator* iProjectOperator, const QString& iFolderPath,
                      const QString& iName)
{
    const std::string folderPath = iFolderPath.toStdString();
    const std::string name = iName.toStdString();
    std::string errorMessage;
    // Closing does not save: the open project is given up only for one that can be made.
    if (iProjectOperator->checkNewProject(folderPath, name, errorMessage)) {
        iProjectOperator->close(errorMessage);
        if (iProjectOperator->createNewProject(folderPath, name, errorMessage))
            return true;
    }
    QMessageBox::information(iWindow, QCoreApplication::translate("MainWindow", "Error()"),
                             FL_toQString(errorMessage), QMessageBox::Ok);
    return false;
}

bool openProject(QWidget* iWindow, ProjectOperator* iProjectOperator)
{
    const QString filePath =
        QFileDialog::getOpenFileName(iWindow, QCoreApplication::translate("MainWindow", "Open File"), QString(),
                                     QCoreApplication::translate("MainWindow", "BrightglassProject File (*.bgp)"));
    if (filePath.isEmpty())
        return false;
    return openProject(iWindow, iProjectOperator, filePath);
}

bool openProject(QWidget* iWindow, ProjectOperator* iProjectOperator, const QString& iFilePath)
{
    std::string errorMessage;
    iProjectOperator->close(errorMessage);
    if (iProjectOperator->open(iFilePath.toStdString(), errorMessage)) {
        QMessageBox::information(iWindow, QCoreApplication::translate("MainWindow", "File Open"),
                                 QCoreApplication::translate("MainWindow", "Opened Project File."));
        return true;
    }
    QMessageBox::warning(iWindow, QCoreApplication::translate("MainWindow", "File Open Error!!"),
                         FL_toQString(errorMessage));
    std::cout << errorMessage << std::endl;
    // The failed open may have filled the managers in part.
    iProjectOperator->close(errorMessage);
    return false;
}

bool saveProject(QWidget* iWindow, ProjectOperator* iProjectOperator)
{
    std::string errorMessage;
    if (iProjectOperator->save(errorMessage))
        return true;
    QMessageBox::warning(iWindow, QCoreApplication::translate("MainWindow", "Error"), FL_toQString(errorMessage));
    return false;
}

} // namespace projectcommand
