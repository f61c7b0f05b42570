// The project's own text files: the project file "<name>.bgp" ("ProjectData") and the lists
// "FolderManager.txt" ("ManageData") of the folders "Scenes" and "Communication", with the
// order in which a project is read after its project file.
#include "projectoperator.h"

#include "asciifileoperator.h"
#include "background.h"
#include "camera.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "commentmanager.h"
#include "global.h"
#include "measuremanager.h"
#include "pointcloudmanager.h"
#include "renderingtarget.h"
#include "scenestate.h"
#include "stagedfile.h"

#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <iostream>
#include <vector>

namespace {

const char* const flProjectDataName = "ProjectData";
const char* const flProjectNameKey = "ProjectName";
const char* const flManageDataName = "ManageData";
const char* const flFolderManagerFileName = "FolderManager.txt";

// The files of the folder being saved, from the _Ver writers to their commit; none while no
// save runs, and the sections are then put in place at once.
stagedfile::Group* flSavedGroup = nullptr;

using FLSectionFunction = std::function<bool(const std::string&, std::string&)>;

// One section file of a list: its key, the file name that a save gives it, and its owner's
// writer and reader, both taking the file's full path and the error text.
struct FLSection
{
    const char* key;
    const char* fileName;
    FLSectionFunction exportFile;
    FLSectionFunction importFile;
};

std::vector<FLSection> FL_sceneSections()
{
    PointCloudManager* pointClouds = getPointCloudManager();
    Camera* camera = &getSceneState()->getCamera();
    RenderingTarget* target = &getSceneState()->getRenderingTarget();
    Background* background = &getSceneState()->getBackground();
    ClipBox* clipBox = getClipBox();
    return {
        {"Scene", "Scene.txt",
         [pointClouds](const std::string& p, std::string& e) { return pointClouds->exportPointParameter(p, e); },
         [pointClouds](const std::string& p, std::string& e) { return pointClouds->initPointWithTextFile(p, e); }},
        {"Camera", "Camera.txt",
         [camera](const std::string& p, std::string& e) { return camera->exportCameraParameter(p, e); },
         [camera](const std::string& p, std::string& e) { return camera->initFromTextFile(p, e); }},
        {"ObjectRendering", "ObjectRendering.txt",
         [target](const std::string& p, std::string& e) { return target->exportObjectRenderingParameter(p, e); },
         [target](const std::string& p, std::string& e) { return target->initObjectWithTextFile(p, e); }},
        {"InfomationRendering", "InfomationRendering.txt",
         [target](const std::string& p, std::string& e) { return target->exportInfomation(p, e); },
         [target](const std::string& p, std::string& e) { return target->initInfomationWithTextFile(p, e); }},
        {"Background", "Background.txt",
         [background](const std::string& p, std::string& e) { return background->exportParameter(p, e); },
         [background](const std::string& p, std::string& e) { return background->initWithTextFile(p, e); }},
        {"ClipBox", "ClipBox.txt",
         [clipBox](const std::string& p, std::string& e) { return clipBox->exportParameter(p, e); },
         [clipBox](const std::string& p, std::string& e) { return clipBox->initWithTextFile(p, e); }},
    };
}

// Version 0.1; version 0.0 lacks "CameraPathRendering".
std::vector<FLSection> FL_communicationSections(bool iWithCameraPathRendering)
{
    CameraPathManager* cameraPaths = getCameraPathManager();
    CommentManager* comments = getCommentManager();
    MeasureManager* measures = getMeasureManager();
    std::vector<FLSection> sections = {
        {"CameraPath", "CameraPath.txt",
         [cameraPaths](const std::string& p, std::string& e) { return cameraPaths->exportData(p, e); },
         [cameraPaths](const std::string& p, std::string& e) { return cameraPaths->initDataFromTextFile(p, e); }},
        {"CameraPathRendering", "CameraPathRendering.txt",
         [cameraPaths](const std::string& p, std::string& e) { return cameraPaths->exportRenderingParameter(p, e); },
         [cameraPaths](const std::string& p, std::string& e) {
             return cameraPaths->importRenderingParameter(p, e);
         }},
        {"Comment", "Comment.txt",
         [comments](const std::string& p, std::string& e) { return comments->exportData(p, e); },
         [comments](const std::string& p, std::string& e) { return comments->initDataFromTextFile(p, e); }},
        {"CommentRendering", "CommentRendering.txt",
         [comments](const std::string& p, std::string& e) { return comments->exportRenderingParameter(p, e); },
         [comments](const std::string& p, std::string& e) { return comments->importRenderingParameter(p, e); }},
        {"Measure", "Measure.txt",
         [measures](const std::string& p, std::string& e) { return measures->exportMeasureALL(p, e); },
         [measures](const std::string& p, std::string& e) { return measures->generateFromTextFile(p, e); }},
        {"MeasureRendering", "MeasureRendering.txt",
         [measures](const std::string& p, std::string& e) { return measures->exportRenderingParameter(p, e); },
         [measures](const std::string& p, std::string& e) { return measures->importRenderingParameter(p, e); }},
    };
    if (!iWithCameraPathRendering)
        sections.erase(sections.begin() + 1);
    return sections;
}

// Has every owner write its file to the group being saved, also after one has failed, then
// writes the list; all go to staged files first. False with the first failing owner's message,
// which ends with the system's reason.
bool FL_saveSections(AsciiFileOperator& iStream, const std::string& iFolderPath, const char* iVersion,
                     const std::vector<FLSection>& iSections, std::string& iErrorMessage)
{
    stagedfile::Group ownGroup;
    stagedfile::Group& group = flSavedGroup ? *flSavedGroup : ownGroup;
    bool written = true;
    for (const FLSection& section : iSections) {
        std::string message;
        const std::string filePath = iFolderPath + "/" + section.fileName;
        const stagedfile::Stage* stage = group.add(filePath);
        if (!stage) {
            message = ProjectOperator::cannotWriteMessage(filePath, errno);
        } else {
            errno = 0;
            if (section.exportFile(stage->writePath(), message))
                continue;
            message = stagedfile::withReason(message, errno);
        }
        if (written) {
            written = false;
            if (stage)
                stagedfile::replacePath(message, stage->writePath(), filePath);
            iErrorMessage = message;
        }
    }
    iStream << flManageDataName << ' ' << iVersion << endl;
    for (const FLSection& section : iSections) {
        iStream << AsciiFileOperator::getHeader(section.key) << endl;
        iStream << section.fileName << endl;
    }
    if (flSavedGroup || !written || group.commit())
        return written;
    iErrorMessage = ProjectOperator::cannotWriteMessage(group.failedPath(), errno);
    return false;
}

// Saves the list of the folder of iKind ("Scene", "Communication") and the section files it
// names through iSave, which writes the list's version iVersion: every file is written under a
// name of its own, and only when all were written are they put in place, the list last.
// Otherwise they are removed and the first failure is reported.
bool FL_saveFolder(const std::string& iFolderPath, const char* iKind, const char* iVersion,
                   const std::function<bool(AsciiFileOperator&, std::string&)>& iSave, std::string& iErrorMessage)
{
    std::cout << iKind << "FolderPath: " << iFolderPath << std::endl;
    stagedfile::Group sections;
    const std::string listPath = iFolderPath + "/" + flFolderManagerFileName;
    stagedfile::Stage list(listPath);
    AsciiFileOperator stream;
    // The list is put in place after the group; its folder is cleaned once for both.
    if (!sections.open(list) || !stream.openFile(list.writePath(), false)) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(listPath, errno);
        return false;
    }
    std::cout << iKind << "Data Ver: " << iVersion << std::endl;
    struct FLSaving
    {
        explicit FLSaving(stagedfile::Group* iGroup) { flSavedGroup = iGroup; }
        ~FLSaving() { flSavedGroup = nullptr; }
    } saving(&sections);
    const bool written = iSave(stream, iErrorMessage);
    if (!written)
        return false;
    errno = 0;
    if (!stream.closeFile()) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(listPath, errno);
        return false;
    }
    if (!sections.commit()) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(sections.failedPath(), errno);
        return false;
    }
    if (!list.commit()) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(listPath, errno);
        return false;
    }
    return true;
}

} // namespace

