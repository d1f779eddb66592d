#include "support/ShaderSceneStill.hpp"
#include "support/ShaderSceneTest.hpp"

#include "scenes/earthOrbit/EarthOrbitScene.hpp"

#include "scenekit/SceneError.hpp"

#include "LumenKit/scenes/earth/EarthCamera.hpp"
#include "LumenKit/scenes/earth/EarthSun.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <date/date.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace lumen::app::test {

namespace {

SceneFrame frameAt(SkyState::Instant date, std::map<std::string, std::string> options = {}, double dt = 0.1,
                   Place place = {"", 40.7, -74.0}) {
    SceneFrame frame;
    frame.dt = dt;
    frame.sky = SkyClock::state(date, place, nullptr);
    frame.options.values = std::move(options);
    return frame;
}

SkyState::Instant utc(int y, unsigned m, unsigned d, int h) {
    return ::date::sys_days{::date::year{y} / ::date::month{m} / ::date::day{d}} + std::chrono::hours{h};
}

}  // namespace

using EarthOrbitSceneTest = ShaderSceneTest<EarthOrbitScene>;

// Both maps on the first frame, then one new map every 40 s: by 95 s the maps have changed at 40
// and 80 s, the older slot holds what was the newer map, and the fade is a quarter of the way in.
TEST_F(EarthOrbitSceneTest, CloudMapsChangeEveryFortySeconds) {
    auto scene = make();
    ASSERT_EQ(scene->textures().size(), 4u);
    EXPECT_EQ(scene->cloudMapClock(), -1);
    // Steps of 1/8 s add up exactly, so the 40 s marks fall on ticks.
    const SceneFrame frame = frameAt(utc(2026, 3, 20, 12), {}, 0.125);
    std::uint64_t newer = 0;
    for (int tick = 0; tick <= 760; ++tick) {
        if (tick > 0) scene->update(frame);
        if (tick == 640) newer = scene->textures()[3].serial();
        auto commands = dev().makeCommandBuffer("earth test");
        scene->prepareFrame(commands, frame);
        commands.commit();
    }
    EXPECT_EQ(scene->cloudMapRenders(), 4);
    EXPECT_EQ(scene->cloudSeed(), 3);
    EXPECT_EQ(scene->cloudMapClock(), 80);
    EXPECT_EQ(scene->cloudFade(), 0.375f);
    EXPECT_EQ(scene->textures()[2].serial(), newer);
    EXPECT_EQ(scene->textures()[2].label(), "clouds 0");
    EXPECT_EQ(scene->uniforms(SceneView{}, 8, 8, false).parameters[0].w, scene->cloudFade());
}

// The map follows the belts: the storm tracks and the ITCZ are cloudier than the subtropical
// highs, "few" is sparser than "some", and a good share of the cloud is thin, soft edge.
TEST_F(EarthOrbitSceneTest, CloudMapsFollowTheLatitudeBelts) {
    struct Belt {
        double from, to;  // degrees from the equator
    };
    const Belt itcz{0, 10}, highs{22, 32}, storms{42, 62};
    std::vector<double> totals;
    for (const char* clouds : {"some", "few"}) {
        auto scene = make();
        const SceneFrame frame = frameAt(utc(2026, 3, 20, 12), {{"clouds", clouds}});
        scene->update(frame);
        auto commands = dev().makeCommandBuffer("earth test");
        scene->prepareFrame(commands, frame);
        commands.commit();
        const auto& map = scene->textures()[EarthOrbitScene::newerCloudIndex];
        const auto bytes = map.readBytes();
        ASSERT_TRUE(bytes);
        const int w = map.width(), h = map.height();
        auto mean = [&](Belt belt) {
            double sum = 0;
            int n = 0;
            for (int y = 0; y < h; ++y) {
                const double latitude = std::abs(90.0 - (y + 0.5) * 180.0 / h);
                if (latitude < belt.from || latitude >= belt.to) continue;
                for (int x = 0; x < w; ++x, ++n) sum += (*bytes)[static_cast<std::size_t>(y * w + x)];
            }
            return sum / n / 255.0;
        };
        EXPECT_GT(mean(storms), mean(highs) * 2.0) << clouds;
        EXPECT_GT(mean(itcz), mean(highs) * 1.3) << clouds;
        int thin = 0, cloudy = 0;
        for (const auto value : *bytes) {
            thin += value > 25 && value < 200;
            cloudy += value > 25;
        }
        EXPECT_GT(thin, cloudy * 2 / 5) << clouds;
        totals.push_back(mean({0, 90}));
    }
    EXPECT_LT(totals[1], totals[0] * 0.9);
    EXPECT_GT(totals[0], 0.15);
    EXPECT_LT(totals[0], 0.5);
}

