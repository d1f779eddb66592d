#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenekit/SceneError.hpp"
#include "scenekit/ShaderScene.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <chrono>
#include <cmath>

namespace lumen::app::test {

namespace {

// "ProbeFlat" shows, by display index: 1 uniform values, 2 the data vector picked by parameter
// 0.x, 3 texture 0 of the scene, 0 the reciprocal size and the layer flag. It has no layer function.
const char* const probeFlatSource = R"(
#ifdef FRAGMENT_STAGE
layout(binding = 1) uniform sampler2D probeTexture;
void sceneFragment() {
    int mode = int(uTime.w + 0.5);
    fragColor = mode == 1 ? vec4(uParams[3].x, uWeather.w / 10.0, uView.z, uCalendar.y)
              : mode == 2 ? uData[int(uParams[0].x + 0.5)]
              : mode == 3 ? texture(probeTexture, vec2(0.5))
              : vec4(uResolution.z * 16.0, uResolution.w * 16.0, uMoon.w, 1.0);
}
#endif
)";

// "ProbeLayered" writes (parameter 0.x, layer width / 255, 0, layer flag) into the layer and shows
// the layer's red, green and alpha with alpha 1 - the main pass's layer flag.
const char* const probeLayeredSource = R"(
#ifdef FRAGMENT_STAGE
void layerFragment() { fragColor = vec4(uParams[0].x, uResolution.x / 255.0, 0.0, uMoon.w); }
void sceneFragment() {
    vec4 layer = texture(layerTexture, sceneUV);
    fragColor = vec4(layer.r, layer.g, layer.a, 1.0 - uMoon.w);
}
#endif
)";

class ProbeScene final : public ShaderScene {
public:
    std::vector<Float4> params;
    std::vector<Float4> data;
    std::vector<double> advanced;  // the dt of every advance call
    int configured = 0;
    float hourShift = 0;

    std::string shaderName() const override { return name_; }
    float facing() const override { return bearing_; }
    std::optional<LayerSpec> layerSpec() const override { return layering_; }

protected:
    friend class ShaderScene;
    ProbeScene(const SceneContext& context, std::string name, std::optional<LayerSpec> layering, float bearing)
        : ShaderScene(context), name_(std::move(name)), layering_(layering), bearing_(bearing) {}

    void configure(const SceneContext&) override {
        ++configured;
        auto texture = device.makeTexture({.width = 1, .height = 1, .label = "probe"});
        const std::uint8_t texel[4] = {10, 20, 30, 40};
        if (!texture || !texture->replaceRegion({.width = 1, .height = 1}, 0, texel)) {
            throw SceneException(SceneError::resource("probe"));
        }
        addTexture(std::move(texture.value()));
    }
    SkyState skyFor(const SkyState& sky) override {
        SkyState shifted = sky;
        shifted.hour += hourShift;
        return shifted;
    }
    void advance(const SceneFrame& frame) override { advanced.push_back(frame.dt); }
    std::span<const Float4> parameters(const SceneView&) override { return params; }
    std::span<const Float4> dataBlock(const SceneView&) override { return data; }

private:
    std::string name_;
    std::optional<LayerSpec> layering_;
    float bearing_;
};

SceneFrame stepFrame(double dt) {
    SceneFrame frame;
    frame.dt = dt;
    return frame;
}

}  // namespace

class ShaderSceneTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        setSource("ProbeFlat", probeFlatSource);
        setSource("ProbeLayered", probeLayeredSource);
        setSource("ProbeBroken", "#ifdef FRAGMENT_STAGE\nvoid sceneFragment() { fragColor = noSuchColour; }\n#endif\n");
    }
    void TearDown() override {
        for (const char* name : {"ProbeFlat", "ProbeLayered", "ProbeBroken"}) setSource(name, std::nullopt);
    }

    std::unique_ptr<ProbeScene> make(std::string name = "ProbeFlat",
                                     std::optional<ShaderScene::LayerSpec> layering = std::nullopt, float bearing = 180) {
        return ShaderScene::make<ProbeScene>(SceneContext{gpu(), info, 1}, std::move(name), layering, bearing);
    }
    const SceneInfo info{.id = "probe", .className = "ProbeScene"};

    // Encodes one layer pass (when due) for `view`, waits for it and tells whether it rendered.
    bool layerPass(ProbeScene& scene, const SceneView& view, const SceneFrame& frame) {
        const int before = scene.layerRenderCount();
        auto commands = dev().makeCommandBuffer("layer test");
        scene.prepareView(commands, view, frame);
        commands.commit();
        commands.waitUntilCompleted();
        return scene.layerRenderCount() > before;
    }
};

