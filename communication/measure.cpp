#include "measure.h"

#include "camera.h"

#include <QString>
#include <qopengl.h>

#include <algorithm>
#include <cmath>

namespace {

// The angle convention of the measures: degrees = radians * 180 / this.
const double FL_PI = 3.141592;

// Step of the angle arc, degrees.
const int FL_ARC_STEP = 3;
// An arc step closer than this to the second arm is left to the arm's own end vertex. Because
// FL_PI is not pi, a right angle measures 90.00002 degrees; without this its 30th step would
// land a hair before the end vertex.
const double FL_ARC_END_TOLERANCE = 1e-4;

double FL_length(const Vector3T<double>& iVector)
{
    return std::sqrt(iVector.dot(iVector));
}

// a·x + b·y + c·z - d, summed in that order; <= 0 is the inner side.
double FL_planeValue(const Vector4T<double>& iPlane, const Vector3T<double>& iPoint)
{
    return iPlane.x * iPoint.x + iPlane.y * iPoint.y + iPlane.z * iPoint.z - iPlane.w;
}

// Whether iPoint lies on the inner side of every plane but the one at iSkipped.
bool FL_isInside(const std::vector<Vector4T<double>>& iPlanes, const Vector3T<double>& iPoint,
                 std::size_t iSkipped = static_cast<std::size_t>(-1))
{
    for (std::size_t j = 0; j < iPlanes.size(); ++j)
        if (j != iSkipped && !(FL_planeValue(iPlanes[j], iPoint) <= 0.0))
            return false;
    return true;
}

// iVector turned by iRadian about the unit axis iAxis (Rodrigues' formula); a zero axis
// leaves only the cosine part.
Vector3T<double> FL_rotate(const Vector3T<double>& iVector, const Vector3T<double>& iAxis, double iRadian)
{
    const double c = std::cos(iRadian);
    const double s = std::sin(iRadian);
    return iVector * c + iAxis.cross(iVector) * s + iAxis * ((1.0 - c) * iAxis.dot(iVector));
}

void FL_beginLines(const MeasureParameter& iParameter)
{
    const Color& color = iParameter.lineColor;
    glColor4ub(color.red, color.green, color.blue, color.alpha);
    glLineWidth(static_cast<GLfloat>(iParameter.lineWidth));
}

void FL_vertex(const Vector3T<double>& iPoint)
{
    glVertex3d(iPoint.x, iPoint.y, iPoint.z);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Measure

Measure::Measure(Object3D* iParent) : Object3D(iParent)
{
}

Measure::~Measure() = default;

bool Measure::isCrossing(const std::vector<Vector4T<double>>& iPlanes) const
{
    for (const Vector3T<double>& point : mPoints)
        if (FL_isInside(iPlanes, point))
            return true;

    // No point inside: a segment can still pass through the region. Where it crosses plane j
    // it is on that plane, so only the other planes decide.
    for (std::size_t i = 1; i < mPoints.size(); ++i) {
        const Vector3T<double>& p = mPoints[i - 1];
        const Vector3T<double>& q = mPoints[i];
        for (std::size_t j = 0; j < iPlanes.size(); ++j) {
            const double dq = FL_planeValue(iPlanes[j], q);
            const double dp = FL_planeValue(iPlanes[j], p);
            if (dq * dp > 0.0)
                continue;
            const double sum = std::fabs(dq) + std::fabs(dp);
            // Both ends on the plane: q itself stands for the crossing.
            const double t = sum > 0.0 ? std::fabs(dq) / sum : 0.0;
            if (FL_isInside(iPlanes, q + (p - q) * t, j))
                return true;
        }
    }
    return false;
}

int Measure::getType() const
{
    return 2;
}

std::vector<std::string> Measure::getLabelLines(const MeasureParameter& /*iParameter*/) const
{
    return {};
}

Vector3T<double> Measure::getLabelAnchor() const
{
    return mPoints.empty() ? Vector3T<double>() : mPoints.front();
}

const std::vector<Vector3T<double>>& Measure::getPoints() const
{
    return mPoints;
}

double Measure::computeAngle(Vector3T<double> iU, Vector3T<double> iV)
{
    const double uu = iU.dot(iU);
    if (uu != 0.0)
        iU = iU / std::sqrt(uu);
    const double vv = iV.dot(iV);
    if (vv != 0.0)
        iV = iV / std::sqrt(vv);
    // Rounding can take the product of two unit vectors just past +-1, where acos has no value.
    const double cosine = std::clamp(iU.dot(iV), -1.0, 1.0);
    return std::acos(cosine) * 180.0 / FL_PI;
}

std::string Measure::toLabelNumber(double iValue, int iPrecision)
{
    return QString::number(iValue, 'f', std::max(iPrecision, 0)).toUtf8().toStdString();
}

void Measure::setPoints(const std::vector<Vector3T<double>>& iPoints)
{
    // Element-wise ==, so that a NaN on either side counts as a change.
    if (iPoints.size() == mPoints.size() && std::equal(iPoints.begin(), iPoints.end(), mPoints.begin()))
        return;
    mPoints = iPoints;
    emit changedValue();
}

void Measure::drawLabel(const Vector3T<double>& iAnchor) const
{
    if (labelImage.empty() || labelWidth <= 0 || labelHeight <= 0)
        return;
    // A buffer shorter than its stated size would be read past its end.
    const std::size_t bytes = static_cast<std::size_t>(labelWidth) * static_cast<std::size_t>(labelHeight) * 4u;
    if (labelImage.size() < bytes)
        return;
    glRasterPos3d(iAnchor.x, iAnchor.y, iAnchor.z);
    glDrawPixels(labelWidth, labelHeight, GL_RGBA, GL_UNSIGNED_BYTE, labelImage.data());
}

// ---------------------------------------------------------------------------------------
// MeasureLength

MeasureLength::MeasureLength(Object3D* iParent) : Measure(iParent)
{
}

MeasureLength::~MeasureLength() = default;

int MeasureLength::getType() const
{
    return 0;
}

double MeasureLength::getLength() const
{
    return FL_length(getDifference());
}

Vector3T<double> MeasureLength::getDifference() const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 2)
        return Vector3T<double>();
    return points[0] - points[1];
}

