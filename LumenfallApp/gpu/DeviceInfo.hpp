#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace lumen::gpu {

// What the driver reported when the device was made; read once, never queried per frame.
struct DeviceInfo {
    int glMajor = 0;
    int glMinor = 0;
    std::string vendor;
    std::string renderer;
    std::string version;
    std::string shadingLanguageVersion;
    std::string eglPlatform;  // "surfaceless", "default", or the caller's platform

    std::size_t uniformBufferOffsetAlignment = 256;
    std::size_t storageBufferOffsetAlignment = 256;
    std::size_t maxUniformBlockSize = 16384;
    std::size_t maxStorageBlockSize = 16 << 20;
    std::size_t maxBufferLength = std::size_t{1} << 31;
    int maxUniformBindings = 0;
    int maxStorageBindings = 0;
    int maxTextureUnits = 0;
    int maxImageUnits = 0;
    int maxColorAttachments = 0;
    int maxSamples = 0;
    int maxTextureSize = 0;
    int max3DTextureSize = 0;
    int maxComputeInvocations = 0;
    std::array<int, 3> maxComputeGroupSize{};
    std::array<int, 3> maxComputeGroupCount{};
    int timestampBits = 0;

    // Mesa's llvmpipe and softpipe, or another rasteriser that runs on the CPU (as in virtual
    // machines and remote desktops without a GPU).
    bool softwareRasterizer() const {
        std::string lower = renderer;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        for (std::string_view name : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe"}) {
            if (lower.find(name) != std::string::npos) return true;
        }
        return false;
    }
};

}  // namespace lumen::gpu
