#include "scene.h"

#include "camera.h"
#include "color.h"
#include "pickbuffer.h"
#include "referencepoint.h"
#include "scenestate.h"

#include <QtOpenGL>

#include <algorithm>
#include <cstddef>

namespace {

// The first whole pixel at or after iValue, kept within [iLowest, iHighest + 1] so that a wild
// or NaN coordinate neither overflows the conversion nor runs a loop for ever.
int FL_firstPixel(float iValue, int iLowest, int iHighest)
{
    if (!(iValue > static_cast<float>(iLowest)))
        return iLowest;
    if (!(iValue <= static_cast<float>(iHighest)))
        return iHighest + 1;
    return static_cast<int>(iValue);
}

} // namespace

void Scene::clearSelectionMap()
{
    mTypeMap = PickMap();
    mIDMap = PickMap();
}

void Scene::updateTypeMap()
{
    updateMap(&mTypeMap, SceneParameter::ObjectTypePass);
}

void Scene::updateIDMap()
{
    updateMap(&mIDMap, SceneParameter::ObjectIDPass);
}

Scene::Markers Scene::getMarkers() const
{
    Markers markers;
    markers.points = mReferencePointManager->referencePoints;
    if (const Vector3T<double>* preview = mReferencePointManager->getPreviewPoint()) {
        markers.hasPreview = true;
        markers.preview = *preview;
    }
    return markers;
}

void Scene::updateMap(PickMap* ioMap, int iDrawPass)
{
    if (!hasModel())
        return;
    // The passes draw the reference points and the preview point over what lies behind them.
    // Maps drawn with other markers than those of this moment are drawn again. Comparing here,
    // not on each change, keeps the hover cheap: it takes the preview point away, picks and
    // puts it back at every move, so the maps of the last move still match.
    if (!(getMarkers() == mMapMarkers))
        clearSelectionMap();
    if (!ioMap->values.empty())
        return;
    // Switched silently: a picking pass is no change of the scene.
    const SceneParameter saved = mSceneState->getSceneParameter();
    SceneParameter pass = saved;
    pass.drawPass = iDrawPass;
    mSceneState->setSceneParameter(pass, false);
    drawForSelection(mSceneState);
    mSceneState->setSceneParameter(saved, false);
    mMapMarkers = getMarkers();

    Camera::ScreenData screen;
    mSceneState->getCamera().getScreenData(&screen);
    FL_getIndexArrayFromPixelColor(&ioMap->values, screen.width, screen.height);
    ioMap->width = ioMap->values.empty() ? 0 : screen.width;
    ioMap->height = ioMap->values.empty() ? 0 : screen.height;
}

void Scene::getObjectType(unsigned int* oValue, int iX, int iY) const
{
    getObjectValue(mTypeMap, oValue, iX, iY);
}

void Scene::getObjectID(unsigned int* oValue, int iX, int iY) const
{
    getObjectValue(mIDMap, oValue, iX, iY);
}

void Scene::getObjectTypeList(std::vector<unsigned int>* oValues, Range iX, Range iY) const
{
    getObjectValueList(mTypeMap, oValues, iX, iY);
}

void Scene::getObjectIDList(std::vector<unsigned int>* oValues, Range iX, Range iY) const
{
    getObjectValueList(mIDMap, oValues, iX, iY);
}

void Scene::getObjectValue(const PickMap& iMap, unsigned int* oValue, int iX, int iY)
{
    // 255 is no object type. A column beyond the width must not wrap into the next row.
    *oValue = 255;
    if (iX < 0 || iY < 0 || iX >= iMap.width || iY >= iMap.height)
        return;
    const std::size_t index = static_cast<std::size_t>(iY) * static_cast<std::size_t>(iMap.width) + iX;
    if (index < iMap.values.size())
        *oValue = iMap.values[index];
}

void Scene::getObjectValueList(const PickMap& iMap, std::vector<unsigned int>* oValues, Range iX, Range iY)
{
    const int width = iMap.width;
    const int height = iMap.height;
    if (iMap.values.empty())
        return;
    // Widget row Y reads map row height - Y; only rows 1 to height and columns 0 to width - 1
    // lie inside the map.
    const int firstX = FL_firstPixel(iX.min, 0, width - 1);
    const int firstY = FL_firstPixel(iY.min, 1, height);
    const float columns = std::min(iX.max, static_cast<float>(width - 1)) - static_cast<float>(firstX) + 1.0f;
    const float rows = std::min(iY.max, static_cast<float>(height)) - static_cast<float>(firstY) + 1.0f;
    if (columns > 0.0f && rows > 0.0f)
        oValues->reserve(oValues->size() + static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int x = firstX; x < width && static_cast<float>(x) <= iX.max; ++x) {
        for (int y = firstY; y <= height && static_cast<float>(y) <= iY.max; ++y) {
            const std::size_t index = static_cast<std::size_t>(height - y) * static_cast<std::size_t>(width) + x;
            if (index < iMap.values.size())
                oValues->push_back(iMap.values[index]);
        }
    }
}
