#include "fileoperation_pointclouddata.h"

#include "binaryfileoperator.h"
#include "rawio.h"

#include <cstdint>
#include <iostream>

namespace {

bool FL_readMatrixHeader(std::istream& iStream, std::int32_t* oWidth, std::int32_t* oHeight, std::uint32_t* oValid,
                         std::uint64_t* oCells)
{
    if (!rawio::readValue(iStream, oWidth) || !rawio::readValue(iStream, oHeight) ||
        !rawio::readValue(iStream, oValid))
        return false;
    if (*oWidth < 0 || *oHeight < 0)
        return false;
    *oCells = std::uint64_t(*oWidth) * std::uint64_t(*oHeight);
    return rawio::fits(iStream, *oCells, sizeof(Point));
}

bool FL_skipCells(std::istream& iStream, std::uint64_t iCells)
{
    iStream.seekg(static_cast<std::streamoff>(iCells * sizeof(Point)), std::ios::cur);
    return static_cast<bool>(iStream);
}

} // namespace

bool writePointCloudData(std::ofstream& iStream, const PointCloudData& iData)
{
    std::cout << "width = " << iData.width << std::endl;
    std::cout << "height = " << iData.height << std::endl;
    std::cout << "point number = " << iData.validPointNumber << std::endl;
    std::cout << "Point Cloud dataset size = " << iData.pointList.size() << std::endl;
    std::cout << "Point data size = " << sizeof(Point) << std::endl;
    const std::int32_t width = iData.width;
    const std::int32_t height = iData.height;
    const std::uint32_t valid = iData.validPointNumber;
    return rawio::writeValue(iStream, width) && rawio::writeValue(iStream, height) &&
           rawio::writeValue(iStream, valid) && rawio::writeVector(iStream, iData.pointList);
}

bool loadPointCloudData(std::istream& iStream, PointCloudData* oData)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t valid = 0;
    std::uint64_t cells = 0;
    if (!FL_readMatrixHeader(iStream, &width, &height, &valid, &cells))
        return false;
    oData->width = width;
    oData->height = height;
    oData->validPointNumber = valid;
    oData->pointList.resize(static_cast<size_t>(cells));
    return rawio::readRaw(iStream, oData->pointList.data(), cells * sizeof(Point));
}

bool readPointCloudData(std::istream& iStream)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t valid = 0;
    std::uint64_t cells = 0;
    return FL_readMatrixHeader(iStream, &width, &height, &valid, &cells) && FL_skipCells(iStream, cells);
}

bool loadPointCloudMatrixInfo(std::istream& iStream, int* oWidth, int* oHeight, int* oValidNumber)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t valid = 0;
    std::uint64_t cells = 0;
    if (!FL_readMatrixHeader(iStream, &width, &height, &valid, &cells))
        return false;
    *oWidth = width;
    *oHeight = height;
    *oValidNumber = static_cast<int>(valid);
    return FL_skipCells(iStream, cells);
}

bool loadPointData(std::istream& iStream, std::vector<Point>* oOut, const std::vector<unsigned>& iIndices,
                   bool volatile* iStop)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t valid = 0;
    std::uint64_t cells = 0;
    if (!FL_readMatrixHeader(iStream, &width, &height, &valid, &cells))
        return false;
    for (unsigned index : iIndices)
        if (index >= cells)
            return false;
    oOut->resize(iIndices.size());
    return BinaryFileOperator::read<Point>(iStream, *oOut, iIndices, iStop);
}

bool loadPointData(std::istream& iStream, std::vector<Point>* oOut, const std::vector<unsigned>& iIndices)
{
    return loadPointData(iStream, oOut, iIndices, nullptr);
}
