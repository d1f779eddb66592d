#include "scenes/alpineLake/AlpineLakeScene.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "log/EventLog.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/scenes/alpine/AlpineGrid.hpp"
#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"
#include "LumenKit/scenes/alpine/SpruceMesh.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <cmath>
#include <span>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::alpineLake;
using alpine::AlpineWeatherLook;
using PF = gpu::PixelFormat;

std::vector<std::string> shaderSources() { return {"Common", "AlpineLake"}; }

// A pipeline for the scene's own targets (formats other than the host's).
gpu::RenderPipeline targetPipeline(GpuContext& gpu, const gpu::ShaderLibrary& library, const char* label,
                                   const char* vertex, const char* fragment, std::initializer_list<PF> colours,
                                   PF depth, int samples) {
    gpu::RenderPipelineDescriptor descriptor;
    descriptor.label = label;
    descriptor.library = &library;
    descriptor.vertexFunction = vertex;
    descriptor.fragmentFunction = fragment;
    int i = 0;
    for (PF format : colours) descriptor.colorAttachments[i++].pixelFormat = format;
    descriptor.depthAttachmentPixelFormat = depth;
    descriptor.sampleCount = samples;
    return buildPipeline(gpu.device(), descriptor);
}

AlpineLakeScene::Pipelines mainPipelines(GpuContext& gpu, const gpu::ShaderLibrary& library) {
    const int n = AlpineLakeScene::sampleCount;
    return {makePipeline(gpu, "sky", library, "skyVertex", "skyFragment", n, BlendMode::opaque),
            makePipeline(gpu, "terrain", library, "terrainVertex", "terrainFragment", n, BlendMode::opaque),
            makePipeline(gpu, "trees", library, "treeVertex", "treeFragment", n, BlendMode::opaque)};
}

AlpineLakeScene::Pipelines mirrorPipelines(GpuContext& gpu, const gpu::ShaderLibrary& library) {
    const auto make = [&](const char* label, const char* vertex, const char* fragment) {
        return targetPipeline(gpu, library, label, vertex, fragment, {PF::rgba16Float}, PF::depth32Float, 1);
    };
    return {make("mirror sky", "skyVertex", "skyFragment"), make("mirror terrain", "terrainVertex", "terrainFragment"),
            make("mirror trees", "treeVertex", "treeFragment")};
}

float distanceBetween(Float3 a, Float3 b) {
    const float d = length(a - b);
    return std::isfinite(d) ? d : 1.0f;
}

}  // namespace

SceneClass AlpineLakeScene::sceneClass() {
    SceneClass made{"AlpineLakeScene", sampleCount, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                        return std::make_unique<AlpineLakeScene>(context);
                    }};
    made.options = {{names::weather,
                     {names::weatherLive, names::weatherClear, names::weatherPartlyCloudy, names::weatherCloudy,
                      names::weatherRain, names::weatherSnow, names::weatherFog}}};
    made.shaders = {shaderSources(), AlpineSlots::all(), AlpineRecords::layouts()};
    return made;
}

