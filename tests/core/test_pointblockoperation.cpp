#include "pointblockoperation.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

Point makePoint(float x, float y, float z, const Color& iColor, unsigned iFlag = 0)
{
    Point p;
    p.position = Vector3T<float>(x, y, z);
    p.color = iColor;
    p.flag = iFlag;
    return p;
}

PointCloudData makeData(const std::vector<Point>& iPoints)
{
    PointCloudData data;
    data.width = static_cast<int>(iPoints.size());
    data.height = 1;
    data.pointList = iPoints;
    for (const Point& p : iPoints)
        data.validPointNumber += p.isValid() ? 1u : 0u;
    return data;
}

} // namespace

TEST(PointBlockBoundingBox, UsesValidCellsOnly)
{
    const Color c(1, 2, 3);
    // The deleted cell lies far outside; the selected one still counts.
    const PointCloudData data = makeData({makePoint(1, -2, 3, c), makePoint(100, 100, 100, c, Point::Deleted),
                                          makePoint(-1, 4, 5, c, Point::Selected | 4u), makePoint(0, 0, 7, c)});
    Vector3T<double> center(9, 9, 9);
    Vector3T<double> size(9, 9, 9);
    getBoundingBox(&center, &size, data);
    EXPECT_EQ(center, Vector3T<double>(0, 1, 5));
    EXPECT_EQ(size, Vector3T<double>(2, 6, 4));
}

TEST(PointBlockBoundingBox, NoValidCellGivesZeroBox)
{
    const Color c;
    for (const PointCloudData& data :
         {makeData({}), makeData({makePoint(1, 2, 3, c, Point::Deleted), makePoint(4, 5, 6, c, 3u)})}) {
        Vector3T<double> center(9, 9, 9);
        Vector3T<double> size(9, 9, 9);
        getBoundingBox(&center, &size, data);
        EXPECT_EQ(center, Vector3T<double>());
        EXPECT_EQ(size, Vector3T<double>());
    }
}

TEST(PointBlockBoundingBox, CentreIsTakenInSinglePrecision)
{
    // 1 + 2^24 is not a float: the float sum rounds to 2^24, the double sum would not.
    const Color c;
    const PointCloudData data = makeData({makePoint(1, 0, 0, c), makePoint(16777216.0f, 0, 0, c)});
    Vector3T<double> center;
    Vector3T<double> size;
    getBoundingBox(&center, &size, data);
    EXPECT_EQ(center.x, 8388608.0);
    EXPECT_EQ(size.x, 16777215.0);
}

TEST(PointBlockBoundingBox, NonFiniteCoordinatesAreLeftOut)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Color c;
    const PointCloudData data =
        makeData({makePoint(nan, 1, nan, c), makePoint(2, inf, nan, c), makePoint(4, 3, nan, c)});
    Vector3T<double> center;
    Vector3T<double> size;
    getBoundingBox(&center, &size, data);
    EXPECT_EQ(center, Vector3T<double>(3, 2, 0));
    EXPECT_EQ(size, Vector3T<double>(2, 2, 0));
}

TEST(PointBlockValidDataList, AppendsAllCellsAndValidIndices)
{
    const std::vector<Point> points = {makePoint(1, 1, 1, Color(10, 0, 0)),
                                       makePoint(0, 0, 0, Color(20, 0, 0), Point::Deleted),
                                       makePoint(3, 3, 3, Color(30, 0, 0), Point::Selected),
                                       makePoint(4, 4, 4, Color(40, 0, 0), Point::Deleted | Point::Selected)};
    // Lists that already hold something are appended to.
    std::vector<Vector3T<float>> positions{Vector3T<float>(9, 9, 9)};
    std::vector<Color> colors{Color(9, 9, 9)};
    std::vector<unsigned> indices{99};
    getValidDataList(&positions, &colors, &indices, points);
    ASSERT_EQ(positions.size(), 5u);
    ASSERT_EQ(colors.size(), 5u);
    for (size_t k = 0; k < points.size(); ++k) {
        EXPECT_EQ(positions[k + 1], points[k].position);
        EXPECT_EQ(colors[k + 1], points[k].color);
    }
    EXPECT_EQ(indices, (std::vector<unsigned>{99, 0, 2}));
}

TEST(PointBlockInit, InitWithPointsKeepsFlagsAndAppends)
{
    PointBlock block;
    initWithPoints(&block, {makePoint(1, 2, 3, Color(1, 1, 1), 0)});
    initWithPoints(&block, {makePoint(4, 5, 6, Color(2, 2, 2, 7), 3u), makePoint(7, 8, 9, Color(3, 3, 3), 1u)});
    ASSERT_EQ(block.positions.size(), 3u);
    ASSERT_EQ(block.colors.size(), 3u);
    ASSERT_EQ(block.flags.size(), 3u);
    EXPECT_EQ(block.positions[1], Vector3T<float>(4, 5, 6));
    EXPECT_EQ(block.colors[1], Color(2, 2, 2, 7));
    EXPECT_EQ(block.flags, (std::vector<unsigned>{0, 3, 1}));
}

TEST(PointBlockInit, LeafDataBlocksFollowTheIndexOrder)
{
    const std::vector<Vector3T<float>> positions = {Vector3T<float>(0, 0, 0), Vector3T<float>(1, 1, 1),
                                                    Vector3T<float>(2, 2, 2)};
    const std::vector<Color> colors = {Color(0, 0, 0), Color(1, 1, 1), Color(2, 2, 2)};
    const std::vector<unsigned> indices = {2, 0, 2};

    PointBlock points;
    initLeafDataBlock<PointBlock>(&points, positions, colors, indices);
    EXPECT_EQ(points.positions, (std::vector<Vector3T<float>>{positions[2], positions[0], positions[2]}));
    EXPECT_EQ(points.colors, (std::vector<Color>{colors[2], colors[0], colors[2]}));
    EXPECT_EQ(points.flags, (std::vector<unsigned>{0, 0, 0}));

    PointIndexBlock block;
    block.indices = {7, 7, 7, 7};
    block.triangles = {1, 2, 3};
    initLeafDataBlock<PointIndexBlock>(&block, positions, colors, indices);
    EXPECT_EQ(block.indices, indices);
    EXPECT_EQ(block.points.positions, points.positions);
    EXPECT_EQ(block.points.colors, points.colors);
    EXPECT_EQ(block.points.flags, points.flags);
    EXPECT_TRUE(block.neighbourPoints.positions.empty());
    EXPECT_EQ(block.triangles, (std::vector<unsigned>{1, 2, 3}));
}

TEST(PointBlockInit, IndexOutsideTheListsKeepsBlockAligned)
{
    const std::vector<Vector3T<float>> positions = {Vector3T<float>(5, 5, 5)};
    const std::vector<Color> colors = {Color(5, 5, 5)};
    PointIndexBlock block;
    initLeafDataBlock<PointIndexBlock>(&block, positions, colors, {0, 3});
    ASSERT_EQ(block.points.positions.size(), 2u);
    ASSERT_EQ(block.points.colors.size(), 2u);
    ASSERT_EQ(block.points.flags.size(), 2u);
    EXPECT_EQ(block.points.positions[0], positions[0]);
    EXPECT_EQ(block.points.positions[1], Vector3T<float>());
    EXPECT_EQ(block.points.colors[1], Color());
}
