#include "camerapathmanager.h"

#include "asciifileoperator.h"
#include "numberformat.h"
#include "sceneparameter.h"

#include <iostream>
#include <memory>
#include <utility>

namespace {

const char* const FL_DATA_NAME = "CameraPathData";
const char* const FL_RENDERING_DATA_NAME = "CameraPathRenderingData";
const char* const FL_VERSION_0_0 = "0.0";
const char* const FL_VERSION_0_1 = "0.1";

// The type code of camera paths in the object-type pass.
const unsigned char FL_OBJECT_TYPE = 3;

void FL_printVersion(const char* iDataName, const char* iVersion)
{
    std::cout << iDataName << " Ver: " << iVersion << std::endl;
}

// A name is one line of the file: a line break inside it would end the name there and
// shift every line after it, so breaks are written as blanks.
std::string FL_toLine(std::string iText)
{
    for (char& c : iText)
        if (c == '\n' || c == '\r')
            c = ' ';
    return iText;
}

void FL_writeValue(AsciiFileOperator& iStream, const std::string& iKey, const std::string& iValue)
{
    iStream << AsciiFileOperator::getHeader(iKey) << endl;
    iStream << iValue << endl;
}

// The line after the header line of iKey. A missing header, or a file that ends before
// the value line, fails with "Header: <key> is not found.".
bool FL_readValueLine(AsciiFileOperator& iStream, const std::string& iKey, std::string* oLine,
                      std::string& iErrorMessage)
{
    if (AsciiFileOperator::isHeader(iStream.readLine(), iKey)) {
        *oLine = iStream.readLine();
        if (!(oLine->empty() && iStream.atEnd()))
            return true;
    }
    iErrorMessage = "Header: " + iKey + " is not found.";
    return false;
}

// Three blank-separated doubles at full precision (a view point at georeferenced
// coordinates must read back exactly); missing words read as 0.
Vector3T<double> FL_toVector(const std::string& iText)
{
    Vector3T<double> vector;
    const char* p = iText.data();
    const char* const last = p + iText.size();
    for (int i = 0; i < 3; ++i) {
        while (p != last && *p == ' ')
            ++p;
        const char* const begin = p;
        while (p != last && *p != ' ')
            ++p;
        if (begin == p)
            break;
        numberformat::parseDouble(begin, p, &vector[i]);
    }
    return vector;
}

bool FL_readVector(AsciiFileOperator& iStream, const std::string& iKey, Vector3T<double>* oValue,
                   std::string& iErrorMessage)
{
    std::string line;
    if (!FL_readValueLine(iStream, iKey, &line, iErrorMessage))
        return false;
    *oValue = FL_toVector(line);
    return true;
}

// The check point part of one path; name and visibility are the caller's.
void FL_writeCameraPath(AsciiFileOperator& iStream, const CameraPath& iPath)
{
    const int size = iPath.getListSize();
    FL_writeValue(iStream, "CheckPointNumber", AsciiFileOperator::toString(size));
    for (int i = 0; i < size; ++i) {
        Camera::LookAtData point;
        iPath.getPoint(i, &point);
        FL_writeValue(iStream, "ViewPoint", AsciiFileOperator::toString(point.viewPoint));
        FL_writeValue(iStream, "LockOnPoint", AsciiFileOperator::toString(point.lockOnPoint));
        FL_writeValue(iStream, "Upward", AsciiFileOperator::toString(point.upward));
    }
}

// The count comes from the file: a file that ends early fails at the first missing header.
bool FL_readCameraPath(AsciiFileOperator& iStream, CameraPath* oPath, std::string& iErrorMessage)
{
    std::string line;
    if (!FL_readValueLine(iStream, "CheckPointNumber", &line, iErrorMessage))
        return false;
    const int size = AsciiFileOperator::toInt(line);
    for (int i = 0; i < size; ++i) {
        Camera::LookAtData point;
        if (!FL_readVector(iStream, "ViewPoint", &point.viewPoint, iErrorMessage) ||
            !FL_readVector(iStream, "LockOnPoint", &point.lockOnPoint, iErrorMessage) ||
            !FL_readVector(iStream, "Upward", &point.upward, iErrorMessage))
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

QWidget* CameraPathManager::createUI()
{
    // No property form yet.
    return nullptr;
}

bool CameraPathManager::isErasable() const
{
    return false;
}

bool CameraPathManager::exportData(const std::string& iFileName, std::string& iErrorMessage) const
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, false)) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    FL_printVersion(FL_DATA_NAME, FL_VERSION_0_1);
    saveData_Ver0_1(stream, iErrorMessage);
    // A full disk must not pass for saved paths.
    if (!stream.closeFile()) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    return true;
}

