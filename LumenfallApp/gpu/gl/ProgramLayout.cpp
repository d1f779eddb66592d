#include "gpu/ProgramLayout.hpp"

#include "gpu/ComputePipeline.hpp"
#include "gpu/RenderPipeline.hpp"

#include <epoxy/gl.h>

#include <algorithm>

namespace lumen::gpu {

namespace {

std::string resourceName(GLuint program, GLenum interface, GLuint index) {
    GLint length = 0;
    const GLenum property = GL_NAME_LENGTH;
    glGetProgramResourceiv(program, interface, index, 1, &property, 1, nullptr, &length);
    std::string name(static_cast<std::size_t>(std::max(length, 1)), '\0');
    GLsizei written = 0;
    glGetProgramResourceName(program, interface, index, length, &written, name.data());
    name.resize(static_cast<std::size_t>(std::max(written, 0)));
    return name;
}

// Members of a block with an instance name come back as "Block.member".
std::string memberName(std::string name, const std::string& block) {
    const std::string prefix = block + ".";
    if (name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
    return name;
}

void readBlocks(GLuint program, GLenum blockInterface, GLenum memberInterface, std::vector<BlockLayout>& out) {
    GLint blocks = 0;
    glGetProgramInterfaceiv(program, blockInterface, GL_ACTIVE_RESOURCES, &blocks);
    const std::size_t first = out.size();
    for (GLuint i = 0; i < static_cast<GLuint>(blocks); ++i) {
        const GLenum properties[] = {GL_BUFFER_BINDING, GL_BUFFER_DATA_SIZE};
        GLint values[2] = {};
        glGetProgramResourceiv(program, blockInterface, i, 2, properties, 2, nullptr, values);
        out.push_back({resourceName(program, blockInterface, i), blockInterface == GL_SHADER_STORAGE_BLOCK,
                       values[0], values[1], {}});
    }

    GLint members = 0;
    glGetProgramInterfaceiv(program, memberInterface, GL_ACTIVE_RESOURCES, &members);
    for (GLuint i = 0; i < static_cast<GLuint>(members); ++i) {
        const bool storage = memberInterface == GL_BUFFER_VARIABLE;
        const GLenum properties[] = {GL_BLOCK_INDEX, GL_OFFSET, GL_ARRAY_STRIDE, GL_TOP_LEVEL_ARRAY_STRIDE};
        GLint values[4] = {};
        glGetProgramResourceiv(program, memberInterface, i, storage ? 4 : 3, properties, 4, nullptr, values);
        if (values[0] < 0 || values[0] >= blocks) continue;  // a plain uniform, outside any block
        BlockLayout& block = out[first + static_cast<std::size_t>(values[0])];
        // An array of structs reports its stride as the top-level one, an array of vectors as its own.
        const int elementStride = storage ? (values[3] > 0 ? values[3] : values[2]) : 0;
        block.members.push_back({memberName(resourceName(program, memberInterface, i), block.name), values[1],
                                 elementStride});
    }
    for (std::size_t b = first; b < out.size(); ++b) {
        std::sort(out[b].members.begin(), out[b].members.end(),
                  [](const BlockMemberLayout& a, const BlockMemberLayout& b) { return a.offset < b.offset; });
    }
}

std::vector<BlockLayout> programBlocks(GLuint program) {
    std::vector<BlockLayout> blocks;
    readBlocks(program, GL_UNIFORM_BLOCK, GL_UNIFORM, blocks);
    readBlocks(program, GL_SHADER_STORAGE_BLOCK, GL_BUFFER_VARIABLE, blocks);
    return blocks;
}

}  // namespace

std::vector<BlockLayout> blockLayouts(const RenderPipeline& pipeline) { return programBlocks(pipeline.glProgram()); }

std::vector<BlockLayout> blockLayouts(const ComputePipeline& pipeline) { return programBlocks(pipeline.glProgram()); }

}  // namespace lumen::gpu
