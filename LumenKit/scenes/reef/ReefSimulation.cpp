#include "LumenKit/scenes/reef/ReefSimulation.hpp"

#include "LumenKit/scenes/reef/DayCycle.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::reef {

namespace {

constexpr float twoPi = 2.0f * std::numbers::pi_v<float>;
constexpr float stillSpeed = 0.0001f;

}  // namespace

CameraDrift ReefSimulation::reefDrift() {
    return CameraDrift{{0.0f, 2.7f, 8.6f}, {0.0f, 2.2f, -5.0f}, {0.75f, 0.4f}, 0.6f, 12.0f};
}

ReefSimulation::ReefSimulation(ReefLayout layout, SkyState::Instant now,
                               const date::time_zone* timeZone)
    : layout_(std::move(layout)), drift_(reefDrift()), fish_(layout_) {
    refreshLook(now, timeZone);
    // Start with the schools already formed rather than in their spawn clouds.
    for (int i = 0; i < warmUpSteps; ++i) fixedStepOnce();
    clock_ = startClock;
    buildInstances(1.0);
}

void ReefSimulation::fixedStepOnce() {
    previous_ = fish_.fish();
    fish_.step(fixedStep);
}

int ReefSimulation::step(double dt) {
    if (!(dt > 0)) return 0;
    dt = std::min(dt, maxFrameDelta);
    clock_ += dt;
    accumulator_ += dt;
    int steps = 0;
    while (steps < maxStepsPerFrame && accumulator_ >= fixedStep) {
        fixedStepOnce();
        accumulator_ -= fixedStep;
        ++steps;
    }
    // Whatever could not be caught up is dropped: the display shows at most one step ahead.
    accumulator_ = std::min(accumulator_, fixedStep);
    buildInstances(accumulator_ / fixedStep);
    return steps;
}

long ReefSimulation::prewarm(double seconds) {
    const double wanted = seconds * 10.0;
    if (!(wanted >= 1.0)) {
        buildInstances(1.0);
        return 0;
    }
    // Whole steps only; the cap keeps the conversion defined for absurd requests.
    const long n = static_cast<long>(std::min(wanted, 1.0e12));
    for (long i = 0; i < n; ++i) {
        fixedStepOnce();
        clock_ += fixedStep;
    }
    buildInstances(1.0);
    return n;
}

bool ReefSimulation::refreshLook(SkyState::Instant date, const date::time_zone* timeZone) {
    if (lookDate_ && std::abs((date - *lookDate_).count()) < lookRefreshInterval) return false;
    lookDate_ = date;
    look_ = DayCycle::look(date, timeZone);
    return true;
}

void ReefSimulation::buildInstances(double alpha) {
    alpha_ = alpha;
    const float a = static_cast<float>(alpha);
    const std::vector<Fish>& current = fish_.fish();
    const std::vector<FishSpecies>& species = fish_.species();
    const bool havePrevious = previous_.size() == current.size();
    fishGPU_.resize(current.size());
    for (std::size_t i = 0; i < current.size(); ++i) {
        const Fish& now = current[i];
        const Fish& before = havePrevious ? previous_[i] : now;
        const FishSpecies& s = species[static_cast<std::size_t>(now.species)];
        const Float3 position = before.position + (now.position - before.position) * a;
        const Float3 velocity = before.velocity + (now.velocity - before.velocity) * a;
        const float speed = length(velocity);
        const Float3 heading = speed > stillSpeed ? velocity / speed : Float3{0, 0, 1};
        // The phase wraps at 2 pi; interpolate forwards across the wrap.
        float phaseStep = now.tailPhase - before.tailPhase;
        if (phaseStep < 0) phaseStep += twoPi;
        const float phase = before.tailPhase + a * phaseStep;
        const float relativeSpeed = s.maxSpeed > 0 ? std::min(speed / s.maxSpeed, 1.0f) : 1.0f;
        fishGPU_[i] = FishInstanceGPU{float4(position, now.size * s.length), float4(heading, phase),
                                      Float4{static_cast<float>(now.species), now.seed,
                                             relativeSpeed, 0.0f}};
    }
}

}  // namespace lumen::reef
