#include "polygonmanager.h"

#include "camera.h"
#include "clipbox.h"
#include "drawfunction.h"
#include "fileoperation_zrply.h"
#include "octreedepth.h"
#include "pickbuffer.h"
#include "pointcloudmanagerdraw.h"
#include "polygon.h"
#include "polygonfiler.h"
#include "polygonimp.h"
#include "polygoninterface.h"
#include "polygonloader.h"
#include "polygonsvoimp.h"

#include <QFileInfo>
#include <QGLShaderProgram>
#include <QOpenGLContext>
#include <qopengl.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <vector>

namespace
{

// The program of the point and triangle passes: built at the first draw that needs it and kept.
QGLShaderProgram* flShader = nullptr;

QGLShaderProgram* FL_getShader()
{
    if (flShader == nullptr)
        flShader = pointclouddraw::buildShaderProgram();
    return flShader;
}

// The mesh's box placed by its matrix, as a sphere of half the box diagonal.
void FL_getSphere(const MyPolygon& iMesh, Vector3T<double>* oCenter, double* oRadius)
{
    const BoundingBox& box = iMesh.getBoundingBox();
    *oCenter = iMesh.getMatrix().transform(box.getCenter());
    const Vector3T<double> half = box.getSize() * 0.5;
    *oRadius = std::sqrt(half.x * half.x + half.y * half.y + half.z * half.z);
}

void FL_setContour(pointclouddraw::Uniforms& ioUniforms, int iMode, float iMax, float iMin, const Color& iColorMax,
                   const Color& iColorMin)
{
    ioUniforms.set("uMode", iMode);
    ioUniforms.set("uValueMax", iMax);
    ioUniforms.set("uValueMin", iMin);
    ioUniforms.set("uColorMax", iColorMax);
    ioUniforms.set("uColorMin", iColorMin);
}

// Gives the mesh a polygon octree over the file with its tree read, drawn at voxel level; with
// iOctreeBox the mesh takes the octree's box, else keeps its own. False, with the message,
// when the tree cannot be read.
bool FL_attachOctree(MyPolygon* ioMesh, const std::string& iFilePath, bool iOctreeBox, std::string& iErrorMessage)
{
    std::unique_ptr<PolygonSVOImp> data(new PolygonSVOImp);
    data->filePath = iFilePath;
    if (!data->loadSVO_Base(iErrorMessage))
        return false;
    if (iOctreeBox)
        data->readBody([&](const PolygonSVOImp::Body* iBody) {
            ioMesh->setBoundingBox(iBody->getOctree().getBoundingBox());
        });
    int triangles = 0;
    int vertices = 0;
    std::string ignored;
    loadZRPLYFile_PolygonInfo(iFilePath, &triangles, &vertices, ignored);
    data->elementNumber = triangles;
    data->pointNumber = vertices;
    data->center = ioMesh->getBoundingBox().getCenter();
    data->size = ioMesh->getBoundingBox().getSize();
    data->setDrawLevel(1);
    data->updateIndexListForTriangle();
    data->updateIndexListForTriangleEdge();
    ioMesh->setPolygonInterface(data.release());
    return true;
}

} // namespace

bool PolygonRenderingParameter::operator==(const PolygonRenderingParameter& o) const
{
    return pointVisible == o.pointVisible && pointSize == o.pointSize &&
           pointContourColorMode == o.pointContourColorMode && !(pointContourValueMax != o.pointContourValueMax) &&
           !(pointContourValueMin != o.pointContourValueMin) && pointContourColorMax == o.pointContourColorMax &&
           pointContourColorMin == o.pointContourColorMin && polygonVisible == o.polygonVisible &&
           polygonContourColorMode == o.polygonContourColorMode &&
           !(polygonContourValueMax != o.polygonContourValueMax) &&
           !(polygonContourValueMin != o.polygonContourValueMin) &&
           polygonContourColorMax == o.polygonContourColorMax && polygonContourColorMin == o.polygonContourColorMin &&
           polygonEdgeVisible == o.polygonEdgeVisible && polygonEdgeColor == o.polygonEdgeColor;
}

PolygonManager::PolygonManager(QObject* iParent) : Object3D(iParent), mLoader(new PolygonLoader)
{
    // Connected first, so that a mesh has its load stop before anyone else hears of it.
    connect(this, &Object3D::changedStructure, this, &PolygonManager::setLoadStopALL);
    // finished() comes from the loader thread; the relay reaches the GUI thread's listeners
    // through its event loop.
    connect(mLoader, SIGNAL(finished()), this, SIGNAL(changedValue()), Qt::QueuedConnection);
}

