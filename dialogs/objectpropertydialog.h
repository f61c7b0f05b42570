#ifndef DIALOGS_OBJECTPROPERTYDIALOG_H
#define DIALOGS_OBJECTPROPERTYDIALOG_H

#include <QDialog>
#include <QPointer>

class Object3D;
class Scene;
class Ui_ObjectPropertyDialog;

// "Object Property": hosts the panel of the first selected object, chosen by a fixed order over
// the managers and their children, then the clip box; "Non-Support Object Type..." when none
// is selected. While visible it follows every change of the scene and replaces the panel only
// when the chosen object changes. The editor's (BRENMOOR) chooses among the point clouds only.
class ObjectPropertyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ObjectPropertyDialog(QWidget* iParent = nullptr);
    ~ObjectPropertyDialog() override;

    // Not owned; set before the first show.
    void setModel(Scene* iScene);
    bool hasModel() const;
    // The object whose panel is shown; null for the text and before the first choice.
    Object3D* getTarget() const;

public slots:
    void setVisible(bool iVisible) override;
    // Takes iWidget as the only content; the previous one goes once control returns to the
    // event loop, so that a panel whose own slot led here is not destroyed under it.
    void setWidget(QWidget* iWidget);
    void rebuildUI();

private:
    void connectObject();
    void disconnectObject();
    Object3D* chooseTarget() const;

    Ui_ObjectPropertyDialog* ui;
    QPointer<Scene> scene;
    // Guarded: a deleted object's panel is never kept as if it were still chosen.
    QPointer<Object3D> mTarget;
    // Whether the content is an object's panel rather than the text.
    bool mShowsPanel = false;
};

#endif
