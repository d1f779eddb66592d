#include "scenes/deepReef/ReefWorld.hpp"

#include "scenes/deepReef/ReefRecords.hpp"

namespace lumen::app {

ReefWorld::ReefWorld(reef::ReefLayout layout, SkyState::Instant now, const date::time_zone* zone)
    : simulation_(std::move(layout), now, zone) {}

CameraPose ReefWorld::pose(int displayIndex, Float2 parallax) const {
    return simulation_.drift().pose(displayIndex, simulation_.clock(), parallax);
}

void ReefWorld::aimThreat(const SceneView& view, const CameraPose& pose) {
    if (!view.reactsToPointer) {
        simulation_.fish().setThreat(std::nullopt);
        return;
    }
    if (!view.pointer) return;
    if (!view.pointerActive) {
        simulation_.fish().setThreat(std::nullopt);
        return;
    }
    const float aspect = static_cast<float>(std::max(view.width, 1)) / static_cast<float>(std::max(view.height, 1));
    simulation_.fish().setThreat(reef::Threat{pose.eye, ReefRecords::pointerRay(pose, *view.pointer, aspect), threatRadius});
}

const std::vector<float>& ReefWorld::lengths() {
    if (lengths_.empty()) {
        for (const auto& s : simulation_.fish().species()) lengths_.push_back(s.length);
    }
    return lengths_;
}

const std::vector<float>& ReefWorld::maxSpeeds() {
    if (maxSpeeds_.empty()) {
        for (const auto& s : simulation_.fish().species()) maxSpeeds_.push_back(s.maxSpeed);
    }
    return maxSpeeds_;
}

}  // namespace lumen::app
