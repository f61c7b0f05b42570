#include "projectoperator.h"

#include "background.h"
#include "camera.h"
#include "camerapath.h"
#include "camerapathmanager.h"
#include "clipbox.h"
#include "comment.h"
#include "commentmanager.h"
#include "global.h"
#include "measure.h"
#include "measuremanager.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "polygonmanager.h"
#include "referencepoint.h"
#include "scenestate.h"
#include "testutil.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using testutil::CoutCapture;
using testutil::readFile;
using testutil::TempDir;
using testutil::writeFile;

namespace {

const char* const kSceneList = "ManageData 0.0\n"
                               "* Scene\nScene.txt\n"
                               "* Camera\nCamera.txt\n"
                               "* ObjectRendering\nObjectRendering.txt\n"
                               "* InfomationRendering\nInfomationRendering.txt\n"
                               "* Background\nBackground.txt\n"
                               "* ClipBox\nClipBox.txt\n";

const char* const kCommunicationList = "ManageData 0.1\n"
                                       "* CameraPath\nCameraPath.txt\n"
                                       "* CameraPathRendering\nCameraPathRendering.txt\n"
                                       "* Comment\nComment.txt\n"
                                       "* CommentRendering\nCommentRendering.txt\n"
                                       "* Measure\nMeasure.txt\n"
                                       "* MeasureRendering\nMeasureRendering.txt\n";

const char* const kSubFolders[] = {"Scenes", "Communication", "PointClouds", "Polygons", "Temp"};

bool isFolder(const std::string& iPath)
{
    struct stat info;
    return stat(iPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& iPath)
{
    struct stat info;
    return stat(iPath.c_str(), &info) == 0;
}

// Every entry of a folder, hidden ones too, "." and ".." left out; 0 for no folder.
int countEntries(const std::string& iPath)
{
    return QDir(QString::fromStdString(iPath)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size();
}

std::vector<std::string> lines(const CoutCapture& iCapture)
{
    return iCapture.lines();
}

int countLines(const CoutCapture& iCapture, const std::string& iLine)
{
    int count = 0;
    for (const std::string& line : lines(iCapture))
        count += line == iLine ? 1 : 0;
    return count;
}

bool hasLine(const CoutCapture& iCapture, const std::string& iLine)
{
    return countLines(iCapture, iLine) > 0;
}

class ProjectOperatorTest : public ::testing::Test
{
protected:
    // Leaves no project open for the next test of the same process.
    void TearDown() override
    {
        std::string message;
        CoutCapture quiet;
        projectOperator.close(message);
    }

    // A new project "<name>" in the fresh folder <temp>/<name>; fails the test when it cannot be made.
    std::string create(const std::string& iName = "Sample")
    {
        const std::string folder = temp.file(iName);
        mkdir(folder.c_str(), 0700);
        std::string message;
        CoutCapture quiet;
        EXPECT_TRUE(projectOperator.createNewProject(folder, iName, message)) << message;
        return folder;
    }

    TempDir temp;
    ProjectOperator projectOperator;
};

} // namespace

// Runs only in a process where no project has been set yet (ctest runs each test alone).
TEST_F(ProjectOperatorTest, SaveWithoutFolderOrNameIsRefused)
{
    if (!projectOperator.getProjectFolderPath().empty())
        GTEST_SKIP() << "a project folder was set earlier in this process";
    EXPECT_EQ(projectOperator.getSceneFolderPath(), "/Scenes");
    EXPECT_EQ(projectOperator.getTempFolderPath(), "/Temp");
    EXPECT_EQ(projectOperator.getProjectVersion(), "0.0");

    std::string message = "before";
    CoutCapture capture;
    EXPECT_FALSE(projectOperator.save(message));
    EXPECT_EQ(message, "Folder is empty...");
    EXPECT_FALSE(hasLine(capture, "Start: save Project..."));

    // A folder alone is not enough either.
    ASSERT_TRUE(projectOperator.setProjectFolderPath(temp.path(), message));
    EXPECT_FALSE(projectOperator.save(message));
    EXPECT_EQ(message, "Name is empty...");
    EXPECT_EQ(countEntries(temp.path()), 0);
}

TEST_F(ProjectOperatorTest, NewProjectHasLayoutAndFilesByteForByte)
{
    const std::string folder = temp.file("My Project");
    mkdir(folder.c_str(), 0700);
    QSignalSpy stateSpy(&projectOperator, SIGNAL(changedProjectState()));
    std::string message = "untouched";
    CoutCapture capture;
    ASSERT_TRUE(projectOperator.createNewProject(folder, "My Project", message));
    EXPECT_EQ(message, "untouched");

    EXPECT_TRUE(projectOperator.hasProject());
    EXPECT_EQ(stateSpy.count(), 1);
    EXPECT_EQ(projectOperator.getProjectFolderPath(), folder);
    EXPECT_EQ(projectOperator.getProjectName(), "My Project");
    EXPECT_EQ(projectOperator.getProjectVersion(), "0.1");
    EXPECT_EQ(projectOperator.getPointCloudFolderPath(), folder + "/PointClouds");
    EXPECT_EQ(projectOperator.getPolygonFolderPath(), folder + "/Polygons");
    EXPECT_EQ(projectOperator.getCommunicationFolderPath(), folder + "/Communication");

    EXPECT_EQ(readFile(folder + "/My Project.bgp"), "ProjectData 0.1\n* ProjectName\nMy Project\n");
    for (const char* subFolder : kSubFolders)
        EXPECT_TRUE(isFolder(folder + "/" + subFolder)) << subFolder;
    EXPECT_EQ(countEntries(folder), 6);
    EXPECT_EQ(countEntries(folder + "/Temp"), 0);
    EXPECT_EQ(countEntries(folder + "/PointClouds"), 0);
    EXPECT_EQ(readFile(folder + "/Scenes/FolderManager.txt"), kSceneList);
    EXPECT_EQ(readFile(folder + "/Communication/FolderManager.txt"), kCommunicationList);
    for (const char* file : {"Scene.txt", "Camera.txt", "ObjectRendering.txt", "InfomationRendering.txt",
                             "Background.txt", "ClipBox.txt"})
        EXPECT_FALSE(readFile(folder + "/Scenes/" + file).empty()) << file;
    for (const char* file : {"CameraPath.txt", "CameraPathRendering.txt", "Comment.txt", "CommentRendering.txt",
                             "Measure.txt", "MeasureRendering.txt"})
        EXPECT_FALSE(readFile(folder + "/Communication/" + file).empty()) << file;

    // The project file is written by the creation and again by the save that follows it.
    EXPECT_EQ(countLines(capture, "ProjectVersion: 0.1"), 2);
    EXPECT_EQ(countLines(capture, "ProjectFileName: My Project"), 2);
    EXPECT_TRUE(hasLine(capture, "Start: save Project..."));
    EXPECT_TRUE(hasLine(capture, "End: save Project."));
    EXPECT_TRUE(hasLine(capture, "SceneData Ver: 0.0"));
    EXPECT_TRUE(hasLine(capture, "CommunicationData Ver: 0.1"));
}

TEST_F(ProjectOperatorTest, NewProjectRefusals)
{
    std::string message;
    CoutCapture quiet;

    EXPECT_FALSE(projectOperator.createNewProject("", "Name", message));
    EXPECT_EQ(message, "Folder is empty...");
    EXPECT_FALSE(projectOperator.createNewProject(temp.path(), "", message));
    EXPECT_EQ(message, "Name is empty...");
    EXPECT_EQ(countEntries(temp.path()), 0);

    // One visible entry makes the folder unusable; nothing is made in it.
    writeFile(temp.file("stray.txt"), "x");
    EXPECT_FALSE(projectOperator.checkNewProject(temp.path(), "Name", message));
    EXPECT_EQ(message, "Project Folder is needed to be empty.");
    EXPECT_FALSE(projectOperator.createNewProject(temp.path(), "Name", message));
    EXPECT_EQ(message, "Project Folder is needed to be empty.");
    EXPECT_EQ(countEntries(temp.path()), 1);
    EXPECT_FALSE(projectOperator.hasProject());

    // A folder that does not exist: the sub-folders cannot be made and the project file fails,
    // without the save's prefix.
    const std::string missing = temp.file("missing");
    message.clear();
    EXPECT_TRUE(projectOperator.checkNewProject(missing, "Name", message));
    EXPECT_FALSE(projectOperator.createNewProject(missing, "Name", message));
    EXPECT_EQ(message, "Cannot open file for writting: " + missing + "/Name.bgp: No such file or directory");
    EXPECT_FALSE(exists(missing));
    EXPECT_FALSE(projectOperator.hasProject());
}

TEST_F(ProjectOperatorTest, HiddenEntriesDoNotCount)
{
    const std::string folder = temp.file("hidden");
    mkdir(folder.c_str(), 0700);
    writeFile(folder + "/.hidden", "x");
    std::string message;
    CoutCapture quiet;
    ASSERT_TRUE(projectOperator.createNewProject(folder, "Hidden", message)) << message;
    EXPECT_EQ(readFile(folder + "/.hidden"), "x");
    EXPECT_TRUE(exists(folder + "/Hidden.bgp"));
}

TEST_F(ProjectOperatorTest, UnsafeNamesAreRefused)
{
    const std::string folder = temp.file("project");
    mkdir(folder.c_str(), 0700);
    const std::string refusal = "Name must not contain \"/\" or a line break, nor be \".\" or \"..\".";
    const std::vector<std::string> names = {"../escaped", "sub/name", "..", ".", "line\nbreak", "carriage\rreturn",
                                            std::string("zero\0byte", 9)};
    for (const std::string& name : names) {
        std::string message;
        CoutCapture quiet;
        EXPECT_FALSE(projectOperator.checkNewProject(folder, name, message));
        EXPECT_EQ(message, refusal);
        message.clear();
        EXPECT_FALSE(projectOperator.createNewProject(folder, name, message));
        EXPECT_EQ(message, refusal);
        EXPECT_NE(projectOperator.getProjectName(), name);
    }
    EXPECT_EQ(countEntries(folder), 0);
    EXPECT_EQ(countEntries(temp.path()), 1);
    EXPECT_FALSE(projectOperator.hasProject());
}

TEST_F(ProjectOperatorTest, NamesWithDotsInsideAreKept)
{
    for (const std::string name : {"Site..A", "..Hidden", "End.."}) {
        const std::string folder = create(name);
        std::string message;
        CoutCapture quiet;
        projectOperator.close(message);
        ASSERT_TRUE(projectOperator.open(folder + "/" + name + ".bgp", message)) << name << ": " << message;
        EXPECT_EQ(projectOperator.getProjectName(), name);
        projectOperator.close(message);
    }
}

TEST_F(ProjectOperatorTest, OpenAfterSaveRestoresTheProject)
{
    const std::string folder = create("Round Trip");
    Camera& camera = getSceneState()->getCamera();
    Background& background = getSceneState()->getBackground();
    camera.setWorkMode(1);
    background.setColor1(Color{12, 34, 56, 255});
    getClipBox()->setEnable(true);
    getPointCloudManager()->setPointSize(7);
    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(projectOperator.save(message)) << message;
    }

    camera.setWorkMode(0);
    background.setColor1(Color{0, 0, 0, 255});
    getClipBox()->setEnable(false);
    getPointCloudManager()->setPointSize(3);
    QSignalSpy stateSpy(&projectOperator, SIGNAL(changedProjectState()));
    {
        CoutCapture quiet;
        projectOperator.close(message);
    }
    EXPECT_FALSE(projectOperator.hasProject());
    EXPECT_EQ(stateSpy.count(), 1);

    // A relative path: the folder becomes absolute.
    const QString workingFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(temp.path())));
    CoutCapture capture;
    const bool opened = projectOperator.open("Round Trip/Round Trip.bgp", message);
    QDir::setCurrent(workingFolder);
    ASSERT_TRUE(opened) << message;
    EXPECT_TRUE(projectOperator.hasProject());
    EXPECT_EQ(stateSpy.count(), 2);
    EXPECT_EQ(projectOperator.getProjectFolderPath(), folder);
    EXPECT_EQ(projectOperator.getProjectName(), "Round Trip");
    EXPECT_EQ(projectOperator.getProjectVersion(), "0.1");
    int workMode = -1;
    camera.getWorkMode(&workMode);
    EXPECT_EQ(workMode, 1);
    EXPECT_EQ(background.getColor1(), (Color{12, 34, 56, 255}));
    EXPECT_TRUE(getClipBox()->enable);
    EXPECT_EQ(getPointCloudManager()->getPointCloudParameter()->pointSize, 7);
    EXPECT_TRUE(hasLine(capture, "Start: open Project..."));
    EXPECT_TRUE(hasLine(capture, "ProjectFileName: Round Trip.bgp"));
    EXPECT_TRUE(hasLine(capture, "ProjectData Ver: 0.1"));
    EXPECT_TRUE(hasLine(capture, "ProjectName: Round Trip"));
    EXPECT_TRUE(hasLine(capture, "End: open Project..."));
}

