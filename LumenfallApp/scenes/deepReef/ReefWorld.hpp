#pragma once

#include "scenekit/SceneFrame.hpp"

#include "LumenKit/scenes/reef/ReefSimulation.hpp"

#include <vector>

namespace lumen::app {

// The Deep Reef's state on the application side: the GPU-free simulation (layout, drift, fish,
// clock, look) plus what the renderer asks of it per view: the camera pose and the pointer threat.
class ReefWorld {
public:
    static constexpr float threatRadius = 2.2f;

    // `zone` (null is UTC) is the one the look is first read in; later looks follow each frame's.
    ReefWorld(reef::ReefLayout layout, SkyState::Instant now, const date::time_zone* zone);

    void step(double dt) { simulation_.step(dt); }
    long prewarm(double seconds) { return simulation_.prewarm(seconds); }
    bool refreshLook(SkyState::Instant date, const date::time_zone* zone) { return simulation_.refreshLook(date, zone); }

    CameraPose pose(int displayIndex, Float2 parallax) const;
    // Points the fish's threat along the pointer ray of `view` seen from `pose`: set while the
    // pointer is active inside a view that lets scenes react, cleared when it rests or the view
    // does not react, left alone while the pointer is outside the window.
    void aimThreat(const SceneView& view, const CameraPose& pose);

    // Per-species lengths and top speeds, built on first use.
    const std::vector<float>& lengths();
    const std::vector<float>& maxSpeeds();

    reef::ReefSimulation& simulation() { return simulation_; }
    const reef::ReefSimulation& simulation() const { return simulation_; }
    const reef::ReefLayout& layout() const { return simulation_.layout(); }
    double clock() const { return simulation_.clock(); }
    const reef::WaterLook& look() const { return simulation_.look(); }
    const std::vector<reef::FishInstanceGPU>& fishGPU() const { return simulation_.instances(); }

private:
    reef::ReefSimulation simulation_;
    std::vector<float> lengths_;
    std::vector<float> maxSpeeds_;
};

}  // namespace lumen::app
