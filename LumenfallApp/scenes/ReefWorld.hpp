#pragma once

#include "render/SceneFrame.hpp"

#include "LumenKit/ReefSimulation.hpp"

#include <vector>

namespace lumen::app {

// The Deep Reef's state on the application side: the GPU-free simulation (layout, drift, fish,
// clock, look) plus what the renderer asks of it per view: the camera pose and the pointer threat.
class ReefWorld {
public:
    static constexpr float threatRadius = 2.2f;

    ReefWorld(ReefLayout layout, SkyState::Instant now);

    // The zone the look follows: the computer's own, UTC when it cannot be read.
    static const date::time_zone* localZone();

    void step(double dt) { simulation_.step(dt); }
    long prewarm(double seconds) { return simulation_.prewarm(seconds); }
    bool refreshLook(SkyState::Instant date) { return simulation_.refreshLook(date, zone_); }

    CameraPose pose(int displayIndex, Float2 parallax) const;
    // Points the fish's threat along the pointer ray of `view` seen from `pose`: set while the
    // pointer is active inside a view that lets scenes react, cleared when it rests or the view
    // does not react, left alone while the pointer is outside the window.
    void aimThreat(const SceneView& view, const CameraPose& pose);

    // Per-species lengths and top speeds, built on first use.
    const std::vector<float>& lengths();
    const std::vector<float>& maxSpeeds();

    ReefSimulation& simulation() { return simulation_; }
    const ReefSimulation& simulation() const { return simulation_; }
    const ReefLayout& layout() const { return simulation_.layout(); }
    double clock() const { return simulation_.clock(); }
    const WaterLook& look() const { return simulation_.look(); }
    const std::vector<FishInstanceGPU>& fishGPU() const { return simulation_.instances(); }

private:
    const date::time_zone* zone_;
    ReefSimulation simulation_;
    std::vector<float> lengths_;
    std::vector<float> maxSpeeds_;
};

}  // namespace lumen::app
