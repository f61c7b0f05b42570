#include "polygon.h"

MyPolygon::MyPolygon(QObject* iParent) : Object3D(iParent)
{
}

PolygonInterface* MyPolygon::getPolygonInterface() const
{
    return mPolygonInterface;
}

void MyPolygon::setPolygonInterface(PolygonInterface* iInterface)
{
    if (iInterface == nullptr || iInterface == mPolygonInterface)
        return;
    mPolygonInterface = iInterface;
    emit changedValue();
}
