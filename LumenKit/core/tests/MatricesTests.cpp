#include "LumenKit/core/Matrices.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using lumen::Float3;
using lumen::Float4;
using lumen::Float4x4;
namespace Matrices = lumen::Matrices;

namespace {

void expectNear(Float4 a, Float4 b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

void expectNear(const Float4x4& a, const Float4x4& b, float tolerance = 1e-5f) {
    for (int c = 0; c < 4; ++c) expectNear(a.columns[c], b.columns[c], tolerance);
}

}  // namespace

TEST(Matrices, MatrixVectorProductIsColumnMajor) {
    const Float4x4 m{{Float4{1, 2, 3, 4}, Float4{5, 6, 7, 8}, Float4{9, 10, 11, 12}, Float4{13, 14, 15, 16}}};
    // Row r of the product is sum over c of columns[c][r] * v[c].
    EXPECT_EQ((m * Float4{1, 0, 0, 0}), (Float4{1, 2, 3, 4}));
    EXPECT_EQ((m * Float4{1, 1, 0, 2}), (Float4{32, 36, 40, 44}));
}

TEST(Matrices, MultiplyAppliesTheRightOperandFirst) {
    const Float4x4 scale{{Float4{2, 0, 0, 0}, Float4{0, 2, 0, 0}, Float4{0, 0, 2, 0}, Float4{0, 0, 0, 1}}};
    const Float4x4 move{{Float4{1, 0, 0, 0}, Float4{0, 1, 0, 0}, Float4{0, 0, 1, 0}, Float4{3, 0, 0, 1}}};
    EXPECT_EQ(Matrices::transformPoint(Matrices::multiply(scale, move), {1, 1, 1}), (Float4{8, 2, 2, 1}));
    EXPECT_EQ(Matrices::transformPoint(Matrices::multiply(move, scale), {1, 1, 1}), (Float4{5, 2, 2, 1}));
    EXPECT_EQ(Matrices::multiply(Float4x4::identity(), move), move);
}

TEST(Matrices, PerspectiveMatchesHandComputedColumns) {
    // fov 90 degrees: ys = 1; aspect 2: xs = 0.5; near 1, far 101: far / (near - far) = -1.01.
    const Float4x4 p = Matrices::perspective(std::numbers::pi_v<float> / 2, 2.0f, 1.0f, 101.0f);
    const Float4x4 expected{{Float4{0.5f, 0, 0, 0}, Float4{0, 1, 0, 0}, Float4{0, 0, -1.01f, -1}, Float4{0, 0, -1.01f, 0}}};
    expectNear(p, expected, 1e-6f);
}

TEST(Matrices, PerspectiveMapsNearToZeroAndFarToOneDepth) {
    const float near = 0.5f, far = 40000.0f, fov = 0.7679449f, aspect = 16.0f / 9.0f;
    const Float4x4 p = Matrices::perspective(fov, aspect, near, far);

    const Float4 atNear = Matrices::transformPoint(p, {0, 0, -near});
    EXPECT_NEAR(atNear.z / atNear.w, 0.0f, 1e-6f);
    const Float4 atFar = Matrices::transformPoint(p, {0, 0, -far});
    EXPECT_NEAR(atFar.z / atFar.w, 1.0f, 1e-6f);

    // The top and right edges of the field of view land on the edges of clip space.
    const float d = 10.0f;
    const float halfHeight = d * std::tan(fov / 2);
    const Float4 corner = Matrices::transformPoint(p, {halfHeight * aspect, halfHeight, -d});
    EXPECT_NEAR(corner.x / corner.w, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y / corner.w, 1.0f, 1e-5f);
    EXPECT_GT(corner.w, 0.0f);
}

TEST(Matrices, LookAtMatchesHandComputedColumns) {
    // From +x towards the origin: forward -x, side -z, up +y.
    const Float4x4 v = Matrices::lookAt({3, 0, 0}, {0, 0, 0}, {0, 1, 0});
    const Float4x4 expected{{Float4{0, 0, 1, 0}, Float4{0, 1, 0, 0}, Float4{-1, 0, 0, 0}, Float4{0, 0, -3, 1}}};
    expectNear(v, expected, 1e-6f);
}

TEST(Matrices, LookAtPutsEyeAtOriginAndTargetDownNegativeZ) {
    const Float3 eye{1.5f, 2.7f, 8.6f}, target{-0.4f, 2.2f, -5.0f};
    const Float4x4 v = Matrices::lookAt(eye, target, {0, 1, 0});
    expectNear(Matrices::transformPoint(v, eye), {0, 0, 0, 1});
    const Float4 t = Matrices::transformPoint(v, target);
    expectNear(t, {0, 0, -length(target - eye), 1}, 2e-5f);
    // Straight up in the world stays up on screen.
    const Float4 above = Matrices::transformPoint(v, eye + Float3{0, 1, 0});
    EXPECT_GT(above.y, 0.9f);
    EXPECT_NEAR(above.x, 0.0f, 1e-5f);

    // The rotation part keeps lengths and right angles.
    const Float4 ax = v * Float4{1, 0, 0, 0}, ay = v * Float4{0, 1, 0, 0}, az = v * Float4{0, 0, 1, 0};
    EXPECT_NEAR(length(lumen::xyz(ax)), 1.0f, 1e-6f);
    EXPECT_NEAR(length(lumen::xyz(ay)), 1.0f, 1e-6f);
    EXPECT_NEAR(length(lumen::xyz(az)), 1.0f, 1e-6f);
    EXPECT_NEAR(dot(lumen::xyz(ax), lumen::xyz(ay)), 0.0f, 1e-6f);
    EXPECT_NEAR(dot(lumen::xyz(ay), lumen::xyz(az)), 0.0f, 1e-6f);
}
