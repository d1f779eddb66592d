#include "gpu/PixelFormat.hpp"

#include <epoxy/gl.h>

namespace lumen::gpu {

const PixelFormatInfo& formatInfo(PixelFormat format)
{
    // Indexed by the enum's value; keep in the same order.
    static const PixelFormatInfo table[] = {
        {0, 0, 0, 0, false, false, "invalid"},
        {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, false, true, "r8Unorm"},
        {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, false, true, "rg8Unorm"},
        {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, false, true, "rgba8Unorm"},
        // No image-store format exists for sRGB storage.
        {GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, false, false, "rgba8Unorm_srgb"},
        {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, false, true, "bgra8Unorm"},
        {GL_R16F, GL_RED, GL_HALF_FLOAT, 2, false, true, "r16Float"},
        {GL_RG16F, GL_RG, GL_HALF_FLOAT, 4, false, true, "rg16Float"},
        {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, false, true, "rgba16Float"},
        {GL_R32F, GL_RED, GL_FLOAT, 4, false, true, "r32Float"},
        {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, false, true, "rgba32Float"},
        {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, true, false, "depth32Float"},
    };
    const auto index = static_cast<std::size_t>(format);
    if (index >= sizeof(table) / sizeof(table[0])) {
        return table[0];
    }
    return table[index];
}

}  // namespace lumen::gpu
