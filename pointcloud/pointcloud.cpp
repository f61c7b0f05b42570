#include "pointcloud.h"

#include "boundingbox.h"
#include "deleter.h"
#include "fileoperation_object.h"
#include "pointcloudinterface.h"
#include "pointcloudsvoimp.h"

#include <QFileInfo>
#include <QString>

#include <charconv>
#include <iostream>
#include <memory>

namespace {

// A number of the summary lines in the six-digit general form of a default output stream,
// whatever locale the program set.
std::string FL_text(double iValue)
{
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, iValue, std::chars_format::general, 6);
    return std::string(buffer, r.ptr);
}

std::string FL_text(const Vector3T<double>& iValue)
{
    return FL_text(iValue.x) + ", " + FL_text(iValue.y) + ", " + FL_text(iValue.z);
}

// The editor's object files have no Visible section, and its shots are always shown.
#ifdef BRENMOOR
const ObjectFileForm flObjectFileForm = ObjectFileForm::WithoutVisible;
#else
const ObjectFileForm flObjectFileForm = ObjectFileForm::WithVisible;
#endif

} // namespace

PointCloud::PointCloud(Object3D* iParent) : Object3D(iParent)
{
}

PointCloud::~PointCloud()
{
    // A load may be reading the shot itself, not only its data.
    if (mLoadStop)
        mLoadStop();
    releasePointCloud(mPointCloud);
}

const Color& PointCloud::getColor() const
{
    return mColor;
}

PointCloudInterface* PointCloud::getPointCloud() const
{
    return mPointCloud;
}

void PointCloud::setDeleterQueue(DeleterQueue iQueue)
{
    mDeleterQueue = std::move(iQueue);
}

void PointCloud::setLoadStop(LoadStop iStop)
{
    mLoadStop = std::move(iStop);
}

void PointCloud::setColor(Color iColor)
{
    if (iColor == mColor)
        return;
    mColor = iColor;
    emit changedValue();
}

void PointCloud::setPointCloud(PointCloudInterface* iPCImp)
{
    if (iPCImp == mPointCloud)
        return;
    // A load reads the data pointer and works on the old data.
    if (mLoadStop)
        mLoadStop();
    PointCloudInterface* old = mPointCloud;
    mPointCloud = iPCImp;
    releasePointCloud(old);
    emit changedValue();
}

void PointCloud::releasePointCloud(PointCloudInterface* iPCImp) const
{
    if (!iPCImp)
        return;
    // The octree body is the bulk of the data: it goes to the deleter thread, and the empty
    // data object is cheap to free here.
    PointCloudSVOInterface* svo = iPCImp->getSVOInterface();
    if (mDeleterQueue && svo && svo->hasPointData()) {
        Deleter* deleter = nullptr;
        svo->clearPointData(&deleter);
        if (deleter)
            mDeleterQueue(deleter);
    }
    delete iPCImp;
}

bool PointCloud::reloadPointData(std::string& iErrorMessage)
{
    PointCloudSVOInterface* svo = mPointCloud ? mPointCloud->getSVOInterface() : nullptr;
    if (!svo)
        return false;
    // A load may be filling the body that is dropped here.
    if (mLoadStop)
        mLoadStop();
    svo->clearPointData();
    const bool loaded = svo->loadSVO_Base(iErrorMessage);
    emit changedValue();
    return loaded;
}

bool PointCloud::exportObjectFile(const std::string& iFilePath, std::string& iErrorMessage) const
{
    ObjectInfo info;
    info.name = getName();
#ifndef BRENMOOR
    info.visible = hasState(Visible);
#endif
    info.color = mColor;
    info.matrix = getMatrix();
    info.center = getBoundingBox().getCenter();
    info.size = getBoundingBox().getSize();
    info.dataFilePath = getDataFileName();
    return saveObjectFile(info, iFilePath, iErrorMessage, flObjectFileForm);
}

PointCloud* PointCloud::generateFromObjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    ObjectInfo info;
    if (!loadObjectFile(&info, iFilePath, iErrorMessage, flObjectFileForm))
        return nullptr;
    PointCloud* shot = new PointCloud;
    shot->setName(info.name);
#ifndef BRENMOOR
    if (info.visible)
        shot->enableState(Visible);
    else
        shot->disableState(Visible);
#endif
    shot->setColor(info.color);
    shot->setMatrix(info.matrix);
    shot->setBoundingBox(BoundingBox(info.center, info.size));
    shot->setDataFileName(info.dataFilePath);
    return shot;
}

PointCloudInterface* PointCloud::openPointCloudData(const std::string& iFilePath, std::string& iErrorMessage)
{
    const std::string suffix = QFileInfo(QString::fromStdString(iFilePath)).suffix().toStdString();
    std::unique_ptr<PointCloudInterface> data;
    if (suffix == "zrpcd")
        data.reset(new PointCloudSVOImp<ColorBlock, PointBlock>(iFilePath));
    else if (suffix == "zrpmd")
        data.reset(new PointCloudSVOImp<ColorBlock, PointIndexBlock>(iFilePath));
    std::string error;
    if (!data || !data->getSVOInterface()->loadSVO_Base(error)) {
        iErrorMessage = error;
        return nullptr;
    }
    return data.release();
}

PointCloud* PointCloud::generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage)
{
    PointCloudInterface* data = openPointCloudData(iFilePath, iErrorMessage);
    if (!data)
        return nullptr;
    const QFileInfo file(QString::fromStdString(iFilePath));
    PointCloud* shot = new PointCloud;
    shot->setName(file.filePath().toStdString());
    shot->setColor(Color(255, 255, 255, 255));
    shot->setMatrix(Matrix4x4T<double>::identity());
    shot->setDataFileName(file.fileName().toStdString());
    shot->setBoundingBox(BoundingBox(data->getCenter(), data->getSize()));
    shot->setPointCloud(data);

    const BoundingBox& box = shot->getBoundingBox();
    std::cout << "Name: " << shot->getName() << "\n"
              << "BounsingBox::Center: " << FL_text(box.getCenter()) << "\n"
              << "BoundingBox::Size: " << FL_text(box.getSize()) << "\n"
              << "DataFileName: " << shot->getDataFileName() << std::endl;
    return shot;
}
