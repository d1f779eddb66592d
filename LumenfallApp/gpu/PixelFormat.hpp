#pragma once

#include <cstddef>

namespace lumen::gpu {

// `invalid` doubles as "none": an unused colour attachment or a pipeline without depth.
enum class PixelFormat {
    invalid = 0,
    r8Unorm,
    rg8Unorm,
    rgba8Unorm,
    rgba8Unorm_srgb,
    bgra8Unorm,  // stored as RGBA8; only the CPU side (upload, raw readback) sees B,G,R,A order
    r16Float,
    rg16Float,
    rgba16Float,
    r32Float,
    rgba32Float,
    depth32Float,
};

struct PixelFormatInfo {
    unsigned internalFormat = 0;  // sized GL internal format
    unsigned uploadFormat = 0;    // client format of replaceRegion / readBytes
    unsigned uploadType = 0;
    std::size_t bytesPerPixel = 0;
    bool depth = false;
    bool imageStore = false;  // usable with glBindImageTexture
    const char* name = "invalid";
};

const PixelFormatInfo& formatInfo(PixelFormat format);

inline bool isDepthFormat(PixelFormat format) { return formatInfo(format).depth; }

}  // namespace lumen::gpu
