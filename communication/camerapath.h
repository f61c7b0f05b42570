#ifndef COMMUNICATION_CAMERAPATH_H
#define COMMUNICATION_CAMERAPATH_H

#include "camera.h"
#include "object3d.h"

#include <vector>

struct CameraPathParameter;

// A recorded camera flight: check points in flight order and, for each, the distance of its
// view point from the first one along the polyline of view points. Any distance along the
// path yields an interpolated camera. The bounding box spans the view points.
class CameraPath : public Object3D
{
    Q_OBJECT

public:
    explicit CameraPath(Object3D* iParent = nullptr);

    int getListSize() const;
    // False when there is no check point iIndex.
    bool getPoint(int iIndex, Camera::LookAtData* oPoint) const;
    // False when there is no distance iIndex; the last one is the path's total length.
    bool getDistance(int iIndex, double* oDistance) const;
    // The segment (i0, i1 = i0 + 1) that holds distance s, and the ratio of s within it.
    // Segments of length 0 are never chosen; false for s < 0, s at or past the total length,
    // and for paths without a segment of positive length.
    bool getSegment(int* oIndex0, int* oIndex1, double* oRatio, double iDistance) const;
    // The camera at distance s, all nine numbers interpolated linearly (upward included, not
    // normalised); oFrame is left alone when getSegment fails.
    bool getFrame(Camera::LookAtData* oFrame, double iDistance) const;

    // One line strip through the view points.
    void draw(const CameraPathParameter& iPara) const;

    QWidget* createUI() override;
    // Whether a view point lies inside all planes (a·x + b·y + c·z - d <= 0) or a segment
    // between consecutive view points passes through the region they bound. The placement
    // matrix is not applied.
    bool isCrossing(const std::vector<Vector4T<double>>& iPlanes) const override;

public slots:
    // Each edit recomputes distances and bounding box and emits changedValue() once, also
    // when the data stays the same. Bad indices return false and change nothing.
    bool setPoint(int iIndex, const Camera::LookAtData& iPoint);
    void addPoint(const Camera::LookAtData& iPoint);
    bool deletePoint(int iIndex);
    void deleteALLPoint();

private:
    void updateValues();

    std::vector<Camera::LookAtData> mPoints;
    std::vector<double> mDistances;
};

#endif
