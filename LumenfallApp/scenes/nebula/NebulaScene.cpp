#include "scenes/nebula/NebulaScene.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

#include <cmath>
#include <numbers>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::nebulaFlythrough;

constexpr double omega = std::numbers::pi / 80.0;
// How far the parallax turns the view, radians at full deflection.
constexpr float parallaxYaw = 0.07f;
constexpr float parallaxPitch = 0.045f;
constexpr Float3 worldUp{0, 1, 0};

}  // namespace

SceneClass NebulaScene::sceneClass() {
    return ShaderScene::sceneClass<NebulaScene>(
        "NebulaScene", "Nebula", {volumeImageSlot},
        {{names::speed, {names::speedDrift, names::speedCruise}},
         {names::palette, {names::paletteClassic, names::paletteEmber, names::paletteIce}}});
}

Float3 NebulaScene::pathPoint(double s) {
    const double x = 14.0 * std::sin(omega * s) + 5.0 * std::sin(2.0 * omega * s + 1.3);
    const double y = 9.0 * std::cos(omega * s + 0.7) + 3.0 * std::sin(3.0 * omega * s);
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(s)};
}

NebulaScene::Camera NebulaScene::camera(double distance, Float2 parallax) {
    double u = std::fmod(distance, pathPeriod);
    if (u < 0) u += pathPeriod;
    const Float3 position = pathPoint(-u);
    const Float3 ahead = pathPoint(-u - lookAhead);
    Float3 forward = normalize(ahead - position);
    Float3 right = normalize(cross(forward, worldUp));
    Float3 up = cross(right, forward);
    // The parallax turns the view a little towards where it points.
    forward = normalize(forward + right * std::tan(parallax.x * parallaxYaw) +
                        up * std::tan(parallax.y * parallaxPitch));
    right = normalize(cross(forward, worldUp));
    up = cross(right, forward);
    return {position, forward, right, up};
}

double NebulaScene::speed(const std::optional<std::string>& option, bool reduceMotion) {
    const double base = option == names::speedCruise ? cruiseSpeed : driftSpeed;
    return reduceMotion ? base * reducedMotionFactor : base;
}

float NebulaScene::paletteNumber(const std::optional<std::string>& option) {
    if (option == names::paletteEmber) return 1;
    if (option == names::paletteIce) return 2;
    return 0;
}

void NebulaScene::configure(const SceneContext&) {
    auto volume = device.makeTexture({
        .type = gpu::TextureType::type3D,
        .format = gpu::PixelFormat::rg8Unorm,
        .width = volumeSize,
        .height = volumeSize,
        .depth = volumeSize,
        .usage = gpu::TextureUsage::shaderWrite | gpu::TextureUsage::shaderRead,
        .label = "nebula volume",
    });
    // The volume tiles, so it is sampled with wrapping.
    auto sampler = device.makeSampler({
        .minFilter = gpu::SamplerFilter::linear,
        .magFilter = gpu::SamplerFilter::linear,
        .sAddressMode = gpu::SamplerAddressMode::repeat,
        .tAddressMode = gpu::SamplerAddressMode::repeat,
        .rAddressMode = gpu::SamplerAddressMode::repeat,
        .label = "nebula volume",
    });
    if (!volume || !sampler) throw SceneException(SceneError::resource("nebula volume"));
    const auto kernel = makeComputePipeline(gpuContext, "nebulaVolume", library());

    auto commands = device.makeCommandBuffer("nebula volume");
    auto encoder = commands.computeEncoder("nebula volume");
    if (!encoder) throw SceneException(SceneError::resource("nebula volume"));
    encoder->setPipeline(kernel);
    encoder->setTexture(volumeImageSlot.index, *volume, gpu::ImageAccess::writeOnly);
    const auto& group = kernel.threadsPerThreadgroup();
    encoder->dispatchThreadgroups({volumeSize / group[0], volumeSize / group[1], volumeSize / group[2]});
    const bool filled = encoder->dispatchCount() == 1;
    encoder->endEncoding();
    commands.commit();  // no wait: the first layer pass is ordered after it
    if (!filled) throw SceneException(SceneError::resource("nebula volume"));
    addTexture(std::move(volume.value()), std::move(sampler.value()));
}

void NebulaScene::advance(const SceneFrame& frame) {
    distance_ += speed(options().value(names::speed), frame.reduceMotion) * frame.dt;
    if (distance_ > wrapDistance) distance_ -= wrapDistance;
}

std::span<const Float4> NebulaScene::parameters(const SceneView& view) {
    const Camera c = camera(distance_, view.parallax);
    parameters_[0] = float4(c.position, paletteNumber(options().value(names::palette)));
    parameters_[1] = float4(c.forward, 0);
    parameters_[2] = float4(c.right, 0);
    parameters_[3] = float4(c.up, 0);
    return parameters_;
}

}  // namespace lumen::app
