#ifndef TESTS_SCENE_GRIDSHOT_H
#define TESTS_SCENE_GRIDSHOT_H

#include "../pointcloud/shotfixture.h"

#include <string>

namespace gridshot {

// A 21 × 21 grid of grey points in the x-z plane through the origin, 2 units wide, written as
// an octree point file.
inline bool write(const std::string& iPath)
{
    PointCloudData data;
    data.width = 21;
    data.height = 21;
    for (int column = 0; column < 21; ++column) {
        for (int row = 0; row < 21; ++row) {
            Point point;
            point.color = Color(128, 128, 128, 255);
            point.position = Vector3T<float>(-1.0f + 0.1f * column, 0.0f, -1.0f + 0.1f * row);
            point.flag = 0;
            data.pointList.push_back(point);
        }
    }
    data.validPointNumber = 21 * 21;
    return shotfixture::writeZRPCD(iPath, data);
}

} // namespace gridshot

#endif
