// A project's contents through save, close and open: imported shots (through the real
// Kestrune), measures, comments and settings, the object files and the cleaning of the data
// folders, saves that fail part-way, and broken section and object files.
#include "projectoperator.h"

#include "background.h"
#include "commentmanager.h"
#include "global.h"
#include "measuremanager.h"
#include "object3d.h"
#include "pointcloud.h"
#include "pointcloudmanager.h"
#include "polygon.h"
#include "polygonfiler.h"
#include "polygoninterface.h"
#include "polygonmanager.h"
#include "scenestate.h"
#include "jpgisfixture.h"
#include "polygonfixture.h"
#include "testutil.h"

#include "../pointcloud/shotfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>
#include <QStringList>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/syscall.h>
#include <utility>
#include <vector>

// The renames and flushes of the code under test, watched while gWatch.active: the rename
// numbered failAt fails with EIO, or ends the process as a kill would. A staged (hidden) file
// renamed without a flush, and a folder not flushed after a rename into or out of it, are noted.
namespace {

using FileKey = std::pair<dev_t, ino_t>;

struct RenameWatch
{
    bool active = false;
    int count = 0;
    int failAt = 0;
    bool killAtFail = false;
    int fileFlushes = 0;
    int failFlushAt = 0;
    std::vector<std::string> events; // "move <from folder>/<name> <to folder>", "flush <folder>"
    std::set<FileKey> flushed;
    std::vector<std::string> unflushedFiles;
    std::map<FileKey, std::string> unflushedFolders;
};
RenameWatch gWatch;

} // namespace

namespace {

// The folder a path relative to iFolder lies in, as a key and a name.
std::pair<FileKey, std::string> watchedFolder(int iFolder, const char* iPath)
{
    std::string folder = std::filesystem::path(iPath).parent_path().string();
    if (iFolder != AT_FDCWD && (iPath[0] == 0 || iPath[0] != '/')) {
        std::error_code error;
        const std::string held = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(iFolder), error);
        folder = folder.empty() ? held : held + "/" + folder;
    }
    struct stat info;
    if (stat(folder.empty() ? "." : folder.c_str(), &info) != 0)
        return {};
    return {{info.st_dev, info.st_ino}, folder};
}

int watchedRename(int iFromFolder, const char* iFrom, int iToFolder, const char* iTo)
{
    struct stat info;
    if (gWatch.active) {
        if (++gWatch.count == gWatch.failAt) {
            if (gWatch.killAtFail)
                raise(SIGKILL);
            errno = EIO;
            return -1;
        }
        if (std::filesystem::path(iFrom).filename().string()[0] == '.' &&
            fstatat(iFromFolder, iFrom, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            gWatch.flushed.count({info.st_dev, info.st_ino}) == 0)
            gWatch.unflushedFiles.push_back(iTo);
    }
    const int result = int(syscall(SYS_renameat2, iFromFolder, iFrom, iToFolder, iTo, 0));
    if (result == 0 && gWatch.active) {
        const auto from = watchedFolder(iFromFolder, iFrom);
        const auto to = watchedFolder(iToFolder, iTo);
        gWatch.unflushedFolders.insert(from);
        gWatch.unflushedFolders.insert(to);
        gWatch.events.push_back("move " + from.second + "/" + std::filesystem::path(iFrom).filename().string() + " " +
                                to.second);
    }
    return result;
}

} // namespace

extern "C" int rename(const char* iFrom, const char* iTo)
{
    return watchedRename(AT_FDCWD, iFrom, AT_FDCWD, iTo);
}

extern "C" int renameat(int iFromFolder, const char* iFrom, int iToFolder, const char* iTo)
{
    return watchedRename(iFromFolder, iFrom, iToFolder, iTo);
}

extern "C" int fsync(int iFd)
{
    struct stat info;
    if (gWatch.active && fstat(iFd, &info) == 0) {
        if (S_ISREG(info.st_mode) && ++gWatch.fileFlushes == gWatch.failFlushAt) {
            errno = EIO;
            return -1;
        }
        if (S_ISDIR(info.st_mode))
            gWatch.events.push_back("flush " + watchedFolder(iFd, "").second);
        gWatch.flushed.insert({info.st_dev, info.st_ino});
        gWatch.unflushedFolders.erase({info.st_dev, info.st_ino});
    }
    return int(syscall(SYS_fsync, iFd));
}

using testutil::CoutCapture;
using testutil::readFile;
using testutil::TempDir;
using testutil::writeFile;

