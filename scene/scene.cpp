#include "scene.h"
#include "scenedrawing.h"

#include "animationframe.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "manipulator.h"
#include "pickbuffer.h"
#include "measuremanager.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scenestate.h"

#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QtOpenGL>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <memory>

using namespace scenedrawing;

namespace {

// Renders text lines into an RGBA image whose rows run from the bottom up, as glDrawPixels
// wants them. An image without lines or without width stays empty, so that the next frame
// tries again.
void FL_renderLabel(std::vector<unsigned char>* oImage, int* oWidth, int* oHeight, const std::vector<QString>& iLines,
                    int iCharSize, const QColor& iColor)
{
    QFont font;
    int width = 0;
    int pixelSize = 0;
    {
        QImage probe(1, 1, QImage::Format_RGBA8888);
        QPainter painter(&probe);
        font = painter.font();
        font.setPointSize(std::max(iCharSize, 1));
        painter.setFont(font);
        // The resolved size: a font set by points reports no pixel size of its own.
        pixelSize = QFontInfo(painter.font()).pixelSize();
        for (const QString& line : iLines)
            width = std::max(width, painter.boundingRect(QRect(), Qt::AlignLeft, line).width());
    }
    const int height = static_cast<int>(iLines.size()) * pixelSize;
    oImage->clear();
    *oWidth = width;
    *oHeight = height;
    if (width <= 0 || height <= 0)
        return;

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setPen(iColor);
        painter.setFont(font);
        for (std::size_t i = 0; i < iLines.size(); ++i)
            painter.drawText(0, static_cast<int>(i + 1) * pixelSize, iLines[i]);
    }
    oImage->resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4u);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image.pixel(x, y);
            unsigned char* out =
                oImage->data() + (static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) + x) * 4u;
            out[0] = static_cast<unsigned char>(qRed(pixel));
            out[1] = static_cast<unsigned char>(qGreen(pixel));
            out[2] = static_cast<unsigned char>(qBlue(pixel));
            out[3] = static_cast<unsigned char>(qAlpha(pixel));
        }
    }
}

std::vector<QString> FL_toQStrings(const std::vector<std::string>& iLines)
{
    std::vector<QString> lines;
    lines.reserve(iLines.size());
    for (const std::string& line : iLines)
        lines.push_back(QString::fromStdString(line));
    return lines;
}

QColor FL_labelColor(const Object3D& iObject, const Color& iColor)
{
    if (iObject.hasState(Object3D::Selected))
        return QColor(255, 0, 0, 255);
    return QColor(iColor.red, iColor.green, iColor.blue, 255);
}

void FL_draw3DObject(const SceneState* iSceneState, const ClipBox* iClipBox, const Manipulator* iManipulator,
                     const ReferencePointManager* iReferencePointManager, const PointCloudManager* iPointCloudManager,
                     const PolygonManager* iPolygonManager, const CameraPathManager* iCameraPathManager,
                     const MeasureManager* iMeasureManager, const CommentManager* iCommentManager)
{
    const RenderingTarget::ObjectData& flags = iSceneState->getRenderingTarget().objectData;
    const SceneParameter& sceneParameter = iSceneState->getSceneParameter();
    const Camera& camera = iSceneState->getCamera();
    const int level = iSceneState->getLODLevel();

    glEnable(GL_DEPTH_TEST);
    if (iClipBox->enable)
        iClipBox->beginClip();

    if (flags.drawPointCloud) {
        PointCloudParameter parameter = *iPointCloudManager->getPointCloudParameter();
        if (level >= 2)
            parameter.pointSize = 4;
        if (sceneParameter.drawPass == SceneParameter::ObjectIDPass)
            iPointCloudManager->drawByObjectID(parameter.pointSize, *iClipBox);
        else if (sceneParameter.drawPass == SceneParameter::ObjectTypePass)
            iPointCloudManager->drawByObjectType(parameter.pointSize, *iClipBox);
        else
            iPointCloudManager->draw(parameter.pointSize, *iClipBox, parameter);
    }

    // Polygons look the same in every pass.
    PolygonRenderingParameter polygonParameter = iPolygonManager->getRenderingParameter();
    if (level >= 2)
        polygonParameter.pointSize = 4;
    iPolygonManager->draw(polygonParameter);

    if (flags.drawCameraPath) {
        CameraPathParameter parameter = iCameraPathManager->getPara();
        parameter.lineWidth = FL_scaled(parameter.lineWidth, level);
        iCameraPathManager->draw(parameter, sceneParameter);
    }
    if (flags.drawMeasure) {
        MeasureParameter parameter = iMeasureManager->parameter;
        parameter.lineWidth = FL_scaled(parameter.lineWidth, level);
        parameter.arrowLength = FL_scaled(parameter.arrowLength, level);
        iMeasureManager->draw3DPart(parameter, sceneParameter, camera);
    }
    if (flags.drawComment) {
        CommentParameter parameter = iCommentManager->getPara();
        parameter.lineWidth = FL_scaled(parameter.lineWidth, level);
        iCommentManager->draw3DPart(parameter, sceneParameter, camera);
    }

    if (iClipBox->enable)
        iClipBox->endClip();

    FL_drawMarkers(iSceneState, iReferencePointManager);
    if (flags.drawClipBox)
        iClipBox->draw(FL_scaled(4, level), sceneParameter);

    // The manipulator is drawn over everything.
    glDisable(GL_DEPTH_TEST);
    if (flags.drawManipulator && iManipulator->isVisible())
        iManipulator->draw(FL_scaled(6, level), sceneParameter);
}

} // namespace

