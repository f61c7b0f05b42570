// Level of detail of the point cloud manager on a generated 2,000 x 2,000 terrain scan written
// as .zrpcd by the converter's octree building. First, with the scan written as a deep octree,
// the longest that one GUI-side call on a shot takes while another thread loads every node
// layer of it. Then, in a GL window, the time to the first drawn frame after the shot is
// added, frame times while the camera orbits (delayed loading on and off), and the points
// drawn per frame as the camera comes closer.
//   xvfb-run -a bench_pointcloud_lod [columns] [rows]

#include "camera.h"
#include "clipbox.h"
#include "fileoperation_svob.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "pointcloudsvoimp.h"
#include "svobuilder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGLWidget>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Imp = PointCloudSVOImp<ColorBlock, PointBlock>;
using V = Vector3T<double>;

constexpr double flExtent = 200.0; // metres across the terrain

// A rolling terrain, column by column as a scanner stores it.
PointCloudData FL_makeScan(int iColumns, int iRows)
{
    PointCloudData data;
    data.width = iColumns;
    data.height = iRows;
    data.pointList.resize(static_cast<std::size_t>(iColumns) * static_cast<std::size_t>(iRows));
    for (int c = 0; c < iColumns; ++c) {
        for (int r = 0; r < iRows; ++r) {
            const double x = flExtent * c / iColumns - flExtent / 2;
            const double y = flExtent * r / iRows - flExtent / 2;
            const double z = 6.0 * std::sin(x * 0.05) * std::cos(y * 0.07) + 0.5 * std::sin(x * 0.9 + y * 0.4);
            Point& point = data.pointList[static_cast<std::size_t>(c) * iRows + r];
            point.position = Vector3T<float>(float(x), float(y), float(z));
            point.color = Color(static_cast<unsigned char>(100 + 20 * z), static_cast<unsigned char>(120 + (c % 64)),
                                static_cast<unsigned char>(80 + (r % 96)), 255);
        }
    }
    data.validPointNumber = static_cast<unsigned>(data.pointList.size());
    return data;
}

// The shot's real data, counting what each draw hands to GL: a point per chosen node, plus the
// points of loaded leaf blocks at draw level 0 (a point per leaf at level 2).
class CountingData : public PointCloudInterface
{
public:
    explicit CountingData(Imp* iImp) : mImp(iImp) {}
    ~CountingData() override { delete mImp; }

    std::string getFilePath() const override { return mImp->getFilePath(); }
    int getPointNumber() const override { return mImp->getPointNumber(); }
    Vector3T<double> getCenter() const override { return mImp->getCenter(); }
    Vector3T<double> getSize() const override { return mImp->getSize(); }
    void draw(int iLevel, int iPointSize) const override
    {
        count(iLevel);
        mImp->draw(iLevel, iPointSize);
    }
    void draw(int iLevel, int iPointSize, Color iColor) const override
    {
        count(iLevel);
        mImp->draw(iLevel, iPointSize, iColor);
    }
    PointCloudSVOInterface* getSVOInterface() override { return mImp; }

    mutable long long drawnPoints = 0;
    mutable int drawnLevel = -1;

private:
    void count(int iLevel) const
    {
        const std::vector<const void*> voxels = mImp->getDrawVoxelNodeKeyList();
        const std::vector<const void*> leaves = mImp->getDrawLeafNodeKeyList();
        drawnLevel = iLevel;
        drawnPoints = static_cast<long long>(voxels.size());
        if (iLevel == 2) {
            drawnPoints += static_cast<long long>(leaves.size());
            return;
        }
        // Node keys are the nodes' addresses in the body held now.
        mImp->readBody([&](const Imp::Body* iBody) {
            if (iBody == nullptr)
                return;
            for (const void* key : leaves) {
                const auto* node = static_cast<const SparseVoxelOctreeNode*>(key);
                const LeafInfo<PointBlock>* entry = iBody->getLeafBlockPool().getEntry(node->getFirstIndex());
                if (entry != nullptr && entry->getBlock() != nullptr)
                    drawnPoints += static_cast<long long>(entry->getBlock()->positions.size());
            }
        });
    }

