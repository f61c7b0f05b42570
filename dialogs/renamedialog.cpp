#include "renamedialog.h"

#include "ui_renamedialog.h"

RenameDialog::RenameDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_RenameDialog)
{
    ui->setupUi(this);
    connect(ui->lineEdit, SIGNAL(textChanged(QString)), this, SLOT(checkName(QString)));
    connect(ui->pushButtonOK, SIGNAL(clicked()), this, SLOT(accept()));
    connect(ui->pushButtonCancel, SIGNAL(clicked()), this, SLOT(reject()));
}

RenameDialog::~RenameDialog()
{
    delete ui;
}

bool RenameDialog::getName(std::string* ioName, const std::vector<std::string>* iUsedNames)
{
    RenameDialog dialog(nullptr);
    if (iUsedNames)
        dialog.usedNames = *iUsedNames;
    dialog.setName(*ioName);
    const int result = dialog.exec();
    *ioName = dialog.getName();
    return result == QDialog::Accepted;
}

void RenameDialog::setName(const std::string& iName)
{
    const QString name = QString::fromUtf8(iName.c_str());
    // An unchanged text raises no textChanged; without the check a dialog opened on an empty
    // name would offer OK for it.
    if (ui->lineEdit->text() == name)
        checkName(name);
    else
        ui->lineEdit->setText(name);
}

std::string RenameDialog::getName() const
{
    return ui->lineEdit->text().toUtf8().toStdString();
}

void RenameDialog::checkName(const QString& iName)
{
    const std::string name = iName.toUtf8().toStdString();
    for (const std::string& usedName : usedNames) {
        if (name == usedName) {
            ui->pushButtonOK->setEnabled(false);
            ui->label->setText(tr("Named already..."));
            return;
        }
    }
    if (iName.isEmpty()) {
        ui->pushButtonOK->setEnabled(false);
        ui->label->setText(tr("Empty..."));
        return;
    }
    ui->pushButtonOK->setEnabled(true);
    ui->label->setText(tr("OK."));
}