PolygonManager::~PolygonManager()
{
    mLoader->stopFully();
    // The base destructor frees the meshes; nothing loads any more.
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        if (MyPolygon* mesh = getData(static_cast<int>(i)))
            mesh->setLoadStop(MyPolygon::LoadStop());
    delete mLoader;
}

void PolygonManager::setLoadStopALL()
{
    PolygonLoader* loader = mLoader;
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        if (MyPolygon* mesh = getData(static_cast<int>(i)))
            mesh->setLoadStop([loader]() { loader->stopFully(); });
}

MyPolygon* PolygonManager::getData(int iIndex) const
{
    return qobject_cast<MyPolygon*>(getObject(iIndex));
}

void PolygonManager::setSelectedALL(bool iSelected) const
{
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        if (Object3D* child = getObject(static_cast<int>(i)))
            child->setState(Selected, iSelected);
}

void PolygonManager::getFirstIndexSelected(int* oIndex) const
{
    *oIndex = -1;
    for (unsigned i = 0; i < getObjectSetSize(); ++i)
        if (getObject(static_cast<int>(i))->hasState(Selected)) {
            *oIndex = static_cast<int>(i);
            return;
        }
}

PolygonRenderingParameter PolygonManager::getRenderingParameter() const
{
    return mParameter;
}

PolygonLoader* PolygonManager::getLoader() const
{
    return mLoader;
}

bool PolygonManager::isErasable() const
{
    return false;
}

void PolygonManager::stopDataLoading() const
{
    mLoader->stopFully();
}

bool PolygonManager::exportObjectFile(int iIndex, const std::string& iFilePath, std::string& iErrorMessage)
{
    const MyPolygon* mesh = getData(iIndex);
    return mesh != nullptr && mesh->exportObjectFile(iFilePath, iErrorMessage);
}

bool PolygonManager::importObjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    std::unique_ptr<MyPolygon> mesh(MyPolygon::importObjectFile(iFilePath, iErrorMessage));
    if (!mesh)
        return false;
    const QString folder = QFileInfo(QString::fromUtf8(iFilePath.c_str())).path();
    const std::string dataPath = folder.toUtf8().toStdString() + "/" + mesh->getDataFileName();
    const std::string fileName = QFileInfo(QString::fromUtf8(dataPath.c_str())).fileName().toUtf8().toStdString();
    // The kind comes from the data file's own name, not from dots in its folder's path.
    const std::string suffix = PolygonFiler::getSuffix(fileName);
    if (suffix.empty()) {
        iErrorMessage = "Unknown File Format...";
        return false;
    }

    const BoundingBox box = mesh->getBoundingBox();
    if (suffix == "zrply") {
        std::cout << "Import ZRPLY File: " << dataPath << std::endl;
        if (!FL_attachOctree(mesh.get(), dataPath, false, iErrorMessage))
            return false;
        mesh->setDataFileName(fileName);
    } else {
        PolygonData* read = PolygonFiler(dataPath).importPolygonDataFile(iErrorMessage);
        if (read == nullptr)
            return false;
        mesh->setDataFileName(fileName);
        PolygonImp* data = new PolygonImp(read);
        data->filePath = dataPath;
        data->elementNumber = static_cast<int>(read->triangles.size());
        data->pointNumber = static_cast<int>(read->points.size());
        data->center = box.getCenter();
        data->size = box.getSize();
        data->updateIndexListForTriangle();
        data->updateIndexListForTriangleEdge();
        mesh->setPolygonInterface(data);
    }
    addNewObject(mesh.release());
    return true;
}

bool PolygonManager::generateFromZRPLYFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    std::unique_ptr<MyPolygon> mesh(new MyPolygon(nullptr));
    mesh->setName(iFilePath);
    mesh->setDataFileName(QFileInfo(QString::fromStdString(iFilePath)).fileName().toStdString());
    if (!FL_attachOctree(mesh.get(), iFilePath, true, iErrorMessage))
        return false;
    addNewObject(mesh.release());
    return true;
}

void PolygonManager::setRenderingParameter(const PolygonRenderingParameter& iParameter)
{
    if (iParameter == mParameter)
        return;
    mParameter = iParameter;
    emit changedValue();
}

