// The editor's shot: what differs from the viewer's.
#include "pointcloud.h"

// The editor has no shot panel yet.
QWidget* PointCloud::createUI()
{
    return nullptr;
}
