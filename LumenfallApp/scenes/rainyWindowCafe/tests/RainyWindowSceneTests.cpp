#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/rainyWindowCafe/RainyWindowScene.hpp"

#include "scenekit/SceneTargets.hpp"

#include <QImage>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <tuple>

namespace lumen::app::test {

namespace {

SceneFrame cafeFrameAt(float sunElevation, std::map<std::string, std::string> options = {}, double dt = 0.1) {
    SceneFrame frame;
    frame.dt = dt;
    frame.sky.sunElevation = sunElevation;
    frame.options.values = std::move(options);
    return frame;
}

SceneView viewOf(const int& token, int width, int height, int display = 0) {
    SceneView view;
    view.id = &token;
    view.width = width;
    view.height = height;
    view.displayIndex = display;
    return view;
}

// Mean absolute difference of two images over a box given in fractions of their size.
double difference(const gpu::ImageRGBA8& a, const gpu::ImageRGBA8& b, float x0, float y0, float x1, float y1) {
    double sum = 0;
    int count = 0;
    for (int y = static_cast<int>(y0 * a.height); y < static_cast<int>(y1 * a.height); ++y) {
        for (int x = static_cast<int>(x0 * a.width); x < static_cast<int>(x1 * a.width); ++x) {
            const auto p = a.pixel(x, y), q = b.pixel(x, y);
            for (int c = 0; c < 3; ++c) sum += std::abs(p[c] - q[c]);
            count += 3;
        }
    }
    return sum / std::max(count, 1);
}

}  // namespace

class RainyWindowSceneTest : public RenderTest {
protected:
    std::unique_ptr<RainyWindowScene> make() { return std::make_unique<RainyWindowScene>(SceneContext{gpu(), info, 1}); }

    void prepare(RainyWindowScene& scene, const SceneView& view, const SceneFrame& frame) {
        auto commands = dev().makeCommandBuffer("rain test");
        scene.prepareView(commands, view, frame);
        commands.commit();
    }

    // Draws a view the scene already prepared, as the host does, and reads it back.
    std::optional<gpu::ImageRGBA8> drawPrepared(RainyWindowScene& scene, const SceneView& view, const SceneFrame& frame) {
        const gpu::Texture colour = renderTarget(view.width, view.height);
        SceneTargets targets;
        if (!targets.make(dev(), view.width, view.height, 1)) return std::nullopt;
        auto commands = dev().makeCommandBuffer("rain still");
        auto encoder = commands.renderEncoder(makeScenePass(colour, nullptr, *targets.depth), "rain still");
        if (!encoder) return std::nullopt;
        scene.draw(*encoder, view, frame);
        encoder->endEncoding();
        commands.commit();
        if (!commands.waitUntilCompleted(60)) return std::nullopt;
        auto image = gpu::readImageRGBA8(dev(), colour);
        if (!image) return std::nullopt;
        return std::move(image.value());
    }

