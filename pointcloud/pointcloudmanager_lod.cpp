// Vistrel's side of the point cloud manager: the loader and deleter threads, the level of
// detail and the draw passes with the clip box. The editor does not compile this file.
#include "pointcloudmanager.h"

#include "camera.h"
#include "clipbox.h"
#include "drawfunction.h"
#include "octreedepth.h"
#include "pointcloud.h"
#include "pointclouddeleter.h"
#include "pointcloudinterface.h"
#include "pointcloudloader.h"
#include "pointcloudmanagerdraw.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

// The draw level that the last level-of-detail step obtained from the loader (0 points,
// 2 nodes); every draw pass of later frames uses it until the next step.
static int flDrawLevel = 0;

namespace {

PointCloudSVOInterface* FL_octree(const PointCloud* iShot)
{
    PointCloudInterface* data = iShot->getPointCloud();
    return data != nullptr ? data->getSVOInterface() : nullptr;
}

// The shot's bounding sphere in scene coordinates; the radius is not scaled by the matrix.
void FL_getSphere(const PointCloud& iShot, Vector3T<double>* oCenter, double* oRadius)
{
    const BoundingBox& box = iShot.getBoundingBox();
    *oCenter = iShot.getMatrix().transform(box.getCenter());
    const Vector3T<double> half = box.getSize() * 0.5;
    *oRadius = std::sqrt(half.x * half.x + half.y * half.y + half.z * half.z);
}

// Node layers loaded at once, in the frame, for a wanted depth: two layers short of it (the
// loader brings the rest), at most 6, so that the frame never waits for deep layers.
int FL_getSynchronousDepth(int iDepth)
{
    const int depth = iDepth <= 2 ? iDepth : iDepth - 2;
    return std::min(depth, 6);
}

// The six planes (a, b, c, d) of the clip box, inside where a x + b y + c z <= d: for each axis
// of the box, the face on its plus side and the face on its minus side.
void FL_getClipPlanes(const ClipBox& iClipBox, float oPlanes[6][4])
{
    const Matrix4x4T<double>& m = iClipBox.getMatrix();
    const Vector3T<double> translation(m(0, 3), m(1, 3), m(2, 3));
    for (int axis = 0; axis < 3; ++axis) {
        const Vector3T<double> direction(m(0, axis), m(1, axis), m(2, axis));
        const double extent = iClipBox.scale[axis];
        for (int side = 0; side < 2; ++side) {
            const Vector3T<double> normal = side == 0 ? direction : direction * -1.0;
            float* plane = oPlanes[axis * 2 + side];
            plane[0] = static_cast<float>(normal.x);
            plane[1] = static_cast<float>(normal.y);
            plane[2] = static_cast<float>(normal.z);
            plane[3] = static_cast<float>(normal.dot(translation) + extent);
        }
    }
}

} // namespace

PointCloudManager::PointCloudManager(QObject* iParent)
    : Object3D(iParent), mLoader(new PointCloudLoader), mDeleter(new PointCloudDeleter)
{
    // Connected first, so that a shot has its queue before anyone else hears of it.
    connect(this, &Object3D::changedStructure, this, &PointCloudManager::setDeleterQueueALL);
    // finished() comes from the loader thread; the relay reaches the GUI thread's listeners
    // through its event loop.
    connect(mLoader, &QThread::finished, this, &PointCloudManager::finishedDataLoading, Qt::QueuedConnection);
    followApplication();
}

PointCloudManager::~PointCloudManager()
{
    finishThreads();
    // The base destructor frees the shots; their data is freed on the spot from now on.
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        if (PointCloud* shot = getData(static_cast<int>(i))) {
            shot->setDeleterQueue(PointCloud::DeleterQueue());
            shot->setLoadStop(PointCloud::LoadStop());
        }
    }
    delete mLoader;
    delete mDeleter;
}

void PointCloudManager::setDeleterQueueALL()
{
    PointCloudDeleter* deleter = mDeleter;
    PointCloudLoader* loader = mLoader;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        if (PointCloud* shot = getData(static_cast<int>(i))) {
            shot->setDeleterQueue([deleter](Deleter* iDeleter) { deleter->addTarget(iDeleter); });
            shot->setLoadStop([loader]() { loader->stopFully(); });
        }
    }
}

void PointCloudManager::finishThreads() const
{
    mLoader->stopFully();
    mDeleter->finish();
}

// The manager is kept until the program ends, and may be made before the application: the
// threads must not outlive it. An application that is destroyed without its event loop having
// returned never sends aboutToQuit().
void PointCloudManager::followApplication() const
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || application == mApplication)
        return;
    mApplication = application;
    PointCloudManager* self = const_cast<PointCloudManager*>(this);
    connect(application, &QCoreApplication::aboutToQuit, self, [self]() { self->finishThreads(); });
    connect(application, &QObject::destroyed, self, [self]() { self->finishThreads(); });
}

// ---------------------------------------------------------------------------------------------
// Level of detail and drawing
// ---------------------------------------------------------------------------------------------

void PointCloudManager::stopDataLoading()
{
    mLoader->stopFully();
}

