#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenekit/SceneError.hpp"
#include "scenekit/ShaderScene.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <chrono>
#include <cstddef>

namespace lumen::app::test {

namespace {

// "ProbeFlat" shows, by display index: 1 uniform values, 2 the data vector picked by parameter
// 0.x, 3 texture 0 of the scene, 4 the reciprocal size and the layer flag.
const char* const probeFlatSource = R"(
#ifdef FRAGMENT_STAGE
layout(binding = 1) uniform sampler2D probeTexture;
void sceneFragment() {
    int mode = int(uTime.w + 0.5);
    if (mode == 1) {
        fragColor = vec4(uParams[3].x, uWeather.w / 10.0, uView.z, uCalendar.y);
    } else if (mode == 2) {
        fragColor = uData[int(uParams[0].x + 0.5)];
    } else if (mode == 3) {
        fragColor = texture(probeTexture, vec2(0.5));
    } else {
        fragColor = vec4(uResolution.z * 16.0, uResolution.w * 16.0, uMoon.w, 1.0);
    }
}
#endif
)";

// "ProbeLayered" writes (parameter 0.x, layer width / 255, 0, layer flag) into the layer and shows
// the layer's red, green and alpha with alpha 1 - the main pass's layer flag.
const char* const probeLayeredSource = R"(
#ifdef FRAGMENT_STAGE
void layerFragment() {
    fragColor = vec4(uParams[0].x, uResolution.x / 255.0, 0.0, uMoon.w);
}
void sceneFragment() {
    vec4 layer = texture(layerTexture, sceneUV);
    fragColor = vec4(layer.r, layer.g, layer.a, 1.0 - uMoon.w);
}
#endif
)";

const char* const probeNoLayerFunctionSource = R"(
#ifdef FRAGMENT_STAGE
void sceneFragment() { fragColor = vec4(1.0); }
#endif
)";

const SceneInfo& probeInfo() {
    static const SceneInfo info{.id = "probe", .className = "ProbeScene"};
    return info;
}

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
        if (!texture) throw SceneException(SceneError::resource("probe"));
        const std::uint8_t texel[4] = {10, 20, 30, 40};
        if (!texture->replaceRegion({.width = 1, .height = 1}, 0, texel)) {
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
        setSource("ProbeNoLayerFunction", probeNoLayerFunctionSource);
    }
    void TearDown() override {
        for (const char* name : {"ProbeFlat", "ProbeLayered", "ProbeNoLayerFunction"}) setSource(name, std::nullopt);
    }

    std::unique_ptr<ProbeScene> make(std::string name = "ProbeFlat",
                                     std::optional<ShaderScene::LayerSpec> layering = std::nullopt, float bearing = 180) {
        return ShaderScene::make<ProbeScene>(SceneContext{gpu(), probeInfo(), 1}, std::move(name), layering, bearing);
    }

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

TEST(ShaderUniformsLayout, TwelveVectorsIn192Bytes) {
    EXPECT_EQ(sizeof(ShaderUniforms), 192u);
    EXPECT_EQ(offsetof(ShaderUniforms, resolution), 0u);
    EXPECT_EQ(offsetof(ShaderUniforms, time), 16u);
    EXPECT_EQ(offsetof(ShaderUniforms, sky), 32u);
    EXPECT_EQ(offsetof(ShaderUniforms, sun), 48u);
    EXPECT_EQ(offsetof(ShaderUniforms, moon), 64u);
    EXPECT_EQ(offsetof(ShaderUniforms, view), 80u);
    EXPECT_EQ(offsetof(ShaderUniforms, calendar), 96u);
    EXPECT_EQ(offsetof(ShaderUniforms, weather), 112u);
    EXPECT_EQ(offsetof(ShaderUniforms, parameters), 128u);
    EXPECT_EQ(sizeof(ShaderUniforms::parameters), 64u);
}