std::string ProjectOperator::cannotWriteMessage(const std::string& iFilePath, int iError)
{
    return stagedfile::withReason(tr("Cannot open file for writting: ").toStdString() + iFilePath, iError);
}

bool ProjectOperator::saveProjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    const QFileInfo fileInfo(QString::fromStdString(iFilePath));
    stagedfile::Stage stage(iFilePath);
    AsciiFileOperator stream;
    if (!stage.open() || !stream.openFile(stage.writePath(), false)) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(iFilePath, errno);
        return false;
    }
    const std::string version = "0.1";
    const std::string name = fileInfo.completeBaseName().toStdString();
    stream << flProjectDataName << ' ' << version << endl;
    stream << AsciiFileOperator::getHeader(flProjectNameKey) << endl;
    stream << name << endl;
    // A full disk would otherwise leave a truncated project file behind a successful save.
    errno = 0;
    if (!stream.closeFile() || !stage.commit()) {
        iErrorMessage = ProjectOperator::cannotWriteMessage(iFilePath, errno);
        return false;
    }
    setProjectVersion(version);
    std::cout << "ProjectFolderPath: " << getProjectFolderPath() << std::endl;
    std::cout << "ProjectFileName: " << getProjectName() << std::endl;
    std::cout << "ProjectVersion: " << getProjectVersion() << std::endl;
    return true;
}