bool CameraPathManager::saveData_Ver0_1(AsciiFileOperator& iStream, std::string& /*iErrorMessage*/) const
{
    iStream << FL_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    // The count must match the blocks written, should anything but paths be listed.
    std::vector<const CameraPath*> paths;
    for (int i = 0; i < static_cast<int>(getObjectSetSize()); ++i)
        if (const CameraPath* path = getData(i))
            paths.push_back(path);
    FL_writeValue(iStream, "CameraPathListSize", AsciiFileOperator::toString(static_cast<int>(paths.size())));
    iStream << AsciiFileOperator::getHeader("CameraPathList") << endl;
    for (const CameraPath* path : paths) {
        FL_writeValue(iStream, "Name", FL_toLine(path->getName()));
        FL_writeValue(iStream, "Visible", AsciiFileOperator::toString(path->hasState(Visible)));
        FL_writeCameraPath(iStream, *path);
    }
    return true;
}

bool CameraPathManager::initDataFromTextFile(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString();
        return false;
    }
    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(stream.readLine(), &name, &version)) {
        iErrorMessage = tr("File Header Error.").toStdString();
        return false;
    }
    if (name != FL_DATA_NAME) {
        iErrorMessage = std::string(FL_DATA_NAME) + " is not found.";
        return false;
    }
    if (version == FL_VERSION_0_0) {
        FL_printVersion(FL_DATA_NAME, FL_VERSION_0_0);
        return loadData_Ver0_0(stream, iErrorMessage);
    }
    if (version == FL_VERSION_0_1) {
        FL_printVersion(FL_DATA_NAME, FL_VERSION_0_1);
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
    std::string line;
    if (!FL_readValueLine(iStream, "CameraPathListSize", &line, iErrorMessage))
        return false;
    const int size = AsciiFileOperator::toInt(line);
    if (!AsciiFileOperator::isHeader(iStream.readLine(), "CameraPathList")) {
        iErrorMessage = "Header: CameraPathList is not found.";
        return false;
    }

    // The paths are read into a list of their own and replace the present ones only when
    // the whole file could be read; nothing is reserved from the count in the file.
    std::vector<std::unique_ptr<CameraPath>> paths;
    for (int i = 0; i < size; ++i) {
        std::string name;
        if (!FL_readValueLine(iStream, "Name", &name, iErrorMessage))
            return false;
        bool visible = true;
        if (iWithVisibility) {
            if (!FL_readValueLine(iStream, "Visible", &line, iErrorMessage))
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
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, false)) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    FL_printVersion(FL_RENDERING_DATA_NAME, FL_VERSION_0_1);
    saveRenderingParameter_Ver0_1(stream, iErrorMessage);
    if (!stream.closeFile()) {
        iErrorMessage = tr("Cannot open file for writting: ").toStdString();
        return false;
    }
    return true;
}

bool CameraPathManager::saveRenderingParameter_Ver0_1(AsciiFileOperator& iStream,
                                                      std::string& /*iErrorMessage*/) const
{
    iStream << FL_RENDERING_DATA_NAME << ' ' << FL_VERSION_0_1 << endl;
    FL_writeValue(iStream, "Visibility", AsciiFileOperator::toString(hasState(Visible)));
    iStream << "PathLine" << endl;
    FL_writeValue(iStream, "LineWidth", AsciiFileOperator::toString(static_cast<int>(mPara.lineWidth)));
    FL_writeValue(iStream, "LineColor", AsciiFileOperator::toString(mPara.lineColor));
    return true;
}

bool CameraPathManager::importRenderingParameter(const std::string& iFileName, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFileName, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString();
        return false;
    }
    std::string name;
    std::string version;
    if (!AsciiFileOperator::getFileHeader(stream.readLine(), &name, &version)) {
        iErrorMessage = tr("File Header Error.").toStdString();
        return false;
    }
    if (name != FL_RENDERING_DATA_NAME) {
        iErrorMessage = std::string(FL_RENDERING_DATA_NAME) + " is not found.";
        return false;
    }
    if (version == FL_VERSION_0_0) {
        FL_printVersion(FL_RENDERING_DATA_NAME, FL_VERSION_0_0);
        return loadRenderingParameter_Ver0_0(stream, iErrorMessage);
    }
    if (version == FL_VERSION_0_1) {
        FL_printVersion(FL_RENDERING_DATA_NAME, FL_VERSION_0_1);
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
        if (!FL_readValueLine(iStream, "Visibility", &line, iErrorMessage))
            return false;
        visible = AsciiFileOperator::toBoolean(line);
    }
    if (iStream.readLine() != "PathLine") {
        iErrorMessage = "PathLine is not found.";
        return false;
    }
    if (!FL_readValueLine(iStream, "LineWidth", &line, iErrorMessage))
        return false;
    const int lineWidth = AsciiFileOperator::toInt(line);
    if (!FL_readValueLine(iStream, "LineColor", &line, iErrorMessage))
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