void Scene::setModel(SceneState* iSceneState, ClipBox* iClipBox, Manipulator* iManipulator,
                     ReferencePointManager* iReferencePointManager, CameraPathManager* iCameraPathManager,
                     PointCloudManager* iPointCloudManager, PolygonManager* iPolygonManager,
                     MeasureManager* iMeasureManager, CommentManager* iCommentManager)
{
    mSceneState = iSceneState;
    mClipBox = iClipBox;
    mManipulator = iManipulator;
    mReferencePointManager = iReferencePointManager;
    mCameraPathManager = iCameraPathManager;
    mPointCloudManager = iPointCloudManager;
    mPolygonManager = iPolygonManager;
    mMeasureManager = iMeasureManager;
    mCommentManager = iCommentManager;

    const auto link = [this](QObject* iSource, const char* iSignal, const char* iTarget) {
        if (iSource)
            connect(iSource, iSignal, this, iTarget);
    };

    // The flag and the maps are dealt with before the scene's own signals go out.
    link(mSceneState, SIGNAL(changedValue()), SLOT(enableUpdateDrawData_PointCloud()));
    link(mPointCloudManager, SIGNAL(changedValue()), SLOT(enableUpdateDrawData_PointCloud()));
    link(mPointCloudManager, SIGNAL(finishedDataLoading()), SLOT(enableUpdateDrawData_PointCloud()));

    // A managed object that is moved, hidden, added or deleted changes its manager's value
    // (children relay theirs), and the maps would no longer match the children. Selected and
    // Highlight do not colour the picking passes, so hovering keeps the maps.
    const auto linkObject = [this](Object3D* iObject) {
        if (iObject)
            connect(iObject, &Object3D::changedValue, this, [this, iObject]() {
                if (!iObject->isReportingSelectionState())
                    clearSelectionMap();
            });
    };
    link(mSceneState, SIGNAL(changedValue()), SLOT(clearSelectionMap()));
    linkObject(mClipBox);
    linkObject(mCameraPathManager);
    linkObject(mPointCloudManager);
    linkObject(mPolygonManager);
    linkObject(mMeasureManager);
    linkObject(mCommentManager);
    link(mManipulator, SIGNAL(changedMatrix()), SLOT(clearSelectionMap()));
    link(mManipulator, SIGNAL(changedVisible(bool)), SLOT(clearSelectionMap()));
    link(mPointCloudManager, SIGNAL(finishedDataLoading()), SLOT(clearSelectionMap()));

    link(mSceneState, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mClipBox, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mCameraPathManager, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mPointCloudManager, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mPolygonManager, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mMeasureManager, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mCommentManager, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mManipulator, SIGNAL(changedMatrix()), SIGNAL(changedValue()));
    link(mManipulator, SIGNAL(changedVisible(bool)), SIGNAL(changedValue()));
    link(mReferencePointManager, SIGNAL(changedValue()), SIGNAL(changedValue()));
    link(mReferencePointManager, SIGNAL(changedStructure()), SIGNAL(changedValue()));
    link(mPointCloudManager, SIGNAL(finishedDataLoading()), SIGNAL(changedValue()));

    // The manipulator goes with what it moves: a manager that lost children takes it away
    // unless a selected shot, polygon or clip box is still there to move.
    const std::vector<Object3D*> managers = {mPointCloudManager, mPolygonManager, mMeasureManager, mCommentManager,
                                             mCameraPathManager};
    for (Object3D* manager : managers) {
        if (manager)
            connect(manager, &Object3D::changedStructure, this,
                    [this, manager, count = manager->getObjectSetSize()]() mutable {
                        const unsigned int now = manager->getObjectSetSize();
                        if (now < count)
                            hideIdleManipulator();
                        count = now;
                    });
    }

    link(mCameraPathManager, SIGNAL(changedStructure()), SIGNAL(changedStructure()));
    link(mPointCloudManager, SIGNAL(changedStructure()), SIGNAL(changedStructure()));
    link(mPolygonManager, SIGNAL(changedStructure()), SIGNAL(changedStructure()));
    link(mMeasureManager, SIGNAL(changedStructure()), SIGNAL(changedStructure()));
    link(mCommentManager, SIGNAL(changedStructure()), SIGNAL(changedStructure()));
}

