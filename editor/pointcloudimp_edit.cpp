// Brenmoor's editing of the point list: lists made from points in memory, the selected and
// deleted marks, and the mark colours.
#include "pointcloudimp.h"

#include "pointblockoperation.h"

#include <algorithm>

namespace {

// A selected point turns red at the brightness of its colour; a deleted one loses its alpha,
// so that the point shader drops it.
void FL_getPointColorList(std::vector<Color>* oColors, const PointCloudData& iData)
{
    std::vector<Color> colors;
    colors.reserve(iData.pointList.size());
    for (const Point& point : iData.pointList) {
        Color color = point.color;
        if (point.flag & Point::Selected)
            color = Color(std::max({color.red, color.green, color.blue}), 0, 0, 255);
        if (point.flag & Point::Deleted)
            color.alpha = 0;
        colors.push_back(color);
    }
    oColors->swap(colors);
}

} // namespace

PointCloudImp* PointCloudImp::generateFromPCD(const PointCloudData& iData, const std::string& iFilePath,
                                              std::string& /*iErrorMessage*/)
{
    std::unique_ptr<PointCloudImp> imp(new PointCloudImp);
    imp->data.reset(new PointCloudData(iData));
    imp->filePath = iFilePath;
    imp->initLists();
    return imp.release();
}

void PointCloudImp::updateColors()
{
    FL_getPointColorList(&colors, *data);
}

template <typename F>
void PointCloudImp::changeMarks(F iChange)
{
    if (!data)
        return;
    for (Point& point : data->pointList)
        iChange(&point);
    updateColors();
}

bool PointCloudImp::getPointCloudData(PointCloudData* oData) const
{
    if (!data)
        return false;
    *oData = *data;
    return true;
}

void PointCloudImp::selectPointALL()
{
    changeMarks([](Point* ioPoint) { ioPoint->flag |= Point::Selected; });
}

void PointCloudImp::deselectPointALL()
{
    changeMarks([](Point* ioPoint) { ioPoint->flag &= ~Point::Selected; });
}

void PointCloudImp::selectPoint(const std::vector<Vector4T<double>>& iPlanes)
{
    changeMarks([&iPlanes](Point* ioPoint) {
        if (isInsidePlanes(ioPoint->position, iPlanes))
            ioPoint->flag |= Point::Selected;
    });
}

void PointCloudImp::deselectPoint(const std::vector<Vector4T<double>>& iPlanes)
{
    changeMarks([&iPlanes](Point* ioPoint) {
        if (isInsidePlanes(ioPoint->position, iPlanes))
            ioPoint->flag &= ~Point::Selected;
    });
}

void PointCloudImp::deleteSelectedPoint()
{
    changeMarks([](Point* ioPoint) {
        if (ioPoint->flag & Point::Selected)
            ioPoint->flag |= Point::Deleted;
    });
}