namespace {

const char* const kPTXHeaderLines = "0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";

std::string ptxText()
{
    return std::string("2\n2\n") + kPTXHeaderLines +
           "1 2 3 0.5 10 20 30\n-1 0.5 2 1.0 40 50 60\n4 -2 1 0.25 70 80 90\n2 2 2 1 1 2 3\n";
}

std::string pcdText()
{
    return "# .PCD v.7 - Point Cloud Data file format\nVERSION .7\nFIELDS x y z rgb\nSIZE 4 4 4 4\n"
           "TYPE F F F F\nCOUNT 1 1 1 1\nWIDTH 3\nHEIGHT 1\nVIEWPOINT 0 0 0 1 0 0 0\nPOINTS 0\nDATA ascii\n"
           "0 0 0 0\n1 1 1 0\n2 0.5 -1 0\n";
}

// Every file below iPath, hidden ones too, with its bytes; folders as "<name>/".
std::map<std::string, std::string> snapshot(const std::string& iPath, const std::string& iPrefix = "")
{
    std::map<std::string, std::string> files;
    const QDir folder(QString::fromStdString(iPath));
    for (const QFileInfo& entry : folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const std::string name = iPrefix + entry.fileName().toStdString();
        if (entry.isDir()) {
            files[name + "/"] = "";
            for (const auto& file : snapshot(entry.absoluteFilePath().toStdString(), name + "/"))
                files.insert(file);
        } else {
            files[name] = readFile(entry.absoluteFilePath().toStdString());
        }
    }
    return files;
}

std::set<std::string> names(const std::string& iPath)
{
    std::set<std::string> result;
    for (const QString& name :
         QDir(QString::fromStdString(iPath)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        result.insert(name.toStdString());
    return result;
}

class ProjectContentsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* appDir = std::getenv("VISTREL_APP_DIR");
        ProjectOperator::setConverterFolderPath(appDir ? appDir : "");
        mProjectPath = mDir.file("Proj");
        mSourcePath = mDir.file("sources");
        ASSERT_EQ(mkdir(mSourcePath.c_str(), 0700), 0);
        ASSERT_EQ(mkdir(mProjectPath.c_str(), 0700), 0);
        std::string message;
        CoutCapture quiet;
        ASSERT_TRUE(mProject.createNewProject(mProjectPath, "Proj", message)) << message;
    }

    void TearDown() override
    {
        std::string message;
        CoutCapture quiet;
        mProject.close(message);
        ProjectOperator::setConverterFolderPath("");
    }

    std::string source(const std::string& iName) const { return mSourcePath + "/" + iName; }
    std::string projectFile() const { return mProjectPath + "/Proj.bgp"; }
    std::string points() const { return mProjectPath + "/PointClouds"; }

    // scan.ptx and room.pcd through Kestrune, matrix.zrpmd copied.
    void importThree()
    {
        writeFile(source("scan.ptx"), ptxText());
        writeFile(source("room.pcd"), pcdText());
        ASSERT_TRUE(shotfixture::writeZRPMD(source("matrix.zrpmd"), shotfixture::makeData()));
        CoutCapture quiet;
        for (const char* name : {"scan.ptx", "room.pcd", "matrix.zrpmd"}) {
            std::string message;
            ASSERT_TRUE(mProject.importPointCloud(source(name), message)) << name << ": " << message;
        }
    }

    bool reopen(std::string& oMessage)
    {
        CoutCapture quiet;
        std::string ignored;
        mProject.close(ignored);
        return mProject.open(projectFile(), oMessage);
    }

    TempDir mDir;
    std::string mProjectPath;
    std::string mSourcePath;
    ProjectOperator mProject;
};

TEST_F(ProjectContentsTest, EverythingComesBackAfterSaveAndOpen)
{
    importThree();
    PointCloudManager* shots = getPointCloudManager();
    ASSERT_EQ(shots->getObjectSetSize(), 3u);
    EXPECT_EQ(shots->getObject(0)->getName(), points() + "/scan.zrpcd");
    EXPECT_EQ(shots->getObject(0)->getDataFileName(), "scan.zrpcd");
    EXPECT_EQ(shots->getObject(2)->getDataFileName(), "matrix.zrpmd");
    ASSERT_TRUE(getMeasureManager()->createMeasureLength({Vector3T<double>(0, 0, 0), Vector3T<double>(3, 4, 0)}));
    ASSERT_TRUE(getCommentManager()->createComment(Vector3T<double>(1, 2, 3), "Title", {"line one", "line two"}));
    shots->getData(1)->setColor(Color(1, 2, 3, 255));
    getSceneState()->getBackground().setColor1(Color(9, 8, 7, 255));

    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    EXPECT_EQ(names(points()), (std::set<std::string>{"Shot_0.shot", "Shot_1.shot", "Shot_2.shot", "matrix.zrpmd",
                                                       "room.zrpcd", "scan.zrpcd"}));
    EXPECT_TRUE(names(mProjectPath + "/Temp").empty());
    EXPECT_EQ(names(mProjectPath), (std::set<std::string>{"Proj.bgp", "Scenes", "Communication", "PointClouds",
                                                           "Polygons", "Temp"}));
    EXPECT_EQ(names(mProjectPath + "/Scenes"),
              (std::set<std::string>{"FolderManager.txt", "Scene.txt", "Camera.txt", "ObjectRendering.txt",
                                     "InfomationRendering.txt", "Background.txt", "ClipBox.txt"}));
    EXPECT_EQ(names(mProjectPath + "/Communication"),
              (std::set<std::string>{"FolderManager.txt", "CameraPath.txt", "CameraPathRendering.txt", "Comment.txt",
                                     "CommentRendering.txt", "Measure.txt", "MeasureRendering.txt"}));
    const auto saved = snapshot(mProjectPath);

    getSceneState()->getBackground().setColor1(Color(0, 0, 0, 255));
    ASSERT_TRUE(reopen(message)) << message;
    ASSERT_EQ(shots->getObjectSetSize(), 3u);
    const char* const expected[] = {"scan.zrpcd", "room.zrpcd", "matrix.zrpmd"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shots->getObject(i)->getName(), points() + "/" + expected[i]);
        EXPECT_EQ(shots->getObject(i)->getDataFileName(), expected[i]);
    }
    EXPECT_EQ(shots->getData(1)->getColor(), Color(1, 2, 3, 255));
    EXPECT_EQ(getSceneState()->getBackground().getColor1(), Color(9, 8, 7, 255));
    EXPECT_EQ(getMeasureManager()->getObjectSetSize(), 1u);
    EXPECT_EQ(getCommentManager()->getObjectSetSize(), 1u);

