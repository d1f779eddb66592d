#include "scenes/rainyWindowCafe/RainyWindowScene.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/scenes/rainglass/BokehLayout.hpp"
#include "LumenKit/scenes/rainglass/RainyWindowLook.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::rainyWindowCafe;
using rainglass::RainGlass;

std::vector<std::string> shaderSources() { return {"Common", "RainyWindow"}; }

// The layers texture's passes: colour without alpha, or alpha alone with its own blending.
gpu::RenderPipeline layersPipeline(GpuContext& gpu, const gpu::ShaderLibrary& library, const char* vertex,
                                   const char* fragment, BlendMode colourBlend, bool alphaOnly,
                                   gpu::BlendFactor source = gpu::BlendFactor::zero,
                                   gpu::BlendFactor destination = gpu::BlendFactor::one) {
    gpu::RenderPipelineDescriptor descriptor;
    descriptor.label = fragment;
    descriptor.library = &library;
    descriptor.vertexFunction = vertex;
    descriptor.fragmentFunction = fragment;
    auto& colour = descriptor.colorAttachments[0];
    colour.pixelFormat = gpu::PixelFormat::rgba16Float;
    if (alphaOnly) {
        colour.writeMask = gpu::ColorWriteMask::alpha;
        colour.blendingEnabled = true;
        colour.sourceAlphaBlendFactor = source;
        colour.destinationAlphaBlendFactor = destination;
    } else {
        applyBlendMode(colourBlend, colour);
        colour.writeMask = static_cast<gpu::ColorWriteMask>(1u | 2u | 4u);
    }
    return buildPipeline(gpu.device(), descriptor);
}

int mipLevels(int width, int height) { return std::bit_width(static_cast<unsigned>(std::max({width, height, 1}))); }

}  // namespace

SceneClass RainyWindowScene::sceneClass() {
    SceneClass made{"RainyWindowScene", 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                        return std::make_unique<RainyWindowScene>(context);
                    }};
    made.options = {{names::view, {names::viewStreet, names::viewCafe}},
                    {names::rain, {names::rainWeather, names::rainLight, names::rainSteady, names::rainHeavy}}};
    made.shaders = {shaderSources(), RainSlots::all(), RainRecords::layouts()};
    return made;
}

RainyWindowScene::RainyWindowScene(const SceneContext& context)
    : gpuContext_(context.gpu), device_(context.gpu.device()) {
    const gpu::ShaderLibrary& library = gpuContext_.library(shaderSources(), RainSlots::all());
    using F = gpu::BlendFactor;
    backgroundBase_.emplace(layersPipeline(gpuContext_, library, "screenVertex", "streetFragment", BlendMode::opaque, false));
    bokeh_.emplace(layersPipeline(gpuContext_, library, "bokehVertex", "bokehFragment", BlendMode::additive, false));
    recover_.emplace(layersPipeline(gpuContext_, library, "screenVertex", "recoverFragment", BlendMode::opaque, true,
                                    F::blendAlpha, F::oneMinusBlendAlpha));
    stroke_.emplace(layersPipeline(gpuContext_, library, "strokeVertex", "strokeFragment", BlendMode::opaque, true, F::zero,
                                   F::oneMinusSourceAlpha));
    glass_.emplace(makePipeline(gpuContext_, "glassFragment", library, "screenVertex", "glassFragment", 1, BlendMode::opaque));
    drop_.emplace(makePipeline(gpuContext_, "dropFragment", library, "dropVertex", "dropFragment", 1, BlendMode::alpha));

    for (const char* key : {names::viewStreet, names::viewCafe}) {
        std::vector<BokehGPU> records;
        for (const auto& light : rainglass::BokehLayout::lights(key, bokehSeed)) records.push_back(RainRecords::bokeh(light));
        lights_.emplace(key, makeBuffer(gpuContext_, std::span<const BokehGPU>(records), std::string("bokeh ") + key));
        lightCounts_[key] = static_cast<int>(records.size());
    }
    auto sampler = device_.makeSampler({.minFilter = gpu::SamplerFilter::linear,
                                        .magFilter = gpu::SamplerFilter::linear,
                                        .mipFilter = gpu::SamplerMipFilter::linear,
                                        .label = "rain layers"});
    if (!sampler) throw SceneException(SceneError::resource("rain layers"));
    layersSampler_.emplace(std::move(sampler.value()));
}

