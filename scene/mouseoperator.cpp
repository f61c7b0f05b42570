#include "mouseoperator.h"

#include "mouseoperation.h"
#include "scene.h"

#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>

using namespace mouseoperation;

namespace {

enum ButtonBit : unsigned int
{
    FL_LEFT = 1,
    FL_RIGHT = 2
};

// Whether a drag call was made since the last press.
bool flDragged = false;

bool FL_isSelectionMode(int iMode)
{
    return iMode >= MouseOperator::ObjectSelection && iMode <= MouseOperator::PointCreation;
}

// Widget position (origin top left) to window position (origin bottom left), truncated.
void FL_toWindow(const QWidget* iWidget, const Position& iPosition, int* oX, int* oY)
{
    const double height = iWidget->height();
    *oX = static_cast<int>(iPosition.x);
    *oY = static_cast<int>(height - iPosition.y);
}

Position FL_getPosition(const QMouseEvent* iEvent)
{
    const QPointF local = iEvent->localPos();
    return Position{local.x(), local.y()};
}

} // namespace

MouseOperator::MouseOperator(QObject* iParent) : QObject(iParent)
{
    flOperation = FL_getCameraOperation();
}

void MouseOperator::setModel(Scene* iScene)
{
    mScene = iScene;
}

bool MouseOperator::hasModel() const
{
    return mScene != nullptr;
}

MouseOperator::MouseMode MouseOperator::getMouseMode() const
{
    return mMouseMode;
}

MouseOperator::SelectionMode MouseOperator::getSelectionMode() const
{
    return mSelectionMode;
}

void MouseOperator::setContextMenu(QMenu* iMenu)
{
    mContextMenu = iMenu;
}

bool MouseOperator::canOperate() const
{
    return mScene && mScene->hasModel();
}

void MouseOperator::setSelectionMode(MouseOperator::SelectionMode iMode)
{
    // Stored modes index the operation table.
    if (!FL_isSelectionMode(iMode) || iMode == mSelectionMode)
        return;
    mSelectionMode = iMode;
    emit changedValue();
}

void MouseOperator::press(QWidget* iWidget, QMouseEvent* iEvent)
{
    const Qt::MouseButton button = iEvent->button();
    if (button == Qt::LeftButton)
        flState |= FL_LEFT;
    else if (button == Qt::RightButton)
        flState |= FL_RIGHT;
    flMouseDownPosition = FL_getPosition(iEvent);
    flMousePosition = flMouseDownPosition;
    flDragged = false;
    if (!canOperate())
        return;
    int x = 0;
    int y = 0;
    FL_toWindow(iWidget, flMouseDownPosition, &x, &y);
    if (button == Qt::RightButton)
        flOperation->pressedRightButton(mScene, iWidget, x, y);
    else if (button == Qt::LeftButton)
        flOperation->pressedLeftButton(mScene, iWidget, x, y);
}

void MouseOperator::move(QWidget* iWidget, QMouseEvent* iEvent)
{
    flNewMousePosition = FL_getPosition(iEvent);
    if (canOperate()) {
        const int dx = static_cast<int>(flNewMousePosition.x - flMousePosition.x);
        const int dy = static_cast<int>(flNewMousePosition.y - flMousePosition.y);
        flDragged = flDragged || flState != 0;
        if (flState & FL_LEFT)
            flOperation->dragedLeftButton(mScene, iWidget, dx, dy);
        if (flState & FL_RIGHT)
            flOperation->dragedRightButton(mScene, iWidget, dx, dy);
        if (flState == 0) {
            int x = 0;
            int y = 0;
            FL_toWindow(iWidget, flNewMousePosition, &x, &y);
            flOperation->moved(mScene, iWidget, x, y);
        }
    }
    // Recorded only now, so that drag calls see the previous position too.
    flMousePosition = flNewMousePosition;
}

void MouseOperator::release(QWidget* iWidget, QMouseEvent* iEvent)
{
    int x = 0;
    int y = 0;
    FL_toWindow(iWidget, flMouseDownPosition, &x, &y);
    const Qt::MouseButton button = iEvent->button();
    if (button == Qt::RightButton)
        flState &= ~static_cast<unsigned int>(FL_RIGHT);
    else if (button == Qt::LeftButton)
        flState &= ~static_cast<unsigned int>(FL_LEFT);
    else
        return;
    if (!canOperate())
        return;

    // The last move event, not the release, decides: a release without a move is a click.
    const bool isClick = std::fabs(static_cast<float>(flMousePosition.x) - static_cast<float>(flMouseDownPosition.x)) <
                             1.0f &&
                         std::fabs(static_cast<float>(flMousePosition.y) - static_cast<float>(flMouseDownPosition.y)) <
                             1.0f;
    // A drag of under a pixel is a click, which no finished drag follows: the rough draw levels
    // its move set would stay.
    if (isClick && flDragged && flState == 0 && flOperation == FL_getCameraOperation())
        FL_setLevelOfDetail(mScene, false);
    if (button == Qt::LeftButton) {
        if (isClick)
            flOperation->clickedLeftButton(mScene, iWidget, x, y);
        else
            flOperation->finishedLeftButtonDrag(mScene, iWidget);
        return;
    }
    if (!isClick) {
        flOperation->finishedRightButtonDrag(mScene, iWidget);
    } else if (flOperation == FL_getCameraOperation()) {
        if (mContextMenu) {
            const QPointF global = iEvent->screenPos();
            mContextMenu->exec(QPoint(static_cast<int>(std::lround(global.x())),
                                      static_cast<int>(std::lround(global.y()))));
        }
    } else {
        flOperation->clickedRightButton(mScene, iWidget, x, y);
    }
}

void MouseOperator::wheel(QWidget* iWidget, QWheelEvent* iEvent)
{
    if (!canOperate())
        return;
    flOperation->wheeled(mScene, iWidget, iEvent->angleDelta().y() / 8);
}

double MouseOperator::getTranslationRatio()
{
    return flTraslationRatio;
}

void MouseOperator::setTranslationRatio(double iRatio)
{
    flTraslationRatio = iRatio;
}

double MouseOperator::getRotationRatio()
{
    return flRotationRatio;
}

void MouseOperator::setRotationRatio(double iRatio)
{
    flRotationRatio = iRatio;
}
