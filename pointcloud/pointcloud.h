#ifndef POINTCLOUD_POINTCLOUD_H
#define POINTCLOUD_POINTCLOUD_H

#include "color.h"
#include "object3d.h"

#include <functional>
#include <string>

class Deleter;
class PointCloudInterface;

// One scanned point cloud placed in the scene: the common object state, a colour and the
// point data, which the shot owns.
//
// The point data is freed with the shot (or when it is replaced). An octree body that may be
// large is handed, when a deleter queue is set, to that queue as a Deleter, so that the
// deleter thread frees it; the small rest of the data object is freed at once. Without a
// queue everything is freed on the spot. The loader may be working on this shot and its data:
// the shot runs its load stop, when one is set, before it replaces its data and when it is
// destroyed, whoever deletes it and whether it holds data or not.
class PointCloud : public Object3D
{
    Q_OBJECT

public:
    // Takes ownership of the deleter it is given; called on the thread that frees the shot.
    using DeleterQueue = std::function<void(Deleter*)>;
    // Ends, and waits for, every load from another thread that may use the shot.
    using LoadStop = std::function<void()>;

    explicit PointCloud(Object3D* iParent = nullptr);
    ~PointCloud() override;

    // A new PointCloudForm on this shot, owned by the caller.
    QWidget* createUI() override;

    const Color& getColor() const;
    PointCloudInterface* getPointCloud() const;
    // The queue must stay usable for as long as the shot lives (or be reset first).
    void setDeleterQueue(DeleterQueue iQueue);
    // The same holds for the load stop.
    void setLoadStop(LoadStop iStop);

    // Drops the loaded octree data and reads the data file's base again, so that the point
    // number and the next frame come from the file as it is now, then tells the panels.
    // False, with the data's error text, when the shot has no octree data or the base cannot
    // be read (the data then stays dropped).
    bool reloadPointData(std::string& iErrorMessage);

    // Writes the shot's object file: name, Visible state, colour, matrix, box, data file name.
    bool exportObjectFile(const std::string& iFilePath, std::string& iErrorMessage) const;

    // A shot without point data made from an object file; null with the reader's message.
    static PointCloud* generateFromObjectFile(const std::string& iFilePath, std::string& iErrorMessage);
    // A white shot over the octree file at iFilePath, named by the path as given, with the
    // identity matrix and the octree's box; prints its summary. Null, with the data's error
    // text (empty for an unknown file kind), when the file cannot be used.
    static PointCloud* generateFromBinaryFile_SVO(const std::string& iFilePath, std::string& iErrorMessage);
    // The data object for the file kind of iFilePath ("zrpcd" octree point file, "zrpmd"
    // point-matrix octree file, case-sensitive) with its base read; null otherwise, with
    // iErrorMessage set to the data's error text (empty for an unknown kind).
    static PointCloudInterface* openPointCloudData(const std::string& iFilePath, std::string& iErrorMessage);

public slots:
    void setColor(Color iColor);
    // Takes ownership of iPCImp; the data held before is freed.
    void setPointCloud(PointCloudInterface* iPCImp);

private:
    void releasePointCloud(PointCloudInterface* iPCImp) const;

    Color mColor{0, 255, 0, 255};
    PointCloudInterface* mPointCloud = nullptr;
    DeleterQueue mDeleterQueue;
    LoadStop mLoadStop;
};

#endif