std::pair<int, int> RainyWindowScene::layersSize(int width, int height) {
    return {width > 17 ? width / 2 : 8, height > 17 ? height / 2 : 8};
}

void RainyWindowScene::update(const SceneFrame& frame) {
    clock_ += frame.dt;
    dt_ = static_cast<float>(frame.dt);
    view_ = frame.options.value(names::view).value_or(names::viewStreet);
    const std::string rain = frame.options.value(names::rain).value_or(names::rainWeather);
    intensity_ = rainglass::RainyWindowLook::intensity(rain, frame.weather);
    daylight_ = frame.sky.daylight();
    if (rainglass::RainyWindowLook::lightning(rain, frame.weather)) {
        lightningOn_ = !frame.reduceMotion;
        if (!frame.reduceMotion && nextLightning_ <= clock_) {
            nextLightning_ = clock_ + rng_.uniform(0, 1) * 28 + 12;
            lightning_ = 1;
        }
    } else {
        lightningOn_ = false;
    }
    lightning_ = std::max(lightning_ - 2.5f * dt_, 0.0f);
}

void RainyWindowScene::prepareFrame(gpu::CommandBuffer&, const SceneFrame&) {}

void RainyWindowScene::prewarm(const SceneFrame& frame, double seconds) {
    update(frame);
    clock_ += seconds;
}

void RainyWindowScene::releaseView(ViewID id) { panes_.erase(id); }

RainPane& RainyWindowScene::pane(const SceneView& view) {
    const float aspect = static_cast<float>(view.width) / static_cast<float>(std::max(view.height, 1));
    auto it = panes_.find(view.id);
    if (it != panes_.end() && std::abs(it->second->glass.aspect - aspect) < 0.01f) return *it->second;
    RainGlass glass(aspect, intensity_, glassSeed(view.displayIndex));
    glass.advance(prerollSeconds, prerollStrokes);
    auto made = std::make_unique<RainPane>(device_, std::move(glass));
    RainPane& pane = *made;
    panes_[view.id] = std::move(made);
    return pane;
}

RainUniforms RainyWindowScene::uniformsFor(const SceneView& view, Float2 passSize, int levels) const {
    const float aspect = static_cast<float>(view.width) / static_cast<float>(std::max(view.height, 1));
    return RainRecords::uniforms(passSize, aspect, view.displayIndex, clock_, dt_, daylight_, view_ == names::viewCafe,
                                 lightning_, view.parallax, intensity_, levels);
}

void RainyWindowScene::prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame&) {
    RainPane& pane = this->pane(view);
    pane.glass.intensity = intensity_;
    if (pane.lastClock && *pane.lastClock < clock_) pane.glass.step(static_cast<float>(std::min(clock_ - *pane.lastClock, 0.1)));
    pane.lastClock = clock_;

    const auto [w, h] = layersSize(view.width, view.height);
    if (!pane.background || pane.background->width() != w || pane.background->height() != h) {
        auto made = device_.makeTexture({.format = gpu::PixelFormat::rgba16Float,
                                         .width = w,
                                         .height = h,
                                         .mipmapLevelCount = mipLevels(w, h),
                                         .usage = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget,
                                         .label = "rain layers"});
        pane.background.reset();
        if (!made) return;
        pane.background.emplace(std::move(made.value()));
        pane.layersFresh = true;
    }

    if (!pane.layersFresh && pane.layersClock && *pane.layersClock <= clock_ && clock_ - *pane.layersClock < layersInterval) {
        return;
    }
    const double step = std::min(clock_ - pane.layersClock.value_or(clock_), 0.2);
    pane.layersClock = clock_;

    if (view.reactsToPointer && view.pointerActive && view.pointer) {
        const Float2 p{pane.glass.aspect * (view.pointer->x * 0.5f + 0.5f), 0.5f - view.pointer->y * 0.5f};
        if (pane.lastPointer && length(p - *pane.lastPointer) > 0.002f) pane.glass.addStroke(*pane.lastPointer, p, wipeRadius);
        pane.lastPointer = p;
    } else {
        pane.lastPointer.reset();
    }
    pane.gpuStrokes.clear();
    pane.glass.consumeStrokes([&](const std::vector<rainglass::WipeStroke>& strokes) {
        for (const auto& s : strokes) pane.gpuStrokes.push_back(RainRecords::stroke(s));
    });
    renderLayers(commandBuffer, view, pane, step);
}

