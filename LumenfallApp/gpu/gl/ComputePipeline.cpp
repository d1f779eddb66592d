#include "gpu/ComputePipeline.hpp"

#include "gpu/Device.hpp"
#include "gpu/gl/ProgramCache.hpp"
#include "gpu/ShaderLibrary.hpp"

#include <epoxy/gl.h>

namespace lumen::gpu {

Result<ComputePipeline> ComputePipeline::create(Device& device, const ComputePipelineDescriptor& d)
{
    if (d.library == nullptr) {
        const std::string name = d.label.empty() ? "compute pipeline" : "compute pipeline \"" + std::string(d.label) + "\"";
        return makeError(ErrorKind::invalidDescriptor, name + ": no shader library");
    }
    auto program = device.programs().computeProgram(*d.library, d.computeFunction);
    if (!program) {
        return program.error();
    }
    ComputePipeline pipeline;
    pipeline.label_ = std::string(d.label);
    pipeline.function_ = std::string(d.computeFunction);
    pipeline.program_ = *program;
    GLint size[3] = {1, 1, 1};
    glGetProgramiv(*program, GL_COMPUTE_WORK_GROUP_SIZE, size);
    pipeline.localSize_ = {size[0], size[1], size[2]};
    pipeline.interface_ = detail::reflect(*program);
    return pipeline;
}

}  // namespace lumen::gpu
