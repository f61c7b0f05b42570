#include "projectoperator.h"

#include "camerapathmanager.h"
#include "commentmanager.h"
#include "global.h"
#include "measuremanager.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "sectionfile.h"
#include "stagedfile.h"
#include "stringdivider.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// One project per program run, whatever the number of operators.
std::string flProjectFolderPath;
std::string flProjectName;
std::string flProjectVersion = "0.0";
const std::string flSceneFolderName = "Scenes";
const std::string flCommunicationFolderName = "Communication";
const std::string flPointCloudFolderName = "PointClouds";
const std::string flPolygonFolderName = "Polygons";
const std::string flTempFolderName = "Temp";

QString FL_toQString(const std::string& iText)
{
    return QString::fromStdString(iText);
}

} // namespace

ProjectOperator::ProjectOperator(QObject* iParent) : QObject(iParent), mProjectState(false)
{
}

ProjectOperator::~ProjectOperator() = default;

bool ProjectOperator::createNewProject(const std::string& iProjectFolderPath, const std::string& iProjectName,
                                       std::string& iErrorMessage)
{
    const std::string projectFilePath = iProjectFolderPath + "/" + iProjectName + ".bgp";
    struct stat info;
    const bool projectFileWasThere = lstat(projectFilePath.c_str(), &info) == 0;
    mMadeSubFolders.clear();
    const bool filesMade = createProjectFiles(iProjectFolderPath, iProjectName, iErrorMessage);
    if (filesMade && save(iErrorMessage)) {
        setProjectState(true);
        return true;
    }
    // A creation that failed takes back what it made, so that the folder can be used again.
    if (filesMade && !projectFileWasThere)
        std::remove(projectFilePath.c_str());
    removeMadeSubFolders();
    return false;
}

bool ProjectOperator::checkNewProject(const std::string& iProjectFolderPath, const std::string& iProjectName,
                                      std::string& iErrorMessage) const
{
    if (iProjectFolderPath.empty()) {
        iErrorMessage = tr("Folder is empty...").toStdString();
        return false;
    }
    if (iProjectName.empty()) {
        iErrorMessage = tr("Name is empty...").toStdString();
        return false;
    }
    if (!sectionfile::isPlainFileName(iProjectName)) {
        iErrorMessage = tr("Name must not contain \"/\" or a line break, nor be \".\" or \"..\".").toStdString();
        return false;
    }
    const QDir folder(FL_toQString(iProjectFolderPath));
    if (!folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) {
        iErrorMessage = tr("Project Folder is needed to be empty.").toStdString();
        return false;
    }
    return true;
}

bool ProjectOperator::createProjectFiles(const std::string& iProjectFolderPath, const std::string& iProjectName,
                                         std::string& iErrorMessage)
{
    return setProjectFolderPath(iProjectFolderPath, iErrorMessage) && setProjectName(iProjectName, iErrorMessage) &&
           createSubFolders(iErrorMessage) &&
           saveProjectFile(iProjectFolderPath + "/" + iProjectName + ".bgp", iErrorMessage);
}

bool ProjectOperator::open(const std::string& iFileName, std::string& iErrorMessage)
{
    std::cout << "Start: open Project..." << std::endl;
    mPolygonDataLoaded = false;
    if (!loadProjectFile(iFileName, iErrorMessage)) {
        iErrorMessage = tr("Error: ProjectFile... ").toStdString() + iErrorMessage;
        return false;
    }
    // loadProjectFile accepts no other version.
    const bool loaded = flProjectVersion == "0.0" ? loadProject_Ver0_0(iErrorMessage)
                                                  : loadProject_Ver0_1(iErrorMessage);
    if (!loaded)
        return false;
    std::cout << "End: open Project..." << std::endl;
    setProjectState(true);
    return true;
}

bool ProjectOperator::save(std::string& iErrorMessage)
{
    // Every path below would otherwise start at the file system's root.
    if (flProjectFolderPath.empty()) {
        iErrorMessage = tr("Folder is empty...").toStdString();
        return false;
    }
    if (flProjectName.empty()) {
        iErrorMessage = tr("Name is empty...").toStdString();
        return false;
    }
    std::cout << "Start: save Project..." << std::endl;
    if (!saveProjectFile(flProjectFolderPath + "/" + flProjectName + ".bgp", iErrorMessage)) {
        iErrorMessage = tr("Error: ProjectFile... ").toStdString() + iErrorMessage;
        return false;
    }
    if (!saveSceneData(iErrorMessage))
        return false;
    if (!saveCommunicationData(iErrorMessage))
        return false;
    if (!savePointCloudData(iErrorMessage))
        return false;
    if (!savePolygonData(iErrorMessage))
        return false;
    clearTempFolder();
    std::cout << "End: save Project." << std::endl;
    return true;
}

