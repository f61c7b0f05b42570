#include "pointcloudmanager.h"

#include "camera.h"
#include "clipbox.h"
#include "octreedepth.h"
#include "pointcloud.h"
#include "pointclouddeleter.h"
#include "pointcloudinterface.h"
#include "pointcloudloader.h"
#include "pointcloudmanagerform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGLShaderProgram>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QString>
#include <qopengl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

// The draw level that the last level-of-detail step obtained from the loader (0 points,
// 2 nodes); every draw pass of later frames uses it until the next step.
static int flDrawLevel = 0;

// Kept for the rest of the run once built.
static QGLShaderProgram* flPointCloudShader = nullptr;

QGLShaderProgram* FL_getPointCloudShader()
{
    if (flPointCloudShader != nullptr)
        return flPointCloudShader;
    // The sources are compiled into this static library; nothing references them but this.
    Q_INIT_RESOURCE(pointcloud);
    flPointCloudShader = new QGLShaderProgram;
    if (!flPointCloudShader->addShaderFromSourceFile(QGLShader::Vertex, ":/PointCloud/PointCloud.vert")) {
        std::cout << "Error: Compiling vertex shader." << std::endl;
        return flPointCloudShader;
    }
    if (!flPointCloudShader->addShaderFromSourceFile(QGLShader::Fragment, ":/PointCloud/PointCloud.frag")) {
        std::cout << "Error: Compiling fragment shader." << std::endl;
        return flPointCloudShader;
    }
    if (!flPointCloudShader->link())
        std::cout << "Error: Linking shader pipeline." << std::endl;
    return flPointCloudShader;
}

