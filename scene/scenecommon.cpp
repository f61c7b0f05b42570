#include "scene.h"
#include "scenedrawing.h"

#include "animationframe.h"
#include "pointcloudmanager.h"
#include "referencepoint.h"
#include "scenestate.h"

#include <QFont>
#include <QFontInfo>
#include <QPainter>
#include <QString>
#include <QtOpenGL>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>

// The parts of the scene that Vistrel and the editor share: the selection rectangle, the view
// animations and the frame's 2D overlays.

namespace {

QString FL_toString(const Vector3T<double>& iVector)
{
    return "[" + QString::number(iVector.x, 'g', 6) + ", " + QString::number(iVector.y, 'g', 6) + ", " +
           QString::number(iVector.z, 'g', 6) + "]";
}

QString FL_toString(const Color& iColor)
{
    return "[" + QString::number(iColor.red) + ", " + QString::number(iColor.green) + ", " +
           QString::number(iColor.blue) + "]";
}

// The spelling of "false" is the one the information overlay has always shown.
QString FL_toString(bool iFlag)
{
    return iFlag ? QString("true") : QString("flase");
}

void FL_getRenderingStrings(std::vector<QString>& lines, const SceneState* iSceneState)
{
    const RenderingTarget& target = iSceneState->getRenderingTarget();
    const RenderingTarget::ObjectData& flags = target.objectData;
    const RenderingTarget::InfomationData& info = target.infomationData;
    if (info.showDrawFlagInfomation) {
        lines.push_back("----- Draw Flags -----");
        lines.push_back("RotationCenterPoint: " + FL_toString(flags.drawRotationCenterPoint));
        lines.push_back("OriginAxis: " + FL_toString(flags.drawOriginAxis));
        lines.push_back("PointCloud: " + FL_toString(flags.drawPointCloud));
        lines.push_back("Measure: " + FL_toString(flags.drawMeasure));
        lines.push_back("Comment: " + FL_toString(flags.drawComment));
        lines.push_back("CameraPath: " + FL_toString(flags.drawCameraPath));
        lines.push_back(QString());
    }
    if (info.showCameraWorkInfomation) {
        const Camera& camera = iSceneState->getCamera();
        Camera::FrustumData frustum;
        camera.getFrustumData(&frustum);
        Camera::LookAtData lookAt;
        camera.getLookAtData(&lookAt);
        int workMode = 0;
        camera.getWorkMode(&workMode);
        Vector3T<double> center;
        camera.getRotationCenterPoint(&center);
        lines.push_back("----- Camera Work -----");
        lines.push_back("Near: " + QString::number(frustum.near, 'g', 6));
        lines.push_back("Far: " + QString::number(frustum.far, 'g', 6));
        lines.push_back("Degree: " + QString::number(frustum.degree, 'g', 6));
        lines.push_back("ViewMode: " + QString::number(workMode));
        lines.push_back("ViewPoint: " + FL_toString(lookAt.viewPoint));
        lines.push_back("RegardPoint: " + FL_toString(lookAt.lockOnPoint));
        lines.push_back("Upward: " + FL_toString(lookAt.upward));
        lines.push_back("RotationCenterPoint: " + FL_toString(center));
        lines.push_back(QString());
    }
    if (info.showBackgroundRenderingInfomation) {
        const Background& background = iSceneState->getBackground();
        lines.push_back("----- Background Rendering -----");
        lines.push_back("RenderingMode: " +
                        QString::fromStdString(Background::toString(background.getRenderingMode())));
        lines.push_back("Color 0: " + FL_toString(background.getColor1()));
        lines.push_back("Color 1: " + FL_toString(background.getColor2()));
        lines.push_back(QString());
    }
}

// Loads an orthographic projection over the view and pushes both matrices; model-view is left
// as it was.
void FL_beginOverlay(int iWidth, int iHeight)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, iWidth, 0, iHeight, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void FL_endOverlay()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

} // namespace

namespace scenedrawing {

bool FL_setUpFrame(const Camera& iCamera)
{
    iCamera.initScreen();
    if (!iCamera.setSceneMatrix())
        return false;
    iCamera.updateCornerPoints();
    return true;
}

int FL_scaled(int iSize, int iLevel)
{
    return std::max(iSize / std::max(iLevel, 1), 1);
}

void FL_drawOriginAxis(float lineWidth)
{
    glLineWidth(lineWidth);
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 0.0f, 0.0f);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 1.0f, 0.0f);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glEnd();
}

void FL_drawMarkers(const SceneState* iSceneState, const ReferencePointManager* iReferencePointManager)
{
    const RenderingTarget::ObjectData& flags = iSceneState->getRenderingTarget().objectData;
    const Camera& camera = iSceneState->getCamera();
    const int level = iSceneState->getLODLevel();
    int workMode = 0;
    camera.getWorkMode(&workMode);
    if (flags.drawRotationCenterPoint && workMode == Camera::Observation) {
        Vector3T<double> center;
        camera.getRotationCenterPoint(&center);
        glPointSize(static_cast<GLfloat>(FL_scaled(10, level)));
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_POINTS);
        glVertex3d(center.x, center.y, center.z);
        glEnd();
    }
    if (flags.drawOriginAxis)
        FL_drawOriginAxis(static_cast<float>(FL_scaled(4, level)));
    if (flags.drawReferencePoint)
        iReferencePointManager->draw(FL_scaled(10, level), FL_scaled(4, level));
}