AlpineLakeScene::AlpineLakeScene(const SceneContext& context)
    : gpuContext_(context.gpu), device_(context.gpu.device()) {
    state_.sky = SkyClock::state(context.environment.wallTime, 17.0, std::nullopt, context.environment.zone);
    state_.look = target_ = AlpineWeatherLook::from(WeatherState::fair(), 10);
    state_.light = alpine::AlpineLight::compute(state_.sky, state_.look);

    const gpu::ShaderLibrary& library = gpuContext_.library(shaderSources(), AlpineSlots::all());
    main_.emplace(mainPipelines(gpuContext_, library));
    mirror_.emplace(mirrorPipelines(gpuContext_, library));
    water_.emplace(makePipeline(gpuContext_, "lake", library, "waterVertex", "waterFragment", sampleCount, BlendMode::opaque));
    precip_.emplace(makePipeline(gpuContext_, "rain and snow", library, "precipVertex", "precipFragment", sampleCount,
                                 BlendMode::premultiplied));
    panoramaPipe_.emplace(targetPipeline(gpuContext_, library, "panorama", "screenVertex", "panoramaFragment",
                                         {PF::rgba16Float}, PF::invalid, 1));
    shadowPipe_.emplace(targetPipeline(gpuContext_, library, "sun shadows", "screenVertex", "shadowFragment",
                                       {PF::r16Float}, PF::invalid, 1));
    heightPipe_.emplace(targetPipeline(gpuContext_, library, "height map", "screenVertex", "heightFragment",
                                       {PF::r32Float, PF::rgba16Float}, PF::invalid, 1));

    using alpine::AlpineTerrain::farRegion;
    using alpine::AlpineTerrain::nearRegion;
    nearH_.emplace(makeTarget(PF::r32Float, nearRegion.texels, nearRegion.texels, "near heights"));
    nearN_.emplace(makeTarget(PF::rgba16Float, nearRegion.texels, nearRegion.texels, "near normals"));
    farH_.emplace(makeTarget(PF::r32Float, farRegion.texels, farRegion.texels, "far heights"));
    farN_.emplace(makeTarget(PF::rgba16Float, farRegion.texels, farRegion.texels, "far normals"));
    shadow_.emplace(makeTarget(PF::r16Float, 1024, 1024, "sun shadows"));
    panorama_.emplace(makeTarget(PF::rgba16Float, 1024, 256, "panorama"));
    bake();

    const auto grid = alpine::AlpineGrid::build(150, 3, 26000);
    grid_.emplace(makeBuffer(gpuContext_, std::span<const Float2>(grid.vertices), "terrain grid"));
    gridIndices_.emplace(makeBuffer(gpuContext_, std::span<const std::uint32_t>(grid.indices), "terrain grid indices"));
    gridIndexCount_ = static_cast<int>(grid.indices.size());

    spruce_.emplace(MeshBuffers::make(gpuContext_, alpine::spruceMesh(6), "spruce"));
    const auto forest = alpine::AlpineForest::trees(2300, 77, 9000, alpine::AlpineTerrain::height);
    const auto records = AlpineRecords::trees(forest);
    trees_.emplace(makeBuffer(gpuContext_, std::span<const AlpineTreeGPU>(records), "spruces"));
    treeCount_ = static_cast<int>(records.size());
    logEvent("alpineLake: " + std::to_string(treeCount_) + " spruces");
}

gpu::Texture AlpineLakeScene::makeTarget(PF format, int width, int height, const char* label) {
    auto made = device_.makeTexture({.format = format,
                                     .width = width,
                                     .height = height,
                                     .usage = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget,
                                     .label = label});
    if (!made) throw SceneException(SceneError::resource(label));
    return std::move(made.value());
}

void AlpineLakeScene::bake() {
    auto commands = device_.makeCommandBuffer("alpine bake");
    const std::pair<const alpine::AlpineTerrain::MapRegion*, std::pair<gpu::Texture*, gpu::Texture*>> regions[] = {
        {&alpine::AlpineTerrain::nearRegion, {&*nearH_, &*nearN_}},
        {&alpine::AlpineTerrain::farRegion, {&*farH_, &*farN_}}};
    for (const auto& [region, maps] : regions) {
        gpu::RenderPassDescriptor pass;
        for (int i = 0; i < 2; ++i) {
            auto& colour = pass.colorAttachments[i];
            colour.texture = i == 0 ? maps.first : maps.second;
            colour.loadAction = gpu::LoadAction::dontCare;
            colour.storeAction = gpu::StoreAction::store;
        }
        auto encoder = commands.renderEncoder(pass, "height map");
        if (!encoder) throw SceneException(SceneError::resource("height map"));
        const Float4 record = AlpineRecords::region(*region);
        encoder->setPipeline(*heightPipe_);
        encoder->setFragmentBytes(AlpineSlots::bake.index, &record, sizeof record);
        encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
        encoder->endEncoding();
    }
    commands.commit();
}

int AlpineLakeScene::treesDrawn(bool mirror) const { return mirror ? std::min(treeCount_, mirrorTreeLimit) : treeCount_; }

