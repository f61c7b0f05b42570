#ifndef SCENE_VIEWWINDOW_H
#define SCENE_VIEWWINDOW_H

#include <QMainWindow>

class Camera;
class QAction;
class QComboBox;
class QMouseEvent;
class QTranslator;

// Loads the program's translation file from the application folder into iTranslator and
// installs it; without the file the English texts stay.
void installTranslation(QTranslator* iTranslator, const QString& iFileName);

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

protected:
    // Binds the window to its view and camera: makes the camera work mode box, gives the view
    // the focus, and follows the view's mouse moves and the camera's changes.
    void setView(QWidget* iView, Camera* iCamera);
    // An action of this window with its text and status tip, triggering iSlot.
    QAction* makeAction(const QString& iText, const QString& iStatusTip, const char* iSlot);

    QComboBox* cameraModeBox = nullptr;

private:
    QWidget* mView = nullptr;
    Camera* mCamera = nullptr;
};

#endif