void PolygonManager::updateDrawData(int iPointSize, int iTargetLevel, bool iDelayLoad, const Camera& iCamera,
                                    const ClipBox& iClipBox) const
{
    const int childCount = static_cast<int>(getObjectSetSize());
    std::vector<MyPolygon*> meshes;
    for (int i = 0; i < childCount; ++i)
        if (MyPolygon* mesh = getData(i))
            meshes.push_back(mesh);

    std::vector<Vector3T<double>> centers(meshes.size());
    std::vector<double> radii(meshes.size());
    std::vector<bool> outside(meshes.size(), false);
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        FL_getSphere(*meshes[i], &centers[i], &radii[i]);
        outside[i] = iCamera.isOutsideSphere(centers[i], radii[i]);
    }

    // No octree is freed while a background load may read it.
    for (std::size_t i = 0; i < meshes.size(); ++i)
        if (PolygonSVOInterface* octree = meshOctree(meshes[i]); octree && outside[i] && octree->hasData()) {
            mLoader->stopFully();
            break;
        }

    const float farPixelSize = iCamera.getFarPlanePixelSize();
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        PolygonSVOInterface* octree = meshOctree(meshes[i]);
        if (!octree)
            continue;
        if (outside[i]) {
            octree->clearData();
            continue;
        }
        std::string error;
        if (!octree->loadSVO_Base(error)) {
            std::cout << error << std::endl;
            continue;
        }
        const int depth = calculateDrawingOcTreeDepth(centers[i], meshes[i]->getBoundingBox().getSize(), iCamera,
                                                      iPointSize, farPixelSize);
        if (!octree->loadSVO_Nodes(depth, error))
            std::cout << error << std::endl;
    }

    for (MyPolygon* mesh : meshes)
        if (PolygonSVOInterface* octree = meshOctree(mesh))
            octree->updateDrawNode(mesh->getMatrix(), iCamera, iPointSize, farPixelSize);

    bool anyVisibleOctree = false;
    for (const MyPolygon* mesh : meshes)
        anyVisibleOctree = anyVisibleOctree || (meshOctree(mesh) && mesh->hasState(Visible));
    if (iTargetLevel <= 1 && anyVisibleOctree && hasCurrentGLContext()) {
        Camera::ScreenData screen;
        iCamera.getScreenData(&screen);
        // Keys must arrive unmixed.
        const UnmixedColors unmixed;
        glEnable(GL_DEPTH_TEST);
        if (iClipBox.enable)
            iClipBox.beginClip();
        // Pass A: which mesh covers a pixel; pass B: which of its nodes.
        auto drawPass = [&](bool iByNode) {
            iCamera.initScreen();
            for (int i = 0; i < childCount; ++i) {
                const MyPolygon* mesh = getData(i);
                PolygonSVOInterface* octree = meshOctree(mesh);
                if (!octree || !mesh->hasState(Visible))
                    continue;
                float matrix[16];
                pointclouddraw::toGLMatrix(mesh->getMatrix(), matrix);
                glPushMatrix();
                glMultMatrixf(matrix);
                if (iByNode)
                    octree->drawVoxelNodesWithIndexColor();
                else
                    octree->drawVoxelNodes(Color::fromUInt32(static_cast<std::uint32_t>(i)));
                glPopMatrix();
            }
        };
        std::vector<unsigned int> meshKeys;
        std::vector<unsigned int> nodeKeys;
        drawPass(false);
        FL_getIndexArrayFromPixelColor(&meshKeys, screen.width, screen.height);
        drawPass(true);
        FL_getIndexArrayFromPixelColor(&nodeKeys, screen.width, screen.height);
        iCamera.initScreen();
        if (iClipBox.enable)
            iClipBox.endClip();
        glDisable(GL_DEPTH_TEST);

        // Neighbouring pixels mostly show the same node: only changes are kept, then each
        // mesh's list is sorted and made unique.
        std::vector<std::vector<unsigned int>> visible(static_cast<std::size_t>(childCount));
        for (std::size_t p = 0; p < meshKeys.size() && p < nodeKeys.size(); ++p) {
            if (meshKeys[p] >= static_cast<unsigned int>(childCount))
                continue;
            std::vector<unsigned int>& nodes = visible[meshKeys[p]];
            if (nodes.empty() || nodes.back() != nodeKeys[p])
                nodes.push_back(nodeKeys[p]);
        }
        for (int i = 0; i < childCount; ++i)
            if (PolygonSVOInterface* octree = meshOctree(getData(i))) {
                std::vector<unsigned int>& nodes = visible[static_cast<std::size_t>(i)];
                std::sort(nodes.begin(), nodes.end());
                nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
                octree->setDrawVoxelNodeList(nodes);
            }
    } else if (iTargetLevel <= 1 && !anyVisibleOctree) {
        // The read-back would hold only background: every octree mesh ends without draw nodes.
        for (MyPolygon* mesh : meshes)
            if (PolygonSVOInterface* octree = meshOctree(mesh))
                octree->setDrawVoxelNodeList({});
    }

    // Hidden meshes draw nothing, so nothing is loaded for them, neither voxels nor leaves.
    std::vector<MyPolygon*> shown;
    for (MyPolygon* mesh : meshes)
        if (mesh->hasState(Visible))
            shown.push_back(mesh);
    const int level = mLoader->loadData(shown, iTargetLevel, iDelayLoad);
    for (MyPolygon* mesh : meshes)
        if (PolygonSVOInterface* octree = meshOctree(mesh))
            octree->setDrawLevel(level);
}