    // A second save of the unchanged model writes the same bytes.
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    EXPECT_EQ(snapshot(mProjectPath), saved);

    // A deleted shot takes its data file and the last object file with it.
    {
        CoutCapture quiet;
        shots->stopDataLoading();
        delete shots->getObject(1);
        ASSERT_EQ(shots->getObjectSetSize(), 2u);
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    EXPECT_EQ(names(points()), (std::set<std::string>{"Shot_0.shot", "Shot_1.shot", "matrix.zrpmd", "scan.zrpcd"}));
}

TEST_F(ProjectContentsTest, ImportRefusals)
{
    writeFile(source("scan.ptx"), ptxText());
    writeFile(source("scan.pcd"), pcdText());
    writeFile(source("bad.ptx"), "not a scan\n");
    writeFile(source("broken.zrpcd"), "ZRPCD junk");
    CoutCapture quiet;
    std::string message;
    ASSERT_TRUE(mProject.importPointCloud(source("scan.ptx"), message)) << message;
    // Both land in scan.zrpcd.
    EXPECT_FALSE(mProject.importPointCloud(source("scan.pcd"), message));
    EXPECT_EQ(message, "File is exist yet...");
    EXPECT_FALSE(mProject.importPointCloud(source("bad.ptx"), message));
    EXPECT_EQ(message, "Unknown File Format...");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(points() + "/bad.zrpcd")));
    // A copied file that does not load stays until the next save.
    EXPECT_FALSE(mProject.importPointCloud(source("broken.zrpcd"), message));
    EXPECT_EQ(message, "Unknown File Format...");
    EXPECT_FALSE(mProject.importPointCloud(source("broken.zrpcd"), message));
    EXPECT_EQ(message, "File is exist yet...");
    EXPECT_TRUE(mProject.save(message)) << message;
    EXPECT_EQ(names(points()), (std::set<std::string>{"Shot_0.shot", "scan.zrpcd"}));

    // A converter killed while writing, on a file system without unnamed files, leaves its staged
    // file. The next conversion onto that place removes it once it is ten minutes old; a newer
    // one, that a writer elsewhere may still be writing, stays.
    const std::string killed = mDir.file("Kestrune");
    writeFile(killed, "#!/bin/sh\nprintf cut > \"$(dirname \"$2\")/.$(basename \"$2\").killedlong00.part\"\nkill -9 $$\n");
    ASSERT_EQ(chmod(killed.c_str(), 0700), 0);
    writeFile(source("scan2.ptx"), ptxText());
    ProjectOperator::setConverterFolderPath(mDir.path());
    EXPECT_FALSE(mProject.importPointCloud(source("scan2.ptx"), message));
    EXPECT_EQ(message, "Unknown File Format...");
    const std::string left = points() + "/.scan2.zrpcd.killedlong00.part";
    const struct timespec hourAgo[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, left.c_str(), hourAgo, 0), 0);
    writeFile(points() + "/.scan2.zrpcd.writtennow00.part", "other");
    ProjectOperator::setConverterFolderPath(std::getenv("VISTREL_APP_DIR"));
    EXPECT_TRUE(mProject.importPointCloud(source("scan2.ptx"), message)) << message;
    EXPECT_EQ(names(points()), (std::set<std::string>{".scan2.zrpcd.writtennow00.part", "Shot_0.shot", "scan.zrpcd",
                                                       "scan2.zrpcd"}));

    ProjectOperator::setConverterFolderPath(mDir.file("nowhere"));
    EXPECT_FALSE(mProject.importPointCloud(source("other.ptx"), message));
    EXPECT_EQ(message, "File Converter is not exist...");
    EXPECT_FALSE(mProject.importPolygon(source("mesh.stl"), message));
    EXPECT_EQ(message, "File Converter is not exist...");

    EXPECT_FALSE(mProject.importPointCloud(source("two\nlines.ptx"), message));
    EXPECT_EQ(message, "File name must not contain a line break.");
    mProject.close(message);
    EXPECT_FALSE(mProject.importPointCloud(source("scan.ptx"), message));
    EXPECT_EQ(message, "Project is not opened...");
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 0u);
}