namespace {

// Indexed by mode; shown and compared through the translation of the PointCloudManager context.
const char* const FL_COLOR_MODE_NAMES[] = {
    QT_TRANSLATE_NOOP("PointCloudManager", "Point Color"), QT_TRANSLATE_NOOP("PointCloudManager", "Shot Color"),
    QT_TRANSLATE_NOOP("PointCloudManager", "Group Color"), QT_TRANSLATE_NOOP("PointCloudManager", "Intensity"),
    QT_TRANSLATE_NOOP("PointCloudManager", "X Level"),     QT_TRANSLATE_NOOP("PointCloudManager", "Y Level"),
    QT_TRANSLATE_NOOP("PointCloudManager", "Z Level"),
};
constexpr int FL_COLOR_MODE_COUNT = sizeof(FL_COLOR_MODE_NAMES) / sizeof(FL_COLOR_MODE_NAMES[0]);

std::string FL_colorModeName(int iMode)
{
    return QCoreApplication::translate("PointCloudManager", FL_COLOR_MODE_NAMES[iMode]).toUtf8().toStdString();
}

bool FL_hasGLContext()
{
    return QOpenGLContext::currentContext() != nullptr;
}

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

// Row-major with the translation in the last column, to GL's column-major float layout.
void FL_toGLMatrix(const Matrix4x4T<double>& iMatrix, float oMatrix[16])
{
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            oMatrix[col * 4 + row] = static_cast<float>(iMatrix(row, col));
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

float FL_channel(unsigned char iValue)
{
    return static_cast<float>(iValue / 255.0);
}

// Uniform writes by name on a bound program; a name the program lacks is ignored by GL.
class FL_Uniforms
{
public:
    FL_Uniforms(QOpenGLFunctions* iGL, GLuint iProgram) : mGL(iGL), mProgram(iProgram) {}

    void set(const char* iName, int iValue) { mGL->glUniform1i(location(iName), iValue); }
    void set(const char* iName, float iValue) { mGL->glUniform1f(location(iName), iValue); }
    void set(const char* iName, const Color& iColor)
    {
        mGL->glUniform4f(location(iName), FL_channel(iColor.red), FL_channel(iColor.green), FL_channel(iColor.blue),
                         FL_channel(iColor.alpha));
    }
    void set(const char* iName, const float iPlane[4]) { mGL->glUniform4fv(location(iName), 1, iPlane); }
    void setMatrix(const char* iName, const float iMatrix[16])
    {
        mGL->glUniformMatrix4fv(location(iName), 1, GL_FALSE, iMatrix);
    }

private:
    GLint location(const char* iName) { return mGL->glGetUniformLocation(mProgram, iName); }

    QOpenGLFunctions* mGL;
    GLuint mProgram;
};

// Stores the value when it differs from the field; true when it was stored.
template <typename T>
bool FL_store(T& ioField, const T& iValue)
{
    if (iValue == ioField)
        return false;
    ioField = iValue;
    return true;
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

QWidget* PointCloudManager::createUI()
{
    PointCloudManagerForm* form = new PointCloudManagerForm;
    form->setTarget(this);
    return form;
}

bool PointCloudManager::isErasable() const
{
    return false;
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

PointCloud* PointCloudManager::getData(int iIndex) const
{
    return qobject_cast<PointCloud*>(getObject(iIndex));
}

const PointCloudParameter* PointCloudManager::getPointCloudParameter() const
{
    return &mParameter;
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
    for (std::size_t i = 0; i < count; ++i)
        if (octrees[i] != nullptr)
            octrees[i]->updateDrawNode(shots[i]->getMatrix(), iCamera, iPointSize, pixelSize);

    flDrawLevel = mLoader->loadData(shots, depths, iTargetLevel, iDelayLoad);
    mDeleter->start(QThread::InheritPriority);
}

void PointCloudManager::draw(int iPointSize, const ClipBox& iClipBox, const PointCloudParameter& iScenePara) const
{
    if (!hasState(Visible) || getObjectSetSize() == 0 || !FL_hasGLContext())
        return;
    QGLShaderProgram* program = FL_getPointCloudShader();
    // Without a usable program the points are still drawn, in their own colours.
    const bool usable = program->isLinked();
    FL_Uniforms uniforms(QOpenGLContext::currentContext()->functions(), usable ? program->programId() : 0);
    float planes[6][4];
    FL_getClipPlanes(iClipBox, planes);
    static const char* const planeNames[6] = {"uClipPlane0", "uClipPlane1", "uClipPlane2",
                                              "uClipPlane3", "uClipPlane4", "uClipPlane5"};

    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const int level = flDrawLevel;
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot == nullptr || !shot->hasState(Visible) || shot->getPointCloud() == nullptr)
            continue;
        float matrix[16];
        FL_toGLMatrix(shot->getMatrix(), matrix);
        glPushMatrix();
        glMultMatrixf(matrix);

        if (usable && program->bind()) {
            uniforms.set("uSelected", shot->hasState(Selected) ? 1 : 0);
            uniforms.set("uHighlight", shot->hasState(Highlight) ? 1 : 0);
            uniforms.setMatrix("uMatrix", matrix);
            uniforms.set("uShotColor", shot->getColor());
            uniforms.set("uClipEffect", iClipBox.enable ? 1 : 0);
            for (int k = 0; k < 6; ++k)
                uniforms.set(planeNames[k], planes[k]);
            program->release();
        }

        if (iScenePara.pointVisible) {
            const bool bound = usable && program->bind();
            if (bound) {
                uniforms.set("uMode", iScenePara.pointContourMode);
                uniforms.set("uValueMax", iScenePara.contourValueMax);
                uniforms.set("uValueMin", iScenePara.contourValueMin);
                uniforms.set("uColorMax", iScenePara.contourColorMax);
                uniforms.set("uColorMin", iScenePara.contourColorMin);
            }
            shot->getPointCloud()->draw(level, iPointSize);
            if (bound)
                program->release();
        }
        glPopMatrix();
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
    if (!hasState(Visible) || !FL_hasGLContext())
        return;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot == nullptr || !shot->hasState(Visible) || shot->getPointCloud() == nullptr)
            continue;
        float matrix[16];
        FL_toGLMatrix(shot->getMatrix(), matrix);
        glPushMatrix();
        glMultMatrixf(matrix);
        const Color color = iColorByIndex ? Color::fromUInt32(static_cast<std::uint32_t>(i)) : Color(0, 0, 0, 0);
        shot->getPointCloud()->draw(flDrawLevel, iPointSize, color);
        glPopMatrix();
    }
}

// ---------------------------------------------------------------------------------------------
// Shot list
// ---------------------------------------------------------------------------------------------

bool PointCloudManager::exportObjectFile(int iIndex, const std::string& iFilePath, std::string& iErrorMessage) const
{
    const PointCloud* shot = getData(iIndex);
    return shot != nullptr && shot->exportObjectFile(iFilePath, iErrorMessage);
}

bool PointCloudManager::generateFromObjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    PointCloud* shot = PointCloud::generateFromObjectFile(iFilePath, iErrorMessage);
    if (shot == nullptr)
        return false;
    const QString folder = QFileInfo(QString::fromStdString(iFilePath)).path();
    const std::string dataPath = folder.toStdString() + "/" + shot->getDataFileName();
    std::string error;
    PointCloudInterface* data = PointCloud::openPointCloudData(dataPath, error);
    if (data == nullptr) {
        iErrorMessage = error;
        delete shot;
        return false;
    }
    shot->setPointCloud(data);
    addNewObject(shot);
    return true;
}