    Imp* mImp;
};

class Bench
{
public:
    explicit Bench(QGLWidget* iWidget) : mWidget(iWidget)
    {
        mCamera.setScreenData(Camera::ScreenData{iWidget->width(), iWidget->height()});
        mCamera.setNear(0.5f);
        mCamera.setFar(2000.0f);
    }

    void look(const V& iEye, const V& iTarget)
    {
        Camera::LookAtData lookAt;
        lookAt.viewPoint = iEye;
        lookAt.lockOnPoint = iTarget;
        lookAt.upward = V(0, 0, 1);
        mCamera.setLookAtData(lookAt);
    }

    // One frame as the scene draws it; returns its time in milliseconds, and the time of its
    // level-of-detail step (where the GUI thread would wait for loads) in lastStep.
    double frame(bool iDelay)
    {
        QElapsedTimer timer;
        timer.start();
        mWidget->makeCurrent();
        glEnable(GL_DEPTH_TEST);
        mCamera.initScreen();
        mCamera.setSceneMatrix();
        mCamera.updateCornerPoints();
        manager.updateDrawData(4, 0, iDelay, mCamera, mClipBox);
        lastStep = timer.nsecsElapsed() / 1e6;
        manager.draw(4, mClipBox, *manager.getPointCloudParameter());
        glFinish();
        mWidget->swapBuffers();
        return timer.nsecsElapsed() / 1e6;
    }

    // Frames until the draw level is 0 with every chosen leaf loaded (at most iLimit frames).
    int settle(bool iDelay, CountingData* iData, int iLimit = 2000)
    {
        for (int i = 0; i < iLimit; ++i) {
            frame(iDelay);
            QCoreApplication::processEvents();
            if (iData->drawnLevel == 0 && iData->getSVOInterface()->isLoadedDrawLeafData())
                return i + 1;
            if (iDelay)
                QThread::msleep(2);
        }
        return iLimit;
    }

    PointCloudManager manager;
    double lastStep = 0;

private:
    QGLWidget* mWidget;
    Camera mCamera;
    ClipBox mClipBox;
};

// A shot over the file, added to the manager as the import does, with the counting data.
CountingData* FL_addShot(PointCloudManager* ioManager, const std::string& iPath)
{
    std::string error;
    auto* imp = new Imp(iPath);
    if (!imp->loadSVO_Base(error)) {
        std::cout << error << std::endl;
        delete imp;
        return nullptr;
    }
    auto* data = new CountingData(imp);
    auto* shot = new PointCloud;
    shot->setName(iPath);
    shot->setColor(Color(255, 255, 255, 255));
    shot->setDataFileName("scan.zrpcd");
    shot->setBoundingBox(BoundingBox(data->getCenter(), data->getSize()));
    shot->setPointCloud(data);
    ioManager->addNewObject(shot);
    return data;
}

double FL_since(const std::chrono::steady_clock::time_point& iStart)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - iStart).count();
}

void FL_printStats(const char* iWhat, std::vector<double> iTimes)
{
    std::sort(iTimes.begin(), iTimes.end());
    double sum = 0;
    for (double t : iTimes)
        sum += t;
    std::printf("%s: %zu frames, mean %.2f ms, median %.2f ms, max %.2f ms\n", iWhat, iTimes.size(),
                sum / double(iTimes.size()), iTimes[iTimes.size() / 2], iTimes.back());
}

// The scan as .zrpcd at the voxel resolution; the layer and node counts of its octree when asked.
bool FL_writeOctree(const std::string& iPath, const PointCloudData& iData, int iResolution, int* oLayers,
                    long long* oNodes)
{
    SVOSystem<ColorBlock, PointBlock> system;
    if (!createSparseVoxelOctree(&system.getOctree(), &system.getVoxelBlockPool(), &system.getLeafBlockPool(), iData,
                                 iResolution) ||
        !SVOBFileOperator(iPath).save(static_cast<int>(iData.validPointNumber), system.getOctree(),
                                      system.getVoxelBlockPool(), system.getLeafBlockPool()))
        return false;
    if (oLayers != nullptr)
        *oLayers = static_cast<int>(system.getOctree().getLayerSizeList().size());
    if (oNodes != nullptr)
        *oNodes = static_cast<long long>(system.getOctree().getNodeNumber());
    return true;
}

