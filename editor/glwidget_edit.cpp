// The editor's context actions of the view: both act on point cloud 0.
#include "glwidget.h"

#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "pointcloudmanager.h"
#include "scene.h"

#include <vector>

QAction* GLWidget::createDeleteAction()
{
    return newAction(tr("Delete Selected Points"), tr("Delete selected points."), SLOT(deleteSelectedPoint()));
}

void GLWidget::fitView()
{
    if (!mScene || !mScene->getPointCloudManager())
        return;
    PointCloud* cloud = mScene->getPointCloudManager()->getData(0);
    if (cloud)
        mScene->fitView(std::vector<Object3D*>{cloud});
}

void GLWidget::deleteSelectedPoint()
{
    if (!mScene || !mScene->getPointCloudManager())
        return;
    PointCloud* cloud = mScene->getPointCloudManager()->getData(0);
    PointCloudInterface* data = cloud ? cloud->getPointCloud() : nullptr;
    if (data) {
        // Marks are not signalled.
        data->deleteSelectedPoint();
        update();
    }
}