bool PointCloudManager::generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage)
{
    std::string error;
    PointCloud* shot = PointCloud::generateFromBinaryFile_SVO(iFilePath, error);
    if (shot == nullptr) {
        iErrorMessage = error;
        return false;
    }
    addNewObject(shot);
    return true;
}

void PointCloudManager::getNameALL(std::vector<std::string>* iNameList) const
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        iNameList->push_back(getObject(static_cast<int>(i))->getName());
}

void PointCloudManager::getFirstIndexSelected(int* iIndex) const
{
    *iIndex = -1;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        if (getObject(static_cast<int>(i))->hasState(Object3D::Selected)) {
            *iIndex = static_cast<int>(i);
            return;
        }
    }
}

std::int64_t PointCloudManager::getPointNumber() const
{
    std::int64_t total = 0;
    for (unsigned i = 0; i < getObjectSetSize(); ++i) {
        const PointCloud* shot = getData(static_cast<int>(i));
        if (shot != nullptr && shot->getPointCloud() != nullptr)
            total += shot->getPointCloud()->getPointNumber();
    }
    return total;
}

void PointCloudManager::setSelectedALL(bool iSelected)
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        getObject(static_cast<int>(i))->setState(Object3D::Selected, iSelected);
}

void PointCloudManager::setVisibleALL(bool iVisible)
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        getObject(static_cast<int>(i))->setState(Object3D::Visible, iVisible);
}

// ---------------------------------------------------------------------------------------------
// Render settings
// ---------------------------------------------------------------------------------------------

std::string PointCloudManager::toString(PointCloudParameter::ColorMode iMode)
{
    const int mode = static_cast<int>(iMode);
    return FL_colorModeName(mode >= 0 && mode < FL_COLOR_MODE_COUNT ? mode : 0);
}

PointCloudParameter::ColorMode PointCloudManager::toColorMode(const std::string& iName)
{
    for (int mode = 0; mode < FL_COLOR_MODE_COUNT; ++mode)
        if (FL_colorModeName(mode) == iName)
            return static_cast<PointCloudParameter::ColorMode>(mode);
    return PointCloudParameter::PointColor;
}

bool PointCloudManager::exportPointParameter(const std::string& iFilePath, std::string& iErrorMessage) const
{
    return exportPointCloudRenderSetting(iFilePath, mParameter, hasState(Visible), iErrorMessage);
}

bool PointCloudManager::initPointWithTextFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    PointCloudParameter read = mParameter;
    bool visible = hasState(Visible);
    if (!initPointCloudRenderSetting(iFilePath, &read, &visible, iErrorMessage))
        return false;
    applyRenderSetting(read, visible);
    return true;
}

bool PointCloudManager::savePointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream,
                                                           std::string& iErrorMessage) const
{
    return ::savePointCloudRenderSetting_Ver0_1(iStream, mParameter, hasState(Visible), iErrorMessage);
}