TEST(ShaderSceneRules, PrewarmStepsAreAtMostATenthOfASecond) {
    EXPECT_EQ(ShaderScene::prewarmSteps(1.05), 10);
    EXPECT_EQ(ShaderScene::prewarmSteps(0.05), 1);
    EXPECT_EQ(ShaderScene::prewarmSteps(12.0), 120);
    // Decimal durations stay whole despite binary rounding (0.3 / 0.1 < 3 in doubles).
    EXPECT_EQ(ShaderScene::prewarmSteps(0.3), 3);
    EXPECT_EQ(ShaderScene::prewarmSteps(0), 1);
    EXPECT_EQ(ShaderScene::prewarmSteps(-4), 1);
    EXPECT_EQ(ShaderScene::prewarmSteps(std::nan("")), 1);
}

TEST(ShaderSceneRules, LayerSizeIsScaledWithAnEightPixelMinimum) {
    const ShaderScene::LayerSpec half{0.5f, 0};
    EXPECT_EQ(ShaderScene::layerSize(half, 0, 0), std::make_pair(8, 8));
    EXPECT_EQ(ShaderScene::layerSize(half, 1920, 1080), std::make_pair(960, 540));
    EXPECT_EQ(ShaderScene::layerSize(half, 1001, 15), std::make_pair(500, 8));
    EXPECT_EQ(ShaderScene::layerSize({0.25f, 0}, 100, 40), std::make_pair(25, 10));
}

TEST(ShaderSceneRules, DataBlockSendsOneToTwoHundredFiftySixVectors) {
    EXPECT_EQ(ShaderScene::dataVectorsSent(0), 1u);
    EXPECT_EQ(ShaderScene::dataVectorsSent(1), 1u);
    EXPECT_EQ(ShaderScene::dataVectorsSent(256), 256u);
    EXPECT_EQ(ShaderScene::dataVectorsSent(300), 256u);
}

TEST_F(ShaderSceneTest, ConstructionBuildsPipelinesAndConfiguresOnce) {
    auto flat = make();
    EXPECT_EQ(flat->configured, 1);
    EXPECT_FALSE(flat->hasLayerPipeline());
    EXPECT_EQ(flat->textures().size(), 1u);
    EXPECT_EQ(flat->clock(), 0);
    EXPECT_FALSE(flat->weather());
    EXPECT_TRUE(flat->options().values.empty());
    // The starting sky is today's noon.
    EXPECT_NEAR(flat->sky().hour, 12, 0.01);

    auto layered = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 0});
    EXPECT_TRUE(layered->hasLayerPipeline());
}

TEST_F(ShaderSceneTest, ConstructionFailuresAreSceneErrors) {
    try {
        make("ProbeNoLayerFunction", ShaderScene::LayerSpec{0.5f, 0});
        FAIL() << "a layer without layerFragment was accepted";
    } catch (const SceneException& e) {
        EXPECT_EQ(e.error(), SceneError::pipeline("shaderSceneVertex/layerFragment"));
    }
    try {
        make("ProbeDoesNotExist");
        FAIL() << "a missing shader was accepted";
    } catch (const SceneException& e) {
        EXPECT_EQ(e.error().kind(), SceneError::Kind::missingShader);
    }
    // Without a layer, the missing layer function does not matter.
    EXPECT_NO_THROW(make("ProbeNoLayerFunction"));
}

