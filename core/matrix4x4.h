#ifndef CORE_MATRIX4X4_H
#define CORE_MATRIX4X4_H

#include "vector3.h"

#include <cmath>

// Row-major 4x4 matrix: element (r, c) at 4r + c, translation at 3, 7 and 11.
template <typename T>
struct Matrix4x4T
{
    T m[16];

    Matrix4x4T() { setIdentity(); }

    void setIdentity()
    {
        for (int i = 0; i < 16; ++i)
            m[i] = (i % 5 == 0) ? T(1) : T(0);
    }
    static Matrix4x4T identity() { return Matrix4x4T(); }

    T& operator[](int i) { return m[i]; }
    const T& operator[](int i) const { return m[i]; }
    T& operator()(int r, int c) { return m[4 * r + c]; }
    const T& operator()(int r, int c) const { return m[4 * r + c]; }

    Matrix4x4T operator*(const Matrix4x4T& o) const
    {
        Matrix4x4T res;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                T s = 0;
                for (int k = 0; k < 4; ++k)
                    s += m[4 * r + k] * o.m[4 * k + c];
                res.m[4 * r + c] = s;
            }
        return res;
    }

    // p' = M p, with p taken as (x, y, z, 1) and the last row ignored.
    Vector3T<T> transform(const Vector3T<T>& p) const
    {
        return Vector3T<T>(m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                           m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]);
    }

    bool operator==(const Matrix4x4T& o) const
    {
        for (int i = 0; i < 16; ++i)
            if (m[i] != o.m[i])
                return false;
        return true;
    }
    bool operator!=(const Matrix4x4T& o) const { return !(*this == o); }
};

using Matrix4x4D = Matrix4x4T<double>;

// Right-handed rotation by iRadian about iAxis, used as it stands (not normalised).
inline Matrix4x4T<double> getRotationMatrix(const Vector3T<double>& iAxis, double iRadian)
{
    const double c = std::cos(iRadian);
    const double s = std::sin(iRadian);
    const double t = 1.0 - c;
    const double x = iAxis.x;
    const double y = iAxis.y;
    const double z = iAxis.z;
    Matrix4x4T<double> r;
    r(0, 0) = x * x * t + c;
    r(0, 1) = x * y * t - z * s;
    r(0, 2) = x * z * t + y * s;
    r(1, 0) = x * y * t + z * s;
    r(1, 1) = y * y * t + c;
    r(1, 2) = y * z * t - x * s;
    r(2, 0) = x * z * t - y * s;
    r(2, 1) = y * z * t + x * s;
    r(2, 2) = z * z * t + c;
    return r;
}

#endif