TEST(ShaderSceneRules, PrewarmStepsLayerSizesAndDataVectors) {
    // At most a tenth of a second per step; decimal durations stay whole despite binary rounding.
    const std::pair<double, int> steps[] = {{1.05, 10}, {0.05, 1}, {12.0, 120}, {0.3, 3}, {0, 1}, {-4, 1}, {NAN, 1}};
    for (const auto& [seconds, count] : steps) EXPECT_EQ(ShaderScene::prewarmSteps(seconds), count) << seconds;
    // Scaled down, at least 8 x 8.
    EXPECT_EQ(ShaderScene::layerSize({0.5f, 0}, 0, 0), std::make_pair(8, 8));
    EXPECT_EQ(ShaderScene::layerSize({0.5f, 0}, 1001, 15), std::make_pair(500, 8));
    EXPECT_EQ(ShaderScene::layerSize({0.25f, 0}, 100, 40), std::make_pair(25, 10));
    for (const auto& [count, sent] : {std::pair<std::size_t, std::size_t>{0, 1}, {1, 1}, {256, 256}, {300, 256}}) {
        EXPECT_EQ(ShaderScene::dataVectorsSent(count), sent) << count;
    }
}

// A scene whose shaders cannot be built throws the SceneException the host turns into a fallback.
TEST_F(ShaderSceneTest, ConstructionFailuresAreSceneErrors) {
    EXPECT_EQ(thrownBy([&] { make("ProbeFlat", ShaderScene::LayerSpec{0.5f, 0}); }),
              SceneError::pipeline("shaderSceneVertex/layerFragment"));
    EXPECT_EQ(thrownBy([&] { make("ProbeDoesNotExist"); }), SceneError::missingShader("ProbeDoesNotExist"));
    const auto broken = thrownBy([&] { make("ProbeBroken"); });
    EXPECT_EQ(broken.kind(), SceneError::Kind::shaderCompile);
    EXPECT_EQ(broken.subject(), "Common+ShaderScene+ProbeBroken");
    EXPECT_TRUE(make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 0})->hasLayerPipeline());
}

// The record's rules beyond copying: clocks wrapped to an hour and a day, reciprocals safe at
// zero size, fair weather without a forecast, four parameters at most, the pointer only while the
// view reacts to it, it is active and inside, and the subclass's sky and bearing.
TEST_F(ShaderSceneTest, UniformsFollowTheRecord) {
    auto scene = make("ProbeFlat", std::nullopt, 90);
    EXPECT_EQ(scene->configured, 1);
    scene->hourShift = 1;
    SceneFrame frame = stepFrame(3700.25);
    frame.sky = SkyClock::state(std::chrono::system_clock::now(), 14.5, std::nullopt, nullptr);
    scene->update(frame);
    frame.dt = 86400;
    scene->update(frame);
    for (int i = 0; i < 6; ++i) scene->params.push_back({float(i + 1), 0.5f, -1, 2});
    SceneView view;
    view.displayIndex = 2;
    view.parallax = {0.25f, -0.5f};
    view.pointer = Float2{0.3f, -0.4f};
    view.pointerActive = view.reactsToPointer = true;

    const auto u = scene->uniforms(view, 640, 360, false);
    EXPECT_EQ(u.resolution, (Float4{640, 360, 1.0f / 640, 1.0f / 360}));
    EXPECT_EQ(u.time, (Float4{100.25f, 86400, 3700.25f, 2}));
    EXPECT_EQ(u.weather, (Float4{0.3f, 0, 0, 2.5f}));
    EXPECT_EQ(u.parameters[3], (Float4{4, 0.5f, -1, 2}));
    EXPECT_EQ(u.view, (Float4{0.25f, -0.5f, 0.3f, -0.4f}));
    EXPECT_FLOAT_EQ(u.sky.x, 15.5f);
    EXPECT_EQ(xyz(u.sun), scene->sky().sunDirection(90));
    EXPECT_EQ(u.moon.w, 0);
    EXPECT_EQ(scene->uniforms(view, 64, 36, true).moon.w, 1);
    EXPECT_EQ(scene->uniforms(view, 0, 0, false).resolution, (Float4{0, 0, 1, 1}));
    auto inactive = view, deaf = view, outside = view;
    inactive.pointerActive = false;
    deaf.reactsToPointer = false;
    outside.pointer.reset();
    for (const auto& v : {inactive, deaf, outside}) {
        EXPECT_EQ(scene->uniforms(v, 8, 8, false).view, (Float4{0.25f, -0.5f, 9, 9}));
    }
    scene->params = {{7, 8, 9, 10}};
    EXPECT_EQ(scene->uniforms(view, 8, 8, false).parameters[1], Float4{});
}

TEST_F(ShaderSceneTest, UpdateAndPrewarmAdvanceTheClock) {
    auto scene = make();
    SceneFrame frame = stepFrame(0.05);
    frame.options.values = {{"a", "b"}};
    frame.lowPower = frame.reduceMotion = true;
    scene->update(frame);
    scene->update(frame);
    EXPECT_DOUBLE_EQ(scene->clock(), 0.1);
    EXPECT_EQ(scene->options(), frame.options);
    EXPECT_TRUE(scene->lowPower() && scene->reduceMotion());
    EXPECT_EQ(scene->advanced, (std::vector<double>{0.05, 0.05}));

    scene->advanced.clear();
    scene->prewarm(stepFrame(0), 1.05);
    ASSERT_EQ(scene->advanced.size(), 10u);
    for (double dt : scene->advanced) EXPECT_DOUBLE_EQ(dt, 0.105);
    EXPECT_NEAR(scene->clock(), 1.15, 1e-12);
    EXPECT_FLOAT_EQ(scene->dt(), 0.105f);
}