bool Scene::hasModel() const
{
    return mSceneState && mClipBox && mManipulator && mReferencePointManager && mCameraPathManager &&
           mPointCloudManager && mPolygonManager && mMeasureManager && mCommentManager;
}

void Scene::collectObject(std::vector<Object3D*>* iObjectList, Object3D::State iState, bool iIsEnable)
{
    const auto visit = [&](Object3D* iObject) {
        if (iObject && iObject->hasState(iState) == iIsEnable)
            iObjectList->push_back(iObject);
    };
    const auto visitWithChildren = [&](Object3D* iManager) {
        if (!iManager)
            return;
        visit(iManager);
        const int count = static_cast<int>(iManager->getObjectSetSize());
        for (int i = 0; i < count; ++i)
            visit(iManager->getObject(i));
    };
    visitWithChildren(mPointCloudManager);
    visitWithChildren(mPolygonManager);
    visitWithChildren(mMeasureManager);
    visitWithChildren(mCommentManager);
    visitWithChildren(mCameraPathManager);
    visit(mClipBox);
}

void Scene::deleteObject(std::vector<Object3D*> iObjects)
{
    if (iObjects.empty() || !hasModel())
        return;

    // The loader may be reading any shot; it must stop before one goes.
    for (Object3D* object : iObjects) {
        if (object && (object == mPointCloudManager || mPointCloudManager->getIndex(object) >= 0)) {
            mPointCloudManager->stopDataLoading();
            break;
        }
    }

    Object3D* const owners[] = {mPointCloudManager, mPolygonManager, mMeasureManager, mCommentManager,
                                mCameraPathManager};
    bool clear[5] = {false, false, false, false, false};
    for (Object3D* object : iObjects) {
        if (!object || object == mClipBox)
            continue;
        bool isManager = false;
        for (int k = 0; k < 5; ++k) {
            if (object == owners[k]) {
                clear[k] = true;
                isManager = true;
            }
        }
        if (isManager)
            continue;
        // Only the owner destroys it; asking the owner alone keeps a destroyed object (say, one
        // listed twice) from being looked at again.
        for (Object3D* owner : owners) {
            if (owner->getIndex(object) >= 0) {
                owner->deleteObject(object);
                break;
            }
        }
    }
    for (int k = 0; k < 5; ++k) {
        if (clear[k])
            owners[k]->clearObject();
    }
}

void Scene::hideIdleManipulator()
{
    if (!mManipulator || !mManipulator->isVisible())
        return;
    if (mClipBox && mClipBox->hasState(Object3D::Selected))
        return;
    const Object3D* const owners[] = {mPointCloudManager, mPolygonManager};
    for (const Object3D* manager : owners) {
        const int count = manager ? static_cast<int>(manager->getObjectSetSize()) : 0;
        for (int i = 0; i < count; ++i)
            if (manager->getObject(i)->hasState(Object3D::Selected))
                return;
    }
    // A handle under the pointer would otherwise still be dragged by the next press.
    mManipulator->activeHandle = Manipulator::NoHandle;
    mManipulator->setVisible(false);
}

