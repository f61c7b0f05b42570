#include "glwidget.h"

#include "mouseoperator.h"
#include "scene.h"
#include "scenestate.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

#include <vector>

namespace {

// Shared by every view of the process: one timer, and whether a repaint is owed.
QTimer* FL_updateTimer()
{
    // Never freed, like the models whose changes it paces.
    static QTimer* flUpdateTimer = new QTimer(nullptr);
    return flUpdateTimer;
}

bool flUpdateFlag = false;

QGLFormat FL_viewFormat()
{
    QGLFormat format = QGLFormat::defaultFormat();
    format.setSampleBuffers(true);
    // Picking reads the alpha byte back; some drivers give no alpha channel unless asked.
    format.setAlpha(true);
    format.setPlane(0);
    return format;
}

} // namespace

GLWidget::GLWidget(QWidget* parent) : QGLWidget(FL_viewFormat(), parent)
{
    // Hover feedback needs move events with no button held.
    setAttribute(Qt::WA_MouseTracking);

    mFitViewAction = newAction(tr("Fit View"), tr("Fit View to selected objects."), SLOT(fitView()));
    mDeleteAction = createDeleteAction();

    mContextMenu = new QMenu(this);
    mContextMenu->addAction(mFitViewAction);
    mContextMenu->addAction(mDeleteAction);
}

GLWidget::~GLWidget() = default;

QAction* GLWidget::newAction(const QString& iText, const QString& iStatusTip, const char* iSlot)
{
    QAction* action = new QAction(iText, this);
    action->setStatusTip(iStatusTip);
    connect(action, SIGNAL(triggered()), this, iSlot);
    return action;
}

void GLWidget::setModel(Scene* iScene, SceneState* iSceneState, MouseOperator* iMouseOperator)
{
    mScene = iScene;
    mSceneState = iSceneState;
    mMouseOperator = iMouseOperator;
}

bool GLWidget::hasModel() const
{
    return mScene && mSceneState && mMouseOperator;
}

void GLWidget::setVisible(bool visible)
{
    if (!hasModel())
        return;
    QTimer* timer = FL_updateTimer();
    if (visible) {
        // Unique: showing a shown view again must not repaint twice per change.
        connect(timer, SIGNAL(timeout()), this, SLOT(checkFlagUpdate()), Qt::UniqueConnection);
        timer->start(33);
        connect(mScene, SIGNAL(changedValue()), this, SLOT(enableFlagUpdate()), Qt::UniqueConnection);
        connect(mScene, SIGNAL(changedStructure()), this, SLOT(enableFlagUpdate()), Qt::UniqueConnection);
        connect(mScene, SIGNAL(changedNow()), this, SLOT(updateGL()), Qt::UniqueConnection);
    } else {
        timer->stop();
        disconnect(timer, SIGNAL(timeout()), this, SLOT(checkFlagUpdate()));
        disconnect(mScene, SIGNAL(changedValue()), this, SLOT(enableFlagUpdate()));
        disconnect(mScene, SIGNAL(changedStructure()), this, SLOT(enableFlagUpdate()));
        disconnect(mScene, SIGNAL(changedNow()), this, SLOT(updateGL()));
    }
    QGLWidget::setVisible(visible);
}

#ifndef BRENMOOR
// The editor's delete action and context slots are in its own source.
QAction* GLWidget::createDeleteAction()
{
    return newAction(tr("Delete Selected Objects"), tr("Delete selected objects."), SLOT(deleteSelectedObject()));
}

void GLWidget::fitView()
{
    std::vector<Object3D*> objects;
    mScene->collectObject(&objects, Object3D::Selected, true);
    mScene->fitView(objects);
}

void GLWidget::deleteSelectedObject()
{
    std::vector<Object3D*> objects;
    mScene->collectObject(&objects, Object3D::Selected, true);
    mScene->deleteObject(objects);
}
#endif

void GLWidget::enableFlagUpdate()
{
    flUpdateFlag = true;
}

void GLWidget::checkFlagUpdate()
{
    if (!flUpdateFlag)
        return;
    flUpdateFlag = false;
    updateGL();
}

// The mouse operations pick by rendering into this view's buffers, so its context is made
// current before they run.

void GLWidget::mousePressEvent(QMouseEvent* event)
{
    if (!hasModel())
        return;
    makeCurrent();
    mMouseOperator->press(this, event);
}

void GLWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!hasModel())
        return;
    // The picking passes draw into the back buffer; the repaint below replaces them with a
    // whole frame before anything is shown.
    setAutoBufferSwap(false);
    mMouseOperator->setContextMenu(mContextMenu);
    makeCurrent();
    mMouseOperator->release(this, event);
    setAutoBufferSwap(true);
    updateGL();
}

void GLWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!hasModel())
        return;
    emit mouseMove(event);
    makeCurrent();
    mMouseOperator->move(this, event);
}

void GLWidget::wheelEvent(QWheelEvent* event)
{
    if (!hasModel())
        return;
    makeCurrent();
    mMouseOperator->wheel(this, event);
}

void GLWidget::resizeGL(int width, int height)
{
    if (!hasModel())
        return;
    mSceneState->setScreenSize(width, height);
}

void GLWidget::paintGL()
{
    if (!hasModel())
        return;
    mScene->draw(this, mSceneState);
}
