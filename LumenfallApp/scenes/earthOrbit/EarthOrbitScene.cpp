#include "scenes/earthOrbit/EarthOrbitScene.hpp"

#include "scenes/earthOrbit/EarthImage.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/scenes/earth/EarthCamera.hpp"
#include "LumenKit/scenes/earth/EarthSun.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::earthOrbit;

constexpr const char* cloudVertex = "shaderSceneVertex";
constexpr const char* cloudFragment = "cloudMapFragment";

// Longitude wraps, latitude stops at the poles.
gpu::Sampler wrappingSampler(gpu::Device& device, bool mipmapped, const char* label) {
    auto sampler = device.makeSampler({
        .minFilter = gpu::SamplerFilter::linear,
        .magFilter = gpu::SamplerFilter::linear,
        .mipFilter = mipmapped ? gpu::SamplerMipFilter::linear : gpu::SamplerMipFilter::notMipmapped,
        .sAddressMode = gpu::SamplerAddressMode::repeat,
        .tAddressMode = gpu::SamplerAddressMode::clampToEdge,
        .label = label,
    });
    if (!sampler) throw SceneException(SceneError::resource(label));
    return std::move(sampler.value());
}

}  // namespace

SceneClass EarthOrbitScene::sceneClass() {
    SceneClass made = ShaderScene::sceneClass<EarthOrbitScene>(
        "EarthOrbitScene", "EarthOrbit", {cloudSeedSlot},
        {{names::view, {names::viewOrbit, names::viewGlobe}}, {names::clouds, {names::cloudsSome, names::cloudsFew}}});
    made.shaders.records.push_back({.block = "CloudSeed",
                                    .slot = cloudSeedSlot,
                                    .size = sizeof(Float4),
                                    .members = {{"uCloudSeed", 0}},
                                    .vertexFunction = cloudVertex,
                                    .fragmentFunction = cloudFragment});
    return made;
}

std::filesystem::path EarthOrbitScene::defaultImageFolder() {
    return std::filesystem::path(GpuContext::shaderDirectory()).parent_path() / "Earth";
}

void EarthOrbitScene::configure(const SceneContext&) {
    gpu::Texture day = loadEarthImage(device, imageFolder_, "earth-day", true);
    gpu::Texture night = loadEarthImage(device, imageFolder_, "earth-night", false);
    makeCloudPipeline();
    gpu::Texture older = makeCloudMap(0);
    gpu::Texture newer = makeCloudMap(1);
    addTexture(std::move(day), wrappingSampler(device, true, "earth-day"));
    addTexture(std::move(night), wrappingSampler(device, true, "earth-night"));
    addTexture(std::move(older), wrappingSampler(device, false, "clouds 0"));
    addTexture(std::move(newer), wrappingSampler(device, false, "clouds 1"));
}

void EarthOrbitScene::makeCloudPipeline() {
    cloudPipeline_ = buildPipeline(device, {
        .label = "cloud map",
        .library = &library(),
        .vertexFunction = cloudVertex,
        .fragmentFunction = cloudFragment,
        .colorAttachments = {{.pixelFormat = gpu::PixelFormat::r8Unorm}},
        .sampleCount = 1,
    });
}

gpu::Texture EarthOrbitScene::makeCloudMap(int index) {
    const std::string label = "clouds " + std::to_string(index);
    auto made = device.makeTexture({
        .format = gpu::PixelFormat::r8Unorm,
        .width = cloudMapWidth,
        .height = cloudMapHeight,
        .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
        .label = label,
    });
    if (!made) throw SceneException(SceneError::resource(label));
    return std::move(made.value());
}

float EarthOrbitScene::cloudFade() const {
    if (cloudMapClock_ < 0) return 0;
    return static_cast<float>(std::clamp((clock() - cloudMapClock_) / cloudMapInterval, 0.0, 1.0));
}

void EarthOrbitScene::renderCloudMap(gpu::CommandBuffer& commandBuffer, std::size_t index) {
    gpu::RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &textures()[index],
                                .loadAction = gpu::LoadAction::dontCare,
                                .storeAction = gpu::StoreAction::store};
    auto encoder = commandBuffer.renderEncoder(pass, "cloud map");
    if (!encoder) return;
    const bool few = options().value(names::clouds) == names::cloudsFew;
    const Float4 seed{cloudSeed_ * 0.37f, few ? 1.0f : 0.0f, 0, 0};
    encoder->setPipeline(*cloudPipeline_);
    encoder->setFragmentBytes(cloudSeedSlot.index, &seed, sizeof seed);
    encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
    ++cloudMapRenders_;
}

void EarthOrbitScene::prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame&) {
    if (!cloudPipeline_ || textures().size() <= newerCloudIndex) return;
    if (cloudMapClock_ < 0) {
        renderCloudMap(commandBuffer, olderCloudIndex);
        cloudSeed_ += 1;
        renderCloudMap(commandBuffer, newerCloudIndex);
        cloudMapClock_ = clock();
    } else if (clock() - cloudMapClock_ >= cloudMapInterval) {
        cloudMapClock_ = clock();
        swapTextures(olderCloudIndex, newerCloudIndex);
        cloudSeed_ += 1;
        renderCloudMap(commandBuffer, newerCloudIndex);
    }
}

std::span<const Float4> EarthOrbitScene::parameters(const SceneView& view) {
    const auto viewName = options().value(names::view);
    const bool globe = viewName == names::viewGlobe;
    const auto camera = earth::EarthCamera::make(globe ? names::viewGlobe : names::viewOrbit, clock(), view.displayIndex,
                                                 sky().latitude, sky().longitude, view.parallax);
    parameters_[0] = float4(camera.position, cloudFade());
    parameters_[1] = float4(camera.forward, static_cast<float>(std::fmod(clock() / 3600.0, 1.0)));
    parameters_[2] = float4(camera.right, globe ? 1.0f : 0.0f);
    parameters_[3] = float4(camera.up, 0);
    return parameters_;
}

std::span<const Float4> EarthOrbitScene::dataBlock(const SceneView&) {
    if (!sunCache_ || sunCache_->first != sky().date) sunCache_ = {sky().date, earth::EarthSun::direction(sky().date)};
    data_[0] = float4(sunCache_->second, 0);
    return data_;
}

}  // namespace lumen::app