void Scene::fitView(std::vector<Object3D*> iObjects)
{
    if (!mSceneState)
        return;
    if (iObjects.empty())
        iObjects = {mPointCloudManager, mPolygonManager, mMeasureManager, mCommentManager, mCameraPathManager};
    std::vector<Vector3T<double>> points;
    for (const Object3D* object : iObjects) {
        if (object)
            object->getBoundingPoints(&points);
    }
    mSceneState->fitView(points);
}

void Scene::enableUpdateDrawData_PointCloud()
{
    mUpdateDrawData_PointCloud = true;
}

bool Scene::isUpdateDrawData_PointCloud() const
{
    return mUpdateDrawData_PointCloud;
}

void Scene::setUpdateDrawData_PointCloud(bool iEnable)
{
    mUpdateDrawData_PointCloud = iEnable;
}

void Scene::updateLabelImages()
{
    const MeasureParameter measureParameter = mMeasureManager->parameter;
    const int measureCount = static_cast<int>(mMeasureManager->getObjectSetSize());
    for (int i = 0; i < measureCount; ++i) {
        Measure* measure = mMeasureManager->getData(i);
        if (!measure || !measure->labelImage.empty())
            continue;
        FL_renderLabel(&measure->labelImage, &measure->labelWidth, &measure->labelHeight,
                       FL_toQStrings(measure->getLabelLines(measureParameter)), measureParameter.charSize,
                       FL_labelColor(*measure, measureParameter.charColor));
    }
    const CommentParameter commentParameter = mCommentManager->getPara();
    const int commentCount = static_cast<int>(mCommentManager->getObjectSetSize());
    for (int i = 0; i < commentCount; ++i) {
        Comment* comment = mCommentManager->getData(i);
        if (!comment || !comment->labelImage.empty())
            continue;
        FL_renderLabel(&comment->labelImage, &comment->labelWidth, &comment->labelHeight,
                       FL_toQStrings(comment->getText()), commentParameter.charSize,
                       FL_labelColor(*comment, commentParameter.textColor));
    }
}

void Scene::updateDrawData(const SceneState* iSceneState)
{
    const Camera& camera = iSceneState->getCamera();
    const int level = iSceneState->getLODLevel();
    const PointCloudParameter pointCloudParameter = *mPointCloudManager->getPointCloudParameter();
    int pointSize = pointCloudParameter.pointSize;
    int polygonPointSize = mPolygonManager->getRenderingParameter().pointSize;

    // At a coarse level the 3D part is drawn into a viewport of 1/level of the view.
    std::unique_ptr<Camera> reduced;
    const Camera* polygonCamera = &camera;
    if (level >= 2) {
        Camera::ScreenData screen;
        camera.getScreenData(&screen);
        Camera::FrustumData frustum;
        camera.getFrustumData(&frustum);
        Camera::LookAtData lookAt;
        camera.getLookAtData(&lookAt);
        int workMode = 0;
        camera.getWorkMode(&workMode);
        Vector3T<double> center;
        camera.getRotationCenterPoint(&center);
        reduced = std::make_unique<Camera>();
        reduced->setScreenData(Camera::ScreenData{screen.width / level, screen.height / level});
        reduced->setFrustumData(frustum);
        reduced->setLookAtData(lookAt);
        reduced->setWorkMode(workMode);
        reduced->setRotationCenterPoint(center);
        reduced->initScreen();
        pointSize = 4;
        polygonPointSize = 4;
        polygonCamera = reduced.get();
    }

    if (mUpdateDrawData_PointCloud && iSceneState->getRenderingTarget().objectData.drawPointCloud &&
        pointCloudParameter.updateDrawData) {
        mPointCloudManager->updateDrawData(pointSize, pointCloudParameter.targetLevel, pointCloudParameter.delayLoad,
                                           camera, *mClipBox);
        mUpdateDrawData_PointCloud = false;
    }
    mPolygonManager->updateDrawData(polygonPointSize, mPolygonManager->targetLevel,
                                    mPolygonManager->delayLoad, *polygonCamera, *mClipBox);
}

