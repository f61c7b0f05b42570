#ifndef POINTCLOUD_POINTCLOUDIMP_H
#define POINTCLOUD_POINTCLOUDIMP_H

#include "pointcloudinterface.h"

#include <memory>
#include <string>
#include <vector>

// A whole point matrix in memory, read in one go from the matrix part of a point-matrix octree
// file: no octree, no level of detail. Every cell is drawn, empty ones too, at its stored
// position.
class PointCloudImp : public PointCloudInterface
{
public:
    // A new list owned by the caller, or null with the file reader's message.
    static PointCloudImp* generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage);

    ~PointCloudImp() override;
    PointCloudImp(const PointCloudImp&) = delete;
    PointCloudImp& operator=(const PointCloudImp&) = delete;

    std::string getFilePath() const override;
    // The matrix's valid point number.
    int getPointNumber() const override;
    // Box of the valid cells.
    Vector3T<double> getCenter() const override;
    Vector3T<double> getSize() const override;
    // The level is not used.
    void draw(int iLevel, int iPointSize) const override;
    void draw(int iLevel, int iPointSize, Color iColor) const override;
    PointCloudSVOInterface* getSVOInterface() override;

    // Position and colour of every matrix cell, in cell order.
    const std::vector<Vector3T<float>>& getPositions() const;
    const std::vector<Color>& getColors() const;

private:
    PointCloudImp() = default;

    std::unique_ptr<PointCloudData> data;
    std::vector<Vector3T<float>> positions;
    std::vector<Color> colors;
    std::string filePath;
    int pointNumber = 0;
    Vector3T<double> center;
    Vector3T<double> size;
};

#endif