// The camera and the sun reach the shader as the model computes them for the sky's place and time.
TEST_F(EarthOrbitSceneTest, CameraAndSunReachTheShader) {
    for (const char* view : {"orbit", "globe"}) {
        auto scene = make();
        const SceneFrame frame = frameAt(utc(2026, 6, 21, 18), {{"view", view}});
        for (int i = 0; i < 5; ++i) scene->update(frame);
        SceneView sceneView;
        sceneView.displayIndex = 1;
        const auto u = scene->uniforms(sceneView, 8, 8, false);
        const auto camera = earth::EarthCamera::make(view, scene->clock(), 1, 40.7, -74.0, {0, 0});
        EXPECT_EQ(xyz(u.parameters[0]), camera.position) << view;
        EXPECT_EQ(xyz(u.parameters[1]), camera.forward) << view;
        EXPECT_EQ(u.parameters[2].w, view == std::string("globe") ? 1.0f : 0.0f);
        auto commands = dev().makeCommandBuffer("earth test");
        const gpu::Texture target = renderTarget(8, 8);
        gpu::RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &target, .loadAction = gpu::LoadAction::dontCare,
                                    .storeAction = gpu::StoreAction::store};
        auto encoder = commands.renderEncoder(pass, "earth test");
        ASSERT_TRUE(encoder);
        scene->bindResources(*encoder, sceneView);
        encoder->endEncoding();
        commands.commit();
        EXPECT_EQ(xyz(scene->lastDataBlock()[0]), earth::EarthSun::direction(frame.sky.date));
    }
}

// Without its images the scene refuses to be made, naming the image, and logs why; the host then
// falls back to another scene.
TEST_F(EarthOrbitSceneTest, MissingOrBrokenImagesFailConstruction) {
    const auto folder = std::filesystem::temp_directory_path() / "earth-orbit-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const SceneContext context{gpu(), info, 1};
    auto attempt = [&] {
        const SceneError error = thrownBy([&] { ShaderScene::make<EarthOrbitScene>(context, folder); });
        EXPECT_EQ(error.kind(), SceneError::Kind::resource);
        return error.subject();
    };
    EventCapture log;
    EXPECT_EQ(attempt(), "earth-day");
    EXPECT_TRUE(log.saw("earthOrbit: the image " + (folder / "earth-day.jpg").string() + " is missing"));
    std::ofstream(folder / "earth-day.jpg") << "not a picture";
    EXPECT_EQ(attempt().rfind("earth-day: ", 0), 0u);
    std::filesystem::copy_file(EarthOrbitScene::defaultImageFolder() / "earth-day.jpg", folder / "earth-day.jpg",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(attempt(), "earth-night");
    std::filesystem::remove_all(folder);
}

// From orbit over Paris: at local noon a bright, blue-dominated day; at midnight, with few
// clouds, a dark Earth whose bright pixels are the warm city lights.
TEST_F(EarthOrbitSceneTest, DayAndNightLookTheirPart) {
    struct Case {
        SkyState::Instant date;
        const char* clouds;
        double minMean, maxMean;
    };
    const Case cases[] = {{utc(2026, 3, 20, 12), "some", 45, 150}, {utc(2026, 3, 20, 0), "few", 2, 30}};
    std::vector<std::array<double, 3>> colours;
    std::vector<int> warmPixels;
    for (const auto& c : cases) {
        auto scene = make();
        const SceneFrame frame = frameAt(c.date, {{"clouds", c.clouds}}, 0, {"", 48.9, 2.35});
        scene->prewarm(frame, 0.1);
        const auto still = renderStill(*scene, 192, 108, frame);
        ASSERT_TRUE(still);
        const double mean = meanBrightness(*still);
        EXPECT_GT(mean, c.minMean);
        EXPECT_LT(mean, c.maxMean);
        colours.push_back(meanColour(*still));
        // Warm, bright pixels on the ground below the horizon: the lights.
        int warm = 0;
        for (int y = still->height * 2 / 3; y < still->height; ++y) {
            for (int x = 0; x < still->width; ++x) {
                const auto p = still->pixel(x, y);
                warm += p[0] > 60 && p[0] > p[2] * 1.3;
            }
        }
        warmPixels.push_back(warm);
    }
    EXPECT_GT(colours[0][2], colours[0][0]);  // the day is blue: ocean, haze and limb
    EXPECT_GT(warmPixels[1], 30);  // sodium-warm city lights at night
}

}  // namespace lumen::app::test