void Scene::draw(QPaintDevice* iQPaintDevice, const SceneState* iSceneState)
{
    if (!hasModel() || !iSceneState)
        return;
    updateLabelImages();

    const Camera& camera = iSceneState->getCamera();
    if (!FL_setUpFrame(camera))
        return;
    updateDrawData(iSceneState);

    const RenderingTarget::ObjectData& flags = iSceneState->getRenderingTarget().objectData;
    const SceneParameter& sceneParameter = iSceneState->getSceneParameter();
    const int level = iSceneState->getLODLevel();
    Camera::ScreenData screen;
    camera.getScreenData(&screen);
    const int width = std::max(screen.width, 0);
    const int height = std::max(screen.height, 0);

    // A painter of the last frame may have left it on; the background writes no depth.
    glDisable(GL_DEPTH_TEST);
    if (flags.drawBackground)
        iSceneState->getBackground().draw();
    FL_draw3DObject(iSceneState, mClipBox, mManipulator, mReferencePointManager, mPointCloudManager, mPolygonManager,
                    mCameraPathManager, mMeasureManager, mCommentManager);

    if (level >= 2) {
        // Blow the reduced picture up to the whole view by pixel replication.
        const int readWidth = width / level;
        const int readHeight = height / level;
        std::vector<unsigned char> reducedPixels(static_cast<std::size_t>(readWidth) * readHeight * 4u);
        if (!reducedPixels.empty()) {
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, readWidth, readHeight, GL_RGBA, GL_UNSIGNED_BYTE, reducedPixels.data());
        }
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4u, 0);
        for (int y = 0; y < readHeight; ++y) {
            for (int x = 0; x < readWidth; ++x) {
                const unsigned char* source = reducedPixels.data() + (static_cast<std::size_t>(y) * readWidth + x) * 4u;
                for (int dy = 0; dy < level; ++dy) {
                    for (int dx = 0; dx < level; ++dx) {
                        const std::size_t target =
                            (static_cast<std::size_t>(y * level + dy) * width + (x * level + dx)) * 4u;
                        std::copy(source, source + 4, pixels.data() + target);
                    }
                }
            }
        }
        camera.initScreen();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, width, 0, height, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        if (!pixels.empty()) {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glRasterPos2i(0, 0);
            glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        }
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }

    // Orientation gizmo: the camera's rotation alone, in the lower-left corner.
    FL_drawOrientationTriad(width, height);

    if (iQPaintDevice) {
        if (flags.drawMeasure && flags.drawMeasureLabel)
            mMeasureManager->draw2DPart(iQPaintDevice, mMeasureManager->parameter, sceneParameter, camera);
        if (flags.drawComment && flags.drawCommentLabel)
            mCommentManager->draw2DPart(iQPaintDevice, mCommentManager->getPara(), sceneParameter, camera);
    }

    // Selection rectangle, in widget pixels from the top.
    Camera::ScreenData viewScreen;
    mSceneState->getCamera().getScreenData(&viewScreen);
    FL_drawSelectionRectangle(width, height, viewScreen.height, mSelectionRangeX, mSelectionRangeY, mSelectionColor);

    FL_drawRenderingStrings(iQPaintDevice, iSceneState);

    glFlush();
    if (sceneParameter.renderingMode == SceneParameter::DepthImage)
        camera.renderDepth();
}

void Scene::drawForSelection(const SceneState* iSceneState)
{
    if (!hasModel() || !iSceneState)
        return;
    const Camera& camera = iSceneState->getCamera();
    if (!FL_setUpFrame(camera))
        return;
    updateDrawData(iSceneState);
    // The maps cover the whole view, so the pass is drawn at full size whatever the level of
    // detail; this also gives the cached viewport back to the pointer conversions.
    if (iSceneState->getLODLevel() >= 2)
        camera.initScreen();

    // Pick colours must arrive unmixed.
    const UnmixedColors unmixed;
    FL_draw3DObject(iSceneState, mClipBox, mManipulator, mReferencePointManager, mPointCloudManager, mPolygonManager,
                    mCameraPathManager, mMeasureManager, mCommentManager);
    glFlush();
}
