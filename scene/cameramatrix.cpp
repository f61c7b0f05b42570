#include "cameramatrix.h"

#include "numberformat.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const double FL_PI = 3.141592; // the angle constant of every camera turn

} // namespace

namespace cameramatrix {

void getProjection(const Camera::ScreenData& iScreen, const Camera::FrustumData& iFrustum, double oMatrix[16])
{
    std::fill(oMatrix, oMatrix + 16, 0.0);
    oMatrix[0] = oMatrix[5] = oMatrix[10] = oMatrix[15] = 1.0;
    // A zero-size screen has no aspect; GL keeps the identity for the values it refuses.
    if (iScreen.width <= 0 || iScreen.height <= 0)
        return;
    const float aspect = static_cast<float>(iScreen.width) / static_cast<float>(iScreen.height);
    const double top = std::tan(iFrustum.degree / 180.0 * FL_PI) * iFrustum.near;
    const double right = aspect * top;
    const double n = iFrustum.near;
    const double f = iFrustum.far;
    if (!(n > 0) || !(f > 0) || n == f || !(right != 0) || !std::isfinite(top) || !std::isfinite(f))
        return;
    oMatrix[0] = 2.0 * n / (2.0 * right);
    oMatrix[5] = 2.0 * n / (2.0 * top);
    oMatrix[10] = -(f + n) / (f - n);
    oMatrix[11] = -1.0;
    oMatrix[14] = -2.0 * f * n / (f - n);
    oMatrix[15] = 0.0;
}

bool getModelview(const Camera::LookAtData& iLookAt, double oMatrix[16])
{
    std::fill(oMatrix, oMatrix + 16, 0.0);
    oMatrix[0] = oMatrix[5] = oMatrix[10] = oMatrix[15] = 1.0;
    const Vector3T<double> forward = iLookAt.lockOnPoint - iLookAt.viewPoint;
    Vector3T<float> f(numberformat::narrow(forward.x), numberformat::narrow(forward.y), numberformat::narrow(forward.z));
    const float forwardSquared = f.dot(f);
    if (!(forwardSquared > 0) || !std::isfinite(forwardSquared))
        return false;
    f = f / std::sqrt(forwardSquared);
    const Vector3T<float> up(numberformat::narrow(iLookAt.upward.x), numberformat::narrow(iLookAt.upward.y),
                             numberformat::narrow(iLookAt.upward.z));
    Vector3T<float> s = f.cross(up);
    const float sideSquared = s.dot(s);
    if (!(sideSquared > 0) || !std::isfinite(sideSquared))
        return false;
    s = s / std::sqrt(sideSquared);
    const Vector3T<float> u = s.cross(f);

    const Vector3T<float> rows[3] = {s, u, -f};
    const Vector3T<double>& eye = iLookAt.viewPoint;
    for (int r = 0; r < 3; ++r) {
        oMatrix[r] = rows[r].x;
        oMatrix[4 + r] = rows[r].y;
        oMatrix[8 + r] = rows[r].z;
        // The translation by minus the eye, summed in double so that far-off eyes keep
        // what float can hold of it.
        oMatrix[12 + r] = -(double(rows[r].x) * eye.x + double(rows[r].y) * eye.y + double(rows[r].z) * eye.z);
    }
    return true;
}

bool invert(const float iMatrix[16], float oInverse[16])
{
    float a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = iMatrix[4 * c + r];
            a[r][4 + c] = (r == c) ? 1.0f : 0.0f;
        }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
                pivot = r;
        if (!(a[pivot][c] != 0) || !std::isfinite(a[pivot][c]))
            return false;
        if (pivot != c)
            for (int k = 0; k < 8; ++k)
                std::swap(a[pivot][k], a[c][k]);
        const float scale = 1.0f / a[c][c];
        for (int k = 0; k < 8; ++k)
            a[c][k] *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0)
                continue;
            const float factor = a[r][c];
            for (int k = 0; k < 8; ++k)
                a[r][k] -= factor * a[c][k];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            oInverse[4 * c + r] = a[r][4 + c];
    return true;
}

} // namespace cameramatrix
