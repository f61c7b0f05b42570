#ifndef COMMUNICATION_CAMERAPATHDIALOG_H
#define COMMUNICATION_CAMERAPATHDIALOG_H

#include <QDialog>
#include <QPointer>

#include <string>

class CameraPathManager;
class PointCloudManager;
class QGLWidget;
class SceneState;
class Ui_CameraPathDialog;

// "Camera Path": lists the camera paths, creates and renames them, records check points from
// the view's camera, moves the camera to a check point, plays the current path back on a timer
// and exports it as PNG frames turned into "Animation.mpeg" by ffmpeg from the application
// folder. Modeless; follows the paths only while visible.
class CameraPathDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CameraPathDialog(QWidget* parent = nullptr);
    ~CameraPathDialog() override;

    // None is owned. The point cloud manager and the view are used by the export only.
    void setTarget(CameraPathManager* iManager);
    void setSceneState(SceneState* iSceneState);
    void setPCM(PointCloudManager* iManager);
    void setQGLWidget(QGLWidget* iView);

public slots:
    // Each show or hide forgets the current path and check point and deselects every path.
    void setVisible(bool iVisible) override;

private slots:
    void updatePathGUI();
    void updatePathList();
    void updatePathListButtons();
    void changedPathListCurrentIndex();
    void clickedPathList();
    void clickedButtonCreateNewPath();
    void clickedButtonRenamePath();
    void updateCheckPointGUI();
    void updateCheckPointList();
    void updateCheckPointListButtons();
    void changedCheckPointListCurrentIndex();
    void clickedCheckPointList();
    void clickedButtonAddNewCheckPoint();
    void clickedButtonSetCheckPoint();
    void clickedButtonDeleteCheckPoint();
    void clickedButtonDeleteALLCheckPoint();
    void enableAnimationMode(bool iToEnable);
    void updateAnimationGUI();
    void pushButtonPlay();
    void progressFrame();
    void clickedButtonExportAnimation();
    // Writes "PNG_<i>.png" along the path; false when the user cancelled or a frame could not
    // be saved (said in a message).
    bool exportImageFiles(const std::string& iFolderPath);
    // Runs ffmpeg on the frames; false, with a message, when no movie was made.
    bool exportMovieFile(const std::string& iFolderPath);

private:
    void connectShown();
    void disconnectShown();
    // Scene distance per frame from the speed and fps boxes.
    double getStep() const;
    void showError(const QString& iText);

    Ui_CameraPathDialog* ui;
    QPointer<CameraPathManager> mManager;
    QPointer<SceneState> mSceneState;
    QPointer<PointCloudManager> mPointCloudManager;
    QPointer<QGLWidget> mView;
};

#endif