TEST_F(ProjectOperatorTest, ProjectFileReader)
{
    struct Case
    {
        const char* content;
        bool result;
        const char* message;
        const char* version;
        const char* name;
    };
    const Case cases[] = {
        {"ProjectData 0.1\n* ProjectName\nName\n", true, "", "0.1", "Name"},
        {"ProjectData 0.0\n* ProjectName\nName\n", true, "", "0.0", "Name"},
        // The bare data name is the oldest form.
        {"ProjectData\n* ProjectName\nName\n", true, "", "0.0", "Name"},
        // Empty pieces between the words are dropped; the name is the whole line.
        {"ProjectData   0.1\n*   ProjectName\n  two words \ntrailing\n", true, "", "0.1", "  two words "},
        {"ProjectData 0.1\n* ProjectName\nNo line feed", true, "", "0.1", "No line feed"},
        {"", false, "File Header Error.", nullptr, nullptr},
        {"ProjectData 0.1 extra\n* ProjectName\nName\n", false, "File Header Error.", nullptr, nullptr},
        {"ObjectInfo 0.1\n* ProjectName\nName\n", false, "File is not Project File.", nullptr, nullptr},
        {"ProjectData 0.1\n* Name\nName\n", false, "File is not recorded Header: ProjectName", nullptr, nullptr},
        {"ProjectData 0.1\n*ProjectName\nName\n", false, "File is not recorded Header: ProjectName", nullptr,
         nullptr},
        {"ProjectData 0.1\n", false, "File is not recorded Header: ProjectName", nullptr, nullptr},
        {"ProjectData 0.1\n* ProjectName\n", false, "Name is empty...", nullptr, nullptr},
        {"ProjectData 0.1\n* ProjectName\n\nName\n", false, "Name is empty...", nullptr, nullptr},
        {"ProjectData 0.1\n* ProjectName\n../Name\n", false, "Name must not contain \"/\" or a line break, nor be \".\" or \"..\".",
         nullptr, nullptr},
        {"ProjectData 0.1\n* ProjectName\nName\r\n", false, "Name must not contain \"/\" or a line break, nor be \".\" or \"..\".",
         nullptr, nullptr},
    };
    const std::string path = temp.file("Project.bgp");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        std::string message;
        projectOperator.setProjectName("Before", message);
        projectOperator.setProjectVersion("before");
        writeFile(path, c.content);
        CoutCapture quiet;
        EXPECT_EQ(projectOperator.loadProjectFile(path, message), c.result);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(projectOperator.getProjectName(), c.name ? c.name : "Before");
        if (c.version) {
            EXPECT_EQ(projectOperator.getProjectVersion(), c.version);
        }
        // The folder is taken before the file is checked.
        EXPECT_EQ(projectOperator.getProjectFolderPath(), temp.path());
    }
}

