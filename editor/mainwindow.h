#ifndef EDITOR_MAINWINDOW_H
#define EDITOR_MAINWINDOW_H

#include "viewwindow.h"

#include <string>

class QAction;
class QKeyEvent;
class QMenu;
class QToolBar;
class Ui_MainWindow;

// Brenmoor's window: one octree point file opened into the editable point list of point cloud 0,
// marked with the mouse and keys, and saved as a newly built octree point file. Diagnostics go to
// standard output and the status bar; there are no message boxes for errors.
class MainWindow : public ViewWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens an octree point file; failures are printed and leave the editor as it was.
    void open(std::string iFilePath);

public slots:
    void updateTitle();
    void updateActionFile();
    void open();
    void save();
    void saveAs();
    void about();
    void showObjectBrowseDialog();
    void showObjectPropertyDialog();
    void showSceneDialog();
    void showMouseSettingDialog();
    void showCameraWorkDialog();
    void changeOperationMode();

protected:
    void keyPressEvent(QKeyEvent* iEvent) override;
    void keyReleaseEvent(QKeyEvent* iEvent) override;

private:
    // Writes the points that are not deleted to iFilePath; the result is printed and shown.
    void saveTo(const std::string& iFilePath);
    // The view shows changed marks at once.
    void repaintView();

    Ui_MainWindow* ui;

    QMenu* fileMenu;
    QAction* openAct;
    QAction* saveAct;
    QAction* saveAsAct;
    QAction* exitAct;

    QMenu* browserMenu;
    QAction* objectBrowseAct;
    QAction* objectPropertyAct;

    QMenu* sceneMenu;
    QAction* sceneRenderingAct;
    QAction* cameraSettingAct;
    QAction* mouseSettingAct;

    QMenu* helpMenu;
    QAction* aboutAct;

    QToolBar* cameraToolBar;
};

#endif
