#ifndef SCENE_MOUSEOPERATOR_H
#define SCENE_MOUSEOPERATOR_H

#include <QObject>

class QMenu;
class QMouseEvent;
class QWheelEvent;
class QWidget;
class Scene;

// Turns the view's raw mouse events into pressed, moved, dragged, clicked and finished-drag
// calls on the current mouse operation: the camera operation in camera mode, else the operation
// of the selection mode that was set when object mode was entered. The press and pointer
// positions, the held buttons and the current operation are shared by every operator of the
// process (one view drives them at a time). GUI thread only.
class MouseOperator : public QObject
{
    Q_OBJECT

public:
    enum MouseMode : int
    {
        CameraOperation = 0,
        ObjectOperation = 1
    };

    enum SelectionMode : int
    {
        ObjectSelection = 0,
        ObjectSelection_Manipulator = 1,
        PointCreation = 2
    };

    explicit MouseOperator(QObject* iParent = nullptr);

    // Not owned.
    void setModel(Scene* iScene);
    bool hasModel() const;
    MouseMode getMouseMode() const;
    SelectionMode getSelectionMode() const;
    // The view's context menu, opened by a right click in camera mode; not owned.
    void setContextMenu(QMenu* iMenu);

    // Called by the view with itself as the widget, whose height turns widget positions into
    // window positions (origin bottom left).
    void press(QWidget* iWidget, QMouseEvent* iEvent);
    void move(QWidget* iWidget, QMouseEvent* iEvent);
    void release(QWidget* iWidget, QMouseEvent* iEvent);
    void wheel(QWidget* iWidget, QWheelEvent* iEvent);

    // World units per pixel of panning and per wheel step; degrees per pixel of camera rotation.
    static double getTranslationRatio();
    static void setTranslationRatio(double iRatio);
    static double getRotationRatio();
    static void setRotationRatio(double iRatio);

signals:
    void changedValue();

public slots:
    // Values other than the enumerators are ignored.
    void setMouseMode(MouseOperator::MouseMode iMode);
    // Takes effect at the next switch to object mode.
    void setSelectionMode(MouseOperator::SelectionMode iMode);

private:
    // Operations are called only on a scene that holds all of its models.
    bool canOperate() const;

    Scene* mScene = nullptr;
    QMenu* mContextMenu = nullptr;
    MouseMode mMouseMode = CameraOperation;
    SelectionMode mSelectionMode = ObjectSelection;
};

#endif