TEST_F(ProjectOperatorTest, ProjectFileOfUnknownVersion)
{
    const std::string path = temp.file("Project.bgp");
    std::string message;
    for (const char* content : {"ProjectData 0.2\n* ProjectName\nName\n", "ProjectData 0.1\r\n* ProjectName\nName\n"}) {
        writeFile(path, content);
        message.clear();
        CoutCapture capture;
        EXPECT_FALSE(projectOperator.loadProjectFile(path, message));
        EXPECT_EQ(message, "");
        EXPECT_EQ(lines(capture).back().rfind("Error: Unknown ProjectData Version... ", 0), 0u);
    }
    // The user is told only where it failed.
    CoutCapture quiet;
    EXPECT_FALSE(projectOperator.open(path, message));
    EXPECT_EQ(message, "Error: ProjectFile... ");
    EXPECT_FALSE(projectOperator.hasProject());
}

TEST_F(ProjectOperatorTest, OpenPrefixesProjectFileFailures)
{
    std::string message;
    CoutCapture quiet;
    const std::string missing = temp.file("missing.bgp");
    EXPECT_FALSE(projectOperator.open(missing, message));
    EXPECT_EQ(message, "Error: ProjectFile... Cannot open file for reading: " + missing);

    writeFile(temp.file("other.bgp"), "Something else\n");
    message.clear();
    EXPECT_FALSE(projectOperator.open(temp.file("other.bgp"), message));
    EXPECT_EQ(message, "Error: ProjectFile... File is not Project File.");
    EXPECT_EQ(projectOperator.getProjectFolderPath(), temp.path());

    writeFile(temp.file("escape.bgp"), "ProjectData 0.1\n* ProjectName\nsub/../../escape\n");
    message.clear();
    EXPECT_FALSE(projectOperator.open(temp.file("escape.bgp"), message));
    EXPECT_EQ(message, "Error: ProjectFile... Name must not contain \"/\" or a line break, nor be \".\" or \"..\".");
    EXPECT_FALSE(projectOperator.hasProject());
}

