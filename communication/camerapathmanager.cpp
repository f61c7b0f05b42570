#include "camerapathmanager.h"

#include "asciifileoperator.h"
#include "sceneparameter.h"
#include "sectionfile.h"

#include <memory>
#include <utility>

namespace {

const char* const FL_DATA_NAME = "CameraPathData";
const char* const FL_RENDERING_DATA_NAME = "CameraPathRenderingData";
const char* const FL_VERSION_0_0 = "0.0";
const char* const FL_VERSION_0_1 = "0.1";

// The type code of camera paths in the object-type pass.
const unsigned char FL_OBJECT_TYPE = 3;

// The check point part of one path; name and visibility are the caller's.
void FL_writeCameraPath(AsciiFileOperator& iStream, const CameraPath& iPath)
{
    const int size = iPath.getListSize();
    sectionfile::writeValue(iStream, "CheckPointNumber", AsciiFileOperator::toString(size));
    for (int i = 0; i < size; ++i) {
        Camera::LookAtData point;
        iPath.getPoint(i, &point);
        sectionfile::writeValue(iStream, "ViewPoint", AsciiFileOperator::toString(point.viewPoint));
        sectionfile::writeValue(iStream, "LockOnPoint", AsciiFileOperator::toString(point.lockOnPoint));
        sectionfile::writeValue(iStream, "Upward", AsciiFileOperator::toString(point.upward));
    }
}

// The count comes from the file: a file that ends early fails at the first missing header.
bool FL_readCameraPath(AsciiFileOperator& iStream, CameraPath* oPath, std::string& iErrorMessage)
{
    int size = 0;
    if (!sectionfile::readInt(iStream, "CheckPointNumber", &size, iErrorMessage))
        return false;
    for (int i = 0; i < size; ++i) {
        Camera::LookAtData point;
        if (!sectionfile::readVector(iStream, "ViewPoint", &point.viewPoint, iErrorMessage) ||
            !sectionfile::readVector(iStream, "LockOnPoint", &point.lockOnPoint, iErrorMessage) ||
            !sectionfile::readVector(iStream, "Upward", &point.upward, iErrorMessage))
            return false;
        oPath->addPoint(point);
    }
    return true;
}

} // namespace

CameraPathManager::CameraPathManager(QObject* iParent) : Object3D(iParent)
{
}

std::vector<std::string> CameraPathManager::getPathNameList() const
{
    std::vector<std::string> names;
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i)
        names.push_back(getObject(i)->getName());
    return names;
}

CameraPath* CameraPathManager::getData(int iIndex) const
{
    return qobject_cast<CameraPath*>(getObject(iIndex));
}

void CameraPathManager::setSelectedALL(bool iSelected)
{
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        Object3D* object = getObject(i);
        if (iSelected)
            object->enableState(Selected);
        else
            object->disableState(Selected);
    }
}

void CameraPathManager::getFirstIndexSelected(int* oIndex) const
{
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        if (getObject(i)->hasState(Selected)) {
            *oIndex = i;
            return;
        }
    }
    *oIndex = -1;
}

CameraPathParameter CameraPathManager::getPara() const
{
    return mPara;
}

int CameraPathManager::getLineWidth() const
{
    return mPara.lineWidth;
}

Color CameraPathManager::getLineColor() const
{
    return mPara.lineColor;
}

void CameraPathManager::setLineWidth(int iValue)
{
    // GL refuses line widths below 1.
    if (iValue < 1 || iValue == mPara.lineWidth)
        return;
    mPara.lineWidth = iValue;
    emit changedValue();
}

void CameraPathManager::setLineColor(const Color& iColor)
{
    if (iColor == mPara.lineColor)
        return;
    mPara.lineColor = iColor;
    emit changedValue();
}