int AlpineLakeScene::precipitationCount(const AlpineWeatherLook& look) {
    const float m = std::max(look.rain, look.snow);
    if (!(m > 0.02f)) return 0;
    return static_cast<int>(std::min(m, 1.0f) * (look.rain >= look.snow ? 7000.0f : 5000.0f));
}

void AlpineLakeScene::update(const SceneFrame& frame) {
    const double dt = std::isfinite(frame.dt) ? std::max(frame.dt, 0.0) : 0.0;
    state_.sky = frame.sky;
    state_.clock += dt;
    const int month = AlpineWeatherLook::month(frame.sky.dayOfYear);

    const std::string option = frame.options.value(names::weather).value_or(names::weatherLive);
    target_ = AlpineWeatherLook::target(option, frame.weather, month).sanitized();
    if (firstUpdate_ || (dt == 0 && state_.clock < 1) || option != lastOption_) {
        state_.look = target_;
        firstUpdate_ = false;
        lastOption_ = option;
        lastPanorama_ = -1;
    } else {
        state_.look = AlpineWeatherLook::blend(state_.look, target_, static_cast<float>(dt / lookSettleSeconds));
    }
    state_.light = alpine::AlpineLight::compute(state_.sky, state_.look);
    state_.cloudDrift += static_cast<float>((40.0 * state_.look.wind + 6.0) * dt);
    // Wrapped while float steps still resolve a frame's drift; the jump comes hours apart.
    if (state_.cloudDrift > cloudDriftWrap) state_.cloudDrift -= cloudDriftWrap;

    // A still (dt 0) never starts a flash.
    if (state_.look.lightning > 0.5f && !frame.reduceMotion && dt > 0 && nextFlash_ <= state_.clock) {
        nextFlash_ = state_.clock + 9.0 + 21.0 * rng_.uniform(0, 1);
        state_.flash = 1;
    }
    state_.flash = std::max(0.0f, state_.flash - 3.0f * static_cast<float>(dt));
}

void AlpineLakeScene::prewarm(const SceneFrame& frame, double seconds) {
    firstUpdate_ = true;
    update(frame);
    state_.clock += std::max(seconds, 0.0);
}

AlpineUniforms AlpineLakeScene::record(const SceneView& view, bool mirror) const {
    const auto pose = camera_.pose(state_.clock, view.displayIndex, view.parallax);
    return AlpineRecords::uniforms(state_, pose, alpine::AlpineCamera::displayYaw(view.displayIndex), view.width,
                                   view.height, mirror);
}

void AlpineLakeScene::screenPass(gpu::CommandBuffer& commandBuffer, const gpu::Texture& target,
                                 const gpu::RenderPipeline& pipeline, const AlpineUniforms& uniforms, const char* label) {
    gpu::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = &target;
    pass.colorAttachments[0].loadAction = gpu::LoadAction::dontCare;
    auto encoder = commandBuffer.renderEncoder(pass, label);
    if (!encoder) return;
    encoder->setPipeline(pipeline);
    encoder->setFragmentBytes(AlpineSlots::uniforms.index, &uniforms, sizeof uniforms);
    encoder->setFragmentTexture(AlpineSlots::nearHeights.index, *nearH_);
    encoder->setFragmentTexture(AlpineSlots::farHeights.index, *farH_);
    encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
}

void AlpineLakeScene::prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame&) {
    const SceneView still{.width = 1024, .height = 256};
    const AlpineUniforms uniforms = record(still, false);
    const Float3 sun = xyz(uniforms.sunVisible);
    const double clock = state_.clock;
    if (lastPanorama_ < 0 || clock - lastPanorama_ >= panoramaInterval || clock < lastPanorama_ ||
        distanceBetween(sun, panoramaSun_) > 0.002f) {
        lastPanorama_ = clock;
        panoramaSun_ = sun;
        screenPass(commandBuffer, *panorama_, *panoramaPipe_, uniforms, "panorama");
        ++panoramaRenders_;
    }
    if (state_.sky.sunElevation > -3 && (!shadowValid_ || distanceBetween(sun, shadowSun_) > 0.004f)) {
        shadowValid_ = true;
        shadowSun_ = sun;
        screenPass(commandBuffer, *shadow_, *shadowPipe_, uniforms, "sun shadows");
    }
}

