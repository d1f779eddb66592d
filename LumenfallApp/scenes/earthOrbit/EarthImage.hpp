#pragma once

#include "gpu/Gpu.hpp"

#include <filesystem>
#include <string>

namespace lumen::app {

// One of the Earth's equirectangular images ("<name>.jpg" in `folder`) as a mipmapped texture,
// north at texture row 0. Throws SceneException::resource: the name when the file is missing,
// "<name>: <reader's message>" when it does not decode.
gpu::Texture loadEarthImage(gpu::Device& device, const std::filesystem::path& folder, const std::string& name,
                            bool srgb);

}  // namespace lumen::app
