#pragma once

#include <array>
#include <cmath>

namespace lumen {

// Small float vectors for the scene models. GPU records use Float4 (16-byte lanes) wherever a
// three-component value sits inside them.
struct Float2 {
    float x = 0, y = 0;
    bool operator==(const Float2&) const = default;
};

struct Float3 {
    float x = 0, y = 0, z = 0;
    bool operator==(const Float3&) const = default;
    constexpr Float3& operator+=(Float3 o) { x += o.x; y += o.y; z += o.z; return *this; }
    constexpr Float3& operator-=(Float3 o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    constexpr Float3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
};

struct Float4 {
    float x = 0, y = 0, z = 0, w = 0;
    bool operator==(const Float4&) const = default;
};

// Column-major 4x4 matrix: columns[c] is column c, as the GPU reads it.
struct Float4x4 {
    std::array<Float4, 4> columns{};
    bool operator==(const Float4x4&) const = default;
    static constexpr Float4x4 identity() {
        return {{Float4{1, 0, 0, 0}, Float4{0, 1, 0, 0}, Float4{0, 0, 1, 0}, Float4{0, 0, 0, 1}}};
    }
};

constexpr Float3 operator+(Float3 a, Float3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Float3 operator-(Float3 a, Float3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Float3 operator-(Float3 a) { return {-a.x, -a.y, -a.z}; }
constexpr Float3 operator*(Float3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Float3 operator*(float s, Float3 a) { return a * s; }
constexpr Float3 operator*(Float3 a, Float3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
constexpr Float3 operator/(Float3 a, float s) { return {a.x / s, a.y / s, a.z / s}; }

constexpr float dot(Float3 a, Float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Float3 cross(Float3 a, Float3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Float3 a) { return std::sqrt(dot(a, a)); }
inline Float3 normalize(Float3 a) { return a / length(a); }

constexpr Float4 float4(Float3 v, float w) { return {v.x, v.y, v.z, w}; }
constexpr Float3 xyz(Float4 v) { return {v.x, v.y, v.z}; }

constexpr Float3 componentMin(Float3 a, Float3 b) {
    return {a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z};
}
constexpr Float3 componentMax(Float3 a, Float3 b) {
    return {a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.z > b.z ? a.z : b.z};
}

constexpr Float2 operator+(Float2 a, Float2 b) { return {a.x + b.x, a.y + b.y}; }
constexpr Float2 operator-(Float2 a, Float2 b) { return {a.x - b.x, a.y - b.y}; }
constexpr Float2 operator-(Float2 a) { return {-a.x, -a.y}; }
constexpr Float2 operator*(Float2 a, float s) { return {a.x * s, a.y * s}; }
constexpr Float2 operator*(float s, Float2 a) { return a * s; }
constexpr Float2 operator*(Float2 a, Float2 b) { return {a.x * b.x, a.y * b.y}; }
constexpr Float2 operator/(Float2 a, float s) { return {a.x / s, a.y / s}; }
constexpr float dot(Float2 a, Float2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Float2 a) { return std::sqrt(dot(a, a)); }

constexpr Float4 operator+(Float4 a, Float4 b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
constexpr Float4 operator*(Float4 a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }

// Column-major product: m * v = sum over columns of column c scaled by v[c].
constexpr Float4 operator*(const Float4x4& m, Float4 v) {
    const auto& c = m.columns;
    return c[0] * v.x + c[1] * v.y + c[2] * v.z + c[3] * v.w;
}
constexpr Float4x4 operator*(const Float4x4& a, const Float4x4& b) {
    return {{a * b.columns[0], a * b.columns[1], a * b.columns[2], a * b.columns[3]}};
}

}  // namespace lumen
