#include "polygon.h"

#include "fileoperation_object.h"
#include "polygoninterface.h"

MyPolygon::MyPolygon(QObject* iParent) : Object3D(iParent)
{
}

MyPolygon::~MyPolygon()
{
    // A load may be reading the data side.
    if (mLoadStop)
        mLoadStop();
    delete mPolygonInterface;
}

PolygonInterface* MyPolygon::getPolygonInterface() const
{
    return mPolygonInterface;
}

void MyPolygon::setLoadStop(LoadStop iStop)
{
    mLoadStop = std::move(iStop);
}

void MyPolygon::setPolygonInterface(PolygonInterface* iInterface)
{
    if (iInterface == nullptr || iInterface == mPolygonInterface)
        return;
    if (mPolygonInterface && mLoadStop)
        mLoadStop();
    PolygonInterface* old = mPolygonInterface;
    mPolygonInterface = iInterface;
    delete old;
    emit changedValue();
}

bool MyPolygon::exportObjectFile(const std::string& iFilePath, std::string& iErrorMessage) const
{
    ObjectInfo info;
    info.name = getName();
    info.visible = hasState(Visible);
    info.color = Color(255, 255, 255, 255);
    info.matrix = getMatrix();
    info.center = getBoundingBox().getCenter();
    info.size = getBoundingBox().getSize();
    info.dataFilePath = getDataFileName();
    return saveObjectFile(info, iFilePath, iErrorMessage);
}

MyPolygon* MyPolygon::importObjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    ObjectInfo info;
    if (!loadObjectFile(&info, iFilePath, iErrorMessage))
        return nullptr;
    MyPolygon* polygon = new MyPolygon(nullptr);
    polygon->setName(info.name);
    polygon->setMatrix(info.matrix);
    polygon->setBoundingBox(BoundingBox(info.center, info.size));
    polygon->setDataFileName(info.dataFilePath);
    // A mesh saved hidden opens hidden.
    polygon->setState(Visible, info.visible);
    return polygon;
}

PolygonSVOInterface* meshOctree(const MyPolygon* iMesh)
{
    PolygonInterface* data = iMesh ? iMesh->getPolygonInterface() : nullptr;
    return data ? data->getSVOInterface() : nullptr;
}
