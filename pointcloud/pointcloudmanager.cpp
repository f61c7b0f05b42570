#include "pointcloudmanager.h"

#include "pointcloud.h"
#include "pointcloudinterface.h"
#include "pointcloudmanagerdraw.h"
#include "pointcloudmanagerform.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGLShaderProgram>
#include <QOpenGLContext>
#include <QString>
#include <qopengl.h>

#include <cstdint>
#include <iostream>

// Kept for the rest of the run once built.
static QGLShaderProgram* flPointCloudShader = nullptr;

// The sources are compiled into this static library; nothing references them but this. The
// macro declares the resource's function in the enclosing namespace: it stays at global scope.
static void FL_initShaderResources()
{
#ifdef BRENMOOR
    Q_INIT_RESOURCE(brenmoor);
#else
    Q_INIT_RESOURCE(pointcloud);
#endif
}

QGLShaderProgram* pointclouddraw::buildShaderProgram()
{
    FL_initShaderResources();
    QGLShaderProgram* program = new QGLShaderProgram;
    // The vertex program is the shared contour and clip functions followed by the program's own.
    QByteArray vertex;
    for (const char* path : {":/PointCloud/PointCloudCommon.vert", ":/PointCloud/PointCloud.vert"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly))
            vertex += file.readAll();
    }
    if (!program->addShaderFromSourceCode(QGLShader::Vertex, vertex)) {
        std::cout << "Error: Compiling vertex shader." << std::endl;
        return program;
    }
    if (!program->addShaderFromSourceFile(QGLShader::Fragment, ":/PointCloud/PointCloud.frag")) {
        std::cout << "Error: Compiling fragment shader." << std::endl;
        return program;
    }
    if (!program->link())
        std::cout << "Error: Linking shader pipeline." << std::endl;
    return program;
}

QGLShaderProgram* FL_getPointCloudShader()
{
    if (flPointCloudShader == nullptr)
        flPointCloudShader = pointclouddraw::buildShaderProgram();
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

namespace pointclouddraw {

// Row-major with the translation in the last column, to GL's column-major float layout.
void toGLMatrix(const Matrix4x4T<double>& iMatrix, float oMatrix[16])
{
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            oMatrix[col * 4 + row] = static_cast<float>(iMatrix(row, col));
}

void drawShot(const PointCloud& iShot, int iLevel, int iPointSize, const PointCloudParameter& iScenePara,
              const std::function<void(Uniforms&)>& iSetMore)
{
    if (iShot.getPointCloud() == nullptr)
        return;
    QGLShaderProgram* program = FL_getPointCloudShader();
    // Without a usable program the points are still drawn, in their own colours.
    const bool usable = program->isLinked();
    Uniforms uniforms(QOpenGLContext::currentContext()->functions(), usable ? program->programId() : 0);
    float matrix[16];
    toGLMatrix(iShot.getMatrix(), matrix);
    glPushMatrix();
    glMultMatrixf(matrix);

    if (usable && program->bind()) {
        uniforms.set("uSelected", iShot.hasState(Object3D::Selected) ? 1 : 0);
        uniforms.set("uHighlight", iShot.hasState(Object3D::Highlight) ? 1 : 0);
        uniforms.setMatrix("uMatrix", matrix);
        if (iSetMore)
            iSetMore(uniforms);
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
        iShot.getPointCloud()->draw(iLevel, iPointSize);
        if (bound)
            program->release();
    }
    glPopMatrix();
}

void drawShotFlat(const PointCloud& iShot, int iLevel, int iPointSize, Color iColor)
{
    if (iShot.getPointCloud() == nullptr)
        return;
    float matrix[16];
    toGLMatrix(iShot.getMatrix(), matrix);
    glPushMatrix();
    glMultMatrixf(matrix);
    iShot.getPointCloud()->draw(iLevel, iPointSize, iColor);
    glPopMatrix();
}

} // namespace pointclouddraw

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

PointCloud* PointCloudManager::getData(int iIndex) const
{
    return qobject_cast<PointCloud*>(getObject(iIndex));
}

const PointCloudParameter* PointCloudManager::getPointCloudParameter() const
{
    return &mParameter;
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

#ifndef BRENMOOR
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
#endif

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

#ifndef BRENMOOR
bool PointCloudManager::loadPointCloudRenderSetting_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    PointCloudParameter read = mParameter;
    bool visible = hasState(Visible);
    if (!::loadPointCloudRenderSetting_Ver0_1(iStream, &read, &visible, iErrorMessage))
        return false;
    applyRenderSetting(read, visible);
    return true;
}
#endif

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

