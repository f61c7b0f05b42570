#include "pointcloudmanager.h"

#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "shotfixture.h"
#include "testutil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using testutil::CoutCapture;
using testutil::TempDir;

class ShotListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(shotfixture::writeZRPCD(mDir.file("scan.zrpcd"), shotfixture::makeData()));
        ASSERT_TRUE(shotfixture::writeZRPMD(mDir.file("grid.zrpmd"), shotfixture::makeData()));
    }

    bool import(const std::string& iName, std::string* oError = nullptr)
    {
        CoutCapture quiet;
        std::string error;
        const bool ok = mManager.generateFromBinaryFile_SVO(mDir.file(iName), error);
        if (oError)
            *oError = error;
        return ok;
    }

    TempDir mDir;
    PointCloudManager mManager;
};

} // namespace

TEST_F(ShotListTest, ImportAddsShotsAndRefusesOtherFiles)
{
    QSignalSpy structure(&mManager, SIGNAL(changedStructure()));
    ASSERT_TRUE(import("scan.zrpcd"));
    ASSERT_TRUE(import("grid.zrpmd"));
    EXPECT_EQ(structure.count(), 2);
    ASSERT_EQ(mManager.getObjectSetSize(), 2u);
    EXPECT_EQ(mManager.getData(0)->getName(), mDir.file("scan.zrpcd"));
    EXPECT_EQ(mManager.getData(1)->getDataFileName(), "grid.zrpmd");
    EXPECT_EQ(mManager.getPointNumber(), 10);

    std::string error = "untouched";
    std::rename(mDir.file("scan.zrpcd").c_str(), mDir.file("scan.ZRPCD").c_str());
    EXPECT_FALSE(import("scan.ZRPCD", &error));
    EXPECT_EQ(error, "");
    EXPECT_FALSE(import("missing.zrpcd", &error));
    EXPECT_EQ(error, "Cannot open file for reading: " + mDir.file("missing.zrpcd"));
    EXPECT_EQ(mManager.getObjectSetSize(), 2u);
    EXPECT_EQ(mManager.getData(5), nullptr);
}

TEST_F(ShotListTest, ObjectFilesReopenShotsBesideTheirData)
{
    ASSERT_TRUE(import("grid.zrpmd"));
    PointCloud* shot = mManager.getData(0);
    shot->setName("Grid");
    shot->disableState(Object3D::Visible);
    std::string error;
    ASSERT_TRUE(mManager.exportObjectFile(0, mDir.file("Shot_0.shot"), error)) << error;
    error = "untouched";
    EXPECT_FALSE(mManager.exportObjectFile(3, mDir.file("Shot_3.shot"), error));
    EXPECT_EQ(error, "untouched");

    PointCloudManager reopened;
    ASSERT_TRUE(reopened.generateFromObjectFile(mDir.file("Shot_0.shot"), error)) << error;
    ASSERT_EQ(reopened.getObjectSetSize(), 1u);
    const PointCloud* back = reopened.getData(0);
    EXPECT_EQ(back->getName(), "Grid");
    EXPECT_FALSE(back->hasState(Object3D::Visible));
    EXPECT_EQ(back->getBoundingBox(), shot->getBoundingBox());
    ASSERT_NE(back->getPointCloud(), nullptr);
    EXPECT_EQ(back->getPointCloud()->getPointNumber(), 5);

    // The data file is gone: the shot is not added and the octree's open error comes back.
    std::remove(mDir.file("grid.zrpmd").c_str());
    PointCloudManager orphan;
    EXPECT_FALSE(orphan.generateFromObjectFile(mDir.file("Shot_0.shot"), error));
    EXPECT_EQ(error, "Cannot open file for reading: " + mDir.file("grid.zrpmd"));
    EXPECT_EQ(orphan.getObjectSetSize(), 0u);
    EXPECT_FALSE(orphan.generateFromObjectFile(mDir.file("none.shot"), error));
    EXPECT_EQ(error, "Cannot open file for reading: " + mDir.file("none.shot"));
}

TEST_F(ShotListTest, SelectionVisibilityAndNames)
{
    ASSERT_TRUE(import("scan.zrpcd"));
    ASSERT_TRUE(import("grid.zrpmd"));
    int index = 7;
    mManager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, -1);
    mManager.getData(1)->enableState(Object3D::Selected);
    mManager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, 1);

    QSignalSpy changed(mManager.getData(1), SIGNAL(changedValue()));
    mManager.setSelectedALL(true);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(mManager.getData(0)->hasState(Object3D::Selected));
    mManager.setVisibleALL(false);
    EXPECT_FALSE(mManager.getData(0)->hasState(Object3D::Visible));
    EXPECT_FALSE(mManager.getData(1)->hasState(Object3D::Visible));
    mManager.setSelectedALL(false);
    mManager.getFirstIndexSelected(&index);
    EXPECT_EQ(index, -1);

    std::vector<std::string> names{"earlier"};
    mManager.getNameALL(&names);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "earlier");
    EXPECT_EQ(names[2], mDir.file("grid.zrpmd"));
}
