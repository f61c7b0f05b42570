#ifndef SCENE_REFERENCEPOINT_H
#define SCENE_REFERENCEPOINT_H

#include "vector3.h"

#include <QObject>

#include <memory>
#include <vector>

// The points that the user picks in the view for a tool operation, and the preview point
// under the cursor. The tool operations read referencePoints and set pointLimit directly.
class ReferencePointManager : public QObject
{
    Q_OBJECT

public:
    explicit ReferencePointManager(QObject* iParent = nullptr);
    ~ReferencePointManager() override;

    // Null while there is no preview point.
    const Vector3T<double>* getPreviewPoint() const;

    // Picked points in picking order, then the view aids through them, in scene coordinates
    // with the current GL state.
    void draw(int iPointSize, int iLineWidth) const;

    std::vector<Vector3T<double>> referencePoints;
    // Most points accepted; 0 = no limit.
    unsigned int pointLimit = 1;

signals:
    void changedValue();
    void changedStructure();

public slots:
    void enablePreviewPoint(const Vector3T<double>& iPoint);
    void disablePreviewPoint();
    void addNewReferencePoint(const Vector3T<double>& iPoint);
    void deleteReferencePointLast();
    void deleteReferencePointALL();

private:
    std::unique_ptr<Vector3T<double>> mPreviewPoint;
};

#endif