bool ProjectOperator::close(std::string& iErrorMessage)
{
    (void)iErrorMessage;
    // No loader may touch a shot or a mesh while the managers delete them.
    getPointCloudManager()->stopDataLoading();
    getPolygonManager()->stopDataLoading();
    getPointCloudManager()->clearObject();
    getPolygonManager()->clearObject();
    getCameraPathManager()->clearObject();
    getMeasureManager()->clearObject();
    getCommentManager()->clearObject();
    // The marker under the cursor points into the closed project's shots.
    getReferencePointManager()->disablePreviewPoint();
    setProjectState(false);
    return true;
}

void ProjectOperator::setProjectState(bool iState)
{
    if (mProjectState == iState)
        return;
    mProjectState = iState;
    emit changedProjectState();
}

bool ProjectOperator::hasProject() const
{
    return mProjectState;
}

std::string ProjectOperator::getProjectFolderPath() const
{
    return flProjectFolderPath;
}

std::string ProjectOperator::getProjectName() const
{
    return flProjectName;
}

std::string ProjectOperator::getProjectVersion() const
{
    return flProjectVersion;
}

std::string ProjectOperator::getSceneFolderPath() const
{
    return flProjectFolderPath + "/" + flSceneFolderName;
}

std::string ProjectOperator::getCommunicationFolderPath() const
{
    return flProjectFolderPath + "/" + flCommunicationFolderName;
}

std::string ProjectOperator::getPointCloudFolderPath() const
{
    return flProjectFolderPath + "/" + flPointCloudFolderName;
}

std::string ProjectOperator::getPolygonFolderPath() const
{
    return flProjectFolderPath + "/" + flPolygonFolderName;
}

std::string ProjectOperator::getTempFolderPath() const
{
    return flProjectFolderPath + "/" + flTempFolderName;
}

bool ProjectOperator::setProjectFolderPath(const std::string& iProjectFolderPath, std::string& iErrorMessage)
{
    if (iProjectFolderPath.empty()) {
        iErrorMessage = tr("Folder is empty...").toStdString();
        return false;
    }
    flProjectFolderPath = iProjectFolderPath;
    return true;
}

bool ProjectOperator::setProjectName(const std::string& iProjectName, std::string& iErrorMessage)
{
    if (iProjectName.empty()) {
        iErrorMessage = tr("Name is empty...").toStdString();
        return false;
    }
    if (!sectionfile::isPlainFileName(iProjectName)) {
        iErrorMessage = tr("Name must not contain \"/\" or a line break, nor be \".\" or \"..\".").toStdString();
        return false;
    }
    flProjectName = iProjectName;
    return true;
}

void ProjectOperator::setProjectVersion(const std::string& iVersion)
{
    flProjectVersion = iVersion;
}

bool ProjectOperator::createSubFolders(std::string& iErrorMessage)
{
    QDir folder(FL_toQString(flProjectFolderPath));
    // A folder that does not exist lists nothing; the project file then cannot be written.
    if (!folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) {
        iErrorMessage = tr("Project Folder is needed to be empty.").toStdString();
        return false;
    }
    mMadeSubFolders.clear();
    for (const std::string* name : {&flSceneFolderName, &flCommunicationFolderName, &flPointCloudFolderName,
                                    &flPolygonFolderName, &flTempFolderName}) {
        if (folder.mkdir(FL_toQString(*name)))
            mMadeSubFolders.push_back(flProjectFolderPath + "/" + *name);
    }
    return true;
}

void ProjectOperator::removeMadeSubFolders()
{
    for (const std::string& path : mMadeSubFolders) {
        // Made by this creation, empty then: its files are those of the creation's save.
        QDir folder(FL_toQString(path));
        for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (entry.isFile() && !entry.isSymLink())
                folder.remove(entry.fileName());
        }
        rmdir(path.c_str());
    }
    mMadeSubFolders.clear();
}

void ProjectOperator::clearTempFolder()
{
    QDir folder(FL_toQString(getTempFolderPath()));
    for (const QFileInfo& entry : folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (!entry.isFile())
            continue;
        std::cout << "remove File: " << entry.fileName().toStdString() << std::endl;
        folder.remove(entry.fileName());
    }
}

