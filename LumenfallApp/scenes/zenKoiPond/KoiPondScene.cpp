#include "scenes/zenKoiPond/KoiPondScene.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/scenes/koi/KoiPondLayout.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::zenKoiPond;
using koi::KoiPondLayout;

constexpr std::size_t dataCapacity =
    1 + koi::KoiPond::fishCount * (1 + KoiPondLayout::spinePoints / 2) + KoiPondLayout::maxRipples;

Float2 unit(Float2 v) {
    const float len = length(v);
    return len > 0 ? v / len : Float2{};
}

}  // namespace

SceneClass KoiPondScene::sceneClass() {
    return ShaderScene::sceneClass<KoiPondScene>(
        "KoiPondScene", "KoiPond", {},
        {{names::season,
          {names::seasonDate, names::seasonSpring, names::seasonSummer, names::seasonAutumn, names::seasonWinter}},
         {names::rain, {names::rainWeather, names::rainNever}}});
}

KoiPondScene::KoiPondScene(const SceneContext& context) : ShaderScene(context) { data_.reserve(dataCapacity); }

float KoiPondScene::rainValue(const std::optional<std::string>& option, const std::optional<WeatherState>& weather) {
    if (option == names::rainNever || !weather) return 0;
    const bool raining = weather->condition == WeatherCondition::rain || weather->condition == WeatherCondition::thunder;
    return raining ? 0.7f * weather->precipitation + 0.3f : 0.0f;
}

koi::KoiSeason KoiPondScene::season() const {
    return koi::resolveSeason(options().value(names::season), sky().dayOfYear, sky().latitude);
}

void KoiPondScene::advance(const SceneFrame& frame) {
    float rain = rainValue(options().value(names::rain), weather());
    if (reduceMotion()) rain *= reducedMotionRain;
    const float winter = season() == koi::KoiSeason::winter ? 1.0f : 0.0f;
    pond_.step(frame.dt, food_, rain, winter);
    if (!food_) {
        lastFoodRipple_.reset();
    } else if (frame.dt > 0 && (!lastFoodRipple_ || length(*lastFoodRipple_ - *food_) > foodRippleSpacing)) {
        pond_.addRipple(*food_, 0.5f);
        lastFoodRipple_ = food_;
    }
}

// Whole steps of a fifteenth of a second, like the pond's own pace; a remainder is dropped.
void KoiPondScene::prewarm(const SceneFrame& frame, double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return;
    const int steps = static_cast<int>(std::floor(seconds * 15.0 + 1e-9));
    SceneFrame stepFrame = frame;
    stepFrame.dt = prewarmStep;
    for (int i = 0; i < steps; ++i) update(stepFrame);
}

std::span<const Float4> KoiPondScene::parameters(const SceneView& view) {
    if (view.displayIndex == 0) {
        food_.reset();
        if (view.pointer && view.pointerActive && view.reactsToPointer) {
            const float aspect = static_cast<float>(view.width) / static_cast<float>(std::max(view.height, 1));
            food_ = Float2{view.pointer->x * aspect, view.pointer->y};
        }
    }
    parameters_[0] = {static_cast<float>(season()), rainValue(options().value(names::rain), weather()),
                      view.displayIndex % 2 != 0 ? 1.0f : 0.0f, static_cast<float>(std::fmod(pond_.time, 3600.0))};
    return parameters_;
}

// Per fish (length, pattern, wag, depth) and its spine bent by the tail's wave, two points a
// vector; then each ripple (x, y, age, strength).
std::span<const Float4> KoiPondScene::dataBlock(const SceneView&) {
    data_.clear();
    data_.push_back({static_cast<float>(pond_.fish.size()), static_cast<float>(pond_.ripples.size()), 0, 0});
    for (const koi::Koi& fish : pond_.fish) {
        data_.push_back({fish.length, static_cast<float>(fish.pattern), fish.wag, fish.depth});
        auto bent = fish.spine;
        for (std::size_t k = 2; k < bent.size(); ++k) {
            const Float2 back = unit(fish.spine[k - 1] - fish.spine[k] + Float2{1e-5f, 1e-5f});
            const float fraction = static_cast<float>(k) / 7.0f;
            const float swing = std::sin(fish.wag - 0.9f * static_cast<float>(k)) * fish.length * 0.07f * fraction * fraction;
            bent[k] = fish.spine[k] + Float2{-back.y, back.x} * swing;
        }
        for (std::size_t k = 0; k < bent.size(); k += 2) data_.push_back({bent[k].x, bent[k].y, bent[k + 1].x, bent[k + 1].y});
    }
    for (const koi::Ripple& ripple : pond_.ripples) {
        data_.push_back({ripple.position.x, ripple.position.y, static_cast<float>(pond_.time - ripple.born), ripple.strength});
    }
    return data_;
}

}  // namespace lumen::app