// Writes fail past 64 bytes in a child process (file-size limit, SIGXFSZ ignored so the write
// returns an error instead of killing it). Root ignores permissions, so a read-only folder
// would not stop the writes. The child's save must fail; the project on disk, Temp included,
// stays byte for byte as it was and opens again.
TEST_F(ProjectContentsTest, SaveThatCannotWriteKeepsThePreviousProject)
{
    importThree();
    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    writeFile(mProjectPath + "/Temp/marker.txt", "kept");
    getMeasureManager()->createMeasureLength({Vector3T<double>(0, 0, 0), Vector3T<double>(1, 0, 0)});
    const auto before = snapshot(mProjectPath);

    for (rlim_t limit : {rlim_t(0), rlim_t(64)}) {
        std::cout.flush();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{limit, limit};
            setrlimit(RLIMIT_FSIZE, &size);
            std::string childMessage;
            CoutCapture quiet;
            const bool saved = mProject.save(childMessage);
            const bool named = childMessage.find("Cannot open file for writting: ") != std::string::npos;
            _exit(saved ? 1 : named ? 0 : 2);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "limit " << limit;
        EXPECT_EQ(snapshot(mProjectPath), before) << "limit " << limit;
    }

    // An object file that cannot be written (a folder in its place) fails the save after the
    // sections; the data files and the other object files stay, Temp is not emptied.
    const std::string blocked = points() + "/Shot_1.shot";
    ASSERT_EQ(std::remove(blocked.c_str()), 0);
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    const std::string shot0 = readFile(points() + "/Shot_0.shot");
    {
        CoutCapture quiet;
        EXPECT_FALSE(mProject.save(message));
    }
    EXPECT_EQ(message, "Cannot open file for writting: " + blocked + ": Is a directory");
    EXPECT_EQ(names(points()), (std::set<std::string>{"Shot_0.shot", "Shot_1.shot", "Shot_2.shot", "matrix.zrpmd",
                                                       "room.zrpcd", "scan.zrpcd"}));
    EXPECT_EQ(readFile(points() + "/Shot_0.shot"), shot0);
    EXPECT_EQ(readFile(mProjectPath + "/Temp/marker.txt"), "kept");

    ASSERT_EQ(rmdir(blocked.c_str()), 0);
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    ASSERT_TRUE(reopen(message)) << message;
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 3u);
    EXPECT_EQ(getMeasureManager()->getObjectSetSize(), 1u);
}

// Hidden entries below iPath.
std::set<std::string> hiddenEntries(const std::string& iPath)
{
    std::set<std::string> hidden;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(iPath))
        if (entry.path().filename().string()[0] == '.')
            hidden.insert(entry.path().string());
    return hidden;
}