Color CameraPathManager::getDrawColor(int iIndex, const SceneParameter& iScenePara, const Color& iLineColor) const
{
    if (iScenePara.drawPass == SceneParameter::ObjectTypePass)
        return Color(FL_OBJECT_TYPE, 0, 0, 0);
    if (iScenePara.drawPass == SceneParameter::ObjectIDPass)
        return Color::fromUInt32(static_cast<std::uint32_t>(iIndex));
    const Object3D* object = getObject(iIndex);
    if (object && object->hasState(Highlight))
        return Color(255, 255, 0, 255);
    if (object && object->hasState(Selected))
        return Color(255, 0, 0, 255);
    return iLineColor;
}

void CameraPathManager::draw(CameraPathParameter iPara, const SceneParameter& iScenePara) const
{
    if (!hasState(Visible))
        return;
    const int size = static_cast<int>(getObjectSetSize());
    for (int i = 0; i < size; ++i) {
        const CameraPath* path = getData(i);
        if (!path)
            continue;
        CameraPathParameter para = iPara;
        para.lineColor = getDrawColor(i, iScenePara, iPara.lineColor);
        path->draw(para);
    }
}

bool CameraPathManager::isErasable() const
{
    return false;
}

bool CameraPathManager::exportData(const std::string& iFileName, std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFileName, FL_DATA_NAME, FL_VERSION_0_1, tr("Cannot open file for writting: ").toStdString(),
        [&](AsciiFileOperator& iStream) { return saveData_Ver0_1(iStream, iErrorMessage); }, iErrorMessage);
}

bool CameraPathManager::saveData_Ver0_1(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    // The count must match the blocks written, should anything but paths be listed.
    std::vector<const CameraPath*> paths;
    for (int i = 0; i < static_cast<int>(getObjectSetSize()); ++i)
        if (const CameraPath* path = getData(i))
            paths.push_back(path);
    sectionfile::writeValue(iStream, "CameraPathListSize", AsciiFileOperator::toString(static_cast<int>(paths.size())));
    iStream << AsciiFileOperator::getHeader("CameraPathList") << endl;
    for (const CameraPath* path : paths) {
        sectionfile::writeValue(iStream, "Name", sectionfile::toLine(path->getName()));
        sectionfile::writeValue(iStream, "Visible", AsciiFileOperator::toString(path->hasState(Visible)));
        FL_writeCameraPath(iStream, *path);
    }
    return true;
}

bool CameraPathManager::initDataFromTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    switch (sectionfile::openToRead(stream, iFileName, FL_DATA_NAME, {FL_VERSION_0_0, FL_VERSION_0_1},
                                    tr("Cannot open file for reading: ").toStdString(),
                                    tr("File Header Error.").toStdString(), iErrorMessage)) {
    case 0:
        return loadData_Ver0_0(stream, iErrorMessage);
    case 1:
        return loadData_Ver0_1(stream, iErrorMessage);
    }
    return false;
}

bool CameraPathManager::loadData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadData(iStream, false, iErrorMessage);
}

bool CameraPathManager::loadData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadData(iStream, true, iErrorMessage);
}

bool CameraPathManager::loadData(AsciiFileOperator& iStream, bool iWithVisibility, std::string& iErrorMessage)
{
    int size = 0;
    if (!sectionfile::readInt(iStream, "CameraPathListSize", &size, iErrorMessage) ||
        !sectionfile::readHeaderLine(iStream, "CameraPathList", iErrorMessage))
        return false;

    // The paths are read into a list of their own and replace the present ones only when
    // the whole file could be read; nothing is reserved from the count in the file.
    std::vector<std::unique_ptr<CameraPath>> paths;
    for (int i = 0; i < size; ++i) {
        std::string name;
        if (!sectionfile::readValueLine(iStream, "Name", &name, iErrorMessage))
            return false;
        bool visible = true;
        if (iWithVisibility) {
            std::string line;
            if (!sectionfile::readValueLine(iStream, "Visible", &line, iErrorMessage))
                return false;
            visible = AsciiFileOperator::toBoolean(line);
        }
        std::unique_ptr<CameraPath> path = std::make_unique<CameraPath>(nullptr);
        if (!FL_readCameraPath(iStream, path.get(), iErrorMessage))
            return false;
        path->setName(std::move(name));
        if (!visible)
            path->disableState(Visible);
        paths.push_back(std::move(path));
    }

    const bool changed = getObjectSetSize() > 0 || !paths.empty();
    const bool blocked = blockSignals(true);
    clearObject();
    for (std::unique_ptr<CameraPath>& path : paths)
        addNewObject(path.release());
    blockSignals(blocked);
    if (changed) {
        emit changedStructure();
        emit changedValue();
    }
    return true;
}