namespace {

using FLExportFunction = std::function<bool(int, const std::string&, std::string&)>;

// Regular, not hidden files of a folder, by name ignoring case.
QFileInfoList FL_listFiles(const std::string& iFolderPath)
{
    return QDir(FL_toQString(iFolderPath)).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

std::set<std::string> FL_dataFileNames(const Object3D* iManager)
{
    std::set<std::string> names;
    for (unsigned i = 0; i < iManager->getObjectSetSize(); ++i)
        names.insert(iManager->getObject(static_cast<int>(i))->getDataFileName());
    return names;
}

bool FL_moveFile(const std::string& iFromPath, const std::string& iToPath)
{
    return std::rename(iFromPath.c_str(), iToPath.c_str()) == 0;
}

// Writes one object file per child as "<prefix><index>.<suffix>" and moves every other file of
// the folder that no child names into Temp, which the caller empties. The new object files are
// written under names of their own first; only when all of them were written is each renamed
// over its old one, in rising order, so that a shot that moves to a lower index is written there
// before its old object file is replaced. Then the object files beyond them go to Temp, and
// after them the files no object names any more: at every moment, and after a crash at any
// point, each object file in the folder names a data file that is there. What was moved to Temp
// is no object's any more and stays there when a later move fails. False with the first
// message, which ends with the system's reason.
bool FL_saveObjectFolder(const std::string& iFolderPath, const std::string& iTempPath, const Object3D* iManager,
                         const std::string& iPrefix, const std::string& iSuffix, const FLExportFunction& iExport,
                         std::string& iErrorMessage)
{
    QDir().mkpath(FL_toQString(iTempPath));
    std::set<std::string> kept = FL_dataFileNames(iManager);
    const int count = static_cast<int>(iManager->getObjectSetSize());

    // A data file left in Temp by an interrupted save comes back.
    for (const std::string& name : kept) {
        const std::string placed = iFolderPath + "/" + name;
        const std::string inTemp = iTempPath + "/" + name;
        if (!name.empty() && !QFileInfo::exists(FL_toQString(placed)) && QFileInfo::exists(FL_toQString(inTemp)))
            FL_moveFile(inTemp, placed);
    }

    stagedfile::Group objectFiles;
    // Also where no object is left to write there.
    objectFiles.clean(iFolderPath);
    for (int i = 0; i < count; ++i) {
        const std::string fileName = iPrefix + std::to_string(i) + "." + iSuffix;
        const std::string filePath = iFolderPath + "/" + fileName;
        kept.insert(fileName);
        const stagedfile::Stage* stage = objectFiles.add(filePath);
        if (!stage) {
            iErrorMessage = ProjectOperator::cannotWriteMessage(filePath, errno);
            return false;
        }
        std::string message;
        errno = 0;
        if (!iExport(i, stage->writePath(), message)) {
            // The object writers' only failure is the file's, worded here in the user's language.
            iErrorMessage = ProjectOperator::cannotWriteMessage(filePath, errno);
            return false;
        }
    }
    if (!objectFiles.commit()) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(objectFiles.failedPath(), errno);
        return false;
    }

    // The object files beyond the new ones leave first, and only once that is on the disk the
    // data files that no object names any more.
    std::vector<std::string> staleObjectFiles;
    std::vector<std::string> otherFiles;
    for (const QFileInfo& entry : FL_listFiles(iFolderPath)) {
        const std::string name = entry.fileName().toStdString();
        if (kept.count(name) == 0)
            (entry.suffix().toStdString() == iSuffix ? staleObjectFiles : otherFiles).push_back(name);
    }
    for (const std::vector<std::string>* names : {&staleObjectFiles, &otherFiles}) {
        for (const std::string& name : *names) {
            std::cout << "move File: " << name << std::endl;
            const std::string from = iFolderPath + "/" + name;
            const std::string to = iTempPath + "/" + name;
            // Temp is scratch space; a file of the same name there is a leftover.
            std::remove(to.c_str());
            if (!FL_moveFile(from, to)) {
                iErrorMessage =
                    stagedfile::withReason(ProjectOperator::tr("Cannot move file: ").toStdString() + from, errno);
                return false;
            }
        }
        stagedfile::syncFolder(iFolderPath);
        stagedfile::syncFolder(iTempPath);
    }
    return true;
}

// Deletes every file that is neither an object file nor the data file of a child.
void FL_cleanObjectFolder(const std::string& iFolderPath, const std::string& iSuffix, const Object3D* iManager)
{
    const std::set<std::string> referenced = FL_dataFileNames(iManager);
    for (const QFileInfo& entry : FL_listFiles(iFolderPath)) {
        if (entry.suffix().toStdString() == iSuffix)
            continue;
        if (referenced.count(entry.fileName().toStdString()) != 0)
            continue;
        std::cout << "Remove Non-Referenced File: " << entry.absoluteFilePath().toStdString() << std::endl;
        if (!QFile::remove(entry.absoluteFilePath()))
            std::cout << "Failure File Remove..." << std::endl;
    }
}

// Paths of the object files of a folder, by file name ignoring case.
std::vector<std::string> FL_objectFilePaths(const std::string& iFolderPath, const std::string& iSuffix)
{
    std::vector<std::string> paths;
    for (const QFileInfo& entry : FL_listFiles(iFolderPath)) {
        if (entry.suffix().toStdString() == iSuffix)
            paths.push_back(iFolderPath + "/" + entry.fileName().toStdString());
    }
    return paths;
}

// The leading decimal integer as atoi reads it, held to the range of int instead of overflowing.
int FL_leadingIndex(const std::string& iText)
{
    const long value = std::strtol(iText.c_str(), nullptr, 10);
    return static_cast<int>(std::max<long>(std::min<long>(value, INT_MAX), INT_MIN));
}

} // namespace

