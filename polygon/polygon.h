#ifndef POLYGON_POLYGON_H
#define POLYGON_POLYGON_H

#include "object3d.h"

#include <functional>
#include <string>

class PolygonInterface;
class PolygonSVOInterface;

// The scene object of one polygon mesh: an Object3D with the mesh's data side. The mesh owns its
// data side and frees it when it goes or gets another one, after stopping whatever load may
// be reading it (the load stop its manager gives it).
class MyPolygon : public Object3D
{
    Q_OBJECT

public:
    using LoadStop = std::function<void()>;

    explicit MyPolygon(QObject* iParent = nullptr);
    ~MyPolygon() override;

    PolygonInterface* getPolygonInterface() const;
    // Called before the data side is freed or replaced.
    void setLoadStop(LoadStop iStop);

    // The object file: name, visibility, colour (255, 255, 255, 255), matrix, box and data file
    // name; false with the writer's message.
    bool exportObjectFile(const std::string& iFilePath, std::string& iErrorMessage) const;
    // A new mesh without data from an object file (name, visibility, matrix, box, data file
    // name), owned by the caller; null with the reader's message.
    static MyPolygon* importObjectFile(const std::string& iFilePath, std::string& iErrorMessage);

    // A new PolygonForm on this mesh, owned by the caller (defined with the form).
    QWidget* createUI() override;

public slots:
    // Ignores null and the interface already held; otherwise takes it, frees the previous one
    // and emits changedValue().
    void setPolygonInterface(PolygonInterface* iInterface);

private:
    PolygonInterface* mPolygonInterface = nullptr;
    LoadStop mLoadStop;
};

// The octree side of a mesh's data; null without a mesh, without data, or for a whole mesh.
PolygonSVOInterface* meshOctree(const MyPolygon* iMesh);

#endif
