#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/fairytaleCastle/FairytaleCastleScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/sky/LocalZone.hpp"

#include <chrono>

namespace lumen::app::test {

namespace {

namespace names = SceneOptionNames::fairytaleCastle;

SceneFrame frameWith(std::map<std::string, std::string> options, float sunElevation = -30) {
    SceneFrame frame;
    frame.dt = 0.1;
    frame.sky.sunElevation = sunElevation;
    frame.sky.moonIllumination = 0.6f;
    frame.options.values = std::move(options);
    return frame;
}

castle::Shell shellWithStars(int stars, float brightness) {
    castle::Shell s;
    s.riseDuration = 1;
    s.life = 2;
    s.starCount = stars;
    s.colorA = s.colorB = {brightness, brightness, brightness};
    return s;
}

}  // namespace

class FairytaleCastleSceneTest : public RenderTest {
protected:
    std::unique_ptr<FairytaleCastleScene> make() {
        return std::make_unique<FairytaleCastleScene>(SceneContext{gpu(), info, 1});
    }
    const SceneInfo info{.id = "fairytaleCastle", .className = "FairytaleCastleScene"};
};

TEST_F(FairytaleCastleSceneTest, OptionsFallBackAndSkyModesFixTheTwilight) {
    auto scene = make();
    struct Case {
        std::map<std::string, std::string> options;
        float sunElevation;
        castle::FireworkPace pace;
        float twilight;
    };
    for (const Case& c : {Case{{}, -40, castle::FireworkPace::sometimes, 0},
                          Case{{{names::fireworks, "rockets"}, {names::sky, "dusk"}}, -2, castle::FireworkPace::sometimes, 1},
                          Case{{{names::fireworks, names::fireworksOften}, {names::sky, names::skyTwilight}}, -60,
                               castle::FireworkPace::often, 1},
                          Case{{{names::fireworks, names::fireworksOff}, {names::sky, names::skyNight}}, 10,
                               castle::FireworkPace::off, 0}}) {
        scene->update(frameWith(c.options, c.sunElevation));
        EXPECT_EQ(scene->pace(), c.pace);
        EXPECT_EQ(scene->twilight(), c.twilight) << c.sunElevation;
    }
}

// Off, or reduced motion: nothing new goes up, and once the last shell is spent nothing is drawn,
// no flash lights the scene (all three slots parked below the ground).
TEST_F(FairytaleCastleSceneTest, OffOrReducedMotionEmptiesTheSky) {
    for (const bool reduce : {false, true}) {
        auto scene = make();
        scene->prewarm(frameWith({{names::fireworks, names::fireworksOften}}), 1);
        ASSERT_GT(scene->shellCount(), 0);
        SceneFrame frame = frameWith({{names::fireworks, reduce ? names::fireworksOften : names::fireworksOff}});
        frame.reduceMotion = reduce;
        const int volleys = scene->scheduler().volleys;
        for (int i = 0; i < 300; ++i) scene->update(frame);
        EXPECT_EQ(scene->scheduler().volleys, volleys);
        EXPECT_EQ(scene->shellCount(), 0);
        EXPECT_EQ(scene->starInstances(), 0);
        const CastleUniforms u = scene->uniforms({}, 64, 32, false);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(u.flashPositions[k].y, -1000);
            EXPECT_EQ(u.flashColors[k].x + u.flashColors[k].y + u.flashColors[k].z, 0);
        }
    }
}

TEST_F(FairytaleCastleSceneTest, PrewarmStepsASecondAndFindsBlooms) {
    auto off = make();
    off->prewarm(frameWith({{names::fireworks, names::fireworksOff}}), 0);
    EXPECT_DOUBLE_EQ(off->clock(), 1.0);
    auto on = make();
    on->prewarm(frameWith({}), 0);
    int blooming = 0;
    for (const castle::Shell& s : on->scheduler().alive(on->clock())) {
        blooming += s.burstAge(on->clock()) > 0.5 && s.burstAge(on->clock()) < 1.6;
    }
    EXPECT_GT(blooming, 1);
}

// Only 40 shells are drawn, but the 41st may still be among the three brightest lights.
TEST_F(FairytaleCastleSceneTest, TheFortyFirstShellLightsButIsNotDrawn) {
    std::vector<castle::Shell> alive(41, shellWithStars(100, 0.2f));
    alive.back() = shellWithStars(150, 1);
    const auto records = CastleRecords::shellRecords(alive, 1.5);
    EXPECT_EQ(records.size(), 40u);
    EXPECT_EQ(CastleRecords::starCount(records), 4000);
    EXPECT_EQ(records[39].info.y, 3900);
    const auto lights = castle::FireworkMath::flashLights(1.5, alive, 3);
    EXPECT_EQ(lights[0].color.x, lights[0].color.y);
    EXPECT_GT(lights[0].color.x, lights[1].color.x * 2);
}

TEST_F(FairytaleCastleSceneTest, ANarrowViewGetsAOnePixelMirror) {
    auto scene = make();
    const SceneFrame frame = frameWith({});
    scene->update(frame);
    int token = 0;
    SceneView view{.id = &token, .width = 3, .height = 40};
    auto commands = dev().makeCommandBuffer("castle test");
    scene->prepareView(commands, view, frame);
    commands.commit();
    ASSERT_EQ(scene->reflections().count(&token), 1u);
    EXPECT_EQ(scene->reflections().at(&token).width(), 1);
    EXPECT_EQ(scene->reflections().at(&token).height(), 20);
    scene->releaseView(&token);
    EXPECT_TRUE(scene->reflections().empty());
}

// The thumbnail: a dark night picture with warm windows and lanterns, never a flat one.
TEST_F(FairytaleCastleSceneTest, NightStillIsDarkWithWarmLights) {
    auto scene = make();
    SceneFrame frame = frameWith({{names::fireworks, names::fireworksOff}});
    frame.sky.moonPhase = 0.4f;
    scene->prewarm(frame, 2);
    scene->update(frame);
    const auto still = renderStill(*scene, 480, 270, frame);
    ASSERT_TRUE(still.has_value());
    const double mean = meanBrightness(*still);
    EXPECT_GT(mean, 8.0);
    EXPECT_LT(mean, 90.0);
    int warm = 0;
    for (std::size_t i = 0; i + 3 < still->pixels.size(); i += 4) {
        const int r = still->pixels[i], g = still->pixels[i + 1], b = still->pixels[i + 2];
        warm += r > 150 && r > g + 25 && g > b + 15;
    }
    EXPECT_GT(warm, 60);
}

}  // namespace lumen::app::test