// Another thread loads every node layer of the file at once, as the loader does when the view
// jumps close, while this thread keeps making the GUI thread's per-frame calls on the shot. The
// longest single call is the longest a frame waits for the shot. No GL context is current, so
// draw only takes the shot's lock and returns.
void FL_nodeLoadCase(const std::string& iPath, int iLayers, long long iNodes)
{
    Camera camera;
    camera.setScreenData(Camera::ScreenData{800, 600});
    camera.setNear(0.5f);
    camera.setFar(2000.0f);
    Camera::LookAtData lookAt;
    lookAt.viewPoint = V(0, -60, 40);
    lookAt.lockOnPoint = V(0, 0, 0);
    lookAt.upward = V(0, 0, 1);
    camera.setLookAtData(lookAt);
    camera.initScreen();
    camera.setSceneMatrix();
    camera.updateCornerPoints();
    const float pixelSize = camera.getFarPlanePixelSize();

    const char* const names[] = {"getTreeDepth", "isLoadedDrawVoxelData", "isLoadedDrawLeafData", "updateDrawNode",
                                 "draw"};
    double longest[5] = {0, 0, 0, 0, 0};
    double reads = 0;
    long long calls = 0;
    for (int round = 0; round < 3; ++round) {
        Imp imp(iPath);
        std::string error;
        if (!imp.loadSVO_Base(error) || !imp.loadSVO_Nodes(1, error)) {
            std::cout << error << std::endl;
            return;
        }
        std::atomic<bool> done{false};
        double readTime = 0;
        std::thread loader([&] {
            const auto start = std::chrono::steady_clock::now();
            std::string loadError;
            if (!imp.loadSVO_Nodes(iLayers, loadError))
                std::cout << loadError << std::endl;
            readTime = FL_since(start);
            done.store(true);
        });
        const auto identity = Matrix4x4T<double>::identity();
        while (!done.load()) {
            for (int op = 0; op < 5; ++op) {
                const auto start = std::chrono::steady_clock::now();
                switch (op) {
                case 0: imp.getTreeDepth(); break;
                case 1: imp.isLoadedDrawVoxelData(); break;
                case 2: imp.isLoadedDrawLeafData(); break;
                case 3: imp.updateDrawNode(identity, camera, 4, pixelSize); break;
                default: imp.draw(0, 4); break;
                }
                longest[op] = std::max(longest[op], FL_since(start));
                ++calls;
            }
        }
        loader.join();
        reads = std::max(reads, readTime);
    }
    std::printf("deep node load: %d layers, %lld nodes, longest load %.1f ms (3 rounds, %lld GUI-side calls)\n",
                iLayers, iNodes, reads, calls);
    for (int op = 0; op < 5; ++op)
        std::printf("  longest %-22s %8.2f ms\n", names[op], longest[op]);
}

} // namespace

