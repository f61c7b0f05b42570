#include "camerapath.h"

#include "camerapathmanager.h"

#include <QSignalBlocker>
#include <qopengl.h>

#include <algorithm>
#include <cmath>

namespace {

// Signed distance-like value of p for the plane (a, b, c, d): inside when it is not above 0.
double FL_planeValue(const Vector4T<double>& iPlane, const Vector3T<double>& iPoint)
{
    return iPlane.x * iPoint.x + iPlane.y * iPoint.y + iPlane.z * iPoint.z - iPlane.w;
}

bool FL_isInside(const std::vector<Vector4T<double>>& iPlanes, const Vector3T<double>& iPoint)
{
    for (const Vector4T<double>& plane : iPlanes)
        if (!(FL_planeValue(plane, iPoint) <= 0.0))
            return false;
    return true;
}

// Whether some point of the segment from a to b lies inside all planes: the segment is
// clipped against each plane in turn, and the part left must not vanish. A segment that
// lies in one of the planes is decided by the other planes.
bool FL_isSegmentCrossing(const std::vector<Vector4T<double>>& iPlanes, const Vector3T<double>& iA,
                          const Vector3T<double>& iB)
{
    double t0 = 0.0;
    double t1 = 1.0;
    for (const Vector4T<double>& plane : iPlanes) {
        const double fa = FL_planeValue(plane, iA);
        const double fb = FL_planeValue(plane, iB);
        if (fa <= 0.0 && fb <= 0.0)
            continue;
        if (!(fa <= 0.0) && !(fb <= 0.0))
            return false;
        // The signs differ, so fa - fb is not 0: t is where the segment meets the plane.
        const double t = fa / (fa - fb);
        if (fa > 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

double FL_interpolate(double iA, double iB, double iRatio)
{
    return iA + (iB - iA) * iRatio;
}

Vector3T<double> FL_interpolate(const Vector3T<double>& iA, const Vector3T<double>& iB, double iRatio)
{
    return Vector3T<double>(FL_interpolate(iA.x, iB.x, iRatio), FL_interpolate(iA.y, iB.y, iRatio),
                            FL_interpolate(iA.z, iB.z, iRatio));
}

} // namespace

CameraPath::CameraPath(Object3D* iParent) : Object3D(iParent)
{
}

int CameraPath::getListSize() const
{
    return static_cast<int>(mPoints.size());
}

bool CameraPath::getPoint(int iIndex, Camera::LookAtData* oPoint) const
{
    if (iIndex < 0 || iIndex >= getListSize())
        return false;
    *oPoint = mPoints[static_cast<std::size_t>(iIndex)];
    return true;
}

bool CameraPath::getDistance(int iIndex, double* oDistance) const
{
    if (iIndex < 0 || static_cast<std::size_t>(iIndex) >= mDistances.size())
        return false;
    *oDistance = mDistances[static_cast<std::size_t>(iIndex)];
    return true;
}

bool CameraPath::getSegment(int* oIndex0, int* oIndex1, double* oRatio, double iDistance) const
{
    for (std::size_t k = 1; k < mDistances.size(); ++k) {
        const double d0 = mDistances[k - 1];
        const double d1 = mDistances[k];
        if (d0 <= iDistance && iDistance < d1) {
            *oIndex0 = static_cast<int>(k - 1);
            *oIndex1 = static_cast<int>(k);
            *oRatio = (iDistance - d0) / (d1 - d0);
            return true;
        }
    }
    return false;
}

bool CameraPath::getFrame(Camera::LookAtData* oFrame, double iDistance) const
{
    int index0 = 0;
    int index1 = 0;
    double ratio = 0.0;
    if (!getSegment(&index0, &index1, &ratio, iDistance))
        return false;
    const Camera::LookAtData& a = mPoints[static_cast<std::size_t>(index0)];
    const Camera::LookAtData& b = mPoints[static_cast<std::size_t>(index1)];
    oFrame->viewPoint = FL_interpolate(a.viewPoint, b.viewPoint, ratio);
    oFrame->lockOnPoint = FL_interpolate(a.lockOnPoint, b.lockOnPoint, ratio);
    oFrame->upward = FL_interpolate(a.upward, b.upward, ratio);
    return true;
}

void CameraPath::draw(const CameraPathParameter& iPara) const
{
    if (!hasState(Visible))
        return;
    glColor4ub(iPara.lineColor.red, iPara.lineColor.green, iPara.lineColor.blue, iPara.lineColor.alpha);
    glLineWidth(static_cast<GLfloat>(iPara.lineWidth));
    glBegin(GL_LINE_STRIP);
    for (const Camera::LookAtData& point : mPoints)
        glVertex3d(point.viewPoint.x, point.viewPoint.y, point.viewPoint.z);
    glEnd();
}

bool CameraPath::isCrossing(const std::vector<Vector4T<double>>& iPlanes) const
{
    if (mPoints.empty())
        return false;
    for (const Camera::LookAtData& point : mPoints)
        if (FL_isInside(iPlanes, point.viewPoint))
            return true;
    for (std::size_t k = 1; k < mPoints.size(); ++k)
        if (FL_isSegmentCrossing(iPlanes, mPoints[k - 1].viewPoint, mPoints[k].viewPoint))
            return true;
    return false;
}

bool CameraPath::setPoint(int iIndex, const Camera::LookAtData& iPoint)
{
    if (iIndex < 0 || iIndex >= getListSize())
        return false;
    mPoints[static_cast<std::size_t>(iIndex)] = iPoint;
    updateValues();
    emit changedValue();
    return true;
}

void CameraPath::addPoint(const Camera::LookAtData& iPoint)
{
    mPoints.push_back(iPoint);
    updateValues();
    emit changedValue();
}

bool CameraPath::deletePoint(int iIndex)
{
    if (iIndex < 0 || iIndex >= getListSize())
        return false;
    mPoints.erase(mPoints.begin() + iIndex);
    updateValues();
    emit changedValue();
    return true;
}

void CameraPath::deleteALLPoint()
{
    mPoints.clear();
    updateValues();
    emit changedValue();
}

void CameraPath::updateValues()
{
    mDistances.clear();
    std::vector<Vector3T<double>> viewPoints;
    viewPoints.reserve(mPoints.size());
    for (std::size_t k = 0; k < mPoints.size(); ++k) {
        const Vector3T<double>& p = mPoints[k].viewPoint;
        if (k == 0) {
            mDistances.push_back(0.0);
        } else {
            const Vector3T<double> d = p - mPoints[k - 1].viewPoint;
            mDistances.push_back(mDistances.back() + std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
        }
        viewPoints.push_back(p);
    }

    BoundingBox box;
    box.init(viewPoints);
    if (box == getBoundingBox())
        return;
    {
        // The caller emits the one changedValue() of the edit.
        const QSignalBlocker blocker(this);
        setBoundingBox(box);
    }
    emit changedBoudingBox();
}