// An object file that cannot be written gives its message in the user's language, as every
// other file of a save does.
TEST_F(ProjectContentsTest, AFailedObjectFileWriteIsReportedInTheUsersLanguage)
{
    importThree();
    std::string message;
    QTranslator translator;
    ASSERT_TRUE(translator.load("Vistrel_Japanese.qm", QString::fromLocal8Bit(std::getenv("VISTREL_APP_DIR"))));
    QCoreApplication::installTranslator(&translator);
    const std::string cannot = ProjectOperator::tr("Cannot open file for writting: ").toStdString();
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small = {64, old.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    bool saved = false;
    {
        CoutCapture quiet;
        saved = mProject.savePointCloudData(message);
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    QCoreApplication::removeTranslator(&translator);
    EXPECT_NE(cannot, "Cannot open file for writting: ");
    EXPECT_FALSE(saved);
    EXPECT_EQ(message, cannot + points() + "/Shot_0.shot: File too large");
    EXPECT_EQ(hiddenEntries(mProjectPath), std::set<std::string>());
}

// The saved project with its second shot deleted is saved again: the third shot is renumbered,
// and its old object file and the second shot's data file go to Temp. The k-th rename of that
// save fails, or the save is killed there, for every k. The project then opens with every shot
// and its data file, as it was or as saved (or, after its first object file was put in place,
// each object file as it was or as saved). A failed save leaves no staged file and gives the
// system's reason. A whole save flushes each file before it renames it into place, and each
// folder after its renames; PointClouds between the last object file's move to Temp and the
// first data file's. A flush of any file that fails fails the save in the same way.
TEST_F(ProjectContentsTest, SavesFailingOrKilledAtAnyRenameLeaveTheProjectWhole)
{
    importThree();
    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    const std::string saved = mDir.file("saved");
    std::filesystem::copy(mProjectPath, saved, std::filesystem::copy_options::recursive);
    auto prepare = [&] {
        CoutCapture quiet;
        mProject.close(message);
        std::filesystem::remove_all(mProjectPath);
        std::filesystem::copy(saved, mProjectPath, std::filesystem::copy_options::recursive);
        ASSERT_TRUE(mProject.open(projectFile(), message)) << message;
        delete getPointCloudManager()->getObject(1);
    };
    prepare();
    gWatch = RenameWatch();
    gWatch.active = true;
    {
        CoutCapture quiet;
        EXPECT_TRUE(mProject.save(message)) << message;
    }
    gWatch.active = false;
    const int renames = gWatch.count;
    EXPECT_EQ(renames, 19);
    EXPECT_EQ(gWatch.unflushedFiles, std::vector<std::string>());
    EXPECT_TRUE(gWatch.unflushedFolders.empty()) << gWatch.unflushedFolders.begin()->second;
    const std::vector<std::string>& events = gWatch.events;
    const std::string points = mProjectPath + "/PointClouds/";
    const auto lastObjectOut = std::find(events.rbegin(), events.rend(), "move " + points + "Shot_2.shot " + mProjectPath + "/Temp");
    const auto firstDataOut = std::find(events.begin(), events.end(), "move " + points + "room.zrpcd " + mProjectPath + "/Temp");
    ASSERT_TRUE(lastObjectOut != events.rend() && firstDataOut != events.end());
    EXPECT_NE(std::find(lastObjectOut.base(), firstDataOut, "flush " + mProjectPath + "/PointClouds"), firstDataOut);
    const int fileFlushes = gWatch.fileFlushes;
    EXPECT_EQ(fileFlushes, renames - 2);

    const std::vector<std::string> asItWas = {"scan.zrpcd", "room.zrpcd", "matrix.zrpmd"};
    const std::vector<std::string> asSaved = {"scan.zrpcd", "matrix.zrpmd"};
    const std::vector<std::string> eachAsItWasOrAsSaved = {"scan.zrpcd", "matrix.zrpmd", "matrix.zrpmd"};
    // A save whose watched call fails: it fails with the system's reason and leaves no staged file.
    auto failingSave = [&] {
        const std::string reason = ": Input/output error";
        gWatch.active = true;
        {
            CoutCapture quiet;
            EXPECT_FALSE(mProject.save(message));
        }
        gWatch.active = false;
        EXPECT_EQ(message.substr(message.size() - std::min(message.size(), reason.size())), reason) << message;
        EXPECT_EQ(hiddenEntries(mProjectPath), std::set<std::string>());
    };
    for (int k = 1; k <= renames; ++k) {
        for (bool killed : {false, true}) {
            SCOPED_TRACE((killed ? "killed at rename " : "failed rename ") + std::to_string(k));
            prepare();
            gWatch = RenameWatch();
            gWatch.failAt = k;
            gWatch.killAtFail = killed;
            if (killed) {
                std::cout.flush();
                const pid_t child = fork();
                if (child == 0) {
                    CoutCapture quiet;
                    gWatch.active = true;
                    mProject.save(message);
                    _exit(0);
                }
                int status = 0;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            } else {
                failingSave();
            }
            ASSERT_TRUE(reopen(message)) << message;
            std::vector<std::string> shots;
            for (unsigned i = 0; i < getPointCloudManager()->getObjectSetSize(); ++i)
                shots.push_back(getPointCloudManager()->getObject(int(i))->getDataFileName());
            EXPECT_TRUE(shots == asItWas || shots == asSaved || shots == eachAsItWasOrAsSaved) << shots.size();
        }
    }
    for (int k = 1; k <= fileFlushes; ++k) {
        SCOPED_TRACE("failed flush " + std::to_string(k));
        prepare();
        const auto before = snapshot(mProjectPath);
        gWatch = RenameWatch();
        gWatch.failFlushAt = k;
        failingSave();
        if (k == 1) {
            EXPECT_TRUE(snapshot(mProjectPath) == before);
        }
        ASSERT_TRUE(reopen(message)) << message;
        EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 3u);
    }
}

// A new project whose k-th rename fails, for every k, takes back what it made: its folder is empty
// again, and the same creation then succeeds there with the same files.
TEST_F(ProjectContentsTest, AFailedCreationCanBeTriedAgainInTheSameFolder)
{
    std::string message;
    const std::string folder = mDir.file("New");
    CoutCapture quiet;
    auto create = [&](int iFailAt) {
        mProject.close(message);
        std::filesystem::remove_all(folder);
        EXPECT_EQ(mkdir(folder.c_str(), 0700), 0);
        gWatch = RenameWatch();
        gWatch.failAt = iFailAt;
        gWatch.active = true;
        const bool created = mProject.createNewProject(folder, "New", message);
        gWatch.active = false;
        return created;
    };
    ASSERT_TRUE(create(0)) << message;
    const int renames = gWatch.count;
    EXPECT_EQ(renames, 16);
    const auto made = snapshot(folder);
    for (int k = 1; k <= renames; ++k) {
        SCOPED_TRACE("failed rename " + std::to_string(k));
        EXPECT_FALSE(create(k));
        EXPECT_FALSE(mProject.hasProject());
        EXPECT_EQ(names(folder), std::set<std::string>());
        gWatch = RenameWatch();
        ASSERT_TRUE(mProject.createNewProject(folder, "New", message)) << message;
        EXPECT_EQ(snapshot(folder), made);
    }
}

// A killed save's leftovers in the data folders go at the next save, also where no object is
// left to write there.
TEST_F(ProjectContentsTest, LeftoversInDataFoldersWithoutObjectsGo)
{
    const std::string leftovers[] = {points() + "/.Shot_0.shot.leftlongago0.part",
                                     mProjectPath + "/Polygons/.Polygon_0.polygon.leftlongago0.part"};
    const struct timespec hourAgo[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
    for (const std::string& leftover : leftovers) {
        writeFile(leftover, "left");
        ASSERT_EQ(utimensat(AT_FDCWD, leftover.c_str(), hourAgo, 0), 0);
    }
    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    EXPECT_EQ(hiddenEntries(mProjectPath), std::set<std::string>());
}

TEST_F(ProjectContentsTest, BrokenFilesGiveTheirMessages)
{
    importThree();
    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    const auto good = snapshot(mProjectPath);
    auto restore = [&]() {
        for (const auto& file : good)
            if (file.first.back() != '/')
                writeFile(mProjectPath + "/" + file.first, file.second);
    };

    const std::string sceneList = mProjectPath + "/Scenes/FolderManager.txt";
    writeFile(sceneList, "ManageData 0.7\n");
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message, "Error: SceneData... Unknown ManageData Version... 0.7");
    restore();

    const std::string communicationList = mProjectPath + "/Communication/FolderManager.txt";
    writeFile(communicationList, "ManageData 0.2\n");
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message, "No Communication Data... Unknown ManageData Version... 0.2");
    ASSERT_EQ(std::remove(communicationList.c_str()), 0);
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message, "No Communication Data... Cannot open file for reading: " + communicationList);
    restore();

    const std::string background = mProjectPath + "/Scenes/Background.txt";
    ASSERT_EQ(std::remove(background.c_str()), 0);
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message.rfind("Error: SceneData... Cannot open file for reading: ", 0), 0u) << message;
    EXPECT_EQ(message.substr(message.size() - background.size() - 5), " --> " + background);
    restore();

    const std::string shot1 = points() + "/Shot_1.shot";
    writeFile(shot1, "junk\n");
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message.rfind("Error: PointCloudData... ", 0), 0u) << message;
    EXPECT_EQ(message.substr(message.size() - shot1.size() - 5), " --> " + shot1);
    // The shot before it stays in the manager.
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 1u);
    restore();

    const std::string polygon = mProjectPath + "/Polygons/Polygon_0.polygon";
    writeFile(polygon, "ObjectInfo 0.1\n");
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message.rfind("Error: PolygonData... ", 0), 0u) << message;
    EXPECT_EQ(message.substr(message.size() - polygon.size() - 5), " --> " + polygon);
    ASSERT_EQ(std::remove(polygon.c_str()), 0);

    ASSERT_TRUE(reopen(message)) << message;
    EXPECT_EQ(getPointCloudManager()->getObjectSetSize(), 3u);
}

