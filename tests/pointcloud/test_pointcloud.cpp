#include "pointcloud.h"

#include "deleter.h"
#include "pointcloudinterface.h"
#include "shotfixture.h"
#include "testutil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using testutil::CoutCapture;
using testutil::TempDir;

// Point data without an octree that counts its destructions.
class ProbeData : public PointCloudInterface
{
public:
    explicit ProbeData(int* iDestroyed) : mDestroyed(iDestroyed) {}
    ~ProbeData() override { ++*mDestroyed; }
    std::string getFilePath() const override { return "probe"; }
    int getPointNumber() const override { return 7; }
    Vector3T<double> getCenter() const override { return {}; }
    Vector3T<double> getSize() const override { return {}; }
    void draw(int, int) const override {}
    void draw(int, int, Color) const override {}
    PointCloudSVOInterface* getSVOInterface() override { return nullptr; }

private:
    int* mDestroyed;
};

const Vector3T<double> flCenter(412346.25, 0.5, 3);
const Vector3T<double> flSize(2.5, 0.5, 6);

class ShotFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(shotfixture::writeZRPCD(mDir.file("scan.zrpcd"), shotfixture::makeData()));
        ASSERT_TRUE(shotfixture::writeZRPMD(mDir.file("grid.zrpmd"), shotfixture::makeData()));
    }

    TempDir mDir;
};

} // namespace

TEST_F(ShotFiles, ImportMakesAWhiteShotOverEitherFileKind)
{
    for (const std::string name : {"scan.zrpcd", "grid.zrpmd"}) {
        SCOPED_TRACE(name);
        const std::string path = mDir.file(name);
        std::string error = "untouched";
        CoutCapture capture;
        std::unique_ptr<PointCloud> shot(PointCloud::generateFromBinaryFile_SVO(path, error));
        ASSERT_TRUE(shot) << error;
        EXPECT_EQ(error, "untouched");
        EXPECT_EQ(shot->getName(), path);
        EXPECT_EQ(shot->getDataFileName(), name);
        EXPECT_EQ(shot->getColor(), Color(255, 255, 255, 255));
        EXPECT_EQ(shot->getMatrix(), Matrix4x4T<double>::identity());
        EXPECT_TRUE(shot->hasState(Object3D::Visible));
        EXPECT_EQ(shot->getBoundingBox(), BoundingBox(flCenter, flSize));
        ASSERT_NE(shot->getPointCloud(), nullptr);
        EXPECT_EQ(shot->getPointCloud()->getPointNumber(), 5);
        EXPECT_EQ(shot->getPointCloud()->getFilePath(), path);
        EXPECT_EQ(capture.lines(), (std::vector<std::string>{"Name: " + path, "BounsingBox::Center: 412346, 0.5, 3",
                                                             "BoundingBox::Size: 2.5, 0.5, 6",
                                                             "DataFileName: " + name}));
    }
}

TEST_F(ShotFiles, ImportRefusesOtherKindsAndBrokenFiles)
{
    // The suffix decides, case-sensitively; nothing is made and nothing printed.
    std::rename(mDir.file("scan.zrpcd").c_str(), mDir.file("scan.ZRPCD").c_str());
    for (const std::string name : {"scan.ZRPCD", "scan", "scan.zrpcd.txt"}) {
        std::string error = "before";
        CoutCapture capture;
        EXPECT_EQ(PointCloud::generateFromBinaryFile_SVO(mDir.file(name), error), nullptr) << name;
        EXPECT_EQ(error, "") << name;
        EXPECT_EQ(capture.text(), "") << name;
    }

    const std::string missing = mDir.file("missing.zrpmd");
    std::string error;
    EXPECT_EQ(PointCloud::generateFromBinaryFile_SVO(missing, error), nullptr);
    EXPECT_EQ(error, "Cannot open file for reading: " + missing);

    // An octree point file under the other kind's suffix fails its header check.
    std::rename(mDir.file("scan.ZRPCD").c_str(), mDir.file("scan.zrpmd").c_str());
    CoutCapture capture;
    EXPECT_EQ(PointCloud::generateFromBinaryFile_SVO(mDir.file("scan.zrpmd"), error), nullptr);
    EXPECT_EQ(capture.text().find("Name: "), std::string::npos);
}

// Layer sizes short of the nodes would open a shot with its last nodes dropped, a box that is
// not finite would become the shot's box: both are refused as broken.
TEST_F(ShotFiles, ImportRefusesTreesThatDoNotMatchTheirNodes)
{
    for (const std::string name : {"scan.zrpcd", "grid.zrpmd"}) {
        const std::string bytes = testutil::readFile(mDir.file(name)), path = mDir.file("damaged-" + name);
        const std::size_t tree = shotfixture::treeOffset(bytes, name == "grid.zrpmd");
        std::string damaged[2] = {bytes, bytes};
        --damaged[0].at(tree + 28 + 4 * shotfixture::wordAt(bytes, tree + 28)); // the last layer
        damaged[1].replace(tree + 16, 4, "\0\0\x80\x7f", 4);                    // size y infinite
        for (const std::string& broken : damaged) {
            testutil::writeFile(path, broken);
            std::string error;
            EXPECT_EQ(PointCloud::generateFromBinaryFile_SVO(path, error), nullptr) << name;
            EXPECT_EQ(error, "File is broken: " + path);
        }
    }
}

