#ifndef SCENE_GLWIDGET_H
#define SCENE_GLWIDGET_H

#include <QGLWidget>

class MouseOperator;
class QAction;
class QMenu;
class QMouseEvent;
class QString;
class QWheelEvent;
class Scene;
class SceneState;

// The OpenGL view of the scene. Its context menu fits the view and deletes (the selected objects
// in Vistrel, the selected points in the editor). Draws the scene on repaint, repaints at most once per tick of a
// shared 33 ms timer while the scene reports changes and at once when it asks for an immediate
// frame, and hands every mouse event to the mouse operator. Until all three models are set it
// ignores input, resizes, paints and visibility changes.
class GLWidget : public QGLWidget
{
    Q_OBJECT

public:
    explicit GLWidget(QWidget* parent = nullptr);
    ~GLWidget() override;

    // Not owned; no connection is made here.
    void setModel(Scene* iScene, SceneState* iSceneState, MouseOperator* iMouseOperator);
    bool hasModel() const;

    // While visible: the shared timer runs and the scene's change signals are connected.
    void setVisible(bool visible) override;

signals:
    // Every forwarded move, before the mouse operator sees it.
    void mouseMove(QMouseEvent* iEvent);

public slots:
#ifdef BRENMOOR
    // Fit the camera to point cloud 0; nothing without one.
    void fitView();
    // Delete the selected points of point cloud 0; nothing without one.
    void deleteSelectedPoint();
#else
    // Fit the camera to the selected objects.
    void fitView();
    void deleteSelectedObject();
#endif
    // A repaint is owed at the next tick.
    void enableFlagUpdate();
    // Repaints when a repaint is owed.
    void checkFlagUpdate();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    // An action of this view that calls iSlot when triggered.
    QAction* newAction(const QString& iText, const QString& iStatusTip, const char* iSlot);
    // The context menu's second action, connected to the program's delete slot.
    QAction* createDeleteAction();

    Scene* mScene = nullptr;
    SceneState* mSceneState = nullptr;
    MouseOperator* mMouseOperator = nullptr;
    QMenu* mContextMenu = nullptr;
    QAction* mFitViewAction = nullptr;
    QAction* mDeleteAction = nullptr;
};

#endif
