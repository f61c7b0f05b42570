#include "pointcloudmanager.h"

#include "pointcloud.h"
#include "pointcloudinterface.h"

#include <QFileInfo>
#include <QString>

PointCloudManager::PointCloudManager(QObject* iParent) : Object3D(iParent) {}

PointCloud* PointCloudManager::getData(int iIndex) const
{
    return qobject_cast<PointCloud*>(getObject(iIndex));
}

bool PointCloudManager::exportObjectFile(int iIndex, const std::string& iFilePath, std::string& iErrorMessage) const
{
    const PointCloud* shot = getData(iIndex);
    return shot != nullptr && shot->exportObjectFile(iFilePath, iErrorMessage);
}

bool PointCloudManager::generateFromObjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    PointCloud* shot = PointCloud::generateFromObjectFile(iFilePath, iErrorMessage);
    if (shot == nullptr)
        return false;
    const QString folder = QFileInfo(QString::fromStdString(iFilePath)).path();
    const std::string dataPath = folder.toStdString() + "/" + shot->getDataFileName();
    std::string error;
    PointCloudInterface* data = PointCloud::openPointCloudData(dataPath, error);
    if (data == nullptr) {
        iErrorMessage = error;
        delete shot;
        return false;
    }
    shot->setPointCloud(data);
    addNewObject(shot);
    return true;
}

bool PointCloudManager::generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage)
{
    std::string error;
    PointCloud* shot = PointCloud::generateFromBinaryFile_SVO(iFilePath, error);
    if (shot == nullptr) {
        iErrorMessage = error;
        return false;
    }
    addNewObject(shot);
    return true;
}

void PointCloudManager::getNameALL(std::vector<std::string>* iNameList) const
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        iNameList->push_back(getObject(static_cast<int>(i))->getName());
}

void PointCloudManager::getFirstIndexSelected(int* iIndex) const
{
    *iIndex = -1;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        if (getObject(static_cast<int>(i))->hasState(Object3D::Selected)) {
            *iIndex = static_cast<int>(i);
            return;
        }
    }
}

std::int64_t PointCloudManager::getPointNumber() const
{
    std::int64_t total = 0;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot != nullptr && shot->getPointCloud() != nullptr)
            total += shot->getPointCloud()->getPointNumber();
    }
    return total;
}

void PointCloudManager::setSelectedALL(bool iSelected)
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        getObject(static_cast<int>(i))->setState(Object3D::Selected, iSelected);
}

void PointCloudManager::setVisibleALL(bool iVisible)
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        getObject(static_cast<int>(i))->setState(Object3D::Visible, iVisible);
}
