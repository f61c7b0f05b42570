#include "projectcreationdialog.h"

#include "ui_projectcreationdialog.h"

#include <QFileDialog>

ProjectCreationDialog::ProjectCreationDialog(QWidget* iParent)
    : QDialog(iParent), ui(new Ui_ProjectCreationDialog)
{
    ui->setupUi(this);
    connect(ui->pushButtonBrowseDirectory, SIGNAL(clicked()), this, SLOT(clickedButtonBrowseDirectory()));
    connect(ui->pushButtonOK, SIGNAL(clicked()), this, SLOT(clickedButtonOK()));
    connect(ui->pushButtonCancel, SIGNAL(clicked()), this, SLOT(clickedButtonCancel()));
}

ProjectCreationDialog::~ProjectCreationDialog()
{
    delete ui;
}

QString ProjectCreationDialog::getProjectFolderPath() const
{
    return ui->lineEditProjectFolder->text();
}

QString ProjectCreationDialog::getProjectName() const
{
    return ui->lineEditProjectName->text();
}

void ProjectCreationDialog::clickedButtonBrowseDirectory()
{
    const QString folderPath = QFileDialog::getExistingDirectory(this, tr("ProjectFolder"),
                                                                 ui->lineEditProjectFolder->text(),
                                                                 QFileDialog::ShowDirsOnly);
    if (!folderPath.isEmpty())
        ui->lineEditProjectFolder->setText(folderPath);
}

void ProjectCreationDialog::clickedButtonOK()
{
    accept();
}

void ProjectCreationDialog::clickedButtonCancel()
{
    reject();
}
