#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// `lumenfall bench <sceneId> [--size WxH] [--frames N] [--json]`: steps and draws a scene off
// screen at 30 frames per second of scene time and reports the CPU and GPU time per frame.
int runBenchCommand(const std::vector<std::string>& arguments);

}  // namespace lumen::app
