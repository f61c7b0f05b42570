#ifndef DIALOGS_VIEWDIALOGS_H
#define DIALOGS_VIEWDIALOGS_H

#include "viewwindow.h"

#include <QPointer>

class CameraDialog;
class MouseOperator;
class MouseSettingDialog;
class ObjectBrowseDialog;
class ObjectPropertyDialog;
class QWidget;
class SceneDialog;

// The view and object dialogs that a main window opens from its Browser and Scene menus, over
// the program's scene model: each is made on first use with the window as parent and kept,
// given its models, then shown.
class ViewDialogs : public ViewWindowDialogs
{
public:
    // iMouseOperator is the window's, whose ratios the mouse setting dialog sets.
    ViewDialogs(QWidget* iWindow, MouseOperator* iMouseOperator);

    void showObjectBrowseDialog() override;
    void showObjectPropertyDialog() override;
    void showSceneDialog() override;
    void showMouseSettingDialog() override;
    void showCameraWorkDialog() override;

private:
    QWidget* mWindow;
    MouseOperator* mMouseOperator;
    QPointer<ObjectBrowseDialog> mObjectBrowseDialog;
    QPointer<ObjectPropertyDialog> mObjectPropertyDialog;
    QPointer<SceneDialog> mSceneDialog;
    QPointer<MouseSettingDialog> mMouseSettingDialog;
    QPointer<CameraDialog> mCameraDialog;
};

#endif