bool ProjectOperator::loadProjectFile(const std::string& iFilePath, std::string& iErrorMessage)
{
    AsciiFileOperator stream;
    if (!stream.openFile(iFilePath, true)) {
        iErrorMessage = tr("Cannot open file for reading: ").toStdString() + iFilePath;
        return false;
    }
    const QFileInfo fileInfo(QString::fromStdString(iFilePath));
    if (!setProjectFolderPath(fileInfo.absolutePath().toStdString(), iErrorMessage))
        return false;
    std::cout << "ProjectFolderPath: " << getProjectFolderPath() << std::endl;
    std::cout << "ProjectFileName: " << fileInfo.fileName().toStdString() << std::endl;

    const std::string firstLine = stream.readLine();
    if (firstLine == flProjectDataName) {
        std::cout << "ProjectData Ver: 0.0" << std::endl;
        setProjectVersion("0.0");
    } else {
        std::string dataName;
        std::string version;
        if (!AsciiFileOperator::getFileHeader(firstLine, &dataName, &version)) {
            iErrorMessage = tr("File Header Error.").toStdString();
            return false;
        }
        if (dataName != flProjectDataName) {
            iErrorMessage = tr("File is not Project File.").toStdString();
            return false;
        }
        if (version != "0.0" && version != "0.1") {
            std::cout << "Error: Unknown ProjectData Version... " << version << std::endl;
            return false;
        }
        std::cout << "ProjectData Ver: " << version << std::endl;
        setProjectVersion(version);
    }

    if (!AsciiFileOperator::isHeader(stream.readLine(), flProjectNameKey)) {
        iErrorMessage = tr("File is not recorded Header: ").toStdString() + flProjectNameKey;
        return false;
    }
    if (!setProjectName(stream.readLine(), iErrorMessage))
        return false;
    std::cout << "ProjectName: " << getProjectName() << std::endl;
    return true;
}

namespace {

// Reads the lists and the data folders in the order of a project's version, then tidies the
// folders. Stops at the first failure with the failing step named before its message.
bool FL_loadProject(ProjectOperator& iOperator, bool iWithPolygons, std::string& iErrorMessage)
{
    if (!iOperator.loadSceneData(iErrorMessage)) {
        iErrorMessage = ProjectOperator::tr("Error: SceneData... ").toStdString() + iErrorMessage;
        return false;
    }
    if (!iOperator.loadCommunicationData(iErrorMessage)) {
        iErrorMessage = ProjectOperator::tr("No Communication Data... ").toStdString() + iErrorMessage;
        return false;
    }
    if (!iOperator.loadPointCloudData(iErrorMessage)) {
        iErrorMessage = ProjectOperator::tr("Error: PointCloudData... ").toStdString() + iErrorMessage;
        return false;
    }
    if (iWithPolygons && !iOperator.loadPolygonData(iErrorMessage)) {
        iErrorMessage = ProjectOperator::tr("Error: PolygonData... ").toStdString() + iErrorMessage;
        return false;
    }
    iOperator.clearTempFolder();
    iOperator.cleanPointCloudFolder();
    iOperator.cleanPolygonFolder();
    return true;
}

} // namespace

bool ProjectOperator::loadProject_Ver0_0(std::string& iErrorMessage)
{
    return FL_loadProject(*this, false, iErrorMessage);
}

bool ProjectOperator::loadProject_Ver0_1(std::string& iErrorMessage)
{
    return FL_loadProject(*this, true, iErrorMessage);
}

bool ProjectOperator::saveSceneData(std::string& iErrorMessage)
{
    return FL_saveFolder(
        getSceneFolderPath(), "Scene", "0.0",
        [this](AsciiFileOperator& iStream, std::string& oErrorMessage) {
            return saveSceneData_Ver0_0(iStream, oErrorMessage);
        },
        iErrorMessage);
}

