#pragma once

#include <functional>

namespace lumen::app {

class GpuContext;

// Opens the shared GPU context, runs `body` with it and closes the context again. Without a usable
// GPU it says why and fails. The scene classes are registered before (the commands' arguments
// are read against them).
int withSharedGpu(const std::function<int(GpuContext&)>& body);

}  // namespace lumen::app