void PointCloudManager::updateDrawData(int iPointSize, int iTargetLevel, bool iDelayLoad, const Camera& iCamera,
                                       const ClipBox& /*iClipBox*/) const
{
    // The threads start below.
    followApplication();
    std::vector<PointCloud*> shots;
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        if (PointCloud* shot = getData(static_cast<int>(i)))
            shots.push_back(shot);
    const std::size_t count = shots.size();
    std::vector<Vector3T<double>> centers(count);
    std::vector<double> radii(count);
    std::vector<PointCloudSVOInterface*> octrees(count, nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        octrees[i] = FL_octree(shots[i]);
        FL_getSphere(*shots[i], &centers[i], &radii[i]);
    }

    // No octree is released while a background load may be working on it.
    for (std::size_t i = 0; i < count; ++i) {
        if (octrees[i] != nullptr && iCamera.isOutsideSphere(centers[i], radii[i]) && octrees[i]->hasPointData()) {
            mLoader->stopFully();
            break;
        }
    }

    std::vector<int> depths(count, -1);
    const float farPlanePixelSize = iCamera.getFarPlanePixelSize();
    std::vector<int> outside(count, 2);
    for (std::size_t i = 0; i < count; ++i)
        if (octrees[i] != nullptr)
            outside[i] = iCamera.isOutsideSphere(centers[i], radii[i]) ? 1 : 0;

    for (std::size_t i = 0; i < count; ++i) {
        if (outside[i] != 0)
            continue;
        std::string error;
        if (!octrees[i]->loadSVO_Base(error))
            std::cout << error << std::endl;
        depths[i] = calculateDrawingOcTreeDepth(centers[i], shots[i]->getBoundingBox().getSize(), iCamera, iPointSize,
                                                farPlanePixelSize);
        if (!octrees[i]->loadSVO_Nodes(FL_getSynchronousDepth(depths[i]), error))
            std::cout << error << std::endl;
    }

    for (std::size_t i = 0; i < count; ++i) {
        if (outside[i] == 0 || octrees[i] == nullptr || !octrees[i]->hasPointData())
            continue;
        Deleter* deleter = nullptr;
        octrees[i]->clearPointData(&deleter);
        if (deleter != nullptr)
            mDeleter->addTarget(deleter);
    }

    const float pixelSize = iCamera.getFarPlanePixelSize();
    const auto chooseDrawNodes = [&]() {
        for (std::size_t i = 0; i < count; ++i)
            if (octrees[i] != nullptr)
                octrees[i]->updateDrawNode(shots[i]->getMatrix(), iCamera, iPointSize, pixelSize);
    };
    const auto treeDepths = [&]() {
        std::vector<int> held(count, -1);
        for (std::size_t i = 0; i < count; ++i)
            if (octrees[i] != nullptr)
                held[i] = octrees[i]->getTreeDepth();
        return held;
    };
    chooseDrawNodes();
    // Without delay the loader reads missing node layers here, in the frame, after the draw
    // lists were chosen over the layers held before. The lists are then chosen again over the
    // new layers and their points loaded too; else the view would keep the coarse lists (the
    // nodes of the synchronous depth as single points) until something asked for a new step.
    const bool synchronous = !iDelayLoad && iTargetLevel <= 1;
    const std::vector<int> heldDepths = synchronous ? treeDepths() : std::vector<int>();
    flDrawLevel = mLoader->loadData(shots, depths, iTargetLevel, iDelayLoad);
    if (synchronous && treeDepths() != heldDepths) {
        chooseDrawNodes();
        flDrawLevel = mLoader->loadData(shots, depths, iTargetLevel, iDelayLoad);
    }
    mDeleter->start(QThread::InheritPriority);
}

void PointCloudManager::draw(int iPointSize, const ClipBox& iClipBox, const PointCloudParameter& iScenePara) const
{
    if (!hasState(Visible) || getObjectSetSize() == 0 || !hasCurrentGLContext())
        return;
    FL_getPointCloudShader();
    float planes[6][4];
    FL_getClipPlanes(iClipBox, planes);
    static const char* const planeNames[6] = {"uClipPlane0", "uClipPlane1", "uClipPlane2",
                                              "uClipPlane3", "uClipPlane4", "uClipPlane5"};

    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot == nullptr || !shot->hasState(Visible))
            continue;
        pointclouddraw::drawShot(*shot, flDrawLevel, iPointSize, iScenePara, [&](pointclouddraw::Uniforms& ioUniforms) {
            ioUniforms.set("uShotColor", shot->getColor());
            ioUniforms.set("uClipEffect", iClipBox.enable ? 1 : 0);
            for (int k = 0; k < 6; ++k)
                ioUniforms.set(planeNames[k], planes[k]);
        });
    }
}

void PointCloudManager::drawByObjectType(int iPointSize, const ClipBox& /*iClipBox*/) const
{
    drawFlat(iPointSize, false);
}

void PointCloudManager::drawByObjectID(int iPointSize, const ClipBox& /*iClipBox*/) const
{
    drawFlat(iPointSize, true);
}

void PointCloudManager::drawFlat(int iPointSize, bool iColorByIndex) const
{
    if (!hasState(Visible) || !hasCurrentGLContext())
        return;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot == nullptr || !shot->hasState(Visible))
            continue;
        const Color color = iColorByIndex ? Color::fromUInt32(static_cast<std::uint32_t>(i)) : Color(0, 0, 0, 0);
        pointclouddraw::drawShotFlat(*shot, flDrawLevel, iPointSize, color);
    }
}
