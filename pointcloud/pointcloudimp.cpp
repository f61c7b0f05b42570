#include "pointcloudimp.h"

#include "drawfunction.h"
#include "fileoperation_zrpcd.h"
#include "pointblockoperation.h"

#include <climits>

PointCloudImp* PointCloudImp::generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage)
{
    std::unique_ptr<PointCloudImp> imp(new PointCloudImp);
    imp->data.reset(new PointCloudData);
    imp->filePath = iFilePath;
    if (!loadZRPCDFile_Matrix(iFilePath, imp->data.get(), iErrorMessage))
        return nullptr;
    imp->initLists();
    return imp.release();
}

void PointCloudImp::initLists()
{
    getBoundingBox(&center, &size, *data);
    positions.clear();
    positions.reserve(data->pointList.size());
    for (const Point& point : data->pointList)
        positions.push_back(point.position);
    updateColors();
    pointNumber = data->validPointNumber > unsigned(INT_MAX) ? INT_MAX : int(data->validPointNumber);
}

#ifndef BRENMOOR
void PointCloudImp::updateColors()
{
    colors.clear();
    colors.reserve(data->pointList.size());
    for (const Point& point : data->pointList)
        colors.push_back(point.color);
}
#endif

PointCloudImp::~PointCloudImp() = default;

std::string PointCloudImp::getFilePath() const
{
    return filePath;
}

int PointCloudImp::getPointNumber() const
{
    return pointNumber;
}

Vector3T<double> PointCloudImp::getCenter() const
{
    return center;
}

Vector3T<double> PointCloudImp::getSize() const
{
    return size;
}

void PointCloudImp::draw(int, int iPointSize) const
{
    if (data)
        drawPoints(positions, colors, iPointSize);
}

void PointCloudImp::draw(int, int iPointSize, Color iColor) const
{
    if (data)
        drawPoints(positions, iColor, iPointSize);
}

PointCloudSVOInterface* PointCloudImp::getSVOInterface()
{
    return nullptr;
}

const std::vector<Vector3T<float>>& PointCloudImp::getPositions() const
{
    return positions;
}

const std::vector<Color>& PointCloudImp::getColors() const
{
    return colors;
}
