#ifndef CORE_VECTOR3_H
#define CORE_VECTOR3_H

#include <cmath>

template <typename T>
struct Vector3T
{
    T x = 0;
    T y = 0;
    T z = 0;

    Vector3T() = default;
    Vector3T(T ix, T iy, T iz) : x(ix), y(iy), z(iz) {}
    template <typename U>
    explicit Vector3T(const Vector3T<U>& o) : x(static_cast<T>(o.x)), y(static_cast<T>(o.y)), z(static_cast<T>(o.z))
    {
    }

    T& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    const T& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    Vector3T operator+(const Vector3T& o) const { return Vector3T(x + o.x, y + o.y, z + o.z); }
    Vector3T operator-(const Vector3T& o) const { return Vector3T(x - o.x, y - o.y, z - o.z); }
    Vector3T operator-() const { return Vector3T(-x, -y, -z); }
    Vector3T operator*(T s) const { return Vector3T(x * s, y * s, z * s); }
    Vector3T operator/(T s) const { return Vector3T(x / s, y / s, z / s); }
    Vector3T& operator+=(const Vector3T& o)
    {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vector3T& operator-=(const Vector3T& o)
    {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    Vector3T& operator*=(T s)
    {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    bool operator==(const Vector3T& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector3T& o) const { return !(*this == o); }

    bool isFinite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

    T dot(const Vector3T& o) const { return x * o.x + y * o.y + z * o.z; }
    Vector3T cross(const Vector3T& o) const
    {
        return Vector3T(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
};

template <typename T>
struct Vector4T
{
    T x = 0;
    T y = 0;
    T z = 0;
    T w = 0;

    Vector4T() = default;
    Vector4T(T ix, T iy, T iz, T iw) : x(ix), y(iy), z(iz), w(iw) {}

    T& operator[](int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    const T& operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    bool operator==(const Vector4T& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const Vector4T& o) const { return !(*this == o); }
};

using Vector3F = Vector3T<float>;
using Vector3D = Vector3T<double>;
using Vector4D = Vector4T<double>;

static_assert(sizeof(Vector3T<float>) == 12, "float vectors are stored raw as 12 bytes");

#endif
