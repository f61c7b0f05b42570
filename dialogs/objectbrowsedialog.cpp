#include "objectbrowsedialog.h"

#include "pointcloudmanager.h"
#ifndef BRENMOOR
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "measuremanager.h"
#endif
#include "scene.h"
#include "ui_objectbrowsedialog.h"

#include <QAction>
#include <QTreeWidgetItem>

#include <string>
#include <vector>

namespace
{

#ifdef BRENMOOR
// The editor's scene holds point clouds only.
constexpr int FL_MANAGER_NUMBER = 1;
#else
constexpr int FL_MANAGER_NUMBER = 4;
#endif

std::string FL_getObjectManagerType(int iIndex)
{
    switch (iIndex) {
    case 0: return "PointCloudManager";
    case 1: return "MeasureManager";
    case 2: return "CommentManager";
    case 3: return "CameraPathManager";
    default: return "UnknowenObjectTypeManager";
    }
}

std::string FL_getObjectType(int iIndex)
{
    switch (iIndex) {
    case 0: return "PointCloud";
    case 1: return "Measure";
    case 2: return "Comment";
    case 3: return "CameraPath";
    default: return "UnknowenObjectType";
    }
}

Object3D* FL_getManager(Scene* iScene, int iIndex)
{
    switch (iIndex) {
    case 0: return iScene->getPointCloudManager();
#ifndef BRENMOOR
    case 1: return iScene->getMeasureManager();
    case 2: return iScene->getCommentManager();
    case 3: return iScene->getCameraPathManager();
#endif
    default: return nullptr;
    }
}

} // namespace

ObjectBrowseDialog::ObjectBrowseDialog(QWidget* iParent) : QDialog(iParent), ui(new Ui_ObjectBrowseDialog)
{
    ui->setupUi(this);
    createActions();
    ui->treeWidgetObject->addAction(fitViewAct);
    ui->treeWidgetObject->addAction(deleteAct);
    ui->treeWidgetObject->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->treeWidgetObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mUpdateTimer.setInterval(33);
    connect(&mUpdateTimer, SIGNAL(timeout()), this, SLOT(checkFlag()));
}

ObjectBrowseDialog::~ObjectBrowseDialog()
{
    delete ui;
}

void ObjectBrowseDialog::createActions()
{
    fitViewAct = new QAction(tr("Fit View"), this);
    fitViewAct->setStatusTip(tr("Fit View to selected objects."));
    connect(fitViewAct, SIGNAL(triggered()), this, SLOT(fitView()));
    deleteAct = new QAction(tr("Delete Selected Objects"), this);
    deleteAct->setStatusTip(tr("Delete selected objects."));
    connect(deleteAct, SIGNAL(triggered()), this, SLOT(deleteData()));
}

void ObjectBrowseDialog::setModel(Scene* iScene)
{
    if (isVisible())
        disconnectObject();
    scene = iScene;
    if (isVisible() && scene) {
        rebuildObjectTree();
        connectObject();
    }
}

bool ObjectBrowseDialog::hasModel() const
{
    return scene != nullptr;
}

void ObjectBrowseDialog::enableFlag_UpdateObjectTree()
{
    mFlagUpdateObjectTree = true;
}

void ObjectBrowseDialog::enableFlag_RebuildObjectTree()
{
    mFlagRebuildObjectTree = true;
}

void ObjectBrowseDialog::checkFlag()
{
    if (mFlagRebuildObjectTree) {
        mFlagRebuildObjectTree = false;
        mFlagUpdateObjectTree = false;
        rebuildObjectTree();
    }
    if (mFlagUpdateObjectTree) {
        mFlagRebuildObjectTree = false;
        mFlagUpdateObjectTree = false;
        updateObjectTree();
    }
}

void ObjectBrowseDialog::setVisible(bool iVisible)
{
    if (iVisible) {
        mUpdateTimer.start();
        rebuildObjectTree();
        connectGUI();
        connectObject();
    } else {
        mUpdateTimer.stop();
        disconnectGUI();
        disconnectObject();
    }
    QDialog::setVisible(iVisible);
}

void ObjectBrowseDialog::connectGUI()
{
    connect(ui->treeWidgetObject, SIGNAL(itemSelectionChanged()), this, SLOT(itemSelectionChanged()),
            Qt::UniqueConnection);
}

void ObjectBrowseDialog::disconnectGUI()
{
    disconnect(ui->treeWidgetObject, SIGNAL(itemSelectionChanged()), this, SLOT(itemSelectionChanged()));
}

void ObjectBrowseDialog::connectObject()
{
    if (!scene)
        return;
    connect(scene.data(), SIGNAL(changedValue()), this, SLOT(enableFlag_UpdateObjectTree()), Qt::UniqueConnection);
    connect(scene.data(), SIGNAL(changedStructure()), this, SLOT(enableFlag_RebuildObjectTree()),
            Qt::UniqueConnection);
#ifdef BRENMOOR
    // The editor's scene does not relay its clouds' changes: names and selection.
    connect(scene->getPointCloudManager(), SIGNAL(changedValue()), this, SLOT(enableFlag_UpdateObjectTree()),
            Qt::UniqueConnection);
#endif
}

