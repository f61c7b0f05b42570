#ifndef DIALOGS_OBJECTBROWSEDIALOG_H
#define DIALOGS_OBJECTBROWSEDIALOG_H

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <map>
#include <vector>

class Object3D;
class QAction;
class QTreeWidgetItem;
class Scene;
class Ui_ObjectBrowseDialog;

// "Object Browse": the scene's point clouds, measures, comments and camera paths under one row
// per manager, and the clip box. Selecting rows selects the objects, and the rows follow the
// objects' selection. The scene's signals only raise a flag that a 33 ms timer applies while
// the dialog is visible. Its context menu fits the view to the selection or deletes it. The
// editor's browser (BRENMOOR) lists the point clouds only.
class ObjectBrowseDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ObjectBrowseDialog(QWidget* iParent = nullptr);
    ~ObjectBrowseDialog() override;

    // Not owned; set before the first show.
    void setModel(Scene* iScene);
    bool hasModel() const;

public slots:
    void enableFlag_UpdateObjectTree();
    void enableFlag_RebuildObjectTree();
    void checkFlag();
    void setVisible(bool iVisible) override;
    void rebuildObjectTree();
    void updateObjectTree();
    void clearObjectSelectionALL();
    // Null for a row whose object is not there (any more).
    Object3D* getObject(QTreeWidgetItem* iItem);
    void itemSelectionChanged();
    void fitView();
    void deleteData();

private:
    void createActions();
    void connectGUI();
    void disconnectGUI();
    void connectObject();
    void disconnectObject();
    // The objects of the selected rows, after a pending rebuild has brought the rows in line
    // with the scene.
    std::vector<Object3D*> selectedObjects();

    Ui_ObjectBrowseDialog* ui;
    QPointer<Scene> scene;
    QAction* fitViewAct = nullptr;
    QAction* deleteAct = nullptr;
    // The object each child row showed at its last update: a row acts on what it shows, also
    // when the scene changed since.
    std::map<const QTreeWidgetItem*, QPointer<Object3D>> mRowObjects;
    QTimer mUpdateTimer;
    bool mFlagUpdateObjectTree = false;
    bool mFlagRebuildObjectTree = false;
};

#endif
