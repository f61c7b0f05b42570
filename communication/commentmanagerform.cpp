#include "commentmanagerform.h"

#include "commentmanager.h"
#include "formfunction.h"
#include "ui_commentmanagerform.h"

CommentManagerForm::CommentManagerForm(QWidget* iParent) : ObjectPanel(iParent), ui(new Ui_CommentManagerForm)
{
    ui->setupUi(this);
    ui->pushButtonTitleColor->setAutoFillBackground(true);
    ui->pushButtonTextColor->setAutoFillBackground(true);
    ui->pushButtonLineColor->setAutoFillBackground(true);
}

CommentManagerForm::~CommentManagerForm()
{
    delete ui;
}

void CommentManagerForm::setTarget(CommentManager* iTarget)
{
    setPanelTarget(iTarget);
}

CommentManager* CommentManagerForm::target() const
{
    return static_cast<CommentManager*>(panelTarget());
}

void CommentManagerForm::refresh()
{
    updateUI();
}

void CommentManagerForm::connectUI()
{
    connect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()), Qt::UniqueConnection);
    connect(ui->spinBoxCharacterSize, SIGNAL(valueChanged(int)), this, SLOT(changeCharacterSize()),
            Qt::UniqueConnection);
    connect(ui->pushButtonTitleColor, SIGNAL(clicked()), this, SLOT(changeTitleColor()), Qt::UniqueConnection);
    connect(ui->pushButtonTextColor, SIGNAL(clicked()), this, SLOT(changeTextColor()), Qt::UniqueConnection);
    connect(ui->spinBoxLineWidth, SIGNAL(valueChanged(int)), this, SLOT(changeLineWidth()), Qt::UniqueConnection);
    connect(ui->pushButtonLineColor, SIGNAL(clicked()), this, SLOT(changeLineColor()), Qt::UniqueConnection);
}

void CommentManagerForm::disconnectUI()
{
    disconnect(ui->checkBoxVisible, SIGNAL(clicked()), this, SLOT(changedVisibility()));
    disconnect(ui->spinBoxCharacterSize, SIGNAL(valueChanged(int)), this, SLOT(changeCharacterSize()));
    disconnect(ui->pushButtonTitleColor, SIGNAL(clicked()), this, SLOT(changeTitleColor()));
    disconnect(ui->pushButtonTextColor, SIGNAL(clicked()), this, SLOT(changeTextColor()));
    disconnect(ui->spinBoxLineWidth, SIGNAL(valueChanged(int)), this, SLOT(changeLineWidth()));
    disconnect(ui->pushButtonLineColor, SIGNAL(clicked()), this, SLOT(changeLineColor()));
}

void CommentManagerForm::enableUI(bool iEnabled)
{
    ui->spinBoxCharacterSize->setEnabled(iEnabled);
    ui->pushButtonTitleColor->setEnabled(iEnabled);
    ui->pushButtonTextColor->setEnabled(iEnabled);
    ui->spinBoxLineWidth->setEnabled(iEnabled);
    ui->pushButtonLineColor->setEnabled(iEnabled);
}

void CommentManagerForm::updateUI()
{
    if (!target()) {
        enableUI(false);
        return;
    }
    enableUI(true);
    disconnectUI();

    ui->checkBoxVisible->setChecked(target()->hasState(Object3D::Visible));
    ui->spinBoxCharacterSize->setValue(target()->getCharSize());
    setButtonColor(ui->pushButtonTitleColor, target()->getTitleColor());
    setButtonColor(ui->pushButtonTextColor, target()->getTextColor());
    ui->spinBoxLineWidth->setValue(target()->getLineWidth());
    setButtonColor(ui->pushButtonLineColor, target()->getLineColor());

    connectUI();
}

void CommentManagerForm::changedVisibility()
{
    if (!target())
        return;
    target()->setState(Object3D::Visible, ui->checkBoxVisible->isChecked());
}

void CommentManagerForm::changeCharacterSize()
{
    if (target())
        target()->setCharSize(ui->spinBoxCharacterSize->value());
}

void CommentManagerForm::changeTitleColor()
{
    Color color;
    // The manager may go while the dialog runs.
    if (target() && chooseColor(target()->getTitleColor(), &color) && target())
        target()->setTitleColor(color);
}

void CommentManagerForm::changeTextColor()
{
    Color color;
    if (target() && chooseColor(target()->getTextColor(), &color) && target())
        target()->setTextColor(color);
}

void CommentManagerForm::changeLineWidth()
{
    if (target())
        target()->setLineWidth(ui->spinBoxLineWidth->value());
}

void CommentManagerForm::changeLineColor()
{
    Color color;
    if (target() && chooseColor(target()->getLineColor(), &color) && target())
        target()->setLineColor(color);
}

QWidget* CommentManager::createUI()
{
    CommentManagerForm* form = new CommentManagerForm(nullptr);
    form->setTarget(this);
    return form;
}