TEST_F(ProjectOperatorTest, VersionZeroProjectIsSavedAsVersionOne)
{
    const std::string folder = create("Old");
    writeFile(folder + "/Old.bgp", "ProjectData\n* ProjectName\nOld\n");
    std::string message;
    CoutCapture quiet;
    projectOperator.close(message);
    ASSERT_TRUE(projectOperator.open(folder + "/Old.bgp", message)) << message;
    EXPECT_EQ(projectOperator.getProjectVersion(), "0.0");
    ASSERT_TRUE(projectOperator.save(message)) << message;
    EXPECT_EQ(projectOperator.getProjectVersion(), "0.1");
    EXPECT_EQ(readFile(folder + "/Old.bgp"), "ProjectData 0.1\n* ProjectName\nOld\n");
}

TEST_F(ProjectOperatorTest, NameComesFromTheFileNotItsFileName)
{
    const std::string folder = create("First");
    ASSERT_EQ(rename((folder + "/First.bgp").c_str(), (folder + "/Renamed.bgp").c_str()), 0);
    writeFile(folder + "/Renamed.bgp", "ProjectData 0.1\n* ProjectName\nSecond Name\n");
    std::string message;
    CoutCapture quiet;
    projectOperator.close(message);
    ASSERT_TRUE(projectOperator.open(folder + "/Renamed.bgp", message)) << message;
    EXPECT_EQ(projectOperator.getProjectName(), "Second Name");
    ASSERT_TRUE(projectOperator.save(message)) << message;
    EXPECT_EQ(readFile(folder + "/Second Name.bgp"), "ProjectData 0.1\n* ProjectName\nSecond Name\n");
    EXPECT_EQ(readFile(folder + "/Renamed.bgp"), "ProjectData 0.1\n* ProjectName\nSecond Name\n");
}

