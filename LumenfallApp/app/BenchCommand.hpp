#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// `lumenfall bench <sceneId> [--size WxH] [--frames N] [--json]`: steps and draws a scene off
// screen at 30 frames per second of scene time and reports, per frame after the warm-up: the CPU
// and GPU time, the scene's update and encoding times apart, the heap allocations and the GPU
// work counters (gpu::WorkCounters), which do not depend on the driver.
int runBenchCommand(const std::vector<std::string>& arguments);

}  // namespace lumen::app
