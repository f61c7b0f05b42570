#ifndef EDITOR_MAINWINDOW_H
#define EDITOR_MAINWINDOW_H

#include "viewdialogs.h"
#include "viewwindow.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QToolBar>

#include <string>

class Ui_MainWindow;

// Brenmoor's window: one octree point file opened into the editable point list of point cloud 0,
// marked with the mouse and keys, and saved as a newly built octree point file. Diagnostics go to
// standard output and the status bar; there are no message boxes for errors.
class MainWindow : public ViewWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    // Opens an octree point file; failures are printed and leave the editor as it was.
    void open(std::string iFilePath);
    ~MainWindow() override;

protected:
    // The editing keys act on point cloud 0; Shift held selects points with the mouse.
    void keyPressEvent(QKeyEvent* iEvent) override;
    void keyReleaseEvent(QKeyEvent* iEvent) override;

public slots:
    void updateTitle();
    void updateActionFile();
    void open();
    void save();
    void saveAs();
    void about();
    void changeOperationMode();

private:
    // Writes the points that are not deleted to iFilePath; the result is printed and shown.
    void saveTo(const std::string& iFilePath);
    // The view shows changed marks at once.
    void repaintView();

    Ui_MainWindow* ui;
    ViewDialogs mViewDialogs;

    QMenu* fileMenu;
    QAction* openAct;
    QAction* saveAct;
    QAction* saveAsAct;
    QAction* exitAct;

    QToolBar* cameraToolBar;
};

#endif
