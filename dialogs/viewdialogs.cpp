#include "viewdialogs.h"

#include "cameradialog.h"
#include "global.h"
#include "mousesettingdialog.h"
#include "objectbrowsedialog.h"
#include "objectpropertydialog.h"
#include "scenedialog.h"
#include "scenestate.h"

ViewDialogs::ViewDialogs(QWidget* iWindow, MouseOperator* iMouseOperator)
    : mWindow(iWindow), mMouseOperator(iMouseOperator)
{
}

void ViewDialogs::showObjectBrowseDialog()
{
    if (!mObjectBrowseDialog) {
        mObjectBrowseDialog = new ObjectBrowseDialog(mWindow);
        mObjectBrowseDialog->setModel(getScene());
    }
    mObjectBrowseDialog->activateWindow();
    mObjectBrowseDialog->show();
}

void ViewDialogs::showObjectPropertyDialog()
{
    if (!mObjectPropertyDialog) {
        mObjectPropertyDialog = new ObjectPropertyDialog(mWindow);
        mObjectPropertyDialog->setModel(getScene());
    }
    mObjectPropertyDialog->activateWindow();
    mObjectPropertyDialog->show();
}

void ViewDialogs::showSceneDialog()
{
    if (!mSceneDialog)
        mSceneDialog = new SceneDialog(mWindow);
    mSceneDialog->setModel(&getSceneState()->getRenderingTarget(), &getSceneState()->getBackground());
    mSceneDialog->activateWindow();
    mSceneDialog->show();
}

void ViewDialogs::showMouseSettingDialog()
{
    if (!mMouseSettingDialog)
        mMouseSettingDialog = new MouseSettingDialog(mWindow);
    mMouseSettingDialog->setModel(mMouseOperator);
    mMouseSettingDialog->activateWindow();
    mMouseSettingDialog->show();
}

void ViewDialogs::showCameraWorkDialog()
{
    if (!mCameraDialog)
        mCameraDialog = new CameraDialog(mWindow);
    mCameraDialog->setTarget(&getSceneState()->getCamera());
    mCameraDialog->setScene(getScene());
    mCameraDialog->show();
    mCameraDialog->activateWindow();
}
