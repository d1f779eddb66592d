#pragma once

#include <array>
#include <cstddef>
#include <string>

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
};

}  // namespace lumen::gpu