Vector3T<double> MeasureLength::getLabelAnchor() const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 2)
        return Measure::getLabelAnchor();
    return (points[0] + points[1]) * 0.5;
}

std::vector<std::string> MeasureLength::getLabelLines(const MeasureParameter& iParameter) const
{
    if (iParameter.labelMode == MeasureParameter::XYZ) {
        const Vector3T<double> d = getDifference();
        return {"X: " + toLabelNumber(d.x, iParameter.precision), "Y: " + toLabelNumber(d.y, iParameter.precision),
                "Z: " + toLabelNumber(d.z, iParameter.precision)};
    }
    return {toLabelNumber(getLength(), iParameter.precision)};
}

bool MeasureLength::getArrowHeads(const MeasureParameter& iParameter, const Camera& iCamera,
                                  std::vector<Vector3T<double>>* oPoints) const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 2)
        return false;
    const Vector3T<double> d0 = iCamera.convertValueFromModelToGLDevice(points[0]);
    const Vector3T<double> d1 = iCamera.convertValueFromModelToGLDevice(points[1]);

    Vector3T<double> dir(d1.x - d0.x, d1.y - d0.y, 0.0);
    const double lengthSquared = dir.dot(dir);
    const double length = std::sqrt(lengthSquared);
    if (!(length > static_cast<double>(iParameter.arrowLength)))
        return false;
    if (lengthSquared != 0.0)
        dir = dir / length;
    // A quarter turn counter-clockwise about the window's z axis.
    const double c = 3.2679489653813835e-7;
    const double s = 0.9999999999999466;
    const Vector3T<double> perp(c * dir.x - s * dir.y, s * dir.x + c * dir.y, dir.z);

    // Half the opening angle in whole degrees; the sides are whole pixels.
    const int half = iParameter.arrowArgument / 2;
    const double theta = half * FL_PI / 180.0;
    const double a = std::trunc(std::sin(theta) * iParameter.arrowLength);
    const double b = std::trunc(std::cos(theta) * iParameter.arrowLength);

    // The side points keep the depth of their tip.
    oPoints->push_back(iCamera.convertValueFromGLDeviceToModel(d0 + perp * a + dir * b));
    oPoints->push_back(points[0]);
    oPoints->push_back(iCamera.convertValueFromGLDeviceToModel(d0 - perp * a + dir * b));
    oPoints->push_back(iCamera.convertValueFromGLDeviceToModel(d1 + perp * a - dir * b));
    oPoints->push_back(points[1]);
    oPoints->push_back(iCamera.convertValueFromGLDeviceToModel(d1 - perp * a - dir * b));
    return true;
}

void MeasureLength::draw3DPart(const MeasureParameter& iParameter, const Camera& iCamera) const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (!hasState(Visible) || points.size() < 2)
        return;
    FL_beginLines(iParameter);
    glBegin(GL_LINES);
    FL_vertex(points[0]);
    FL_vertex(points[1]);
    glEnd();

    std::vector<Vector3T<double>> heads;
    if (!getArrowHeads(iParameter, iCamera, &heads))
        return;
    for (std::size_t head = 0; head < 2; ++head) {
        glBegin(GL_LINE_STRIP);
        for (std::size_t i = 0; i < 3; ++i)
            FL_vertex(heads[head * 3 + i]);
        glEnd();
    }
}

void MeasureLength::draw2DPart(QPaintDevice* /*iDevice*/, const MeasureParameter& /*iParameter*/,
                               const Camera& /*iCamera*/) const
{
    if (!hasState(Visible) || getPoints().size() < 2)
        return;
    drawLabel(getLabelAnchor());
}

