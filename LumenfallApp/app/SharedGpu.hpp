#pragma once

#include <functional>

namespace lumen::app {

class GpuContext;

// Registers the scene classes, opens the shared GPU context, runs `body` with it and closes the
// context again. Without a usable GPU it says why and fails.
int withSharedGpu(const std::function<int(GpuContext&)>& body);

}  // namespace lumen::app