bool CameraPathManager::exportRenderingParameter(const std::string& iFileName, std::string& iErrorMessage) const
{
    return sectionfile::exportFile(
        iFileName, FL_RENDERING_DATA_NAME, FL_VERSION_0_1, tr("Cannot open file for writting: ").toStdString(),
        [&](AsciiFileOperator& iStream) { return saveRenderingParameter_Ver0_1(iStream, iErrorMessage); },
        iErrorMessage);
}

bool CameraPathManager::saveRenderingParameter_Ver0_1(AsciiFileOperator& iStream,
                                                      std::string& /*iErrorMessage*/) const
{
    iStream << FL_RENDERING_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    sectionfile::writeValue(iStream, "Visibility", AsciiFileOperator::toString(hasState(Visible)));
    iStream << "PathLine" << endl;
    sectionfile::writeValue(iStream, "LineWidth", AsciiFileOperator::toString(static_cast<int>(mPara.lineWidth)));
    sectionfile::writeValue(iStream, "LineColor", AsciiFileOperator::toString(mPara.lineColor));
    return true;
}

bool CameraPathManager::importRenderingParameter(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    switch (sectionfile::openToRead(stream, iFileName, FL_RENDERING_DATA_NAME, {FL_VERSION_0_0, FL_VERSION_0_1},
                                    tr("Cannot open file for reading: ").toStdString(),
                                    tr("File Header Error.").toStdString(), iErrorMessage)) {
    case 0:
        return loadRenderingParameter_Ver0_0(stream, iErrorMessage);
    case 1:
        return loadRenderingParameter_Ver0_1(stream, iErrorMessage);
    }
    return false;
}

bool CameraPathManager::loadRenderingParameter_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadRenderingParameter(iStream, false, iErrorMessage);
}

bool CameraPathManager::loadRenderingParameter_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return loadRenderingParameter(iStream, true, iErrorMessage);
}

bool CameraPathManager::loadRenderingParameter(AsciiFileOperator& iStream, bool iWithVisibility,
                                               std::string& iErrorMessage)
{
    std::string line;
    bool visible = hasState(Visible);
    if (iWithVisibility) {
        if (!sectionfile::readValueLine(iStream, "Visibility", &line, iErrorMessage))
            return false;
        visible = AsciiFileOperator::toBoolean(line);
    }
    int lineWidth = 0;
    if (!sectionfile::readSectionWord(iStream, "PathLine", iErrorMessage) ||
        !sectionfile::readInt(iStream, "LineWidth", &lineWidth, iErrorMessage) ||
        !sectionfile::readValueLine(iStream, "LineColor", &line, iErrorMessage))
        return false;
    const Color lineColor = AsciiFileOperator::toMyColor(line);

    // A width the drawing cannot use is out of range, as for the setter; the current one stays.
    CameraPathParameter para = mPara;
    if (lineWidth >= 1)
        para.lineWidth = lineWidth;
    para.lineColor = lineColor;

    const bool changed = para != mPara;
    mPara = para;
    if (visible != hasState(Visible)) {
        setState(Visible, visible); // emits changedValue() for both changes
        return true;
    }
    if (changed)
        emit changedValue();
    return true;
}
