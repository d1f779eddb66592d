#include "LumenKit/sky/CelestialFrame.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace lumen {
namespace {

using namespace CelestialFrame;

// Sidereal time and horizontal coordinates are exercised through the sky clock's sun and moon
// positions; the star fields are oriented by this basis alone.
TEST(CelestialFrame, EquatorialBasisIsOrthonormalWithThePoleAtTheLatitude) {
    EXPECT_EQ(reducedDegrees(-1e-15), 0.0);  // 360 - 1e-15 rounds to 360, which is 0
    // Sidereal time 0 at the equator: 0 h overhead, 6 h rising in the east, the pole on the
    // northern horizon; facing south the east is to the left.
    const EquatorialBasis b = equatorialBasis(0, 0, 0);
    EXPECT_LT(length(b.equatorAt0h - Float3{0, 1, 0}), 1e-5f);
    EXPECT_LT(length(b.equatorAt6h - Float3{1, 0, 0}), 1e-5f);
    EXPECT_LT(length(b.northPole - Float3{0, 0, -1}), 1e-5f);
    EXPECT_LT(length(equatorialBasis(0, 0, 180).equatorAt6h - Float3{-1, 0, 0}), 1e-5f);
    for (double lst : {0.0, 97.0, 266.405}) {
        for (double latitude : {-90.0, -35.0, 40.7, 90.0}) {
            const EquatorialBasis e = equatorialBasis(lst, latitude, 250);
            EXPECT_NEAR(length(e.equatorAt0h), 1, 1e-5f);
            EXPECT_NEAR(dot(e.equatorAt0h, e.equatorAt6h), 0, 1e-5f);
            EXPECT_LT(length(cross(e.equatorAt0h, e.equatorAt6h) - e.northPole), 1e-5f);
            EXPECT_NEAR(e.northPole.y, std::sin(radians(latitude)), 1e-5f);
        }
    }
}

}  // namespace
}  // namespace lumen
