#include "scenedialog.h"

#include "background.h"
#include "formfunction.h"
#include "renderingtarget.h"
#include "ui_scenedialog.h"

#include <QCheckBox>
#include <QLayout>

SceneDialog::SceneDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_SceneDialog)
{
    ui->setupUi(this);
    initRenderingTarget();
    initBackground();
}

SceneDialog::~SceneDialog()
{
    delete ui;
}

void SceneDialog::initRenderingTarget()
{
    connect(ui->checkBoxRotationCenter, SIGNAL(clicked(bool)), this, SLOT(setVisibleRotationCenter(bool)));
    connect(ui->checkBoxOrigin, SIGNAL(clicked(bool)), this, SLOT(setVisibleOrigin(bool)));
#ifdef BRENMOOR
    checkBoxPointCloud = new QCheckBox(tr("Point Cloud"), ui->groupBoxRenderingTarget);
    checkBoxPointCloud->setObjectName(QStringLiteral("checkBoxPointCloud"));
    ui->groupBoxRenderingTarget->layout()->addWidget(checkBoxPointCloud);
    connect(checkBoxPointCloud, SIGNAL(clicked(bool)), this, SLOT(setVisiblePointCloud(bool)));
    resize(215, 279);
#endif
}

void SceneDialog::initBackground()
{
    for (int mode = Background::Uniform; mode <= Background::GradientInsideToOutside; ++mode)
        ui->comboBoxBackgroundMode->addItem(
            QString::fromUtf8(Background::toString(static_cast<Background::RenderingMode>(mode)).c_str()));
    connect(ui->comboBoxBackgroundMode, SIGNAL(activated(QString)), this, SLOT(setBackgroundMode(QString)));
    ui->pushButtonBackgroundColor1->setAutoFillBackground(true);
    ui->pushButtonBackgroundColor2->setAutoFillBackground(true);
    connect(ui->pushButtonBackgroundColor1, SIGNAL(clicked()), this, SLOT(changeBackgroundColor1()));
    connect(ui->pushButtonBackgroundColor2, SIGNAL(clicked()), this, SLOT(changeBackgroundColor2()));
}

void SceneDialog::setModel(RenderingTarget* iRenderingTarget, Background* iBackground)
{
    if (isVisible()) {
        disconnectRenderingTarget();
        disconnectBackground();
    }
    renderingTarget = iRenderingTarget;
    background = iBackground;
    if (isVisible() && hasModel()) {
        updateRenderingTarget();
        updateBackground();
        connectRenderingTarget();
        connectBackground();
    }
}

bool SceneDialog::hasModel() const
{
    return renderingTarget && background;
}

void SceneDialog::setVisible(bool iVisible)
{
    // Without a model it cannot be shown, but can always be hidden.
    if (!hasModel()) {
        if (!iVisible)
            QDialog::setVisible(false);
        return;
    }
    if (iVisible) {
        updateRenderingTarget();
        updateBackground();
        connectRenderingTarget();
        connectBackground();
    } else {
        disconnectRenderingTarget();
        disconnectBackground();
    }
    QDialog::setVisible(iVisible);
}

void SceneDialog::connectRenderingTarget()
{
    if (hasModel())
        connect(renderingTarget.data(), SIGNAL(changedValue()), this, SLOT(updateRenderingTarget()),
                Qt::UniqueConnection);
}

void SceneDialog::connectBackground()
{
    if (hasModel())
        connect(background.data(), SIGNAL(changedValue()), this, SLOT(updateBackground()), Qt::UniqueConnection);
}

void SceneDialog::disconnectRenderingTarget()
{
    if (renderingTarget)
        disconnect(renderingTarget.data(), SIGNAL(changedValue()), this, SLOT(updateRenderingTarget()));
}

void SceneDialog::disconnectBackground()
{
    if (background)
        disconnect(background.data(), SIGNAL(changedValue()), this, SLOT(updateBackground()));
}

void SceneDialog::updateRenderingTarget()
{
    if (!hasModel())
        return;
    ui->checkBoxRotationCenter->setChecked(renderingTarget->objectData.drawRotationCenterPoint);
    ui->checkBoxOrigin->setChecked(renderingTarget->objectData.drawOriginAxis);
#ifdef BRENMOOR
    checkBoxPointCloud->setChecked(renderingTarget->objectData.drawPointCloud);
#endif
}

void SceneDialog::setVisibleRotationCenter(bool iVisible)
{
    if (!hasModel())
        return;
    RenderingTarget::ObjectData data = renderingTarget->objectData;
    data.drawRotationCenterPoint = iVisible;
    renderingTarget->setObjectData(data);
}

void SceneDialog::setVisibleOrigin(bool iVisible)
{
    if (!hasModel())
        return;
    RenderingTarget::ObjectData data = renderingTarget->objectData;
    data.drawOriginAxis = iVisible;
    renderingTarget->setObjectData(data);
}

#ifdef BRENMOOR
void SceneDialog::setVisiblePointCloud(bool iVisible)
{
    if (!hasModel())
        return;
    RenderingTarget::ObjectData data = renderingTarget->objectData;
    data.drawPointCloud = iVisible;
    renderingTarget->setObjectData(data);
}
#endif

void SceneDialog::updateBackground()
{
    if (!hasModel())
        return;
    ui->comboBoxBackgroundMode->setCurrentIndex(background->getRenderingMode());
    setButtonColor(ui->pushButtonBackgroundColor1, background->getColor1());
    setButtonColor(ui->pushButtonBackgroundColor2, background->getColor2());
}

void SceneDialog::setBackgroundMode(QString)
{
    // The items stand in the modes' order.
    if (hasModel())
        background->setRenderingMode(
            static_cast<Background::RenderingMode>(ui->comboBoxBackgroundMode->currentIndex()));
}

void SceneDialog::changeBackgroundColor1()
{
    Color color;
    // The model may go while the dialog runs.
    if (hasModel() && chooseColor(background->getColor1(), &color) && hasModel())
        background->setColor1(color);
}

void SceneDialog::changeBackgroundColor2()
{
    Color color;
    if (hasModel() && chooseColor(background->getColor2(), &color) && hasModel())
        background->setColor2(color);
}