TEST_F(ProjectOperatorTest, OpenStopsAtTheFirstFailingList)
{
    const std::string folder = create("Broken");
    writeFile(folder + "/Temp/kept.txt", "x");
    std::string message;
    CoutCapture quiet;
    projectOperator.close(message);

    // A missing section file: the prefix, the owner's message, the arrow and the path.
    const std::string background = folder + "/Scenes/Background.txt";
    ASSERT_EQ(remove(background.c_str()), 0);
    EXPECT_FALSE(projectOperator.open(folder + "/Broken.bgp", message));
    EXPECT_EQ(message.rfind("Error: SceneData... Cannot open file for reading: ", 0), 0u) << message;
    const std::string arrow = " --> " + background;
    ASSERT_GE(message.size(), arrow.size());
    EXPECT_EQ(message.substr(message.size() - arrow.size()), arrow);
    EXPECT_FALSE(projectOperator.hasProject());
    EXPECT_EQ(readFile(folder + "/Temp/kept.txt"), "x");

    // With the Scenes list read in full, a missing Communication list.
    ASSERT_TRUE(projectOperator.save(message)) << message;
    writeFile(folder + "/Temp/kept.txt", "x");
    ASSERT_EQ(remove((folder + "/Communication/FolderManager.txt").c_str()), 0);
    message.clear();
    EXPECT_FALSE(projectOperator.open(folder + "/Broken.bgp", message));
    EXPECT_EQ(message, "No Communication Data... Cannot open file for reading: " + folder +
                           "/Communication/FolderManager.txt");
    EXPECT_EQ(readFile(folder + "/Temp/kept.txt"), "x");

    // Lists that are not lists, or name the sections out of order.
    ASSERT_TRUE(projectOperator.save(message)) << message;
    const std::string sceneList = folder + "/Scenes/FolderManager.txt";
    struct Case
    {
        const char* content;
        const char* message;
    };
    const Case cases[] = {
        {"", "Error: SceneData... File Header Error."},
        {"ManageData 0.0 extra\n", "Error: SceneData... File Header Error."},
        {"ObjectInfo 0.0\n", "Error: SceneData... File is not FolderManager File."},
        {"ManageData 0.0\n* Camera\nCamera.txt\n", "Error: SceneData... File is not recorded Header: Scene"},
    };
    for (const Case& c : cases) {
        writeFile(sceneList, c.content);
        message.clear();
        EXPECT_FALSE(projectOperator.open(folder + "/Broken.bgp", message));
        EXPECT_EQ(message, c.message);
    }
    // A list of an unknown version fails instead of opening an empty project.
    writeFile(sceneList, "ManageData 0.1\n");
    EXPECT_FALSE(projectOperator.open(folder + "/Broken.bgp", message));
    EXPECT_EQ(message, "Error: SceneData... Unknown ManageData Version... 0.1");
}

