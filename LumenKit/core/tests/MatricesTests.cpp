#include "LumenKit/core/Matrices.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using lumen::Float3;
using lumen::Float4;
using lumen::Float4x4;
namespace Matrices = lumen::Matrices;

namespace {

void expectNear(Float4 a, Float4 b, float tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

}  // namespace

// Depth runs from 0 at the near plane to 1 at the far plane, as the GPU depth range is set up.
TEST(Matrices, PerspectiveMapsTheFrustumOntoClipSpace) {
    // fov 90 degrees: ys = 1; aspect 2: xs = 0.5; near 1, far 101: far / (near - far) = -1.01.
    const Float4x4 p = Matrices::perspective(std::numbers::pi_v<float> / 2, 2.0f, 1.0f, 101.0f);
    const Float4 columns[] = {{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1.01f, -1}, {0, 0, -1.01f, 0}};
    for (int c = 0; c < 4; ++c) expectNear(p.columns[c], columns[c], 1e-6f);
    const float near = 0.5f, far = 40000.0f, fov = 0.7679449f, aspect = 16.0f / 9.0f;
    const Float4x4 q = Matrices::perspective(fov, aspect, near, far);
    const Float4 atNear = Matrices::transformPoint(q, {0, 0, -near}), atFar = Matrices::transformPoint(q, {0, 0, -far});
    EXPECT_NEAR(atNear.z / atNear.w, 0.0f, 1e-6f);
    EXPECT_NEAR(atFar.z / atFar.w, 1.0f, 1e-6f);
    const float halfHeight = 10.0f * std::tan(fov / 2);
    const Float4 corner = Matrices::transformPoint(q, {halfHeight * aspect, halfHeight, -10.0f});
    EXPECT_NEAR(corner.x / corner.w, 1.0f, 1e-5f);  // the edges of the view land on the edges of clip space
    EXPECT_NEAR(corner.y / corner.w, 1.0f, 1e-5f);
}

TEST(Matrices, LookAtPutsTheEyeAtTheOriginLookingDownMinusZ) {
    const Float3 eye{1.5f, 2.7f, 8.6f}, target{-0.4f, 2.2f, -5.0f};
    const Float4x4 w = Matrices::multiply(Float4x4::identity(), Matrices::lookAt(eye, target, {0, 1, 0}));
    expectNear(Matrices::transformPoint(w, eye), {0, 0, 0, 1}, 1e-5f);
    expectNear(Matrices::transformPoint(w, target), {0, 0, -length(target - eye), 1}, 2e-5f);
    const Float4 above = Matrices::transformPoint(w, eye + Float3{0, 1, 0});
    EXPECT_GT(above.y, 0.9f);  // straight up in the world stays up on screen
    EXPECT_NEAR(above.x, 0.0f, 1e-5f);
}