void ObjectBrowseDialog::disconnectObject()
{
    if (!scene)
        return;
    disconnect(scene.data(), SIGNAL(changedValue()), this, SLOT(enableFlag_UpdateObjectTree()));
    disconnect(scene.data(), SIGNAL(changedStructure()), this, SLOT(enableFlag_RebuildObjectTree()));
#ifdef BRENMOOR
    disconnect(scene->getPointCloudManager(), SIGNAL(changedValue()), this, SLOT(enableFlag_UpdateObjectTree()));
#endif
}

void ObjectBrowseDialog::rebuildObjectTree()
{
    if (!scene)
        return;
    const bool listening = isVisible();
    disconnectGUI();
    QTreeWidget* tree = ui->treeWidgetObject;
    if (tree->topLevelItemCount() == 0) {
        for (int i = 0; i < FL_MANAGER_NUMBER; ++i) {
            QTreeWidgetItem* row = new QTreeWidgetItem(tree);
            row->setText(0, QString::fromStdString(FL_getObjectManagerType(i)));
            row->setText(1, QString::fromStdString(FL_getObjectManagerType(i)));
        }
#ifndef BRENMOOR
        QTreeWidgetItem* clipBox = new QTreeWidgetItem(tree);
        clipBox->setText(0, QStringLiteral("ClipBox"));
        clipBox->setText(1, QStringLiteral("ClipBox"));
#endif
    }
    for (int i = 0; i < FL_MANAGER_NUMBER; ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        const int n = static_cast<int>(FL_getManager(scene, i)->getObjectSetSize());
        while (top->childCount() < n)
            new QTreeWidgetItem(top);
        while (top->childCount() > n) {
            QTreeWidgetItem* row = top->takeChild(0);
            mRowObjects.erase(row);
            delete row;
        }
    }
    if (listening)
        connectGUI();
    updateObjectTree();
}

void ObjectBrowseDialog::updateObjectTree()
{
    if (!scene)
        return;
    const bool listening = isVisible();
    disconnectGUI();
    QTreeWidget* tree = ui->treeWidgetObject;
    for (int i = 0; i < FL_MANAGER_NUMBER && i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        const Object3D* manager = FL_getManager(scene, i);
        for (int j = 0; j < top->childCount(); ++j) {
            Object3D* object = manager->getObject(j);
            QTreeWidgetItem* row = top->child(j);
            mRowObjects[row] = object;
            if (!object)
                continue;
            row->setSelected(object->hasState(Object3D::Selected));
            row->setText(0, QString::fromStdString(object->getName()));
            row->setText(1, QString::fromStdString(FL_getObjectType(i)));
        }
    }
    if (listening)
        connectGUI();
}

void ObjectBrowseDialog::clearObjectSelectionALL()
{
    if (!scene)
        return;
    scene->getPointCloudManager()->disableState(Object3D::Selected);
    scene->getPointCloudManager()->setSelectedALL(false);
#ifndef BRENMOOR
    scene->getMeasureManager()->disableState(Object3D::Selected);
    scene->getMeasureManager()->setSelectedALL(false);
    scene->getCommentManager()->disableState(Object3D::Selected);
    scene->getCommentManager()->setSelectedALL(false);
    scene->getCameraPathManager()->disableState(Object3D::Selected);
    scene->getCameraPathManager()->setSelectedALL(false);
    scene->getClipBox()->disableState(Object3D::Selected);
#endif
}

Object3D* ObjectBrowseDialog::getObject(QTreeWidgetItem* iItem)
{
    if (!scene || !iItem)
        return nullptr;
    const auto shown = mRowObjects.find(iItem);
    if (shown != mRowObjects.end())
        return shown->second.data();
    // Object rows are all in the map; the rest are the manager rows and the clip box row.
    if (iItem->parent())
        return nullptr;
    const int index = ui->treeWidgetObject->indexOfTopLevelItem(iItem);
    if (index >= 0 && index < FL_MANAGER_NUMBER)
        return FL_getManager(scene, index);
#ifndef BRENMOOR
    if (index == FL_MANAGER_NUMBER)
        return scene->getClipBox();
#endif
    return nullptr;
}

void ObjectBrowseDialog::itemSelectionChanged()
{
    if (!scene)
        return;
    disconnectObject();
    clearObjectSelectionALL();
    for (QTreeWidgetItem* row : ui->treeWidgetObject->selectedItems())
        if (Object3D* object = getObject(row))
            object->enableState(Object3D::Selected);
    if (isVisible())
        connectObject();
}

std::vector<Object3D*> ObjectBrowseDialog::selectedObjects()
{
    // Rows stand for the objects at their index: after a change of structure that the timer has
    // not applied yet they may name other objects, or none.
    if (mFlagRebuildObjectTree)
        checkFlag();
    std::vector<Object3D*> objects;
    for (QTreeWidgetItem* row : ui->treeWidgetObject->selectedItems())
        if (Object3D* object = getObject(row))
            objects.push_back(object);
    return objects;
}

void ObjectBrowseDialog::fitView()
{
    if (scene)
        scene->fitView(selectedObjects());
}

void ObjectBrowseDialog::deleteData()
{
    if (scene)
        scene->deleteObject(selectedObjects());
}