bool PointCloudManager::savePointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream,
                                                           std::string& iErrorMessage) const
{
    return ::savePointCloudRenderSetting_Ver0_0(iStream, mParameter, iErrorMessage);
}

bool PointCloudManager::loadPointCloudRenderSetting_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    PointCloudParameter read = mParameter;
    if (!::loadPointCloudRenderSetting_Ver0_0(iStream, &read, iErrorMessage))
        return false;
    applyRenderSetting(read, hasState(Visible));
    return true;
}

bool PointCloudManager::loadPointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    PointCloudParameter read = mParameter;
    bool visible = hasState(Visible);
    if (!::loadPointCloudRenderSetting_Ver0_1(iStream, &read, &visible, iErrorMessage))
        return false;
    applyRenderSetting(read, visible);
    return true;
}

// In the order of the file's keys, each through its setter's rules.
void PointCloudManager::applyRenderSetting(const PointCloudParameter& iParameter, bool iVisible)
{
    setState(Visible, iVisible);
    setPointSize(iParameter.pointSize);
    setPointContourMode(iParameter.pointContourMode);
    setPointContourValueMax(iParameter.contourValueMax);
    setPointContourValueMin(iParameter.contourValueMin);
    setPointContourColorMax(iParameter.contourColorMax);
    setPointContourColorMin(iParameter.contourColorMin);
    setDelayLoad(iParameter.delayLoad);
    setNormalLevel(iParameter.normalLevel);
    setRoughLevel(iParameter.roughLevel);
}

void PointCloudManager::setColorMode(PointCloudParameter::ColorMode iMode)
{
    if (FL_store(mParameter.colorMode, iMode))
        emit changedValue();
}

void PointCloudManager::setTargetLevel(int iLevel)
{
    if (PointCloudParameter::isValidLevel(iLevel) && FL_store(mParameter.targetLevel, iLevel))
        emit changedValue();
}

void PointCloudManager::setNormalLevel(int iLevel)
{
    if (PointCloudParameter::isValidLevel(iLevel) && FL_store(mParameter.normalLevel, iLevel))
        emit changedValue();
}

void PointCloudManager::setRoughLevel(int iLevel)
{
    if (PointCloudParameter::isValidLevel(iLevel) && FL_store(mParameter.roughLevel, iLevel))
        emit changedValue();
}

void PointCloudManager::setDelayLoad(bool iFlag)
{
    if (FL_store(mParameter.delayLoad, iFlag))
        emit changedValue();
}

void PointCloudManager::setDarkVoxel(bool iFlag)
{
    if (FL_store(mParameter.darkVoxel, iFlag))
        emit changedValue();
}

void PointCloudManager::setUpdateDrawData(bool iFlag)
{
    if (FL_store(mParameter.updateDrawData, iFlag))
        emit changedValue();
}

void PointCloudManager::setPointVisible(bool iFlag)
{
    if (FL_store(mParameter.pointVisible, iFlag))
        emit changedValue();
}

void PointCloudManager::setPointSize(int iSize)
{
    if (PointCloudParameter::isValidPointSize(iSize) && FL_store(mParameter.pointSize, iSize))
        emit changedValue();
}

void PointCloudManager::setPointContourMode(int iMode)
{
    if (FL_store(mParameter.pointContourMode, iMode))
        emit changedValue();
}

// Plain float comparison: a NaN always counts as a change.
void PointCloudManager::setPointContourValueMax(float iValue)
{
    if (FL_store(mParameter.contourValueMax, iValue))
        emit changedValue();
}

void PointCloudManager::setPointContourValueMin(float iValue)
{
    if (FL_store(mParameter.contourValueMin, iValue))
        emit changedValue();
}

void PointCloudManager::setPointContourColorMax(const Color& iColor)
{
    if (FL_store(mParameter.contourColorMax, iColor))
        emit changedValue();
}

void PointCloudManager::setPointContourColorMin(const Color& iColor)
{
    if (FL_store(mParameter.contourColorMin, iColor))
        emit changedValue();
}