// What the shader reads arrives at its slots: the uniform record, the data block (at most 256
// vectors, zero after the last one sent, never empty) and the scene's texture.
TEST_F(ShaderSceneTest, TheShaderSeesUniformsDataAndTextures) {
    auto scene = make();
    SceneFrame frame = stepFrame(0);
    frame.weather = WeatherState::sample(WeatherCondition::clear);
    frame.weather->windSpeed = 5;
    frame.sky.dayOfYear = 183;  // (183 - 1) / 365 = 0.4986
    scene->update(frame);
    std::vector<Float4> full(300, Float4{1, 1, 1, 1});
    full[255] = {0.2f, 0.4f, 0.6f, 0.8f};
    SceneView view;
    view.reactsToPointer = view.pointerActive = true;
    view.pointer = Float2{0.75f, 0};
    const struct {
        int mode;
        std::vector<Float4> data;
        std::vector<Float4> params;
        std::size_t sent;
        std::array<int, 4> colour;
    } cases[] = {
        {1, {}, {{}, {}, {}, {0.25f, 0, 0, 0}}, 1, {64, 128, 191, 127}},
        {2, full, {{255, 0, 0, 0}}, 256, {51, 102, 153, 204}},
        {2, {{1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 0.5f}}, {{1, 0, 0, 0}}, 2, {128, 128, 128, 128}},
        {2, {}, {{255, 0, 0, 0}}, 1, {0, 0, 0, 0}},  // nothing of the longer block lingers
        {3, {}, {}, 1, {10, 20, 30, 40}},
        {0, {}, {}, 1, {128, 64, 0, 255}},  // 16 / width, 16 / height, main-pass layer flag 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << ", " << c.data.size() << " vectors");
        scene->data = c.data;
        scene->params = c.params;
        view.displayIndex = c.mode;
        const auto still = renderStill(*scene, 32, 64, frame, view);
        ASSERT_TRUE(still);
        EXPECT_TRUE(near(still->pixel(3, 3), c.colour));
        EXPECT_EQ(scene->lastDataCount(), c.sent);
        for (std::size_t i = c.data.size(); i < ShaderScene::maxDataVectors; ++i) {
            ASSERT_EQ(scene->lastDataBlock()[i], Float4{}) << i;
        }
    }
}

TEST_F(ShaderSceneTest, LayerIsRenderedAtItsScaleAndComposited) {
    auto scene = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 0});
    scene->params = {{0.5f, 0, 0, 0}};
    scene->update(stepFrame(0.1));
    const auto still = renderStill(*scene, 100, 60, stepFrame(0.1));
    ASSERT_TRUE(still);
    // Layer: parameter 0.x, its own width (50), the layer flag; main pass alpha: flag clear.
    EXPECT_TRUE(near(still->pixel(20, 20), {128, 50, 255, 255}));
    EXPECT_TRUE(scene->layers().empty());  // released with the view
}

// A layer costs a pass, so it is drawn only when something changed: a new size, or a clock that
// advanced (by at least 95 % of the interval, when the scene sets one).
TEST_F(ShaderSceneTest, LayerIsRedrawnOnlyWhenItsPictureCanChange) {
    auto scene = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 0});
    const int token = 0;
    SceneView view;
    view.id = &token;
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(0)));  // the first, even at a standstill
    EXPECT_EQ(scene->layers().at(view.id).texture->width(), 8);
    EXPECT_FALSE(layerPass(*scene, view, stepFrame(0)));
    scene->update(stepFrame(1.0 / 30));
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(1.0 / 30)));
    EXPECT_FALSE(layerPass(*scene, view, stepFrame(0)));
    const auto serial = scene->layers().at(view.id).texture->serial();
    view.width = 64;
    view.height = 32;
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(0)));
    EXPECT_NE(scene->layers().at(view.id).texture->serial(), serial);
    EXPECT_EQ(scene->layers().at(view.id).texture->height(), 16);
    scene->releaseView(view.id);
    EXPECT_TRUE(scene->layers().empty());

    auto throttled = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 1.0});
    EXPECT_TRUE(layerPass(*throttled, view, stepFrame(0)));
    for (const auto& [dt, drawn] : {std::pair{0.5, false}, {0.44, false}, {0.02, true}}) {
        throttled->update(stepFrame(dt));
        EXPECT_EQ(layerPass(*throttled, view, stepFrame(dt)), drawn) << throttled->clock();
    }
    EXPECT_DOUBLE_EQ(*throttled->layers().at(view.id).drawnAt, throttled->clock());
}

}  // namespace lumen::app::test