bool ProjectOperator::savePointCloudData(std::string& iErrorMessage)
{
    const std::string folderPath = getPointCloudFolderPath();
    std::cout << "PointCloudFolderPath: " << folderPath << std::endl;
    PointCloudManager* manager = getPointCloudManager();
    return FL_saveObjectFolder(
        folderPath, getTempFolderPath(), manager, "Shot_", "shot",
        [manager](int i, const std::string& p, std::string& e) { return manager->exportObjectFile(i, p, e); },
        iErrorMessage);
}

bool ProjectOperator::savePolygonData(std::string& iErrorMessage)
{
    QDir(FL_toQString(getProjectFolderPath())).mkdir(FL_toQString(flPolygonFolderName));
    const std::string folderPath = getPolygonFolderPath();
    std::cout << "PolygonFolderPath: " << folderPath << std::endl;
    PolygonManager* manager = getPolygonManager();
    return FL_saveObjectFolder(
        folderPath, getTempFolderPath(), manager, "Polygon_", "polygon",
        [manager](int i, const std::string& p, std::string& e) { return manager->exportObjectFile(i, p, e); },
        iErrorMessage);
}

bool ProjectOperator::loadPointCloudData(std::string& iErrorMessage)
{
    const std::string folderPath = getPointCloudFolderPath();
    std::cout << "PointCloudFolderPath: " << folderPath << std::endl;
    std::vector<std::pair<int, std::string>> files; // FLIndexString: index and object file path
    StringDivider divider;
    divider.entry('_');
    for (const QFileInfo& entry : FL_listFiles(folderPath)) {
        if (entry.suffix().toStdString() != "shot")
            continue;
        const std::vector<std::string> pieces = divider.divide(entry.baseName().toStdString());
        const int index = pieces.empty() ? 0 : FL_leadingIndex(pieces.back());
        files.emplace_back(index, folderPath + "/" + entry.fileName().toStdString());
    }
    // Equal indices keep the listing order.
    std::stable_sort(files.begin(), files.end(),
                     [](const std::pair<int, std::string>& a, const std::pair<int, std::string>& b) {
                         return a.first < b.first;
                     });
    std::cout << "Shot File Open..." << std::endl;
    for (const auto& file : files) {
        std::cout << file.second << std::endl;
        if (!getPointCloudManager()->generateFromObjectFile(file.second, iErrorMessage)) {
            iErrorMessage += " --> " + file.second;
            return false;
        }
    }
    return true;
}

bool ProjectOperator::loadPolygonData(std::string& iErrorMessage)
{
    const std::string folderPath = getPolygonFolderPath();
    std::cout << "PolygonFolderPath: " << folderPath << std::endl;
    std::cout << "Polygon File Open..." << std::endl;
    for (const std::string& path : FL_objectFilePaths(folderPath, "polygon")) {
        std::cout << path << std::endl;
        if (!getPolygonManager()->importObjectFile(path, iErrorMessage)) {
            iErrorMessage += " --> " + path;
            return false;
        }
    }
    mPolygonDataLoaded = true;
    return true;
}

void ProjectOperator::cleanPointCloudFolder()
{
    FL_cleanObjectFolder(getPointCloudFolderPath(), "shot", getPointCloudManager());
}

void ProjectOperator::cleanPolygonFolder()
{
    // Without the meshes read nothing tells which data files they name.
    if (!mPolygonDataLoaded)
        return;
    FL_cleanObjectFolder(getPolygonFolderPath(), "polygon", getPolygonManager());
}
