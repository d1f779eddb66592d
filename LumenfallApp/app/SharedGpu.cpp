#include "app/SharedGpu.hpp"

#include "app/CommandLine.hpp"

#include "scenekit/GpuContext.hpp"

#include <iostream>

namespace lumen::app {

int withSharedGpu(const std::function<int(GpuContext&)>& body) {
    GpuContext* gpu = GpuContext::shared();
    if (!gpu) {
        std::cerr << "OpenGL is not available; nothing to draw\n" << GpuContext::unavailableReason() << "\n";
        return cli::exitFailure;
    }
    const int status = body(*gpu);
    GpuContext::shutdown();
    return status;
}

}  // namespace lumen::app