void RainyWindowScene::renderLayers(gpu::CommandBuffer& commandBuffer, const SceneView& view, RainPane& pane, double step) {
    const gpu::Texture& layers = *pane.background;
    gpu::RenderPassDescriptor pass;
    auto& colour = pass.colorAttachments[0];
    colour.texture = &layers;
    colour.loadAction = pane.layersFresh ? gpu::LoadAction::clear : gpu::LoadAction::load;
    colour.clearColor = {0, 0, 0, 1};  // no scene yet, full condensation
    colour.storeAction = gpu::StoreAction::store;
    pane.layersFresh = false;
    {
        auto encoder = commandBuffer.renderEncoder(pass, "rain layers");
        if (!encoder) return;
        const RainUniforms uniforms = uniformsFor(
            view, {static_cast<float>(layers.width()), static_cast<float>(layers.height())}, layers.mipmapLevelCount());
        encoder->setVertexBytes(RainSlots::uniforms.index, &uniforms, sizeof uniforms);
        encoder->setFragmentBytes(RainSlots::uniforms.index, &uniforms, sizeof uniforms);
        encoder->setDepthState(gpuContext_.depthOff());

        encoder->setPipeline(*backgroundBase_);
        encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);

        // Any view but the café looks out to the street.
        const std::string key = view_ == names::viewCafe ? names::viewCafe : names::viewStreet;
        const auto lights = lights_.find(key);
        const int count = lights == lights_.end() ? 0 : lightCounts_.at(key);
        if (count > 0) {
            const LightCountGPU record{static_cast<std::uint32_t>(count), {}};
            encoder->setPipeline(*bokeh_);
            encoder->setVertexBuffer(RainSlots::instances.index, lights->second, 0);
            encoder->setVertexBytes(RainSlots::lightCount.index, &record, sizeof record);
            // Each light twice (glow, then its reflection on the wet street); the street adds
            // distant glints.
            const int instances = 2 * count + (view_ == names::viewCafe ? 0 : 48);
            encoder->drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, instances);
        }

        encoder->setPipeline(*recover_);
        const float recovery = std::clamp(static_cast<float>((intensity_ * 0.035 + 0.025) * step), 0.0f, 1.0f);
        encoder->setBlendColor(0, 0, 0, recovery);
        encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);

        if (!pane.gpuStrokes.empty()) {
            if (gpu::Buffer* buffer = pane.strokes.upload(std::span<const StrokeGPU>(pane.gpuStrokes))) {
                encoder->setPipeline(*stroke_);
                encoder->setVertexBuffer(RainSlots::instances.index, *buffer, 0);
                encoder->drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, static_cast<int>(pane.gpuStrokes.size()));
            }
        }
        encoder->endEncoding();
    }
    if (auto blit = commandBuffer.blitEncoder("rain layers mipmaps")) {
        blit->generateMipmaps(layers);
        blit->endEncoding();
    }
}

void RainyWindowScene::draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) {
    RainPane& pane = this->pane(view);
    if (!pane.background) return;
    const gpu::Texture& layers = *pane.background;
    const RainUniforms uniforms =
        uniformsFor(view, {static_cast<float>(view.width), static_cast<float>(view.height)}, layers.mipmapLevelCount());
    encoder.setVertexBytes(RainSlots::uniforms.index, &uniforms, sizeof uniforms);
    encoder.setFragmentBytes(RainSlots::uniforms.index, &uniforms, sizeof uniforms);
    encoder.setFragmentTexture(RainSlots::layers.index, layers, &*layersSampler_);
    encoder.setDepthState(gpuContext_.depthOff());
    encoder.setPipeline(*glass_);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);

    pane.gpuDrops.clear();
    for (const auto& d : pane.glass.drops) pane.gpuDrops.push_back(RainRecords::drop(d));
    if (pane.gpuDrops.empty()) return;
    gpu::Buffer* buffer = pane.drops.upload(std::span<const DropGPU>(pane.gpuDrops));
    if (!buffer) return;
    encoder.setPipeline(*drop_);
    encoder.setVertexBuffer(RainSlots::instances.index, *buffer, 0);
    encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, static_cast<int>(pane.gpuDrops.size()));
}

}  // namespace lumen::app
