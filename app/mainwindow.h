#ifndef APP_MAINWINDOW_H
#define APP_MAINWINDOW_H

#include "viewdialogs.h"
#include "viewwindow.h"

class BestFitDialog;
class CameraPathDialog;
class ObjectTransformationDialog;
class MeasureCreationDialog;
class PointCloudEditDialog;
class QAction;
class QKeyEvent;
class QMenu;
class QToolBar;
class Ui_MainWindow;

// Vistrel's window: the view over the scene model, the menus and toolbars that reach the project,
// the dialogs and the tool operations. Dialogs are made on first use and kept until the window
// goes; the scene model, the mouse operator and the project operator outlive the window.
class MainWindow : public ViewWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

public slots:
    void updateTitle();
    void updateActionFile();
    void createNewProject();
    void openProject();
    void saveProject();
    void importPointCloud();
    void importPolygon();
    void print();
    void about();
    void showCameraPathDialog();
    void showPointCloudEditDialog();
    void showBestFitDialog();
    void setShotColorAuto();
    void updateToolIcons();
    void changeOperation_Transform();
    void changeOperation_TransformByManipulator();
    void changeOperation_Measure();
    void changeOperation_MeasureLength();
    void changeOperation_MeasureAngle();
    void changeOperation_Comment();
    void changeOperation_NULL();
    void changeOperationMode();
    void flipClipBoxVisible();
    void flipClipBoxEnable();

private slots:
    // Gives the edit dialog, once made, the point cloud folder of the current project.
    void updatePointCloudEditFolder();

protected:
    void keyPressEvent(QKeyEvent* iEvent) override;
    void keyReleaseEvent(QKeyEvent* iEvent) override;

private:
    void createActions();
    void createActionFile();
    void createActionMouseMode();
    void createActionBrowser();
    void createActionScene();
    void createActionPointCloud();
    void createActionTool();
    void createActionHelp();
    void createMenus();
    void createToolBars();

    Ui_MainWindow* ui;
    ViewDialogs mViewDialogs;

    QMenu* fileMenu;
    QAction* newProjectAct;
    QAction* openProjectAct;
    QAction* saveProjectAct;
    QAction* importPointCloudAct;
    QAction* exitAct;

    QAction* cameraPathAct;

    QMenu* pointCloudMenu;
    QAction* editPointCloudAct;
    QAction* bestFitAct;
    QAction* shotColorAutoAct;

    QAction* toolNullAct;
    QAction* toolTransformAct;
    QAction* toolTransformByManipulatorAct;
    QAction* toolMeasureAct;
    QAction* toolMeasureLengthAct;
    QAction* toolMeasureAngleAct;
    QAction* toolCommentAct;

    QToolBar* operationToolBar;
    QToolBar* cameraToolBar;

    // Made on first use with the window as parent and kept; null until then.
    CameraPathDialog* mCameraPathDialog;
    ObjectTransformationDialog* mObjectTransformationDialog;
    PointCloudEditDialog* mPointCloudEditDialog;
    BestFitDialog* mBestFitDialog;
    MeasureCreationDialog* mMeasureCreationDialog;
};

#endif