TEST_F(ShaderSceneTest, UniformsFollowTheRecord) {
    auto scene = make("ProbeFlat", std::nullopt, 90);
    scene->hourShift = 1;
    SceneFrame frame = stepFrame(3700.25);
    const SkyState::Instant date{std::chrono::sys_days{std::chrono::year{2024} / 3 / 15}};
    frame.sky = SkyClock::state(date, 14.5, Place{"", 48.137, 11.575}, nullptr);
    scene->update(frame);

    SceneView view;
    view.displayIndex = 2;
    view.parallax = {0.25f, -0.5f};
    const auto u = scene->uniforms(view, 640, 360, false);
    EXPECT_EQ(u.resolution, (Float4{640, 360, 1.0f / 640, 1.0f / 360}));
    EXPECT_FLOAT_EQ(u.time.x, 100.25f);
    EXPECT_FLOAT_EQ(u.time.y, 3700.25f);
    EXPECT_FLOAT_EQ(u.time.z, 3700.25f);
    EXPECT_EQ(u.time.w, 2);

    const SkyState& sky = scene->sky();
    EXPECT_FLOAT_EQ(sky.hour, 15.5f);  // the subclass's sky transform applies
    EXPECT_EQ(u.sky, (Float4{15.5f, sky.daylight(), sky.sunElevation, sky.moonIllumination}));
    EXPECT_EQ(u.sun, float4(sky.sunDirection(90), sky.moonPhase));
    EXPECT_EQ(u.moon, float4(sky.moonDirection(90), 0));
    EXPECT_NE(xyz(u.sun), sky.sunDirection(180));  // the subclass's bearing is used
    EXPECT_EQ(u.calendar, (Float4{75, 74.0f / 365, 48.137f, 11.575f}));
    EXPECT_EQ(scene->uniforms(view, 64, 36, true).moon.w, 1);

    // Clock modulo a day in z.
    scene->update(stepFrame(90000 - 3700.25));
    EXPECT_FLOAT_EQ(scene->uniforms(view, 1, 1, false).time.z, 3600);
}

TEST_F(ShaderSceneTest, ZeroSizedViewGivesUnitReciprocals) {
    auto scene = make();
    const auto u = scene->uniforms(SceneView{}, 0, 0, false);
    EXPECT_EQ(u.resolution, (Float4{0, 0, 1, 1}));
}

TEST_F(ShaderSceneTest, ParametersBeyondFourAreIgnoredAndMissingOnesZero) {
    auto scene = make();
    for (int i = 0; i < 6; ++i) scene->params.push_back({float(i + 1), 0.5f, -1, 2});
    auto u = scene->uniforms(SceneView{}, 8, 8, false);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(u.parameters[i], (Float4{float(i + 1), 0.5f, -1, 2}));

    scene->params = {{7, 8, 9, 10}};
    u = scene->uniforms(SceneView{}, 8, 8, false);
    EXPECT_EQ(u.parameters[0], (Float4{7, 8, 9, 10}));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(u.parameters[i], Float4{});
}

TEST_F(ShaderSceneTest, PointerCountsOnlyWhenReactingActiveAndPresent) {
    auto scene = make();
    SceneView view;
    view.parallax = {0.1f, 0.2f};
    view.pointer = Float2{0.3f, -0.4f};
    view.pointerActive = true;
    view.reactsToPointer = true;
    EXPECT_EQ(scene->uniforms(view, 8, 8, false).view, (Float4{0.1f, 0.2f, 0.3f, -0.4f}));

    auto inactive = view;
    inactive.pointerActive = false;
    auto deaf = view;
    deaf.reactsToPointer = false;
    auto outside = view;
    outside.pointer.reset();
    for (const auto& v : {inactive, deaf, outside}) {
        EXPECT_EQ(scene->uniforms(v, 8, 8, false).view, (Float4{0.1f, 0.2f, 9, 9}));
    }
}

TEST_F(ShaderSceneTest, WeatherOrFairDefaults) {
    auto scene = make();
    scene->update(stepFrame(0));
    EXPECT_EQ(scene->uniforms(SceneView{}, 8, 8, false).weather, (Float4{0.3f, 0, 0, 2.5f}));

    SceneFrame frame = stepFrame(0);
    frame.weather = WeatherState::sample(WeatherCondition::rain);
    scene->update(frame);
    const auto& w = *frame.weather;
    EXPECT_EQ(scene->uniforms(SceneView{}, 8, 8, false).weather,
              (Float4{w.cloudCover, w.precipitation, w.fog, w.windSpeed}));
    EXPECT_EQ(scene->weather(), frame.weather);
}