    const SceneInfo info{.id = "rainyWindowCafe", .className = "RainyWindowScene"};
};

// A tiny view gets the smallest layers texture; the first preparation clears it without stepping
// the pre-rolled glass; displays get their own seeds, and so different rain.
TEST_F(RainyWindowSceneTest, PanesPerDisplay) {
    auto scene = make();
    scene->update(cafeFrameAt(-20));
    const int tiny = 0, first = 0, second = 0;
    prepare(*scene, viewOf(tiny, 4, 4), cafeFrameAt(-20));
    const RainPane& pane = *scene->panes().at(&tiny);
    EXPECT_EQ(pane.background->width(), 8);
    EXPECT_EQ(pane.background->height(), 8);
    EXPECT_FALSE(pane.layersFresh);
    EXPECT_EQ(pane.glass.stepCount, 375);
    EXPECT_EQ(RainyWindowScene::layersSize(1920, 1080), std::make_pair(960, 540));
    const int empty = 0;
    prepare(*scene, viewOf(empty, 0, 0), cafeFrameAt(-20));
    EXPECT_EQ(scene->panes().at(&empty)->glass.aspect, 0.2f);
    EXPECT_EQ(scene->panes().at(&empty)->background->width(), 8);

    prepare(*scene, viewOf(first, 160, 90, 0), cafeFrameAt(-20));
    prepare(*scene, viewOf(second, 160, 90, 1), cafeFrameAt(-20));
    const auto& a = scene->panes().at(&first)->glass;
    const auto& b = scene->panes().at(&second)->glass;
    EXPECT_EQ(RainyWindowScene::glassSeed(1), 15838u);
    {
        rainglass::RainGlass expected(16.0f / 9.0f, scene->intensity(), 7919);
        expected.advance(25, 12);
        ASSERT_EQ(a.drops.size(), expected.drops.size());
        EXPECT_EQ(a.drops.back().position, expected.drops.back().position);
    }
    EXPECT_NE(a.drops.front().position, b.drops.front().position);
    scene->releaseView(&first);
    EXPECT_EQ(scene->panes().count(&first), 0u);
}

// Heavy rain flashes, unless motion is reduced; a flash already lit still fades in 0.4 s.
TEST_F(RainyWindowSceneTest, LightningFollowsRainAndReducedMotion) {
    auto scene = make();
    SceneFrame heavy = cafeFrameAt(-20, {{"rain", "heavy"}});
    for (int i = 0; i < 201; ++i) scene->update(heavy);
    EXPECT_TRUE(scene->lightningOn());
    EXPECT_GT(scene->nextLightning(), scene->clock() + 11.5);
    EXPECT_FLOAT_EQ(scene->intensity(), 0.95f);
    heavy.reduceMotion = true;
    scene->update(heavy);
    EXPECT_FALSE(scene->lightningOn());
    const float fading = scene->lightning();
    scene->update(heavy);
    EXPECT_NEAR(scene->lightning(), std::max(fading - 0.25f, 0.0f), 1e-6f);

    auto calm = make();
    SceneFrame reduced = cafeFrameAt(-20, {{"rain", "heavy"}});
    reduced.reduceMotion = true;
    for (int i = 0; i < 400; ++i) calm->update(reduced);
    EXPECT_EQ(calm->lightning(), 0);
    EXPECT_EQ(calm->nextLightning(), 20.0);
}

// The pointer wipes only when it moved more than 0.002 pane units since the last refresh.
TEST_F(RainyWindowSceneTest, SmallPointerMovesDoNotWipe) {
    std::size_t strokes[2] = {};
    for (int moved = 0; moved < 2; ++moved) {
        auto scene = make();
        const int token = 0;
        SceneView view = viewOf(token, 160, 90);
        view.reactsToPointer = true;
        view.pointerActive = true;
        view.pointer = Float2{0, 0};
        scene->update(cafeFrameAt(-20));
        prepare(*scene, view, cafeFrameAt(-20));
        view.pointer = Float2{moved ? 0.2f : 0.001f, 0};
        scene->update(cafeFrameAt(-20));
        prepare(*scene, view, cafeFrameAt(-20));
        strokes[moved] = scene->panes().at(&token)->gpuStrokes.size();
        // Far outside the pane: a stroke the GPU clips, nothing worse.
        view.pointer = Float2{40, -90};
        scene->update(cafeFrameAt(-20));
        prepare(*scene, view, cafeFrameAt(-20));
        EXPECT_TRUE(std::isfinite(scene->panes().at(&token)->gpuStrokes.back().ends.w));
    }
    EXPECT_EQ(strokes[1], strokes[0] + 1);
}

// Night is darker than day and warm; a pointer sweeping the glass changes the picture where it
// wiped and nowhere else.
TEST_F(RainyWindowSceneTest, StillsAndAWipe) {
    const std::tuple<std::string, float, double, double> cases[] = {
        {"street", -20, 20, 110}, {"cafe", -20, 20, 110}, {"street", 30, 70, 190}};
    for (const auto& [view, sun, low, high] : cases) {
        auto scene = make();
        const SceneFrame frame = cafeFrameAt(sun, {{"view", view}});
        scene->prewarm(frame, 2);
        scene->update(frame);
        const auto still = renderStill(*scene, 320, 180, frame);
        ASSERT_TRUE(still.has_value());
        const auto c = meanColour(*still);
        EXPECT_GT(meanBrightness(*still), low) << view << sun;
        EXPECT_LT(meanBrightness(*still), high) << view << sun;
        if (sun < 0) {
            EXPECT_GT(c[0], c[2] * 1.1) << view;
        }
    }

    // A hand wiping a patch clear: three sweeps back and forth, each a little lower.
    std::optional<gpu::ImageRGBA8> stills[2];
    for (int wipe = 0; wipe < 2; ++wipe) {
        auto scene = make();
        const int token = 0;
        SceneView view = viewOf(token, 960, 540);
        view.reactsToPointer = wipe == 1;
        view.pointerActive = true;
        const SceneFrame frame = cafeFrameAt(-20, {{"rain", "light"}});
        for (int i = 0; i <= 48; ++i) {
            const float t = static_cast<float>(i) / 16;
            const float sweep = std::abs(std::fmod(t, 2.0f) - 1.0f);
            view.pointer = Float2{-0.45f + 0.6f * sweep, 0.45f - 0.12f * t};
            scene->update(frame);
            prepare(*scene, view, frame);
        }
        stills[wipe] = drawPrepared(*scene, view, frame);
        ASSERT_TRUE(stills[wipe].has_value());
    }
    EXPECT_GT(difference(*stills[0], *stills[1], 0.3f, 0.32f, 0.55f, 0.5f), 6.0);
    EXPECT_LT(difference(*stills[0], *stills[1], 0.7f, 0.7f, 1.0f, 1.0f), 0.5);
    const char* dir = std::getenv("TMPDIR");
    const auto path = std::filesystem::path(dir ? dir : "/tmp") / "rainyWindowCafe-wipe.png";
    const QImage image(stills[1]->pixels.data(), stills[1]->width, stills[1]->height, QImage::Format_RGBA8888);
    EXPECT_TRUE(image.save(QString::fromStdString(path.string())));
}

}  // namespace lumen::app::test