TEST_F(ProjectContentsTest, ObjectFileNamingADataFileOutsideIsRefused)
{
    // A project received from someone else: its shot names a file beside the project folder.
    ASSERT_TRUE(shotfixture::writeZRPCD(mDir.file("x.zrpcd"), shotfixture::makeData()));
    const std::string shot = points() + "/Shot_0.shot";
    writeFile(shot, "ObjectInfo 0.1\n* Name\nx\n* Visible\n1\n* Color\n0 0 0\n* Matrix\n\n* Center\n0 0 0\n"
                    "* Size\n1 1 1\n* DataFilePath\n../../x.zrpcd\n");
    std::string message;
    EXPECT_FALSE(reopen(message));
    EXPECT_EQ(message, "Error: PointCloudData... DataFilePath must name a file in the folder of the object file: " +
                           shot + " --> " + shot);
}

TEST_F(ProjectContentsTest, OpenOrdersShotsAndCleansTheFolders)
{
    importThree();
    std::string message;
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    // Shot_1 becomes Shot_10: the order is 0, 2, 10 by number, not by name.
    ASSERT_EQ(std::rename((points() + "/Shot_1.shot").c_str(), (points() + "/Shot_10.shot").c_str()), 0);
    writeFile(points() + "/stray.txt", "x");
    writeFile(points() + "/Upper.SHOT", "x");
    ASSERT_EQ(mkdir((points() + "/sub").c_str(), 0700), 0);
    writeFile(mProjectPath + "/Polygons/stray.zrply", "x");
    ASSERT_EQ(rmdir((mProjectPath + "/Temp").c_str()), 0);
    {
        CoutCapture out;
        std::string ignored;
        mProject.close(ignored);
        ASSERT_TRUE(mProject.open(projectFile(), message)) << message;
        const std::string text = out.text();
        EXPECT_LT(text.find("Shot_0.shot"), text.find("Shot_2.shot"));
        EXPECT_LT(text.find("Shot_2.shot"), text.find("Shot_10.shot"));
        EXPECT_NE(text.find("Remove Non-Referenced File: " + points() + "/stray.txt"), std::string::npos);
    }
    PointCloudManager* shots = getPointCloudManager();
    ASSERT_EQ(shots->getObjectSetSize(), 3u);
    EXPECT_EQ(shots->getObject(1)->getDataFileName(), "matrix.zrpmd");
    EXPECT_EQ(shots->getObject(2)->getDataFileName(), "room.zrpcd");
    EXPECT_EQ(names(points()), (std::set<std::string>{"Shot_0.shot", "Shot_10.shot", "Shot_2.shot", "matrix.zrpmd",
                                                       "room.zrpcd", "scan.zrpcd", "sub"}));
    EXPECT_EQ(names(mProjectPath + "/Polygons"), std::set<std::string>{});

    // A missing Temp is made again by the save.
    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    EXPECT_EQ(names(points()), (std::set<std::string>{"Shot_0.shot", "Shot_1.shot", "Shot_2.shot", "matrix.zrpmd",
                                                       "room.zrpcd", "scan.zrpcd", "sub"}));
    EXPECT_TRUE(names(mProjectPath + "/Temp").empty());

    // A version 0.0 project reads no meshes, so its polygon folder is left alone.
    writeFile(mProjectPath + "/Polygons/kept.zrply", "x");
    writeFile(projectFile(), "ProjectData\n* ProjectName\nProj\n");
    ASSERT_TRUE(reopen(message)) << message;
    EXPECT_EQ(mProject.getProjectVersion(), "0.0");
    EXPECT_EQ(names(mProjectPath + "/Polygons"), std::set<std::string>{"kept.zrply"});
}

} // namespace