int main(int argc, char* argv[])
{
    const int columns = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int rows = argc > 2 ? std::atoi(argv[2]) : 2000;
    QApplication application(argc, argv);
    char folder[] = "/tmp/lod-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string path = std::string(folder) + "/scan.zrpcd";

    const std::string deepPath = std::string(folder) + "/deep.zrpcd";
    int deepLayers = 0;
    long long deepNodes = 0;
    {
        const auto start = std::chrono::steady_clock::now();
        const PointCloudData data = FL_makeScan(columns, rows);
        if (!FL_writeOctree(path, data, 4, nullptr, nullptr)) {
            std::cout << "conversion failed" << std::endl;
            return 1;
        }
        std::printf("scan: %d x %d points, converted to .zrpcd in %.0f ms\n", columns, rows, FL_since(start));
        // Leaves of fewer than 8 points: many more nodes in more layers.
        if (!FL_writeOctree(deepPath, data, 2, &deepLayers, &deepNodes)) {
            std::cout << "conversion failed" << std::endl;
            return 1;
        }
    }
    FL_nodeLoadCase(deepPath, deepLayers, deepNodes);
    std::remove(deepPath.c_str());
    const long long cloudSize = static_cast<long long>(columns) * rows;

    QGLFormat format;
    format.setAlpha(true);
    format.setDepth(true);
    QGLWidget widget(format);
    widget.resize(800, 600);
    widget.show();
    QCoreApplication::processEvents();
    widget.makeCurrent();
    FL_getPointCloudShader();

    const V center(0, 0, 0);
    const V overview(0, -260, 180);
    int failures = 0;

    for (const bool delay : {true, false}) {
        std::printf("\n== delayed loading %s\n", delay ? "on" : "off");
        Bench bench(&widget);
        bench.look(overview, center);
        const auto added = std::chrono::steady_clock::now();
        CountingData* data = FL_addShot(&bench.manager, path);
        if (data == nullptr)
            return 1;
        std::vector<double> startFrames;
        double firstDrawn = -1;
        for (int i = 0; i < 2000 && firstDrawn < 0; ++i) {
            startFrames.push_back(bench.frame(delay));
            QCoreApplication::processEvents();
            if (data->drawnPoints > 0)
                firstDrawn = FL_since(added);
        }
        std::printf("first drawn frame %.1f ms after the shot was added (%zu frames, longest %.1f ms, %lld points)\n",
                    firstDrawn, startFrames.size(), *std::max_element(startFrames.begin(), startFrames.end()),
                    data->drawnPoints);
        const int settleFrames = bench.settle(delay, data);
        std::printf("full detail of the overview after %.1f ms (%d more frames): %lld points drawn of %lld (%.2f%%)\n",
                    FL_since(added), settleFrames, data->drawnPoints, cloudSize, 100.0 * data->drawnPoints / cloudSize);

        // Orbit at the overview distance: a new view every frame, loads follow behind.
        std::vector<double> orbit;
        std::vector<double> steps;
        long long most = 0;
        const double radius = std::sqrt(overview.x * overview.x + overview.y * overview.y);
        for (int i = 0; i < 180; ++i) {
            const double angle = i * 2.0 * 3.141592653589793 / 180;
            bench.look(V(radius * std::sin(angle), -radius * std::cos(angle), overview.z), center);
            orbit.push_back(bench.frame(delay));
            steps.push_back(bench.lastStep);
            most = std::max(most, data->drawnPoints);
            QCoreApplication::processEvents();
        }
        FL_printStats("orbit, whole frame", orbit);
        FL_printStats("orbit, level-of-detail step", steps);
        std::printf("orbit: at most %lld points drawn per frame\n", most);

        // Closer and closer along one line; each distance settles to full detail.
        std::printf("%10s %14s %10s %12s\n", "distance", "points drawn", "frames", "last frame");
        long long mostDrawn = 0;
        for (const double distance : {600.0, 300.0, 150.0, 80.0, 40.0, 20.0, 10.0}) {
            const V eye = V(0, -0.8, 0.6) * distance;
            bench.look(eye, center);
            const int frames = bench.settle(delay, data);
            const double last = bench.frame(delay);
            std::printf("%10.0f %14lld %10d %10.2f ms\n", distance, data->drawnPoints, frames, last);
            mostDrawn = std::max(mostDrawn, data->drawnPoints);
            // The whole cloud small on screen: a small share of it is drawn.
            if (distance >= 600 && data->drawnPoints * 10 > cloudSize) {
                std::printf("FAIL: %lld points drawn with the whole cloud in view at %.0f\n", data->drawnPoints,
                            distance);
                ++failures;
            }
        }
        // A leaf at least a point size wide on screen is drawn with all of its points (fewer than
        // resolution^3), so the count is bounded by the screen, not by the cloud.
        std::printf("most points drawn at one distance: %lld (%.0f per screen pixel)\n", mostDrawn,
                    double(mostDrawn) / (widget.width() * widget.height()));
        bench.manager.stopDataLoading();
    }

    std::remove(path.c_str());
    rmdir(folder);
    return failures == 0 ? 0 : 1;
}
