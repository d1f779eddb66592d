#pragma once

#include "gpu/Result.hpp"

#include <string_view>

namespace lumen::gpu {

class Device;

enum class SamplerFilter { nearest = 0, linear };
enum class SamplerMipFilter { notMipmapped = 0, nearest, linear };
enum class SamplerAddressMode { clampToEdge = 0, repeat, mirrorRepeat, clampToZero };

struct SamplerDescriptor {
    SamplerFilter minFilter = SamplerFilter::nearest;
    SamplerFilter magFilter = SamplerFilter::nearest;
    SamplerMipFilter mipFilter = SamplerMipFilter::notMipmapped;
    SamplerAddressMode sAddressMode = SamplerAddressMode::clampToEdge;
    SamplerAddressMode tAddressMode = SamplerAddressMode::clampToEdge;
    SamplerAddressMode rAddressMode = SamplerAddressMode::clampToEdge;
    float lodMinClamp = 0.0f;
    float lodMaxClamp = 0.0f;  // 0 means no upper clamp
    std::string_view label;
};

// A GL sampler object; bound next to a texture at the same unit.
class Sampler {
public:
    static Result<Sampler> create(Device& device, const SamplerDescriptor& descriptor);

    Sampler(Sampler&& other) noexcept;
    Sampler& operator=(Sampler&& other) noexcept;
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;
    ~Sampler();

    unsigned glName() const { return name_; }

private:
    explicit Sampler(unsigned name) : name_(name) {}
    void release();

    unsigned name_ = 0;
};

}  // namespace lumen::gpu
