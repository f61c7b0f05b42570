#include "objectpropertydialog.h"

#include "pointcloudmanager.h"
#ifndef BRENMOOR
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "measuremanager.h"
#include "polygonmanager.h"
#endif
#include "scene.h"
#include "ui_objectpropertydialog.h"

#include <QLabel>
#include <QLayoutItem>
#include <QVBoxLayout>

namespace
{
// The manager itself when selected, else its first selected child.
Object3D* FL_chooseIn(Object3D* iManager)
{
    if (iManager->hasState(Object3D::Selected))
        return iManager;
    for (unsigned i = 0; i < iManager->getObjectSetSize(); ++i) {
        Object3D* child = iManager->getObject(static_cast<int>(i));
        if (child && child->hasState(Object3D::Selected))
            return child;
    }
    return nullptr;
}
} // namespace

ObjectPropertyDialog::ObjectPropertyDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_ObjectPropertyDialog)
{
    ui->setupUi(this);
}

ObjectPropertyDialog::~ObjectPropertyDialog()
{
    delete ui;
}

void ObjectPropertyDialog::setModel(Scene* iScene)
{
    if (isVisible())
        disconnectObject();
    scene = iScene;
    if (isVisible() && scene) {
        rebuildUI();
        connectObject();
    }
}

bool ObjectPropertyDialog::hasModel() const
{
    return scene != nullptr;
}

Object3D* ObjectPropertyDialog::getTarget() const
{
    return mTarget.data();
}

void ObjectPropertyDialog::setVisible(bool iVisible)
{
    if (iVisible) {
        rebuildUI();
        connectObject();
    } else {
        disconnectObject();
    }
    QDialog::setVisible(iVisible);
}

void ObjectPropertyDialog::connectObject()
{
    if (!scene)
        return;
    connect(scene.data(), SIGNAL(changedValue()), this, SLOT(rebuildUI()), Qt::UniqueConnection);
    connect(scene.data(), SIGNAL(changedStructure()), this, SLOT(rebuildUI()), Qt::UniqueConnection);
#ifdef BRENMOOR
    // The editor's scene does not relay its clouds' changes, the selection among them.
    connect(scene->getPointCloudManager(), SIGNAL(changedValue()), this, SLOT(rebuildUI()), Qt::UniqueConnection);
#endif
}

void ObjectPropertyDialog::disconnectObject()
{
    if (!scene)
        return;
    disconnect(scene.data(), SIGNAL(changedValue()), this, SLOT(rebuildUI()));
    disconnect(scene.data(), SIGNAL(changedStructure()), this, SLOT(rebuildUI()));
#ifdef BRENMOOR
    disconnect(scene->getPointCloudManager(), SIGNAL(changedValue()), this, SLOT(rebuildUI()));
#endif
}

Object3D* ObjectPropertyDialog::chooseTarget() const
{
#ifdef BRENMOOR
    // The editor's scene holds point clouds only.
    return FL_chooseIn(scene->getPointCloudManager());
#else
    Object3D* const owners[] = {scene->getPointCloudManager(), scene->getPolygonManager(),
                                scene->getMeasureManager(), scene->getCommentManager(),
                                scene->getCameraPathManager()};
    for (Object3D* manager : owners)
        if (Object3D* chosen = FL_chooseIn(manager))
            return chosen;
    ClipBox* clipBox = scene->getClipBox();
    return clipBox->hasState(Object3D::Selected) ? clipBox : nullptr;
#endif
}

void ObjectPropertyDialog::rebuildUI()
{
    if (!scene)
        return;
    Object3D* chosen = chooseTarget();
    // The shown panel's object was deleted: its panel goes whatever comes next.
    const bool targetGone = mShowsPanel && mTarget.isNull();
    // Nothing chosen yet (no content laid out) and nothing to choose: the dialog stays empty.
    if (!targetGone && chosen == mTarget.data() && (layout() != nullptr || chosen == nullptr))
        return;
    mTarget = chosen;
    QWidget* content = chosen ? chosen->createUI() : nullptr;
    mShowsPanel = content != nullptr;
    if (!content)
        content = new QLabel(QStringLiteral("Non-Support Object Type..."));
    setWidget(content);
}

void ObjectPropertyDialog::setWidget(QWidget* iWidget)
{
    if (QLayout* old = layout()) {
        while (QLayoutItem* item = old->takeAt(0)) {
            if (QWidget* widget = item->widget()) {
                widget->hide();
                widget->deleteLater();
            }
            delete item;
        }
        delete old;
    }
    QVBoxLayout* content = new QVBoxLayout(this);
    if (iWidget) {
        content->addWidget(iWidget);
        // Shown at once, not at the layout's next pass: the panel follows its object from now on.
        if (isVisible())
            iWidget->show();
    }
}