TEST_F(ProjectOperatorTest, FailedSectionWriteFailsTheSave)
{
    const std::string folder = create("Unwritable");
    writeFile(folder + "/Temp/kept.txt", "x");
    const std::string camera = folder + "/Scenes/Camera.txt";
    ASSERT_EQ(remove(camera.c_str()), 0);
    ASSERT_EQ(mkdir(camera.c_str(), 0700), 0);
    ASSERT_EQ(remove((folder + "/Scenes/Background.txt").c_str()), 0);
    ASSERT_EQ(remove((folder + "/Communication/FolderManager.txt").c_str()), 0);

    std::string message;
    CoutCapture quiet;
    EXPECT_FALSE(projectOperator.save(message));
    EXPECT_EQ(message, "Cannot open file for writting: " + camera + ": Is a directory");
    // Nothing of the failed group is put in place: the previous files stay as they were and
    // the save ends before Communication.
    EXPECT_FALSE(exists(folder + "/Scenes/Background.txt"));
    EXPECT_EQ(readFile(folder + "/Scenes/FolderManager.txt"), kSceneList);
    EXPECT_FALSE(exists(folder + "/Communication/FolderManager.txt"));
    EXPECT_EQ(readFile(folder + "/Temp/kept.txt"), "x");
}

TEST_F(ProjectOperatorTest, SaveWithoutScenesFolder)
{
    const std::string folder = create("NoScenes");
    ASSERT_EQ(std::system(("rm -rf '" + folder + "/Scenes'").c_str()), 0);
    ASSERT_EQ(remove((folder + "/Communication/FolderManager.txt").c_str()), 0);
    std::string message;
    CoutCapture quiet;
    EXPECT_FALSE(projectOperator.save(message));
    EXPECT_EQ(message, "Cannot open file for writting: " + folder + "/Scenes/FolderManager.txt: No such file or directory");
    EXPECT_FALSE(exists(folder + "/Communication/FolderManager.txt"));
}

