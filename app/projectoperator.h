#ifndef APP_PROJECTOPERATOR_H
#define APP_PROJECTOPERATOR_H

#include <QObject>

#include <string>
#include <vector>

class AsciiFileOperator;

// The one open project: a folder that holds the project file "<name>.bgp" and the sub-folders
// "Scenes", "Communication", "PointClouds", "Polygons" and "Temp". Creates, saves, opens and
// closes the project as a whole and hands out the folder paths. The folder path, name and
// version are kept per program run, shared by every instance, and survive close(). Failures
// return false with the reason in iErrorMessage; on success the message is left as it was.
// GUI thread only.
class ProjectOperator : public QObject
{
    Q_OBJECT

public:
    explicit ProjectOperator(QObject* iParent = nullptr);
    ~ProjectOperator() override;

    // What createNewProject would refuse before it touches anything: an empty folder path, an
    // empty or unsafe name, a folder that is not empty. Lets a caller keep the open project
    // when the new one cannot be made.
    bool checkNewProject(const std::string& iProjectFolderPath, const std::string& iProjectName,
                         std::string& iErrorMessage) const;
    // Stores the folder and the name, makes the sub-folders and writes the project file.
    bool createProjectFiles(const std::string& iProjectFolderPath, const std::string& iProjectName,
                            std::string& iErrorMessage);

    // Emits changedProjectState() only on a change.
    void setProjectState(bool iState);
    bool hasProject() const;

    std::string getProjectFolderPath() const;
    std::string getProjectName() const;
    std::string getProjectVersion() const;
    // The project folder path, "/" and the sub-folder's name.
    std::string getSceneFolderPath() const;
    std::string getCommunicationFolderPath() const;
    std::string getPointCloudFolderPath() const;
    std::string getPolygonFolderPath() const;
    std::string getTempFolderPath() const;

    // Refuses an empty path ("Folder is empty...").
    bool setProjectFolderPath(const std::string& iProjectFolderPath, std::string& iErrorMessage);
    // Refuses an empty name ("Name is empty...") and a name that would lead the project file
    // out of the project folder or break its line: one holding "/", "..", a line feed, a
    // carriage return or a zero byte.
    bool setProjectName(const std::string& iProjectName, std::string& iErrorMessage);
    void setProjectVersion(const std::string& iVersion);

    // Makes the five sub-folders in the project folder, which must hold no visible entry.
    bool createSubFolders(std::string& iErrorMessage);
    // Removes the plain files of "Temp"; sub-folders and failures are left.
    void clearTempFolder();

    // The project file "ProjectData" 0.1: its header, "* ProjectName" and the name. Saving
    // names the project after the file (its name without the last extension) and makes the
    // version "0.1"; loading makes the file's folder the project folder and takes the name and
    // version (0.0 or 0.1) from the file.
    bool saveProjectFile(const std::string& iFilePath, std::string& iErrorMessage);
    bool loadProjectFile(const std::string& iFilePath, std::string& iErrorMessage);
    // What open() reads after the project file, by its version.
    bool loadProject_Ver0_0(std::string& iErrorMessage);
    bool loadProject_Ver0_1(std::string& iErrorMessage);

    // The lists "FolderManager.txt" of "Scenes" and "Communication" with the section files they
    // name, each written and read by its owner. A save writes every section under a hidden
    // name beside its place; only when all of them and the list were written are they renamed
    // into place, one after another and the list last, otherwise the previous files stay and the
    // first failure is reported, with the system's reason. The _Ver writers leave their files
    // staged for saveSceneData / saveCommunicationData (called alone, they put them in place).
    // A list of an unknown version fails the load ("Unknown ManageData Version... " and the
    // version).
    bool saveSceneData(std::string& iErrorMessage);
    bool saveCommunicationData(std::string& iErrorMessage);
    bool loadSceneData(std::string& iErrorMessage);
    bool loadCommunicationData(std::string& iErrorMessage);
    bool saveSceneData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool saveCommunicationData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadSceneData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadCommunicationData_Ver0_0(AsciiFileOperator& iStream, std::string& iErrorMessage);
    bool loadCommunicationData_Ver0_1(AsciiFileOperator& iStream, std::string& iErrorMessage);

    // The object files and data files of the shots and meshes in "PointClouds" and "Polygons":
    // one object file "Shot_<i>.shot" / "Polygon_<i>.polygon" per object, written under names of
    // their own first; only when all were written is each renamed over its old one, and then the
    // object files beyond them, after them the files that no object names, are moved to "Temp"
    // (made when missing). An interrupted or failed save leaves every object file naming a data
    // file that is there. Loading opens the object files (shots by the number in the name);
    // cleaning deletes the files that neither are object files nor are named by an object.
    // Meshes cannot be made yet: a polygon object file fails the load, and the polygon folder is
    // cleaned only after it was read.
    bool savePointCloudData(std::string& iErrorMessage);
    bool savePolygonData(std::string& iErrorMessage);
    bool loadPointCloudData(std::string& iErrorMessage);
    bool loadPolygonData(std::string& iErrorMessage);
    void cleanPointCloudFolder();
    void cleanPolygonFolder();

    // "Cannot open file for writting: " and the path, then ": " and the system's text for iError
    // (nothing for 0): how a save reports a file it could not write.
    static std::string cannotWriteMessage(const std::string& iFilePath, int iError);

    // The folder in which the imports look for the converter programs; empty (the default)
    // means the program's own folder. Only tests set it.
    static void setConverterFolderPath(const std::string& iFolderPath);

signals:
    void changedProjectState();

public slots:
    // Makes a project in an empty folder and saves it; the project is then open. A creation
    // that fails removes the sub-folders it made, the files its save put there and the project
    // file it wrote.
    bool createNewProject(const std::string& iProjectFolderPath, const std::string& iProjectName,
                          std::string& iErrorMessage);
    // Reads a project whose file is iFileName into the model. Does not close the open one.
    bool open(const std::string& iFileName, std::string& iErrorMessage);
    // Writes the project file, the section files and the object files; empties "Temp".
    bool save(std::string& iErrorMessage);
    // Stops the loaders and empties the managers of shots, meshes, camera paths, measures and
    // comments; the scene settings and the folder, name and version stay. Always true.
    bool close(std::string& iErrorMessage);
    // Places a point file in "PointClouds" (octree point files copied, others converted by
    // Kestrune) and adds it as a new shot. Needs an open project.
    bool importPointCloud(const std::string& iFileName, std::string& iErrorMessage);
    // Places a polygon file in "Polygons" (".zrply" copied, others converted by Mervane).
    bool importPolygon(const std::string& iFilePath, std::string& iErrorMessage);

private:
    // Removes the sub-folders that the last createSubFolders made, with the files saved in them.
    void removeMadeSubFolders();

    bool mProjectState;
    // Set by loadPolygonData: whether the polygon folder was read, so that its cleaning knows
    // which data files the meshes name.
    bool mPolygonDataLoaded = false;
    // The sub-folders that the last createSubFolders made, which a failed creation removes.
    std::vector<std::string> mMadeSubFolders;
};

#endif