TEST_F(ShaderSceneTest, UpdateCopiesTheFrameAndAdvances) {
    auto scene = make();
    SceneFrame frame = stepFrame(0.05);
    frame.options.values = {{"a", "b"}};
    frame.lowPower = true;
    frame.reduceMotion = true;
    scene->update(frame);
    scene->update(frame);
    EXPECT_DOUBLE_EQ(scene->clock(), 0.1);
    EXPECT_FLOAT_EQ(scene->dt(), 0.05f);
    EXPECT_EQ(scene->options(), frame.options);
    EXPECT_TRUE(scene->lowPower());
    EXPECT_TRUE(scene->reduceMotion());
    EXPECT_EQ(scene->advanced, (std::vector<double>{0.05, 0.05}));
}

TEST_F(ShaderSceneTest, PrewarmRunsTenthOfASecondSteps) {
    auto scene = make();
    scene->prewarm(stepFrame(0), 1.05);
    ASSERT_EQ(scene->advanced.size(), 10u);
    for (double dt : scene->advanced) EXPECT_DOUBLE_EQ(dt, 0.105);
    EXPECT_NEAR(scene->clock(), 1.05, 1e-12);
    EXPECT_FLOAT_EQ(scene->dt(), 0.105f);

    scene->advanced.clear();
    scene->prewarm(stepFrame(0), 0.05);
    EXPECT_EQ(scene->advanced, std::vector<double>{0.05});
    EXPECT_NEAR(scene->clock(), 1.1, 1e-12);
}

TEST_F(ShaderSceneTest, DataBlockIsCappedPaddedAndNeverEmpty) {
    auto scene = make();
    for (int i = 0; i < 300; ++i) scene->data.push_back({float(i), 1, 2, 3});
    SceneView view;
    view.displayIndex = 2;  // the probe shows uData[parameter 0.x]
    scene->params = {{255, 0, 0, 0}};

    // Vector 255 is the last one sent; its colour reaches the shader.
    scene->data[255] = {0.2f, 0.4f, 0.6f, 0.8f};
    auto still = renderStill(*scene, 4, 4, stepFrame(0), &view);
    ASSERT_TRUE(still);
    EXPECT_EQ(scene->lastDataCount(), 256u);
    EXPECT_EQ(scene->lastDataBlock()[0], (Float4{0, 1, 2, 3}));
    EXPECT_EQ(scene->lastDataBlock()[255], (Float4{0.2f, 0.4f, 0.6f, 0.8f}));
    EXPECT_TRUE(near(still->image.pixel(1, 1), {51, 102, 153, 204}));

    // An empty block is one zero vector, and nothing of the earlier block lingers.
    scene->data.clear();
    still = renderStill(*scene, 4, 4, stepFrame(0), &view);
    ASSERT_TRUE(still);
    EXPECT_EQ(scene->lastDataCount(), 1u);
    for (const auto& v : scene->lastDataBlock()) ASSERT_EQ(v, Float4{});
    EXPECT_TRUE(near(still->image.pixel(1, 1), {0, 0, 0, 0}));

    // A short block is padded with zeros after its last vector.
    scene->data = {{1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 0.5f}};
    scene->params = {{1, 0, 0, 0}};
    still = renderStill(*scene, 4, 4, stepFrame(0), &view);
    ASSERT_TRUE(still);
    EXPECT_EQ(scene->lastDataCount(), 2u);
    EXPECT_EQ(scene->lastDataBlock()[2], Float4{});
    EXPECT_TRUE(near(still->image.pixel(1, 1), {128, 128, 128, 128}));
}

TEST_F(ShaderSceneTest, UniformsAndTexturesReachTheShader) {
    auto scene = make();
    SceneFrame frame = stepFrame(0);
    frame.weather = WeatherState::sample(WeatherCondition::clear);
    frame.weather->windSpeed = 5;
    frame.sky.dayOfYear = 183;  // (183 - 1) / 365 = 0.4986
    scene->update(frame);
    scene->params = {{}, {}, {}, {0.25f, 0, 0, 0}};
    SceneView view;
    view.displayIndex = 1;
    view.reactsToPointer = view.pointerActive = true;
    view.pointer = Float2{0.75f, 0};
    auto still = renderStill(*scene, 8, 8, frame, &view);
    ASSERT_TRUE(still);
    EXPECT_TRUE(near(still->image.pixel(3, 3), {64, 128, 191, 127}));

    view.displayIndex = 3;  // texture 0 at slot 1
    still = renderStill(*scene, 8, 8, frame, &view);
    ASSERT_TRUE(still);
    EXPECT_TRUE(near(still->image.pixel(3, 3), {10, 20, 30, 40}));

    view.displayIndex = 0;  // 16 / width, 16 / height, main-pass layer flag 0
    still = renderStill(*scene, 32, 64, frame, &view);
    ASSERT_TRUE(still);
    EXPECT_TRUE(near(still->image.pixel(5, 5), {128, 64, 0, 255}));
}