TEST_F(ProjectOperatorTest, FailedProjectFileWriteIsReported)
{
    if (!exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    projectOperator.setProjectVersion("0.0");
    std::string message;
    CoutCapture quiet;
    EXPECT_FALSE(projectOperator.saveProjectFile("/dev/full", message));
    EXPECT_EQ(message, "Cannot open file for writting: /dev/full: No space left on device");
    EXPECT_EQ(projectOperator.getProjectVersion(), "0.0");

    const std::string path = temp.file("missing/Name.bgp");
    EXPECT_FALSE(projectOperator.saveProjectFile(path, message));
    EXPECT_EQ(message, "Cannot open file for writting: " + path + ": No such file or directory");
}

TEST_F(ProjectOperatorTest, ClearTempFolderRemovesOnlyFiles)
{
    const std::string folder = create("Temp Clear");
    writeFile(folder + "/Temp/a.txt", "a");
    writeFile(folder + "/Temp/b.zrpcd", "b");
    mkdir((folder + "/Temp/sub").c_str(), 0700);
    writeFile(folder + "/Temp/sub/c.txt", "c");
    CoutCapture capture;
    projectOperator.clearTempFolder();
    EXPECT_FALSE(exists(folder + "/Temp/a.txt"));
    EXPECT_FALSE(exists(folder + "/Temp/b.zrpcd"));
    EXPECT_EQ(readFile(folder + "/Temp/sub/c.txt"), "c");
    EXPECT_EQ(lines(capture), (std::vector<std::string>{"remove File: a.txt", "remove File: b.zrpcd"}));
}

TEST_F(ProjectOperatorTest, CloseEmptiesTheManagersAndKeepsThePaths)
{
    const std::string folder = create("Closing");
    getPointCloudManager()->addNewObject(new PointCloud);
    getPolygonManager()->addNewObject(new Object3D);
    getCameraPathManager()->addNewObject(new CameraPath);
    getMeasureManager()->addNewObject(new MeasureLength);
    getCommentManager()->addNewObject(new Comment);
    getReferencePointManager()->enablePreviewPoint(Vector3T<double>(1, 2, 3));

    QSignalSpy stateSpy(&projectOperator, SIGNAL(changedProjectState()));
    std::string message = "untouched";
    EXPECT_TRUE(projectOperator.close(message));
    EXPECT_EQ(message, "untouched");
    EXPECT_FALSE(projectOperator.hasProject());
    EXPECT_EQ(stateSpy.count(), 1);
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 0u);
    EXPECT_EQ(getPolygonManager()->getObjectSetSize(), 0u);
    EXPECT_EQ(getCameraPathManager()->getObjectSetSize(), 0u);
    EXPECT_EQ(getMeasureManager()->getObjectSetSize(), 0u);
    EXPECT_EQ(getCommentManager()->getObjectSetSize(), 0u);
    EXPECT_EQ(getReferencePointManager()->getPreviewPoint(), nullptr);
    EXPECT_EQ(projectOperator.getPointCloudFolderPath(), folder + "/PointClouds");
    EXPECT_EQ(projectOperator.getProjectName(), "Closing");

    // Closing again changes no state and so emits nothing.
    projectOperator.close(message);
    EXPECT_EQ(stateSpy.count(), 1);
}
