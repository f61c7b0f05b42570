#ifndef DIALOGS_CAMERADIALOG_H
#define DIALOGS_CAMERADIALOG_H

#include "vector3.h"

#include <QDialog>
#include <QPointer>

class Camera;
class Scene;
class Ui_CameraDialog;

// "Camera": reads and edits the camera (projection, view point, regard point, work mode, step
// moves and turns) and turns the scene to a world axis, at once or animated by the scene.
// Every edit goes straight to the camera; while visible the dialog follows the camera,
// whoever changes it.
class CameraDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CameraDialog(QWidget* iParent = nullptr);
    ~CameraDialog() override;

    // Not owned. A visible dialog follows a new camera at once instead of the old one.
    void setTarget(Camera* iCamera);
    // Not owned; plays the animated axis turns.
    void setScene(Scene* iScene);

public slots:
    // Showing refreshes the widgets and follows the camera; hiding stops following.
    void setVisible(bool iVisible) override;

    // Repeated calls connect once.
    void connectTabProperty();
    void connectTabOperation();
    void disconnectTabProperty();
    void disconnectTabOperation();

    // Fill widgets from the camera without writing anything back into it.
    void updateTabProperty();
    void updateProjection();
    void updateViewPoint();
    void updateRegardPoint();
    void updateUpward();
    void updateWorkMode();

    void setProjectionFar(double iValue);
    void setProjectionNear(double iValue);
    void setProjectionDegree(double iValue);
    // One coordinate replaced; the others are the camera's, not the boxes' rounded ones.
    void setViewPointX(double iValue);
    void setViewPointY(double iValue);
    void setViewPointZ(double iValue);
    void setRegardPointX(double iValue);
    void setRegardPointY(double iValue);
    void setRegardPointZ(double iValue);
    // No widget reaches these: the upward boxes are read-only.
    void setUpwardX(double iValue);
    void setUpwardY(double iValue);
    void setUpwardZ(double iValue);

    void clickedPushButtonSetUpwardXP();
    void clickedPushButtonSetUpwardXM();
    void clickedPushButtonSetUpwardYP();
    void clickedPushButtonSetUpwardYM();
    void clickedPushButtonSetUpwardZP();
    void clickedPushButtonSetUpwardZM();
    void clickedPushButtonSetRightwardXP();
    void clickedPushButtonSetRightwardXM();
    void clickedPushButtonSetRightwardYP();
    void clickedPushButtonSetRightwardYM();
    void clickedPushButtonSetRightwardZP();
    void clickedPushButtonSetRightwardZM();

    void setWorkMode(int iMode);

    // By the step distance of the dialog.
    void translateUp();
    void translateDown();
    void translateLeft();
    void translateRight();
    void translatePlus();
    void translateMinus();

    // By the step angle of the dialog, in degrees.
    void rotateUp();
    void rotateDown();
    void rotateLeft();
    void rotateRight();
    void rotatePlus();
    void rotateMinus();

private:
    void initTabProperty();
    void initTabOperation();
    void setViewPointComponent(int iAxis, double iValue);
    void setRegardPointComponent(int iAxis, double iValue);
    void setUpwardComponent(int iAxis, double iValue);
    // Animated by the scene when "Check Before-After." is ticked, else at once on the camera.
    void turnToAxis(const Vector3T<double>& iAxis, bool iUpward);

    Ui_CameraDialog* ui;
    QPointer<Camera> camera;
    QPointer<Scene> scene;
};

#endif
