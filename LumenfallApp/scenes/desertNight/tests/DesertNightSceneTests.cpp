#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/desertNight/DesertNightScene.hpp"

#include <cmath>
#include <tuple>

namespace lumen::app::test {

namespace {

SceneFrame nightFrame(const std::string& sky, double latitude, double hoursAfterEpoch = 0) {
    SceneFrame frame;
    frame.dt = 0.1;
    frame.options.values = {{"sky", sky}};
    frame.sky.latitude = latitude;
    frame.sky.longitude = 20;
    frame.sky.date = SkyState::Instant(std::chrono::duration<double>(1.8e9 + hoursAfterEpoch * 3600));
    frame.sky.sunElevation = -40;
    return frame;
}

double elevationOf(Float4 v) { return CelestialFrame::degrees(std::asin(v.y)); }

// Mean of the channels over rows [top, bottom) as fractions of the height.
std::array<double, 3> regionColour(const gpu::ImageRGBA8& image, double top, double bottom) {
    std::array<double, 3> sum{};
    int count = 0;
    for (int y = int(top * image.height); y < int(bottom * image.height); ++y) {
        for (int x = 0; x < image.width; ++x, ++count) {
            const auto p = image.pixel(x, y);
            for (int c = 0; c < 3; ++c) sum[c] += p[c];
        }
    }
    for (double& s : sum) s /= count;
    return sum;
}

}  // namespace

class DesertNightSceneTest : public ShaderSceneTest<DesertNightScene> {
protected:
    // The star basis handed to the shader after one tick of `frame`.
    std::array<Float4, 4> basisAfter(const SceneFrame& frame, int display = 0) {
        auto scene = make();
        scene->update(frame);
        const auto u = scene->uniforms(SceneView{.displayIndex = display}, 8, 8, false);
        return {u.parameters[0], u.parameters[1], u.parameters[2], u.parameters[3]};
    }
};

// "best" holds the core near the meridian and the latitude within reach of it; "real" uses both
// as they are; the darkest sky is a thin moon low in the east-north-east.
TEST_F(DesertNightSceneTest, StarClockAndBestNight) {
    SkyState sky;
    const std::tuple<double, double, double, double> best[] = {
        {60, 0, 45, 266.405}, {-50, 0, -35, 266.405}, {20, 300, 20, 272.405}, {45, 900, 45, 260.405}};
    for (const auto& [latitude, clock, used, sidereal] : best) {
        sky.latitude = latitude;
        const auto stars = DesertNightScene::starClock(true, sky, clock);
        EXPECT_NEAR(stars.latitude, used, 1e-9) << latitude;
        EXPECT_NEAR(stars.siderealTime, sidereal, 1e-9) << clock;
    }
    EXPECT_EQ(nightFrame("best", 60).sky.latitude, 60);
    EXPECT_EQ(basisAfter(nightFrame("best", 60))[2], basisAfter(nightFrame("best", 45))[2]);
    EXPECT_EQ(basisAfter(nightFrame("best", -50))[0], basisAfter(nightFrame("best", -35))[0]);
    EXPECT_NE(basisAfter(nightFrame("real", 60))[2], basisAfter(nightFrame("real", 45))[2]);

    auto scene = make();
    scene->update(nightFrame("best", 30));
    EXPECT_EQ(scene->sky().sunElevation, -30);
    EXPECT_EQ(scene->sky().moonElevation, 11);
    EXPECT_EQ(scene->sky().moonAzimuth, 82);
    EXPECT_FLOAT_EQ(scene->sky().moonPhase, 0.2f);
    EXPECT_FLOAT_EQ(scene->sky().moonIllumination, 0.35f);
    scene->update(nightFrame("real", 30));
    EXPECT_EQ(scene->sky().sunElevation, -40);
}

// The pole stands at the latitude over the north point; the equator turns with sidereal time.
TEST_F(DesertNightSceneTest, RealSkyTurnsWithTimeAndPlace) {
    const auto equator = basisAfter(nightFrame("real", 0));
    EXPECT_NEAR(equator[2].x, 0, 1e-5);
    EXPECT_NEAR(equator[2].y, 0, 1e-5);
    EXPECT_NEAR(equator[2].z, 1, 1e-5);  // north, behind a south-looking view
    const auto pole = basisAfter(nightFrame("real", 90));
    EXPECT_NEAR(pole[2].y, 1, 1e-5);
    for (double latitude : {30.0, -20.0}) {
        const auto now = basisAfter(nightFrame("real", latitude));
        const auto later = basisAfter(nightFrame("real", latitude, 6));
        EXPECT_NEAR(elevationOf(now[2]), latitude, 1e-3);
        EXPECT_NEAR(elevationOf(later[2]), latitude, 1e-3);
        // Six hours on, 0 h has turned a quarter of the way west: it stands where 18 h stood
        // (within the 1.5 degrees sidereal time gains on the clock).
        auto dot = [](Float4 a, Float4 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
        EXPECT_NEAR(dot(now[0], later[0]), 0, 0.1);
        EXPECT_LT(dot(now[1], later[0]), -0.99);
    }
}

// Displays look south, then alternately 70 degrees east and west of it; meteors are spaced by the
// option and stop with reduced motion.
TEST_F(DesertNightSceneTest, BearingsAndMeteors) {
    const std::pair<int, double> bearings[] = {{0, 180}, {1, 110}, {2, 250}, {3, 110}, {4, 250}};
    for (const auto& [display, bearing] : bearings) {
        EXPECT_EQ(DesertNightScene::viewingBearing(display), bearing);
        EXPECT_NEAR(basisAfter(nightFrame("best", 30), display)[3].x, CelestialFrame::radians(bearing), 1e-6);
    }
    using Option = std::optional<std::string>;
    const std::tuple<Option, bool, double> intervals[] = {{"often", false, 4}, {"often", true, 0},
                                                          {"sometimes", false, 11}, {"off", false, 0},
                                                          {std::nullopt, false, 11}, {"sometimes", true, 0}};
    for (const auto& [option, reduced, seconds] : intervals) {
        EXPECT_EQ(DesertNightScene::meteorInterval(option, reduced), seconds);
    }
    SceneFrame frame = nightFrame("best", 30);
    frame.options.values["meteors"] = "often";
    frame.reduceMotion = true;
    EXPECT_EQ(basisAfter(frame)[0].w, 0);
}

// Night: a dark blue-black sky over moonlit sand that is not black. Day ("real"): blue sky over
// warm sand.
TEST_F(DesertNightSceneTest, NightAndDayStills) {
    auto night = make();
    night->update(nightFrame("best", 30));
    const auto dark = renderStill(*night, 192, 108, nightFrame("best", 30));
    ASSERT_TRUE(dark);
    const auto sky = regionColour(*dark, 0.0, 0.4);
    const auto sand = regionColour(*dark, 0.8, 1.0);
    EXPECT_LT(sky[0] + sky[1] + sky[2], 3 * 60.0);
    EXPECT_GT(sky[2], sky[0]);
    EXPECT_GT(sand[0] + sand[1] + sand[2], 3 * 10.0);

    SceneFrame noon = nightFrame("real", 30);
    noon.sky.sunElevation = 60;
    noon.sky.sunAzimuth = 180;
    auto day = make();
    day->update(noon);
    const auto bright = renderStill(*day, 192, 108, noon);
    ASSERT_TRUE(bright);
    const auto blue = regionColour(*bright, 0.0, 0.4);
    const auto warm = regionColour(*bright, 0.8, 1.0);
    EXPECT_GT(blue[0] + blue[1] + blue[2], 3 * 110.0);
    EXPECT_GT(blue[2], blue[0] * 1.15);
    EXPECT_GT(warm[0], warm[2] * 1.15);
}

}  // namespace lumen::app::test