TEST_F(ShotFiles, ObjectFileRoundTripAndReattachingData)
{
    std::string error;
    std::unique_ptr<PointCloud> shot;
    {
        CoutCapture capture;
        shot.reset(PointCloud::generateFromBinaryFile_SVO(mDir.file("grid.zrpmd"), error));
    }
    ASSERT_TRUE(shot);
    shot->setColor(Color(1, 2, 3, 4));
    shot->disableState(Object3D::Visible);
    shot->enableState(Object3D::Selected);
    Matrix4x4T<double> matrix;
    matrix(0, 3) = 53412345.678;
    matrix(1, 3) = 0.1;
    shot->setMatrix(matrix);
    const std::string objectPath = mDir.file("Shot_0.shot");
    ASSERT_TRUE(shot->exportObjectFile(objectPath, error)) << error;

    std::unique_ptr<PointCloud> reopened;
    {
        CoutCapture capture;
        reopened.reset(PointCloud::generateFromObjectFile(objectPath, error));
    }
    ASSERT_TRUE(reopened) << error;
    EXPECT_EQ(reopened->getName(), shot->getName());
    EXPECT_FALSE(reopened->hasState(Object3D::Visible));
    EXPECT_FALSE(reopened->hasState(Object3D::Selected)); // selection is not kept
    EXPECT_EQ(reopened->getColor(), Color(1, 2, 3, 255));
    EXPECT_EQ(reopened->getMatrix(), matrix);
    EXPECT_EQ(reopened->getBoundingBox(), BoundingBox(flCenter, flSize));
    EXPECT_EQ(reopened->getDataFileName(), "grid.zrpmd");
    EXPECT_EQ(reopened->getPointCloud(), nullptr);

    // The data beside the object file, as a reopened project finds it.
    const std::string dataPath = mDir.path() + "/" + reopened->getDataFileName();
    PointCloudInterface* data = PointCloud::openPointCloudData(dataPath, error);
    ASSERT_NE(data, nullptr) << error;
    reopened->setPointCloud(data);
    EXPECT_EQ(reopened->getPointCloud()->getCenter(), flCenter);

    // Once the data file is gone the open error reaches the caller.
    std::remove(dataPath.c_str());
    error.clear();
    EXPECT_EQ(PointCloud::openPointCloudData(dataPath, error), nullptr);
    EXPECT_EQ(error, "Cannot open file for reading: " + dataPath);

    EXPECT_FALSE(shot->exportObjectFile(mDir.file("none/Shot_1.shot"), error));
    EXPECT_EQ(error, "Cannot open file for writting: " + mDir.file("none/Shot_1.shot"));

    error = "before";
    EXPECT_EQ(PointCloud::generateFromObjectFile(mDir.file("Shot_9.shot"), error), nullptr);
    EXPECT_EQ(error, "Cannot open file for reading: " + mDir.file("Shot_9.shot"));
}

TEST(PointCloud, SettersSignalOnlyOnChange)
{
    PointCloud shot;
    EXPECT_EQ(shot.getColor(), Color(0, 255, 0, 255));
    EXPECT_EQ(shot.getPointCloud(), nullptr);
    QSignalSpy spy(&shot, SIGNAL(changedValue()));
    shot.setColor(Color(0, 255, 0, 255));
    EXPECT_EQ(spy.count(), 0);
    shot.setColor(Color(0, 255, 0, 254));
    EXPECT_EQ(spy.count(), 1);

    int destroyed = 0;
    ProbeData* data = new ProbeData(&destroyed);
    shot.setPointCloud(data);
    EXPECT_EQ(spy.count(), 2);
    shot.setPointCloud(data);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(destroyed, 0);
}

TEST(PointCloud, OwnsAndFreesItsData)
{
    int destroyed = 0;
    {
        PointCloud shot;
        shot.setPointCloud(new ProbeData(&destroyed));
        shot.setPointCloud(new ProbeData(&destroyed)); // the first is freed
        EXPECT_EQ(destroyed, 1);
        shot.setPointCloud(nullptr);
        EXPECT_EQ(destroyed, 2);
        shot.setPointCloud(new ProbeData(&destroyed));
    }
    EXPECT_EQ(destroyed, 3);

    // A shot deleted as a child of another object (the manager) frees its data too.
    Object3D parent;
    PointCloud* child = new PointCloud;
    child->setPointCloud(new ProbeData(&destroyed));
    parent.addNewObject(child);
    parent.deleteObject(child);
    EXPECT_EQ(destroyed, 4);
}

TEST_F(ShotFiles, LoadedOctreeGoesToTheDeleterQueue)
{
    std::vector<Deleter*> queue;
    std::string error;
    {
        std::unique_ptr<PointCloud> shot;
        {
            CoutCapture capture;
            shot.reset(PointCloud::generateFromBinaryFile_SVO(mDir.file("scan.zrpcd"), error));
            ASSERT_TRUE(shot) << error;
            ASSERT_TRUE(shot->getPointCloud()->getSVOInterface()->loadSVO(error)) << error;
        }
        shot->setDeleterQueue([&queue](Deleter* iDeleter) { queue.push_back(iDeleter); });
    }
    ASSERT_EQ(queue.size(), 1u);
    // The deleter thread's part: run and drop the deleter (the sanitizer build checks that the
    // octree is freed exactly once).
    std::thread worker([&queue] {
        queue[0]->execute();
        delete queue[0];
    });
    worker.join();

    // Data without a loaded body has nothing to hand over.
    queue.clear();
    {
        CoutCapture capture;
        std::unique_ptr<PointCloud> shot(PointCloud::generateFromBinaryFile_SVO(mDir.file("grid.zrpmd"), error));
        ASSERT_TRUE(shot);
        shot->getPointCloud()->getSVOInterface()->clearPointData();
        shot->setDeleterQueue([&queue](Deleter* iDeleter) { queue.push_back(iDeleter); });
    }
    EXPECT_TRUE(queue.empty());
}