void AlpineLakeScene::prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame&) {
    if (view.width <= 0 || view.height <= 0) return;
    auto it = reflections_.find(view.id);
    if (it == reflections_.end() || it->second.colour.width() != view.width || it->second.colour.height() != view.height) {
        if (it != reflections_.end()) reflections_.erase(it);
        auto colour = device_.makeTexture({.format = PF::rgba16Float,
                                           .width = view.width,
                                           .height = view.height,
                                           .usage = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget,
                                           .label = "lake reflection"});
        auto depth = device_.makeTexture({.format = PF::depth32Float,
                                          .width = view.width,
                                          .height = view.height,
                                          .usage = gpu::TextureUsage::renderTarget,
                                          .memoryless = true,
                                          .label = "lake reflection depth"});
        if (!colour || !depth) return;
        it = reflections_.emplace(view.id, Reflection{std::move(colour.value()), std::move(depth.value())}).first;
    }
    gpu::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = &it->second.colour;
    pass.colorAttachments[0].loadAction = gpu::LoadAction::dontCare;
    pass.depthAttachment.texture = &it->second.depth;
    pass.depthAttachment.loadAction = gpu::LoadAction::clear;
    pass.depthAttachment.clearDepth = 1.0;
    pass.depthAttachment.storeAction = gpu::StoreAction::dontCare;
    auto encoder = commandBuffer.renderEncoder(pass, "lake reflection");
    if (!encoder) return;
    drawWorld(*encoder, *mirror_, record(view, true));
    encoder->endEncoding();
}

void AlpineLakeScene::drawWorld(gpu::RenderEncoder& encoder, const Pipelines& pipelines, const AlpineUniforms& uniforms) {
    encoder.setVertexBytes(AlpineSlots::uniforms.index, &uniforms, sizeof uniforms);
    encoder.setVertexTexture(AlpineSlots::nearHeights.index, *nearH_);
    encoder.setVertexTexture(AlpineSlots::farHeights.index, *farH_);
    encoder.setFragmentTexture(AlpineSlots::nearNormals.index, *nearN_);
    encoder.setFragmentTexture(AlpineSlots::farNormals.index, *farN_);
    encoder.setFragmentTexture(AlpineSlots::shadow.index, *shadow_);
    encoder.setFragmentTexture(AlpineSlots::panorama.index, *panorama_);
    encoder.setCullMode(gpu::CullMode::none);

    encoder.setDepthState(gpuContext_.depthWrite());
    encoder.setPipeline(pipelines.trees);
    encoder.setVertexBuffer(AlpineSlots::trees.index, *trees_, 0);
    spruce_->draw(encoder, treesDrawn(uniforms.mirrorSize.x > 0.5f));

    encoder.setPipeline(pipelines.terrain);
    encoder.setVertexBuffer(AlpineSlots::grid.index, *grid_, 0);
    encoder.drawIndexed(gpu::PrimitiveType::triangle, gridIndexCount_, *gridIndices_, 0);

    encoder.setDepthState(gpuContext_.depthRead());
    encoder.setPipeline(pipelines.sky);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
}

void AlpineLakeScene::draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) {
    const AlpineUniforms uniforms = record(view, false);
    drawWorld(encoder, *main_, uniforms);

    const auto it = reflections_.find(view.id);
    if (it != reflections_.end()) {
        encoder.setDepthState(gpuContext_.depthWrite());
        encoder.setPipeline(*water_);
        encoder.setFragmentTexture(AlpineSlots::reflection.index, it->second.colour);
        encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4);
    }
    const int drops = precipitationCount(state_.look);
    if (drops > 0) {
        encoder.setDepthState(gpuContext_.depthRead());
        encoder.setPipeline(*precip_);
        encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, drops);
    }
}

void AlpineLakeScene::releaseView(ViewID id) { reflections_.erase(id); }

}  // namespace lumen::app
