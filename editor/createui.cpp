// The editor's panels come later; until then its objects hand out none (the shot's is in
// pointcloud_edit.cpp).
#include "pointcloudmanager.h"

QWidget* PointCloudManager::createUI()
{
    return nullptr;
}
