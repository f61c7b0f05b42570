#include "polygonmanager.h"

#include "camera.h"
#include "clipbox.h"

PolygonManager::PolygonManager(QObject* iParent) : Object3D(iParent)
{
}

PolygonRenderingParameter PolygonManager::getRenderingParameter() const
{
    return mParameter;
}

void PolygonManager::updateDrawData(int iPointSize, int iTargetLevel, bool iDelayLoad, const Camera& iCamera,
                                    const ClipBox& iClipBox) const
{
    // Nothing to prepare: no mesh of the manager has level-of-detail data yet.
    Q_UNUSED(iPointSize);
    Q_UNUSED(iTargetLevel);
    Q_UNUSED(iDelayLoad);
    Q_UNUSED(iCamera);
    Q_UNUSED(iClipBox);
}

void PolygonManager::draw(PolygonRenderingParameter iParameter) const
{
    // Nothing to draw: no mesh of the manager is drawable yet.
    Q_UNUSED(iParameter);
}

void PolygonManager::setTargetLevel(int iLevel)
{
    if (iLevel == targetLevel)
        return;
    targetLevel = iLevel;
    emit changedValue();
}

void PolygonManager::setNormalLevel(int iLevel)
{
    if (iLevel == normalLevel)
        return;
    normalLevel = iLevel;
    emit changedValue();
}

void PolygonManager::setRoughLevel(int iLevel)
{
    if (iLevel == roughLevel)
        return;
    roughLevel = iLevel;
    emit changedValue();
}
