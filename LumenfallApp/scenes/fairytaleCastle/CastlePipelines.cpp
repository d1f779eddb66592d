#include "scenes/fairytaleCastle/CastlePipelines.hpp"

#include "scenekit/SceneResources.hpp"

#include <string>

namespace lumen::app {

CastlePipelines CastlePipelines::make(GpuContext& gpu, const gpu::ShaderLibrary& library, bool mirror, int sampleCount) {
    const gpu::PixelFormat format = mirror ? gpu::PixelFormat::rgba16Float : gpu::PixelFormat::bgra8Unorm;
    const int samples = mirror ? 1 : sampleCount;
    auto make = [&](const char* vertex, const char* fragment, BlendMode blend) {
        const std::string label = mirror ? std::string("mirror ") + fragment : std::string(fragment);
        return makePipeline(gpu, label, library, vertex, fragment, samples, blend, false, format);
    };
    return {make("skyVertex", "skyFragment", BlendMode::opaque),
            make("terrainVertex", "terrainFragment", BlendMode::opaque),
            make("castleVertex", "castleFragment", BlendMode::opaque),
            make("treeVertex", "treeFragment", BlendMode::opaque),
            make("lanternGlowVertex", "lanternGlowFragment", BlendMode::additive),
            make("starVertex", "fireFragment", BlendMode::additive),
            make("riseVertex", "fireFragment", BlendMode::additive),
            make("flashVertex", "flashFragment", BlendMode::additive),
            make("smokeVertex", "smokeFragment", BlendMode::premultiplied)};
}

}  // namespace lumen::app