bool ProjectOperator::saveCommunicationData(std::string& iErrorMessage)
{
    return FL_saveFolder(
        getCommunicationFolderPath(), "Communication", "0.1",
        [this](AsciiFileOperator& iStream, std::string& oErrorMessage) {
            return saveCommunicationData_Ver0_1(iStream, oErrorMessage);
        },
        iErrorMessage);
}

bool ProjectOperator::saveSceneData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return FL_saveSections(iStream, getSceneFolderPath(), "0.0", FL_sceneSections(), iErrorMessage);
}

bool ProjectOperator::saveCommunicationData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return FL_saveSections(iStream, getCommunicationFolderPath(), "0.1", FL_communicationSections(true),
                           iErrorMessage);
}

namespace {

// Opens a list and reads its first line into the version. False with the message when the
// file cannot be read or is no list.
bool FL_openList(AsciiFileOperator& iStream, const std::string& iListPath, std::string* oVersion,
                 std::string& iErrorMessage)
{
    if (!iStream.openFile(iListPath, true)) {
        iErrorMessage = ProjectOperator::tr("Cannot open file for reading: ").toStdString() + iListPath;
        return false;
    }
    std::string dataName;
    if (!AsciiFileOperator::getFileHeader(iStream.readLine(), &dataName, oVersion)) {
        iErrorMessage = ProjectOperator::tr("File Header Error.").toStdString();
        return false;
    }
    if (dataName != flManageDataName) {
        iErrorMessage = ProjectOperator::tr("File is not FolderManager File.").toStdString();
        return false;
    }
    return true;
}

// Each pair: the header of the expected key, then the file name, handed with the folder to the
// owner's reader. Stops at the first failure; the owners before it keep what they read.
bool FL_loadSections(AsciiFileOperator& iStream, const std::string& iFolderPath,
                     const std::vector<FLSection>& iSections, std::string& iErrorMessage)
{
    for (const FLSection& section : iSections) {
        if (!AsciiFileOperator::isHeader(iStream.readLine(), section.key)) {
            iErrorMessage = ProjectOperator::tr("File is not recorded Header: ").toStdString() + section.key;
            return false;
        }
        const std::string filePath = iFolderPath + "/" + iStream.readLine();
        if (!section.importFile(filePath, iErrorMessage)) {
            iErrorMessage += " --> " + filePath;
            return false;
        }
    }
    return true;
}

} // namespace

bool ProjectOperator::loadSceneData(std::string& iErrorMessage)
{
    const std::string folderPath = getSceneFolderPath();
    std::cout << "SceneFolderPath: " << folderPath << std::endl;
    AsciiFileOperator stream;
    std::string version;
    if (!FL_openList(stream, folderPath + "/" + flFolderManagerFileName, &version, iErrorMessage))
        return false;
    if (version == "0.0") {
        std::cout << "SceneData Ver: 0.0" << std::endl;
        return loadSceneData_Ver0_0(stream, iErrorMessage);
    }
    // Passing it over would let the next save replace the unread files with empty ones.
    iErrorMessage = tr("Unknown ManageData Version... ").toStdString() + version;
    return false;
}

bool ProjectOperator::loadCommunicationData(std::string& iErrorMessage)
{
    const std::string folderPath = getCommunicationFolderPath();
    std::cout << "CommunicationFolderPath: " << folderPath << std::endl;
    AsciiFileOperator stream;
    std::string version;
    if (!FL_openList(stream, folderPath + "/" + flFolderManagerFileName, &version, iErrorMessage))
        return false;
    if (version == "0.0") {
        std::cout << "CommunicationData Ver: 0.0" << std::endl;
        return loadCommunicationData_Ver0_0(stream, iErrorMessage);
    }
    if (version == "0.1") {
        std::cout << "CommunicationData Ver: 0.1" << std::endl;
        return loadCommunicationData_Ver0_1(stream, iErrorMessage);
    }
    iErrorMessage = tr("Unknown ManageData Version... ").toStdString() + version;
    return false;
}

bool ProjectOperator::loadSceneData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return FL_loadSections(iStream, getSceneFolderPath(), FL_sceneSections(), iErrorMessage);
}

bool ProjectOperator::loadCommunicationData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return FL_loadSections(iStream, getCommunicationFolderPath(), FL_communicationSections(false), iErrorMessage);
}

bool ProjectOperator::loadCommunicationData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage)
{
    return FL_loadSections(iStream, getCommunicationFolderPath(), FL_communicationSections(true), iErrorMessage);
}