void FL_drawOrientationTriad(int iWidth, int iHeight)
{
    FL_beginOverlay(iWidth, iHeight);
    GLdouble rotation[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, rotation);
    rotation[12] = 0.0;
    rotation[13] = 0.0;
    rotation[14] = 0.0;
    rotation[15] = 1.0;
    glLoadIdentity();
    glTranslated(100.0, 100.0, 0.0);
    glMultMatrixd(rotation);
    glScaled(50.0, 50.0, 50.0);
    FL_drawOriginAxis(4.0f);
    FL_endOverlay();
}

void FL_drawSelectionRectangle(int iWidth, int iHeight, double iViewHeight, Range iX, Range iY, Color iColor)
{
    const double x0 = std::trunc(iX.min);
    const double x1 = std::trunc(iX.max);
    const double yA = std::trunc(iViewHeight - iY.min);
    const double yB = std::trunc(iViewHeight - iY.max);
    FL_beginOverlay(iWidth, iHeight);
    glLoadIdentity();
    glLineWidth(2.0f);
    glColor3ub(iColor.red, iColor.green, iColor.blue);
    glBegin(GL_LINE_LOOP);
    glVertex2d(x0, yA);
    glVertex2d(x0, yB);
    glVertex2d(x1, yB);
    glVertex2d(x1, yA);
    glEnd();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ub(iColor.red, iColor.green, iColor.blue, 50);
    glBegin(GL_POLYGON);
    glVertex2d(x0, yA);
    glVertex2d(x0, yB);
    glVertex2d(x1, yB);
    glVertex2d(x1, yA);
    glEnd();
    glDisable(GL_BLEND);
    FL_endOverlay();
}

void FL_drawRenderingStrings(QPaintDevice* iQPaintDevice, const SceneState* iSceneState)
{
    std::vector<QString> lines;
    FL_getRenderingStrings(lines, iSceneState);
    if (lines.empty())
        return;
    if (iQPaintDevice) {
        QPainter painter(iQPaintDevice);
        painter.setPen(QColor(255, 255, 255, 255));
        QFont font = painter.font();
        font.setPixelSize(16);
        painter.setFont(font);
        const int pixelSize = QFontInfo(painter.font()).pixelSize();
        for (std::size_t i = 0; i < lines.size(); ++i)
            painter.drawText(0, static_cast<int>(i + 1) * pixelSize, lines[i]);
    }
    for (const QString& line : lines)
        std::cout << line.toStdString() << std::endl;
}

} // namespace scenedrawing

Scene::Scene(QObject* iParent) : QObject(iParent) {}

Scene::~Scene() = default;

void Scene::setSelectionRange(Range iX, Range iY)
{
    // != so that a NaN on either side counts as a change.
    if (!(iX.min != mSelectionRangeX.min || iX.max != mSelectionRangeX.max || iY.min != mSelectionRangeY.min ||
          iY.max != mSelectionRangeY.max))
        return;
    mSelectionRangeX = iX;
    mSelectionRangeY = iY;
    emit changedValue();
}

void Scene::getSelectionRange(Range* oX, Range* oY) const
{
    *oX = mSelectionRangeX;
    *oY = mSelectionRangeY;
}

void Scene::setSelectionColor(Color iColor)
{
    if (iColor == mSelectionColor)
        return;
    mSelectionColor = iColor;
    emit changedValue();
}

void Scene::getSelectionColor(Color* oColor) const
{
    *oColor = mSelectionColor;
}

void Scene::setSceneUpward(const Vector3T<double>& iVector, int iFrameNumber)
{
    animateLookAt(iVector, iFrameNumber, true);
}

void Scene::setSceneRightward(const Vector3T<double>& iVector, int iFrameNumber)
{
    animateLookAt(iVector, iFrameNumber, false);
}

void Scene::animateLookAt(const Vector3T<double>& iVector, int iFrameNumber, bool iUpward)
{
    if (!hasModel())
        return;
    Camera& camera = mSceneState->getCamera();
    Camera::LookAtData start;
    camera.getLookAtData(&start);
    Camera::LookAtData target = start;
    int workMode = 0;
    camera.getWorkMode(&workMode);
    const Camera::ViewMode mode = static_cast<Camera::ViewMode>(workMode);
    const bool accepted =
        iUpward ? Camera::setUpward(&target, iVector, mode) : Camera::setRightward(&target, iVector, mode);
    if (!accepted)
        return;

    std::vector<AnimationFrame> frames;
    AnimationFrame::getAnimationFrames(&frames, {AnimationFrame(0, start), AnimationFrame(iFrameNumber, target)});

    // No labels and only node data while the view turns.
    RenderingTarget& renderingTarget = mSceneState->getRenderingTarget();
    const RenderingTarget::ObjectData savedFlags = renderingTarget.objectData;
    RenderingTarget::ObjectData movingFlags = savedFlags;
    movingFlags.drawMeasureLabel = false;
    movingFlags.drawCommentLabel = false;
    renderingTarget.setObjectData(movingFlags);
    const int savedTargetLevel = mPointCloudManager->getPointCloudParameter()->targetLevel;
    mPointCloudManager->setTargetLevel(2);

    for (const AnimationFrame& frame : frames) {
        camera.setLookAtData(frame.lookAt);
        camera.normalizeView();
        emit changedNow();
    }

    renderingTarget.setObjectData(savedFlags);
    mPointCloudManager->setTargetLevel(savedTargetLevel);
}