TEST_F(ShaderSceneTest, LayerIsRenderedAndComposited) {
    auto scene = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 0});
    scene->params = {{0.5f, 0, 0, 0}};
    scene->update(stepFrame(0.1));
    auto still = renderStill(*scene, 100, 60, stepFrame(0.1));
    ASSERT_TRUE(still);
    EXPECT_EQ(still->layerWidth, 50);
    EXPECT_EQ(still->layerHeight, 30);
    // Layer: parameter 0.x, its own width (50), the layer flag; main pass alpha: flag clear.
    EXPECT_TRUE(near(still->image.pixel(20, 20), {128, 50, 255, 255}));
    EXPECT_TRUE(scene->layers().empty());  // released by the helper
}

TEST_F(ShaderSceneTest, LayerRedrawRule) {
    auto scene = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 0});
    const int token = 0;
    SceneView view;
    view.id = &token;
    view.width = 0;
    view.height = 0;

    // First pass: an 8 x 8 layer for a 0 x 0 view, drawn even at a standstill.
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(0)));
    const auto& layer = scene->layers().at(view.id);
    ASSERT_TRUE(layer.texture);
    EXPECT_EQ(layer.texture->width(), 8);
    EXPECT_EQ(layer.texture->height(), 8);
    EXPECT_EQ(layer.drawnAt, 0.0);

    // Paused: the same clock and no step draws nothing.
    EXPECT_FALSE(layerPass(*scene, view, stepFrame(0)));
    // Interval 0: every tick that advances the clock draws.
    for (int i = 0; i < 3; ++i) {
        scene->update(stepFrame(1.0 / 30));
        EXPECT_TRUE(layerPass(*scene, view, stepFrame(1.0 / 30)));
    }
    // A step of 0 with an unchanged clock after them: still nothing.
    EXPECT_FALSE(layerPass(*scene, view, stepFrame(0)));

    // A new size makes a new texture and draws it, paused or not.
    const auto serial = scene->layers().at(view.id).texture->serial();
    view.width = 64;
    view.height = 32;
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(0)));
    EXPECT_NE(scene->layers().at(view.id).texture->serial(), serial);
    EXPECT_EQ(scene->layers().at(view.id).texture->width(), 32);
    EXPECT_EQ(scene->layers().at(view.id).texture->height(), 16);

    scene->releaseView(view.id);
    EXPECT_TRUE(scene->layers().empty());
    scene->releaseView(view.id);  // a view it no longer knows: nothing happens
}

TEST_F(ShaderSceneTest, LayerIntervalThrottlesRedraws) {
    auto scene = make("ProbeLayered", ShaderScene::LayerSpec{0.5f, 1.0});
    const int token = 0;
    SceneView view;
    view.id = &token;
    view.width = view.height = 32;
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(0)));
    scene->update(stepFrame(0.5));
    EXPECT_FALSE(layerPass(*scene, view, stepFrame(0.5)));  // 0.5 < 0.95 x 1
    scene->update(stepFrame(0.44));
    EXPECT_FALSE(layerPass(*scene, view, stepFrame(0.44)));  // 0.94
    scene->update(stepFrame(0.02));
    EXPECT_TRUE(layerPass(*scene, view, stepFrame(0.02)));  // 0.96
    EXPECT_DOUBLE_EQ(*scene->layers().at(view.id).drawnAt, scene->clock());
}

}  // namespace lumen::app::test
