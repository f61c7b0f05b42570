// The editor's side of the point cloud manager: no threads, shots drawn whole at level 0, and
// the render settings file in version 0.0.
#include "pointcloudmanager.h"

#include "pointcloud.h"
#include "pointcloudmanagerdraw.h"

#include <QOpenGLContext>
#include <qopengl.h>

#include <cstdint>

namespace {

void FL_drawPointCloud(const PointCloud* iShot, int iPointSize, std::uint32_t iColor)
{
    if (iShot != nullptr && iShot->hasState(Object3D::Visible))
        pointclouddraw::drawShotFlat(*iShot, 0, iPointSize, Color::fromUInt32(iColor));
}

} // namespace

PointCloudManager::PointCloudManager(QObject* iParent) : Object3D(iParent) {}

bool PointCloudManager::exportPointParameter(const std::string& iFilePath, std::string& iErrorMessage) const
{
    return exportPointCloudRenderSetting_Ver0_0(iFilePath, mParameter, iErrorMessage);
}

bool PointCloudManager::initPointWithTextFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    PointCloudParameter read = mParameter;
    if (!initPointCloudRenderSetting_Ver0_0(iFilePath, &read, iErrorMessage))
        return false;
    applyRenderSetting(read, hasState(Visible));
    return true;
}

void PointCloudManager::draw(int iPointSize, const PointCloudParameter& iScenePara) const
{
    if (QOpenGLContext::currentContext() == nullptr)
        return;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot != nullptr && shot->hasState(Visible))
            pointclouddraw::drawShot(*shot, 0, iPointSize, iScenePara, nullptr);
    }
    glDisable(GL_BLEND);
}

void PointCloudManager::drawByObjectType(int iPointSize) const
{
    if (QOpenGLContext::currentContext() == nullptr)
        return;
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        FL_drawPointCloud(getData(static_cast<int>(i)), iPointSize, 0);
}

void PointCloudManager::drawByObjectID(int iPointSize) const
{
    if (QOpenGLContext::currentContext() == nullptr)
        return;
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        FL_drawPointCloud(getData(static_cast<int>(i)), iPointSize, i);
}
