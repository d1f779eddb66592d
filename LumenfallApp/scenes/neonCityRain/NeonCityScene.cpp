#include "scenes/neonCityRain/NeonCityScene.hpp"

#include "scenes/neonCityRain/NeonAtlas.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/scenes/neon/NeonStreet.hpp"

#include <cmath>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::neonCityRain;
using neon::NeonSign;

SceneException atlasFailure() { return SceneException(SceneError::resource("neon atlas")); }

}  // namespace

SceneClass NeonCityScene::sceneClass() {
    return ShaderScene::sceneClass<NeonCityScene>(
        "NeonCityScene", "NeonCity", {},
        {{names::time, {names::timeNight, names::timeClock}},
         {names::rain, {names::rainSteady, names::rainLight, names::rainHeavy}}});
}

NeonCityScene::Atlas NeonCityScene::makeAtlas(const std::vector<NeonSign>& signs, const SceneContext& context) {
    auto drawn = NeonAtlas::draw(signs);
    if (!drawn) throw atlasFailure();
    gpu::Device& device = context.gpu.device();
    auto texture = device.makeTexture({
        .format = gpu::PixelFormat::r8Unorm,
        .width = NeonAtlas::size,
        .height = NeonAtlas::size,
        .mipmapLevelCount = atlasLevels,
        .usage = gpu::TextureUsage::shaderRead,
        .label = "neon atlas",
    });
    if (!texture) throw atlasFailure();
    // Image row 0 (the top) becomes texture row 0, so v grows downward as the cells are measured.
    if (!texture->replaceRegion({}, 0, drawn->image.constBits(), NeonAtlas::size)) throw atlasFailure();
    // Without the smaller levels the thin tubes would shimmer in the distance.
    auto commands = device.makeCommandBuffer("neon atlas");
    if (auto blit = commands.blitEncoder("neon atlas mipmaps")) {
        blit->generateMipmaps(*texture);
        blit->endEncoding();
        commands.commit();
        commands.waitUntilCompleted();
    }
    return {std::move(texture.value()), std::move(drawn->rects)};
}

std::array<Float4, 4> NeonCityScene::signVectors(const NeonSign& sign, Float4 rect) {
    const float x = sign.mount != NeonSign::Mount::blade ? sign.side * neon::NeonStreet::halfWidth
                    : sign.side < 0                     ? -neon::NeonStreet::halfWidth
                                                        : neon::NeonStreet::halfWidth - sign.width;
    return {{{x, sign.bottom, sign.z, static_cast<float>(sign.mount)},
             {sign.width, sign.height, sign.flicker, sign.vertical ? 1.0f : 0.0f},
             rect,
             float4(sign.color, 1)}};
}

float NeonCityScene::rainStrength(const std::optional<std::string>& option) {
    if (option == names::rainLight) return 0.45f;
    if (option == names::rainHeavy) return 1.0f;
    return 0.7f;
}

void NeonCityScene::configure(const SceneContext& context) {
    signs_ = neon::NeonStreet::signs();
    Atlas atlas = makeAtlas(signs_, context);
    rects_ = std::move(atlas.rects);
    // Trilinear, so the tubes stay smooth however small a far sign gets.
    auto sampler = device.makeSampler({
        .minFilter = gpu::SamplerFilter::linear,
        .magFilter = gpu::SamplerFilter::linear,
        .mipFilter = gpu::SamplerMipFilter::linear,
        .label = "neon atlas",
    });
    if (!sampler) throw atlasFailure();
    addTexture(std::move(atlas.texture), std::move(sampler.value()));
    for (std::size_t i = 0; i < signs_.size() && i < rects_.size(); ++i)
        for (const Float4& v : signVectors(signs_[i], rects_[i])) signData_.push_back(v);
}

SkyState NeonCityScene::skyFor(const SkyState& frameSky) {
    if (options().value(names::time).value_or(names::timeNight) != names::timeNight) return frameSky;
    SkyState pinned = frameSky;
    pinned.hour = pinnedHour;
    pinned.sunElevation = pinnedSunElevation;
    return pinned;
}

std::span<const Float4> NeonCityScene::parameters(const SceneView& view) {
    const float sway = static_cast<float>(0.15 * std::sin(0.07 * clock()));
    const float offset = view.displayIndex == 0 ? 0.0f : -displayStretch * static_cast<float>(view.displayIndex);
    parameters_[0] = {sway + 0.5f * view.parallax.x, 1.65f + 0.12f * view.parallax.y, offset,
                      rainStrength(options().value(names::rain))};
    parameters_[1] = {static_cast<float>(signs_.size()), 0, 0, 0};
    return parameters_;
}

std::span<const Float4> NeonCityScene::dataBlock(const SceneView&) { return signData_; }

}  // namespace lumen::app
