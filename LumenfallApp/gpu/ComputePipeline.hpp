#pragma once

#include "gpu/ProgramInterface.hpp"
#include "gpu/Result.hpp"

#include <array>
#include <string>
#include <string_view>

namespace lumen::gpu {

class Device;
class ShaderLibrary;

struct ComputePipelineDescriptor {
    std::string_view label;
    const ShaderLibrary* library = nullptr;
    std::string_view computeFunction;
};

// A compute program. Its threadgroup size is the shader's local_size, fixed at compile time.
class ComputePipeline {
public:
    static Result<ComputePipeline> create(Device& device, const ComputePipelineDescriptor& descriptor);

    ComputePipeline(ComputePipeline&&) noexcept = default;
    ComputePipeline& operator=(ComputePipeline&&) noexcept = default;
    ComputePipeline(const ComputePipeline&) = delete;
    ComputePipeline& operator=(const ComputePipeline&) = delete;

    const std::string& label() const { return label_; }
    const std::string& computeFunction() const { return function_; }
    const std::array<int, 3>& threadsPerThreadgroup() const { return localSize_; }
    int maxTotalThreadsPerThreadgroup() const { return localSize_[0] * localSize_[1] * localSize_[2]; }

    unsigned glProgram() const { return program_; }
    const detail::ProgramInterface& interface() const { return interface_; }

private:
    ComputePipeline() = default;

    std::string label_;
    std::string function_;
    std::array<int, 3> localSize_{1, 1, 1};
    unsigned program_ = 0;
    detail::ProgramInterface interface_;
};

}  // namespace lumen::gpu
