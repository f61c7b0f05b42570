#ifndef POLYGON_POLYGON_H
#define POLYGON_POLYGON_H

#include "object3d.h"

class PolygonInterface;

// The scene object of one polygon mesh: an Object3D with a pointer to the mesh's data side,
// which it does not own.
class MyPolygon : public Object3D
{
    Q_OBJECT

public:
    explicit MyPolygon(QObject* iParent = nullptr);

    PolygonInterface* getPolygonInterface() const;

public slots:
    // Ignores null and the interface already held; otherwise stores it and emits changedValue().
    void setPolygonInterface(PolygonInterface* iInterface);

private:
    PolygonInterface* mPolygonInterface = nullptr;
};

#endif
