#include "objectpanel.h"

#include "object3d.h"

#include <QHideEvent>
#include <QShowEvent>

ObjectPanel::ObjectPanel(QWidget* iParent) : QWidget(iParent)
{
}

void ObjectPanel::setPanelTarget(Object3D* iTarget)
{
    disconnectTarget();
    mTarget = iTarget;
    if (isVisible()) {
        refresh();
        connectTarget();
    }
}

Object3D* ObjectPanel::panelTarget() const
{
    return mTarget.data();
}

void ObjectPanel::showEvent(QShowEvent* iEvent)
{
    // A window coming back from the minimised state shows nothing new.
    if (!iEvent->spontaneous()) {
        refresh();
        connectTarget();
    }
    QWidget::showEvent(iEvent);
}

void ObjectPanel::hideEvent(QHideEvent* iEvent)
{
    if (!iEvent->spontaneous())
        disconnectTarget();
    QWidget::hideEvent(iEvent);
}

void ObjectPanel::refreshFromTarget()
{
    refresh();
}

void ObjectPanel::connectTarget()
{
    if (!mTarget)
        return;
    connect(mTarget.data(), SIGNAL(changedValue()), this, SLOT(refreshFromTarget()), Qt::UniqueConnection);
    // Emitted once the pointer reads null: the refresh disables the panel.
    connect(mTarget.data(), SIGNAL(destroyed()), this, SLOT(refreshFromTarget()), Qt::UniqueConnection);
}

void ObjectPanel::disconnectTarget()
{
    if (!mTarget)
        return;
    disconnect(mTarget.data(), SIGNAL(changedValue()), this, SLOT(refreshFromTarget()));
    disconnect(mTarget.data(), SIGNAL(destroyed()), this, SLOT(refreshFromTarget()));
}
