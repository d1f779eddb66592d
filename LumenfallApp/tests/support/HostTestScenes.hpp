#pragma once

#include "scenekit/LumenScene.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace lumen::app::test {

// What the host did to the scenes of one class, across every instance.
struct SceneCalls {
    int made = 0;
    int updates = 0;
    int prepareFrames = 0;
    std::vector<ViewID> preparedViews;
    std::vector<SceneView> drawnViews;
    std::vector<ViewID> releasedViews;
    std::optional<SceneFrame> lastUpdate;
};

using Colour = std::array<float, 4>;

// Host test classes, registered with registerHostTestScenes():
//   "HostTestWarm"  sampleCount 1, orange (1, 0.5, 0) everywhere
//   "HostTestCool"  sampleCount 1, blue (0, 0, 1) everywhere
//   "HostTestMsaa"  sampleCount 4, green (0, 1, 0) everywhere
//   "HostTestSplit" sampleCount 1, green (0, 1, 0) below the middle row, white above
//   "HostTestThrows" builds from "HostBroken", GLSL that does not compile, so it throws the
//   SceneException a broken shader gives; "HostTestBroken" throws std::runtime_error("broken on purpose").
inline constexpr Colour warm{1, 0.5f, 0, 1};
inline constexpr Colour cool{0, 0, 1, 1};
inline constexpr Colour green{0, 1, 0, 1};
inline constexpr Colour white{1, 1, 1, 1};

void registerHostTestScenes();
void removeHostTestScenes();
// The calls for a class name; reset with resetSceneCalls().
SceneCalls& sceneCalls(const std::string& className);
void resetSceneCalls();

SceneInfo hostTestInfo(const std::string& id, const std::string& className);

}  // namespace lumen::app::test
