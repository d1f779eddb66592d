#include "scenekit/ShaderScene.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <utility>

namespace lumen::app {

namespace {

constexpr const char* vertexFunction = "shaderSceneVertex";
constexpr const char* mainFragment = "sceneFragment";
constexpr const char* layerFragment = "layerFragment";

RecordLayout shaderUniformsRecord(const char* vertex, const char* fragment) {
    return {.block = "ShaderUniforms",
            .slot = ShaderScene::uniformsSlot,
            .size = sizeof(ShaderUniforms),
            .members = {{"uResolution", offsetof(ShaderUniforms, resolution)},
                        {"uTime", offsetof(ShaderUniforms, time)},
                        {"uSky", offsetof(ShaderUniforms, sky)},
                        {"uSun", offsetof(ShaderUniforms, sun)},
                        {"uMoon", offsetof(ShaderUniforms, moon)},
                        {"uView", offsetof(ShaderUniforms, view)},
                        {"uCalendar", offsetof(ShaderUniforms, calendar)},
                        {"uWeather", offsetof(ShaderUniforms, weather)},
                        {"uParams[0]", offsetof(ShaderUniforms, parameters)}},
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

// The data block: ShaderScene::maxDataVectors vectors, always sent whole.
RecordLayout sceneDataRecord(const char* vertex, const char* fragment) {
    return {.block = "SceneData",
            .slot = ShaderScene::dataSlot,
            .size = sizeof(std::array<Float4, ShaderScene::maxDataVectors>),
            .members = {{"uData[0]", 0}},
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

}  // namespace

ShaderScene::ShaderScene(const SceneContext& context)
    : device(context.gpu.device()), gpuContext(context.gpu), zone_(context.environment.zone) {
    sky_ = SkyClock::state(context.environment.wallTime, 12.0, std::nullopt, context.environment.zone);
}

void ShaderScene::build(const SceneContext& context) {
    const std::string name = shaderName();
    facing_ = facing();
    layerSpec_ = layerSpec();
    const SceneShaderRecords shaders = shaderRecords(name, shaderSlots());
    library_ = gpuContext.library(shaders.libraries, shaders.bindings);
    pipeline_ = makePipeline(gpuContext, name, *library_, vertexFunction, mainFragment, context.sampleCount,
                             BlendMode::opaque);
    if (layerSpec_) {
        layerLabel_ = name + " layer";
        layerPipeline_ = makeLayerPipeline();
    }
    configure(context);
}

gpu::RenderPipeline ShaderScene::makeLayerPipeline() {
    return buildPipeline(device, {
        .label = layerLabel_,
        .library = &*library_,
        .vertexFunction = vertexFunction,
        .fragmentFunction = layerFragment,
        .colorAttachments = {{.pixelFormat = gpu::PixelFormat::rgba16Float}},
        .sampleCount = 1,
    });
}

SceneShaderRecords ShaderScene::shaderRecords(std::string shader, std::vector<ShaderSlot> bindings) {
    SceneShaderRecords records;
    records.libraries = {"Common", "ShaderScene", std::move(shader)};
    records.bindings = {layerTextureSlot, uniformsSlot, dataSlot};
    records.bindings.insert(records.bindings.end(), std::begin(textureSlots), std::end(textureSlots));
    records.bindings.insert(records.bindings.end(), bindings.begin(), bindings.end());
    records.records = {shaderUniformsRecord(vertexFunction, mainFragment), sceneDataRecord(vertexFunction, mainFragment)};
    return records;
}

void ShaderScene::configure(const SceneContext&) {}
SkyState ShaderScene::skyFor(const SkyState& frameSky) { return frameSky; }
void ShaderScene::advance(const SceneFrame&) {}
void ShaderScene::prepareFrame(gpu::CommandBuffer&, const SceneFrame&) {}
std::span<const Float4> ShaderScene::parameters(const SceneView&) { return {}; }
std::span<const Float4> ShaderScene::dataBlock(const SceneView&) { return {}; }

void ShaderScene::addTexture(gpu::Texture texture, std::optional<gpu::Sampler> sampler) {
    if (textures_.size() >= maxTextures) throw SceneException(SceneError::resource("more than four scene textures"));
    textures_.push_back(std::move(texture));
    samplers_.push_back(std::move(sampler));
}

void ShaderScene::swapTextures(std::size_t a, std::size_t b) {
    if (a >= textures_.size() || b >= textures_.size()) return;
    std::swap(textures_[a], textures_[b]);
    std::swap(samplers_[a], samplers_[b]);
}

// ---- simulation ----------------------------------------------------------------------------

void ShaderScene::step(const SceneFrame& frame, double dt) {
    clock_ += dt;
    dt_ = static_cast<float>(dt);
    // Compare before copying: the options and weather rarely change, and copying them would
    // allocate on every tick.
    if (options_ != frame.options) options_ = frame.options;
    if (weather_ != frame.weather) weather_ = frame.weather;
    lowPower_ = frame.lowPower;
    reduceMotion_ = frame.reduceMotion;
    zone_ = frame.zone;
    sky_ = skyFor(frame.sky);
}

void ShaderScene::update(const SceneFrame& frame) {
    step(frame, frame.dt);
    advance(frame);
}

float ShaderScene::alternatingSide(int displayIndex, float step) {
    if (displayIndex == 0) return 0;
    return displayIndex % 2 != 0 ? -step : step;
}

int ShaderScene::prewarmSteps(double seconds) {
    if (!(seconds > 0) || !std::isfinite(seconds)) return 1;
    // The tolerance keeps decimal durations whole: 0.3 / 0.1 is 2.9999999999999996 in binary.
    const double steps = std::floor(seconds / maxPrewarmStep + 1e-9);
    return static_cast<int>(std::clamp(steps, 1.0, 1e9));
}

void ShaderScene::prewarm(const SceneFrame& frame, double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    const int n = prewarmSteps(seconds);
    const double stepLength = seconds / n;
    SceneFrame stepFrame = frame;
    stepFrame.dt = stepLength;
    for (int i = 0; i < n; ++i) {
        step(frame, stepLength);
        advance(stepFrame);
    }
}

// ---- uniforms and resources ------------------------------------------------------------------

ShaderUniforms ShaderScene::uniforms(const SceneView& view, int width, int height, bool layerPass) {
    ShaderUniforms u{};
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    u.resolution = {w, h, 1.0f / std::max(w, 1.0f), 1.0f / std::max(h, 1.0f)};
    u.time = {static_cast<float>(std::fmod(clock_, 3600.0)), dt_, static_cast<float>(std::fmod(clock_, 86400.0)),
              static_cast<float>(view.displayIndex)};
    u.sky = {sky_.hour, sky_.daylight(), sky_.sunElevation, sky_.moonIllumination};
    u.sun = float4(sky_.sunDirection(facing_), sky_.moonPhase);
    u.moon = float4(sky_.moonDirection(facing_), layerPass ? 1.0f : 0.0f);
    Float2 pointer = absentPointer;
    if (view.reactsToPointer && view.pointerActive && view.pointer) pointer = *view.pointer;
    u.view = {view.parallax.x, view.parallax.y, pointer.x, pointer.y};
    const float day = static_cast<float>(sky_.dayOfYear);
    u.calendar = {day, (day - 1.0f) / 365.0f, static_cast<float>(sky_.latitude), static_cast<float>(sky_.longitude)};
    if (weather_) {
        u.weather = {weather_->cloudCover, weather_->precipitation, weather_->fog, weather_->windSpeed};
    } else {
        u.weather = {0.3f, 0.0f, 0.0f, 2.5f};
    }
    const auto params = parameters(view);
    const std::size_t count = std::min(params.size(), u.parameters.size());
    std::copy_n(params.begin(), count, u.parameters.begin());
    return u;
}

std::size_t ShaderScene::dataVectorsSent(std::size_t count) {
    return std::clamp<std::size_t>(count, 1, maxDataVectors);
}

void ShaderScene::bindResources(gpu::RenderEncoder& encoder, const SceneView& view) {
    for (std::size_t i = 0; i < textures_.size(); ++i) {
        const gpu::Sampler* sampler = samplers_[i] ? &*samplers_[i] : nullptr;
        encoder.setFragmentTexture(textureSlots[i].index, textures_[i], sampler);
    }
    const auto block = dataBlock(view);
    const std::size_t count = std::min(block.size(), maxDataVectors);
    std::copy_n(block.begin(), count, dataBlock_.begin());
    // Keep the unsent tail zero: the GLSL block always spans all 256 vectors.
    if (count < dataCount_) std::fill(dataBlock_.begin() + count, dataBlock_.begin() + dataCount_, Float4{});
    dataCount_ = dataVectorsSent(block.size());
    encoder.setFragmentBytes(dataSlot.index, dataBlock_.data(), sizeof dataBlock_);
}

// ---- passes --------------------------------------------------------------------------------

std::pair<int, int> ShaderScene::layerSize(const LayerSpec& layering, int viewWidth, int viewHeight) {
    auto scaled = [&](int size) {
        const double value = std::floor(static_cast<double>(layering.scale) * std::max(size, 0));
        return static_cast<int>(std::clamp(value, static_cast<double>(minimumLayerSize), 16384.0));
    };
    return {scaled(viewWidth), scaled(viewHeight)};
}

void ShaderScene::prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) {
    if (!layerSpec_ || !layerPipeline_) return;
    Layer& layer = layers_[view.id];
    const auto [width, height] = layerSize(*layerSpec_, view.width, view.height);
    if (!layer.texture || layer.texture->width() != width || layer.texture->height() != height) {
        layer.texture.reset();
        layer.drawnAt.reset();
        auto made = device.makeTexture({
            .format = gpu::PixelFormat::rgba16Float,
            .width = width,
            .height = height,
            .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
            .label = layerLabel_,
        });
        if (!made) return;  // no layer this frame; the main pass still draws
        layer.texture = std::move(made.value());
    }
    if (layer.drawnAt) {
        const double since = clock_ - *layer.drawnAt;
        const bool fresh = since >= 0 && since < 0.95 * layerSpec_->interval;
        const bool still = *layer.drawnAt == clock_ && frame.dt == 0;
        if (fresh || still) return;
    }

    gpu::RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &*layer.texture,
                                .loadAction = gpu::LoadAction::dontCare,
                                .storeAction = gpu::StoreAction::store};
    auto encoder = commandBuffer.renderEncoder(pass, layerLabel_);
    if (!encoder) return;
    layer.drawnAt = clock_;
    ++layerRenders_;
    const ShaderUniforms u = uniforms(view, width, height, true);
    encoder->setPipeline(*layerPipeline_);
    encoder->setVertexBytes(uniformsSlot.index, &u, sizeof u);
    encoder->setFragmentBytes(uniformsSlot.index, &u, sizeof u);
    bindResources(*encoder, view);
    encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
}

void ShaderScene::draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) {
    if (!pipeline_) return;
    const ShaderUniforms u = uniforms(view, view.width, view.height, false);
    encoder.setPipeline(*pipeline_);
    encoder.setVertexBytes(uniformsSlot.index, &u, sizeof u);
    encoder.setFragmentBytes(uniformsSlot.index, &u, sizeof u);
    if (auto it = layers_.find(view.id); it != layers_.end() && it->second.texture) {
        encoder.setFragmentTexture(layerTextureSlot.index, *it->second.texture);
    }
    bindResources(encoder, view);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
}

void ShaderScene::releaseView(ViewID id) { layers_.erase(id); }

}  // namespace lumen::app
