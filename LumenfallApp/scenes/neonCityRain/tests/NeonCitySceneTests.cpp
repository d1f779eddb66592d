#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/neonCityRain/NeonAtlas.hpp"
#include "scenes/neonCityRain/NeonCityScene.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <cmath>
#include <filesystem>

namespace lumen::app::test {

namespace {

using Option = std::optional<std::string>;

SkyState skyAt(double hour) {
    const SkyState::Instant day{std::chrono::duration<double>(1'780'000'000.0)};
    return SkyClock::state(day, hour, Place{"", 51.5, -0.1}, nullptr);
}

SceneFrame frameAt(double hour, std::map<std::string, std::string> options) {
    SceneFrame frame;
    frame.sky = skyAt(hour);
    frame.options.values = std::move(options);
    frame.clock = 40;
    return frame;
}

}  // namespace

using NeonCitySceneTest = ShaderSceneTest<NeonCityScene>;

// The street is seeded and the atlas drawn the same way each time; the data block follows the
// signs, with blades reaching into the street from their facade. The atlas is saved for people.
TEST_F(NeonCitySceneTest, BuildsTheSameSignsAtlasAndDataBlockEveryTime) {
    auto a = make(), b = make();
    EXPECT_EQ(a->signs(), b->signs());
    EXPECT_EQ(a->atlasRects(), b->atlasRects());
    EXPECT_EQ(a->signData(), b->signData());
    ASSERT_EQ(a->signData().size(), 56u);
    ASSERT_EQ(a->textures().size(), 1u);
    EXPECT_EQ(a->textures()[0].mipmapLevelCount(), 12);
    const auto& d = a->signData();
    EXPECT_EQ(d[0], (Float4{-7, a->signs()[0].bottom, -15, 0}));           // NOODLES, left blade
    EXPECT_EQ(d[4].x, 7 - 3.4f);                                          // HOTEL, right blade
    EXPECT_EQ(d[8].x, -7);                                                // OPEN 24H, left wall
    EXPECT_EQ(d[13], (Float4{a->signs()[3].width, 1.4f, a->signs()[3].flicker, 0}));  // KARAOKE
    EXPECT_EQ(d[4 * 6 + 1].w, 1);                                         // RAMEN stands vertical
    EXPECT_EQ(d[4 * 9 + 3], (Float4{1.0f, 0.12f, 0.45f, 1}));             // DINER's colour
    // RAMEN and DINER: five stacked letters make a cell 5 x 120 + 72 pixels high.
    for (int i : {6, 9}) EXPECT_NEAR((d[4 * i + 2].w - d[4 * i + 2].y) * 2048, 672, 1e-3) << i;

    const auto atlas = NeonAtlas::draw(a->signs());
    ASSERT_TRUE(atlas);
    const auto level0 = a->textures()[0].readBytes();
    ASSERT_TRUE(level0.ok());
    EXPECT_TRUE(std::equal(level0->begin(), level0->end(), atlas->image.constBits()));
    const auto path = std::filesystem::path(::testing::TempDir()) / "neonCityRain-atlas.png";
    EXPECT_TRUE(atlas->image.save(QString::fromStdString(path.string()))) << path;
}

// Night pins the hour and the sun; "clock" shows the frame's sky. Rain strength, sway, eye height
// and each display's stretch of street reach the shader.
TEST_F(NeonCitySceneTest, SkyPinRainAndDisplaysFollowTheOptions) {
    const std::pair<Option, float> rains[] = {
        {"light", 0.45f}, {"heavy", 1.0f}, {"steady", 0.7f}, {"drizzle", 0.7f}, {std::nullopt, 0.7f}};
    for (const auto& [option, strength] : rains) EXPECT_EQ(NeonCityScene::rainStrength(option), strength);

    auto scene = make();
    for (const auto& [options, pinned] : {std::pair{std::map<std::string, std::string>{}, true},
                                          {{{"time", "night"}}, true}, {{{"time", "clock"}}, false}}) {
        SceneFrame frame = frameAt(12, options);
        frame.dt = 0.1;
        scene->update(frame);
        SkyState expected = frame.sky;
        if (pinned) {
            expected.hour = 23;
            expected.sunElevation = -30;
        }
        EXPECT_EQ(scene->sky(), expected) << pinned;
    }
    const double clock = scene->clock();
    for (const auto& [display, offset] : {std::pair{0, 0.0f}, {1, -30.0f}, {2, -60.0f}}) {
        const SceneView view{.displayIndex = display, .parallax = {0.5f, -1.0f}};
        const auto u = scene->uniforms(view, 8, 8, false);
        EXPECT_FLOAT_EQ(u.parameters[0].x, float(0.15 * std::sin(0.07 * clock)) + 0.25f);
        EXPECT_FLOAT_EQ(u.parameters[0].y, 1.53f);
        EXPECT_EQ(u.parameters[0].z, offset);
        EXPECT_EQ(std::signbit(u.parameters[0].z), display != 0);  // display 0 looks at +0
        EXPECT_EQ(u.parameters[0].w, 0.7f);
        EXPECT_EQ(u.parameters[1], (Float4{14, 0, 0, 0}));
    }
}

// At night the street is dark but the signs' colours fill the road; on a rainy day it is a grey,
// brighter street where the neon no longer dominates.
TEST_F(NeonCitySceneTest, NightNeonColoursTheRoadAndDayIsGrey) {
    std::array<std::array<double, 3>, 2> road{};
    std::array<double, 2> mean{};
    for (int day = 0; day < 2; ++day) {
        auto scene = make();
        const SceneFrame frame = frameAt(day ? 12 : 22, {{"time", day ? "clock" : "night"}});
        scene->update(frame);
        const auto still = renderStill(*scene, 240, 136, frame);
        ASSERT_TRUE(still);
        mean[day] = meanBrightness(*still);
        std::array<double, 3> sum{};
        for (int y = still->height * 3 / 4; y < still->height; ++y)
            for (int x = still->width / 4; x < still->width * 3 / 4; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += still->pixel(x, y)[c];
        road[day] = sum;
    }
    EXPECT_GT(mean[0], 8);
    EXPECT_LT(mean[0], 70);
    EXPECT_GT(mean[1], mean[0] * 1.6);
    auto spread = [](const std::array<double, 3>& c) {
        return (std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]})) / std::max({c[0], c[1], c[2]});
    };
    EXPECT_GT(spread(road[0]), 0.12);  // tinted by reflections
    EXPECT_LT(spread(road[1]), spread(road[0]));
}

}  // namespace lumen::app::test