// ---------------------------------------------------------------------------------------
// MeasureAngle

MeasureAngle::MeasureAngle(Object3D* iParent) : Measure(iParent)
{
}

MeasureAngle::~MeasureAngle() = default;

int MeasureAngle::getType() const
{
    return 1;
}

double MeasureAngle::getAngle() const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 3)
        return 0.0;
    return computeAngle(points[0] - points[1], points[2] - points[1]);
}

double MeasureAngle::getAngle(int iDroppedAxis) const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 3)
        return 0.0;
    Vector3T<double> u = points[0] - points[1];
    Vector3T<double> v = points[2] - points[1];
    u[iDroppedAxis] = 0.0;
    v[iDroppedAxis] = 0.0;
    return computeAngle(u, v);
}

Vector3T<double> MeasureAngle::getLabelAnchor() const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 3)
        return Measure::getLabelAnchor();
    return points[1];
}

std::vector<std::string> MeasureAngle::getLabelLines(const MeasureParameter& iParameter) const
{
    if (iParameter.labelMode == MeasureParameter::XYZ) {
        return {"X: " + toLabelNumber(getAngle(0), iParameter.precision),
                "Y: " + toLabelNumber(getAngle(1), iParameter.precision),
                "Z: " + toLabelNumber(getAngle(2), iParameter.precision)};
    }
    return {toLabelNumber(getAngle(), iParameter.precision)};
}

bool MeasureAngle::getArcRadius(const MeasureParameter& iParameter, const Camera& iCamera, double* oRadius) const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 3)
        return false;
    const Vector3T<double> d0 = iCamera.convertValueFromModelToGLDevice(points[0]);
    const Vector3T<double> d1 = iCamera.convertValueFromModelToGLDevice(points[1]);
    const Vector3T<double> d2 = iCamera.convertValueFromModelToGLDevice(points[2]);
    Vector3T<double> a(d0.x - d1.x, d0.y - d1.y, 0.0);
    Vector3T<double> b(d2.x - d1.x, d2.y - d1.y, 0.0);
    const double r = iParameter.arcRadius;
    const double lengthA = FL_length(a);
    const double lengthB = FL_length(b);
    if (!(lengthA > r && lengthB > r))
        return false;
    // Only a negative radius lets a zero arm through; it must not divide by zero.
    if (lengthA != 0.0)
        a = a / lengthA;
    if (lengthB != 0.0)
        b = b / lengthB;
    const Vector3T<double> mA = iCamera.convertValueFromGLDeviceToModel(d1 + a * r);
    const Vector3T<double> mB = iCamera.convertValueFromGLDeviceToModel(d1 + b * r);
    *oRadius = std::min(FL_length(mA - points[1]), FL_length(mB - points[1]));
    return true;
}

void MeasureAngle::getArcPoints(double iRadius, std::vector<Vector3T<double>>* oPoints) const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (points.size() < 3)
        return;
    const Vector3T<double>& vertex = points[1];
    Vector3T<double> u = points[0] - vertex;
    Vector3T<double> v = points[2] - vertex;
    const double alpha = computeAngle(u, v);
    if (u.dot(u) != 0.0)
        u = u / FL_length(u);
    if (v.dot(v) != 0.0)
        v = v / FL_length(v);

    if (alpha > 0.0) {
        // Parallel or opposite arms have no axis: the steps then stay on the first arm's line.
        Vector3T<double> axis = u.cross(v);
        const double axisLength = FL_length(axis);
        if (axisLength != 0.0)
            axis = axis / axisLength;
        for (int k = 0; k == 0 || FL_ARC_STEP * k < alpha - FL_ARC_END_TOLERANCE; ++k) {
            const double radian = FL_ARC_STEP * k / 180.0 * FL_PI;
            oPoints->push_back(vertex + FL_rotate(u, axis, radian) * iRadius);
        }
    }
    oPoints->push_back(vertex + v * iRadius);
}

void MeasureAngle::draw3DPart(const MeasureParameter& iParameter, const Camera& iCamera) const
{
    const std::vector<Vector3T<double>>& points = getPoints();
    if (!hasState(Visible) || points.size() < 3)
        return;
    FL_beginLines(iParameter);
    glBegin(GL_LINE_STRIP);
    for (std::size_t i = 0; i < 3; ++i)
        FL_vertex(points[i]);
    glEnd();

    double radius = 0.0;
    if (!getArcRadius(iParameter, iCamera, &radius))
        return;
    std::vector<Vector3T<double>> arc;
    getArcPoints(radius, &arc);
    glBegin(GL_LINE_STRIP);
    for (const Vector3T<double>& point : arc)
        FL_vertex(point);
    glEnd();
}

void MeasureAngle::draw2DPart(QPaintDevice* /*iDevice*/, const MeasureParameter& /*iParameter*/,
                              const Camera& /*iCamera*/) const
{
    if (!hasState(Visible) || getPoints().size() < 3)
        return;
    drawLabel(getLabelAnchor());
}
