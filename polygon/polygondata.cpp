#include "polygonmesh.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <vector>

namespace
{
constexpr std::uint32_t FL_NO_NODE = 0xFFFFFFFFu;

} // namespace

bool PolygonData::init(const PointCloudData& iGrid, bool iRowMajor, int iSamplingPitch)
{
    std::cout << "column = " << iGrid.width << std::endl;
    std::cout << "row = " << iGrid.height << std::endl;
    std::cout << "point number = " << iGrid.validPointNumber << std::endl;
    std::cout << "row major = " << (iRowMajor ? "true" : "false") << std::endl;
    std::cout << "sampling pitch = " << iSamplingPitch << std::endl;

    // A pitch below 1 would never leave the cell loops; a grid whose cells do not fill its
    // width and height would be read past its end.
    const std::int64_t columns = iGrid.width;
    const std::int64_t rows = iGrid.height;
    if (iSamplingPitch < 1 || columns < 0 || rows < 0 ||
        static_cast<std::uint64_t>(columns * rows) != iGrid.pointList.size() ||
        iGrid.pointList.size() > FL_NO_NODE) {
        std::cout << "Invalid grid or sampling pitch." << std::endl;
        return false;
    }

    points.reserve(points.size() + iGrid.validPointNumber);
    colors.reserve(colors.size() + iGrid.validPointNumber);

    const std::int64_t outer = iRowMajor ? rows : columns;
    const std::int64_t inner = iRowMajor ? columns : rows;
    auto cellNumber = [inner](std::int64_t iOuter, std::int64_t iInner) { return iOuter * inner + iInner; };

    std::vector<std::uint32_t> nodeIndex(iGrid.pointList.size(), FL_NO_NODE);
    std::cout << "NodeIndexArray size = " << nodeIndex.size() << std::endl;

    for (std::int64_t o = 0; o < outer; ++o)
        for (std::int64_t i = 0; i < inner; ++i) {
            const std::size_t cell = static_cast<std::size_t>(cellNumber(o, i));
            const Point& point = iGrid.pointList[cell];
            // A cell with non-finite coordinates counts as empty.
            if (!point.isValid() || !point.position.isFinite() || points.size() >= FL_NO_NODE)
                continue;
            nodeIndex[cell] = static_cast<std::uint32_t>(points.size());
            points.push_back(point.position);
            colors.push_back(point.color);
        }
    std::cout << "node number = " << points.size() << std::endl;

    const std::int64_t pitch = iSamplingPitch;
    std::int64_t stateCount[5] = {0, 0, 0, 0, 0};
    auto addTriangle = [this](std::uint32_t iA, std::uint32_t iB, std::uint32_t iC) {
        Triangle triangle;
        triangle.index[0] = iA;
        triangle.index[1] = iB;
        triangle.index[2] = iC;
        triangles.push_back(triangle);
    };
    for (std::int64_t o = 0; o < outer - pitch; o += pitch)
        for (std::int64_t i = 0; i < inner - pitch; i += pitch) {
            const std::uint32_t a = nodeIndex[static_cast<std::size_t>(cellNumber(o, i))];
            const std::uint32_t b = nodeIndex[static_cast<std::size_t>(cellNumber(o, i + pitch))];
            const std::uint32_t c = nodeIndex[static_cast<std::size_t>(cellNumber(o + pitch, i))];
            const std::uint32_t d = nodeIndex[static_cast<std::size_t>(cellNumber(o + pitch, i + pitch))];
            const bool emptyA = a == FL_NO_NODE, emptyB = b == FL_NO_NODE;
            const bool emptyC = c == FL_NO_NODE, emptyD = d == FL_NO_NODE;
            const int empty = int(emptyA) + int(emptyB) + int(emptyC) + int(emptyD);
            ++stateCount[empty];
            if (empty == 0) {
                addTriangle(a, c, b);
                addTriangle(b, c, d);
            } else if (empty == 1) {
                if (emptyA)
                    addTriangle(b, c, d);
                else if (emptyC)
                    addTriangle(a, d, b);
                else if (emptyB)
                    addTriangle(a, c, d);
                else
                    addTriangle(a, c, b);
            }
        }
    for (int k = 0; k < 5; ++k)
        std::cout << "State Map [ " << k << " ] = " << stateCount[k] << std::endl;
    std::cout << "trinagle number = " << triangles.size() << std::endl;
    return !triangles.empty();
}

bool PolygonData::init(int iColumns, int iRows)
{
    if (iColumns <= 0 || iRows <= 0)
        return false;
    const std::size_t count = static_cast<std::size_t>(iColumns) * static_cast<std::size_t>(iRows);
    points.reserve(points.size() + count);
    colors.reserve(colors.size() + count);
    const std::uint32_t first = static_cast<std::uint32_t>(points.size());
    for (int s = 0; s < iColumns; ++s)
        for (int t = 0; t < iRows; ++t) {
            points.emplace_back(s * 0.1f, t * 0.1f, 0.0f);
            colors.emplace_back(static_cast<unsigned char>(static_cast<double>(s) / iColumns * 255),
                                static_cast<unsigned char>(static_cast<double>(t) / iRows * 255), 255, 255);
        }
    for (int s = 0; s + 1 < iColumns; ++s)
        for (int t = 0; t + 1 < iRows; ++t) {
            const std::uint32_t a = first + static_cast<std::uint32_t>(s * iRows + t);
            const std::uint32_t b = a + 1;
            const std::uint32_t c = first + static_cast<std::uint32_t>((s + 1) * iRows + t);
            const std::uint32_t d = c + 1;
            Triangle lower;
            lower.index[0] = a;
            lower.index[1] = c;
            lower.index[2] = b;
            triangles.push_back(lower);
            Triangle upper;
            upper.index[0] = b;
            upper.index[1] = c;
            upper.index[2] = d;
            triangles.push_back(upper);
        }
    return true;
}