TEST_F(ProjectContentsTest, MeshesComeBackAfterSaveAndOpen)
{
    ASSERT_TRUE(PolygonFiler(source("wave.stl")).exportSTLFile_Binary(polygonfixture::makeWave(10)));
    writeFile(source("dem.xml"),
              jpgisfixture::jpgis({"0 0", "3 2"}, {"1", "2", "3", "4", "5", "-9999", "7", "8", "9", "10", "11", "12"}));
    ASSERT_TRUE(polygonfixture::writeZRPLY(source("ready.zrply"), polygonfixture::makeWave(4), 2));
    writeFile(source("broken.stl"), "solid broken\nfacet normal 0 0 1\n");
    std::string message;
    {
        CoutCapture quiet;
        for (const char* name : {"wave.stl", "dem.xml", "ready.zrply"})
            ASSERT_TRUE(mProject.importPolygon(source(name), message)) << name << ": " << message;
        // Mervane refuses the file and writes nothing.
        EXPECT_FALSE(mProject.importPolygon(source("broken.stl"), message));
        EXPECT_EQ(message, "Cannot open file for reading: " + mProjectPath + "/Polygons/broken.zrply");
        EXPECT_FALSE(mProject.importPolygon(source("wave.stl"), message));
        EXPECT_EQ(message, "File is exist yet...");
    }
    PolygonManager* meshes = getPolygonManager();
    ASSERT_EQ(meshes->getObjectSetSize(), 3u);
    EXPECT_EQ(meshes->getData(0)->getName(), mProjectPath + "/Polygons/wave.zrply");
    EXPECT_EQ(meshes->getData(0)->getPolygonInterface()->getElementNumber(), 200);
    Matrix4x4T<double> moved;
    moved(0, 3) = 412345.5;
    moved(1, 1) = -1;
    meshes->getData(0)->setMatrix(moved);
    meshes->getData(1)->setName("Terrain");
    meshes->getData(1)->disableState(Object3D::Visible);

    {
        CoutCapture quiet;
        ASSERT_TRUE(mProject.save(message)) << message;
    }
    const std::string polygons = mProjectPath + "/Polygons";
    EXPECT_EQ(names(polygons), (std::set<std::string>{"Polygon_0.polygon", "Polygon_1.polygon", "Polygon_2.polygon",
                                                       "wave.zrply", "dem.zrply", "ready.zrply"}));

    ASSERT_TRUE(reopen(message)) << message;
    ASSERT_EQ(meshes->getObjectSetSize(), 3u);
    EXPECT_EQ(meshes->getData(0)->getMatrix(), moved);
    EXPECT_EQ(meshes->getData(1)->getName(), "Terrain");
    EXPECT_FALSE(meshes->getData(1)->hasState(Object3D::Visible));
    EXPECT_TRUE(meshes->getData(2)->hasState(Object3D::Visible));
    EXPECT_EQ(meshes->getData(2)->getDataFileName(), "ready.zrply");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(meshes->getData(i)->getPolygonInterface() &&
                    meshes->getData(i)->getPolygonInterface()->getSVOInterface());
    EXPECT_EQ(meshes->getData(0)->getPolygonInterface()->getElementNumber(), 200);
    // The broken import's leftover went with the open.
    EXPECT_EQ(names(polygons).count("broken.zrply"), 0u);

    // A mesh object file that cannot be written fails the save and keeps the rest.
    const std::string blocked = polygons + "/Polygon_1.polygon";
    const std::string first = readFile(polygons + "/Polygon_0.polygon");
    ASSERT_EQ(std::remove(blocked.c_str()), 0);
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    {
        CoutCapture quiet;
        EXPECT_FALSE(mProject.save(message));
    }
    EXPECT_EQ(message, "Cannot open file for writting: " + blocked + ": Is a directory");
    EXPECT_EQ(readFile(polygons + "/Polygon_0.polygon"), first);
    EXPECT_EQ(names(polygons).count("wave.zrply"), 1u);
    ASSERT_EQ(rmdir(blocked.c_str()), 0);

    // Closing stops the loader and frees the meshes.
    {
        CoutCapture quiet;
        mProject.close(message);
    }
    EXPECT_EQ(meshes->getObjectSetSize(), 0u);
}
