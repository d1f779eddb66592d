#pragma once

#include "LumenKit/core/Camera.hpp"
#include "LumenKit/scenes/reef/Fish.hpp"
#include "LumenKit/scenes/reef/FishWorld.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"
#include "LumenKit/sky/SkyState.hpp"
#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/reef/WaterLook.hpp"

#include <optional>
#include <vector>

namespace date {
class time_zone;
}

namespace lumen::reef {

// One fish as the reef shaders read it (48 bytes, vec4 lanes).
struct FishInstanceGPU {
    Float4 posLength;  // xyz interpolated position, w = fish size * species length
    Float4 dirPhase;   // xyz unit heading, w = interpolated tail phase
    Float4 info;       // x species index, y fish seed, z speed / maxSpeed (at most 1), w 0

    bool operator==(const FishInstanceGPU&) const = default;
};
static_assert(sizeof(FishInstanceGPU) == 48);

// The Deep Reef's world without any GPU object: the layout, the camera drift, the fish stepped
// at a fixed 10 Hz and interpolated for display, the scene clock and the water look for the
// time of day. The renderer owns one and uploads `instances()` each frame.
class ReefSimulation {
public:
    static constexpr double fixedStep = 0.1;
    // Longer frames are cut to this: at most two fixed steps per frame, so a stall never
    // makes the fish jump or the frame pile up simulation work.
    static constexpr double maxFrameDelta = 0.25;
    static constexpr int maxStepsPerFrame = 2;
    static constexpr int warmUpSteps = 45;
    static constexpr double startClock = 40.0;
    static constexpr double lookRefreshInterval = 20.0;  // seconds of wall time

    static CameraDrift reefDrift();

    // Builds the fish for `layout`, the look for `now` on the local clock of `timeZone`
    // (null = UTC) and runs the warm-up steps.
    ReefSimulation(ReefLayout layout, SkyState::Instant now, const date::time_zone* timeZone);

    // Advances by a frame of dt seconds; returns the number of fixed steps taken.
    int step(double dt);
    // Fast-forwards whole fixed steps covering `seconds` (the clock moves with them); returns
    // the number of steps taken.
    long prewarm(double seconds);
    // Recomputes the look unless the last one is less than lookRefreshInterval away from `date`;
    // returns whether it did.
    bool refreshLook(SkyState::Instant date, const date::time_zone* timeZone);

    const ReefLayout& layout() const { return layout_; }
    const CameraDrift& drift() const { return drift_; }
    FishWorld& fish() { return fish_; }
    const FishWorld& fish() const { return fish_; }
    double clock() const { return clock_; }
    const WaterLook& look() const { return look_; }
    const std::optional<SkyState::Instant>& lookDate() const { return lookDate_; }
    double accumulator() const { return accumulator_; }
    // Fraction of the way from `previous()` to the current fish that the instances show.
    double alpha() const { return alpha_; }
    const std::vector<Fish>& previous() const { return previous_; }
    const std::vector<FishInstanceGPU>& instances() const { return fishGPU_; }

private:
    void fixedStepOnce();
    void buildInstances(double alpha);

    ReefLayout layout_;
    CameraDrift drift_;
    FishWorld fish_;
    double clock_ = 0;
    WaterLook look_;
    std::optional<SkyState::Instant> lookDate_;
    std::vector<FishInstanceGPU> fishGPU_;
    double accumulator_ = 0;
    double alpha_ = 1;
    std::vector<Fish> previous_;
};

}  // namespace lumen::reef
