#include "pointcloudimp.h"

#include "shotfixture.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using testutil::CoutCapture;
using testutil::TempDir;

TEST(PointCloudImp, HoldsEveryMatrixCellInCellOrder)
{
    TempDir dir;
    const std::string path = dir.file("grid.zrpmd");
    const PointCloudData data = shotfixture::makeData();
    ASSERT_TRUE(shotfixture::writeZRPMD(path, data));

    std::string error = "untouched";
    std::unique_ptr<PointCloudImp> imp(PointCloudImp::generateFromBinaryFile_SVO(path, error));
    ASSERT_TRUE(imp) << error;
    EXPECT_EQ(error, "untouched");
    EXPECT_EQ(imp->getFilePath(), path);
    EXPECT_EQ(imp->getPointNumber(), 5);
    EXPECT_EQ(imp->getSVOInterface(), nullptr);
    // The deleted cell at (-1000, -1000, 999) is outside the box but still in the lists.
    EXPECT_EQ(imp->getCenter(), Vector3T<double>(412346.25, 0.5, 3));
    EXPECT_EQ(imp->getSize(), Vector3T<double>(2.5, 0.5, 6));
    ASSERT_EQ(imp->getPositions().size(), 6u);
    ASSERT_EQ(imp->getColors().size(), 6u);
    EXPECT_EQ(imp->getPositions()[3], Vector3T<float>(-1000.0f, -1000.0f, 999.0f));
    EXPECT_EQ(imp->getPositions()[5], Vector3T<float>(412347.5f, 0.75f, 6.0f));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(imp->getColors()[i], Color(10 * i, 20, 200 - i, 255)) << i;
}

TEST(PointCloudImp, FailsWithTheReadersMessage)
{
    TempDir dir;
    const std::string missing = dir.file("missing.zrpmd");
    std::string error;
    EXPECT_EQ(PointCloudImp::generateFromBinaryFile_SVO(missing, error), nullptr);
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);

    // An octree point file has no matrix part: its header is refused.
    const std::string other = dir.file("scan.zrpcd");
    ASSERT_TRUE(shotfixture::writeZRPCD(other, shotfixture::makeData()));
    CoutCapture capture;
    EXPECT_EQ(PointCloudImp::generateFromBinaryFile_SVO(other, error), nullptr);

    // A file cut short in its matrix.
    const std::string cut = dir.file("cut.zrpmd");
    ASSERT_TRUE(shotfixture::writeZRPMD(cut, shotfixture::makeData()));
    const std::string bytes = testutil::readFile(cut);
    testutil::writeFile(cut, bytes.substr(0, bytes.size() / 3));
    error.clear();
    EXPECT_EQ(PointCloudImp::generateFromBinaryFile_SVO(cut, error), nullptr);
    EXPECT_EQ(error, "File is broken: " + cut);
}
