// The editor's point list: marks by planes and keys, the mark colours, and what stays fixed.
#include "pointcloudimp.h"

#include "shotfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Planes = std::vector<Vector4T<double>>;

std::unique_ptr<PointCloudImp> makeList(const PointCloudData& iData)
{
    std::string error = "untouched";
    std::unique_ptr<PointCloudImp> list(PointCloudImp::generateFromPCD(iData, "scan.zrpcd", error));
    EXPECT_EQ(error, "untouched");
    return list;
}

std::vector<unsigned> flags(const PointCloudImp& iList)
{
    PointCloudData data;
    EXPECT_TRUE(iList.getPointCloudData(&data));
    std::vector<unsigned> out;
    for (const Point& point : data.pointList)
        out.push_back(point.flag);
    return out;
}

} // namespace

TEST(EditorPointList, MarksByPlanesAndKeysWithTheirColours)
{
    const PointCloudData source = shotfixture::makeData();
    std::unique_ptr<PointCloudImp> list = makeList(source);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->getFilePath(), "scan.zrpcd");
    EXPECT_EQ(list->getPointNumber(), 5);
    EXPECT_EQ(list->getSVOInterface(), nullptr);
    // The box of the cells not deleted; the deleted cell is drawn with alpha 0, the selected one red.
    EXPECT_EQ(list->getCenter(), Vector3T<double>(412346.25, 0.5, 3));
    EXPECT_EQ(list->getSize(), Vector3T<double>(2.5, 0.5, 6));
    ASSERT_EQ(list->getColors().size(), 6u);
    EXPECT_EQ(list->getColors()[0], Color(0, 20, 200, 255));
    EXPECT_EQ(list->getColors()[3], Color(30, 20, 197, 0));
    EXPECT_EQ(list->getColors()[4], Color(196, 0, 0, 255));

    // z <= 1 holds the cells 0, 1 and 4; a point on the plane is inside.
    list->deselectPointALL();
    list->selectPoint({Vector4T<double>(0, 0, 1, 1)});
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{1, 1, 0, 2, 1, 0}));
    // Deselection by z <= 1 and x <= 412346 takes the cells inside both: 0 and 4, not 1.
    list->deselectPoint({Vector4T<double>(0, 0, 1, 1), Vector4T<double>(1, 0, 0, 412346)});
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{0, 1, 0, 2, 0, 0}));
    EXPECT_EQ(list->getColors()[1], Color(199, 0, 0, 255)); // (10, 20, 199) at its brightness

    list->deleteSelectedPoint();
    list->deleteSelectedPoint();
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{0, 3, 0, 2, 0, 0}));
    EXPECT_EQ(list->getColors()[1], Color(199, 0, 0, 0));
    // Deselecting keeps the deletion; the colour returns with alpha 0.
    list->deselectPointALL();
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{0, 2, 0, 2, 0, 0}));
    EXPECT_EQ(list->getColors()[1], Color(10, 20, 199, 0));

    // No plane: every cell inside; an unmeetable plane: none.
    list->selectPoint({});
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{1, 3, 1, 3, 1, 1}));
    list->deselectPointALL();
    list->selectPoint({Vector4T<double>(0, 0, 0, -1)});
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{0, 2, 0, 2, 0, 0}));
    list->selectPointALL();
    EXPECT_EQ(flags(*list), (std::vector<unsigned>{1, 3, 1, 3, 1, 1}));

    // Count and box stay those of the list as made.
    EXPECT_EQ(list->getPointNumber(), 5);
    EXPECT_EQ(list->getCenter(), Vector3T<double>(412346.25, 0.5, 3));
    // The list it was made from is a copy.
    EXPECT_EQ(source.pointList[1].flag, 0u);
}

TEST(EditorPointList, EmptyListAndMatrixFile)
{
    std::unique_ptr<PointCloudImp> empty = makeList(PointCloudData());
    empty->selectPointALL();
    empty->selectPoint({});
    empty->deleteSelectedPoint();
    EXPECT_TRUE(empty->getColors().empty());
    EXPECT_TRUE(empty->getPositions().empty());
    EXPECT_TRUE(flags(*empty).empty());
    EXPECT_EQ(empty->getSize(), Vector3T<double>(0, 0, 0));

    // A point-matrix file in the editor: its marks are drawn as such.
    testutil::TempDir dir;
    const std::string path = dir.file("grid.zrpmd");
    ASSERT_TRUE(shotfixture::writeZRPMD(path, shotfixture::makeData()));
    std::string error;
    std::unique_ptr<PointCloudImp> matrix(PointCloudImp::generateFromBinaryFile_SVO(path, error));
    ASSERT_TRUE(matrix) << error;
    EXPECT_EQ(matrix->getColors()[3].alpha, 0);
    EXPECT_EQ(PointCloudImp::generateFromBinaryFile_SVO(dir.file("missing.zrpmd"), error), nullptr);
    EXPECT_EQ(error, "Cannot open file for reading: " + dir.file("missing.zrpmd"));
}
