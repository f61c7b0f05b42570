#ifndef POINTCLOUD_POINTCLOUDMANAGER_H
#define POINTCLOUD_POINTCLOUDMANAGER_H

#include "object3d.h"

#include <cstdint>
#include <string>
#include <vector>

class PointCloud;

// The shots of the scene, as owned children, and the operations over that list.
class PointCloudManager : public Object3D
{
    Q_OBJECT

public:
    explicit PointCloudManager(QObject* iParent = nullptr);

    // Null when child iIndex does not exist or is not a shot.
    PointCloud* getData(int iIndex) const;

    // False, message untouched, when child iIndex is not a shot.
    bool exportObjectFile(int iIndex, const std::string& iFilePath, std::string& iErrorMessage) const;
    // Reopens a shot from its object file and the data file beside it; adds it on success.
    bool generateFromObjectFile(const std::string& iFilePath, std::string& iErrorMessage);
    // Imports an octree data file as a new white shot; adds it on success.
    bool generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage);

    // Appends the name of every child, in child order.
    void getNameALL(std::vector<std::string>* iNameList) const;
    // -1 when no child is selected.
    void getFirstIndexSelected(int* iIndex) const;
    std::int64_t getPointNumber() const;

public slots:
    void setSelectedALL(bool iSelected);
    void setVisibleALL(bool iVisible);
};

#endif