void PolygonManager::draw(PolygonRenderingParameter iParameter) const
{
    if (!hasCurrentGLContext())
        return;
    const int childCount = static_cast<int>(getObjectSetSize());
    // Runs iDraw for every visible mesh in its matrix, with the object uniforms set when the
    // program is bound.
    auto forEachVisible = [&](QGLShaderProgram* iProgram, bool iWithSelection,
                              const std::function<void(const PolygonInterface&)>& iDraw) {
        pointclouddraw::Uniforms uniforms(QOpenGLContext::currentContext()->functions(),
                                          iProgram ? iProgram->programId() : 0);
        for (int i = 0; i < childCount; ++i) {
            const MyPolygon* mesh = getData(i);
            if (!mesh || !mesh->hasState(Visible) || !mesh->getPolygonInterface())
                continue;
            float matrix[16];
            pointclouddraw::toGLMatrix(mesh->getMatrix(), matrix);
            if (iProgram) {
                uniforms.set("uSelected", iWithSelection && mesh->hasState(Selected) ? 1 : 0);
                uniforms.setMatrix("uMatrix", matrix);
            }
            glPushMatrix();
            glMultMatrixf(matrix);
            iDraw(*mesh->getPolygonInterface());
            glPopMatrix();
        }
    };

    if (iParameter.pointVisible) {
        QGLShaderProgram* program = FL_getShader();
        const bool bound = program->isLinked() && program->bind();
        if (bound) {
            pointclouddraw::Uniforms uniforms(QOpenGLContext::currentContext()->functions(), program->programId());
            FL_setContour(uniforms, iParameter.pointContourColorMode, iParameter.pointContourValueMax,
                          iParameter.pointContourValueMin, iParameter.pointContourColorMax,
                          iParameter.pointContourColorMin);
        }
        forEachVisible(bound ? program : nullptr, false,
                       [&](const PolygonInterface& iData) { iData.drawNode(iParameter.pointSize); });
        if (bound)
            program->release();
    }
    if (iParameter.polygonVisible) {
        QGLShaderProgram* program = FL_getShader();
        const bool bound = program->isLinked() && program->bind();
        if (bound) {
            pointclouddraw::Uniforms uniforms(QOpenGLContext::currentContext()->functions(), program->programId());
            FL_setContour(uniforms, iParameter.polygonContourColorMode, iParameter.polygonContourValueMax,
                          iParameter.polygonContourValueMin, iParameter.polygonContourColorMax,
                          iParameter.polygonContourColorMin);
        }
        forEachVisible(bound ? program : nullptr, true, [](const PolygonInterface& iData) { iData.drawPolygon(); });
        if (bound)
            program->release();
    }
    if (iParameter.polygonEdgeVisible) {
        glLineWidth(1.0f);
        forEachVisible(nullptr, false,
                       [&](const PolygonInterface& iData) { iData.drawPolygonEdge(iParameter.polygonEdgeColor); });
    }
}

void PolygonManager::setTargetLevel(int iLevel)
{
    if (iLevel == targetLevel)
        return;
    targetLevel = iLevel;
    emit changedValue();
}

void PolygonManager::setNormalLevel(int iLevel)
{
    if (iLevel == normalLevel)
        return;
    normalLevel = iLevel;
    emit changedValue();
}

void PolygonManager::setRoughLevel(int iLevel)
{
    if (iLevel == roughLevel)
        return;
    roughLevel = iLevel;
    emit changedValue();
}
