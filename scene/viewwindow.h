#ifndef SCENE_VIEWWINDOW_H
#define SCENE_VIEWWINDOW_H

#include <QKeySequence>
#include <QMainWindow>

#include <vector>

class Camera;
class QAction;
class QComboBox;
class QMenu;
class QMouseEvent;

// Loads the program's translation file from the application folder and installs it for the
// application's lifetime; without the file the English texts stay.
void installTranslation(const QString& iFileName);

// The dialogs a window opens from its Browser and Scene menus.
class ViewWindowDialogs
{
public:
    virtual ~ViewWindowDialogs() = default;
    virtual void showObjectBrowseDialog() = 0;
    virtual void showObjectPropertyDialog() = 0;
    virtual void showSceneDialog() = 0;
    virtual void showMouseSettingDialog() = 0;
    virtual void showCameraWorkDialog() = 0;
};

// What the main windows of both programs share: the camera work mode box that follows the
// camera, the mode slots, and the mouse position in the status bar.
class ViewWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ViewWindow(QWidget* parent = nullptr);

public slots:
    // The box shows the camera's work mode.
    void updateActionCamera();
    void setCameraWorkMode(int iMode);
    void changeToObservationMode();
    void changeToWalkThroughMode();
    // "IX: %1, IY: %2": the event's position in the view, y counted from the bottom edge.
    void showMousePosition(QMouseEvent* iEvent);
    // The browser, property, scene rendering, mouse and camera setting dialogs, through the
    // window's dialogs; nothing without them.
    void showObjectBrowseDialog();
    void showObjectPropertyDialog();
    void showSceneDialog();
    void showMouseSettingDialog();
    void showCameraWorkDialog();

protected:
    // Binds the window to its view and camera: makes the camera work mode box, gives the view
    // the focus, and follows the view's mouse moves and the camera's changes.
    void setView(QWidget* iView, Camera* iCamera);
    // The dialogs the show slots open. Not owned; kept for the window's life.
    void setDialogs(ViewWindowDialogs* iDialogs);
    // An action of this window with its text, status tip and standard shortcut, triggering iSlot.
    QAction* makeAction(const QString& iText, const QString& iStatusTip, const char* iSlot,
                        QKeySequence::StandardKey iShortcut = QKeySequence::UnknownKey);

    // A menu of the menu bar holding the actions in order; a null action stands for a separator.
    QMenu* addActionMenu(const QString& iTitle, const std::vector<QAction*>& iActions);

    QComboBox* cameraModeBox = nullptr;
    // The menus and actions both windows have, each window filling them in its own way.
    QMenu* browserMenu = nullptr;
    QAction* objectBrowseAct = nullptr;
    QAction* objectPropertyAct = nullptr;
    QMenu* sceneMenu = nullptr;
    QAction* sceneRenderingAct = nullptr;
    QAction* cameraSettingAct = nullptr;
    QAction* mouseSettingAct = nullptr;
    QMenu* helpMenu = nullptr;
    QAction* aboutAct = nullptr;

private:
    QWidget* mView = nullptr;
    ViewWindowDialogs* mDialogs = nullptr;
    Camera* mCamera = nullptr;
};

#endif
