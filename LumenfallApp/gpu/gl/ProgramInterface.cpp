#include "gpu/ProgramInterface.hpp"

#include <epoxy/gl.h>

#include <algorithm>

namespace lumen::gpu::detail {

namespace {

bool isSampler(GLenum type)
{
    switch (type) {
    case GL_SAMPLER_1D: case GL_SAMPLER_2D: case GL_SAMPLER_3D: case GL_SAMPLER_CUBE:
    case GL_SAMPLER_1D_SHADOW: case GL_SAMPLER_2D_SHADOW: case GL_SAMPLER_1D_ARRAY:
    case GL_SAMPLER_2D_ARRAY: case GL_SAMPLER_2D_ARRAY_SHADOW: case GL_SAMPLER_2D_MULTISAMPLE:
    case GL_SAMPLER_2D_MULTISAMPLE_ARRAY: case GL_SAMPLER_CUBE_SHADOW: case GL_SAMPLER_BUFFER:
    case GL_SAMPLER_2D_RECT: case GL_INT_SAMPLER_2D: case GL_INT_SAMPLER_3D:
    case GL_INT_SAMPLER_2D_ARRAY: case GL_INT_SAMPLER_2D_MULTISAMPLE: case GL_UNSIGNED_INT_SAMPLER_2D:
    case GL_UNSIGNED_INT_SAMPLER_3D: case GL_UNSIGNED_INT_SAMPLER_2D_ARRAY:
    case GL_UNSIGNED_INT_SAMPLER_2D_MULTISAMPLE: case GL_SAMPLER_CUBE_MAP_ARRAY:
        return true;
    default:
        return false;
    }
}

bool isImage(GLenum type)
{
    switch (type) {
    case GL_IMAGE_1D: case GL_IMAGE_2D: case GL_IMAGE_3D: case GL_IMAGE_CUBE: case GL_IMAGE_2D_ARRAY:
    case GL_IMAGE_2D_MULTISAMPLE: case GL_IMAGE_BUFFER: case GL_INT_IMAGE_2D: case GL_INT_IMAGE_3D:
    case GL_UNSIGNED_INT_IMAGE_2D: case GL_UNSIGNED_INT_IMAGE_3D: case GL_INT_IMAGE_2D_ARRAY:
    case GL_UNSIGNED_INT_IMAGE_2D_ARRAY:
        return true;
    default:
        return false;
    }
}

void addUnique(std::vector<int>& list, int value)
{
    if (std::find(list.begin(), list.end(), value) == list.end()) {
        list.push_back(value);
    }
}

constexpr GLenum referencedBy[] = {GL_REFERENCED_BY_VERTEX_SHADER, GL_REFERENCED_BY_FRAGMENT_SHADER,
                                   GL_REFERENCED_BY_COMPUTE_SHADER};

// std140 and std430 blocks stay active even when no code reads them, so a library with many
// blocks would demand bindings its entry point never touches. Only what a stage reads counts.
bool referenced(GLuint program, GLenum interface, GLuint index)
{
    GLint values[3] = {};
    glGetProgramResourceiv(program, interface, index, 3, referencedBy, 3, nullptr, values);
    return values[0] != 0 || values[1] != 0 || values[2] != 0;
}

}  // namespace

ProgramInterface reflect(unsigned program)
{
    ProgramInterface out;

    GLint count = 0;
    glGetProgramInterfaceiv(program, GL_UNIFORM_BLOCK, GL_ACTIVE_RESOURCES, &count);
    for (GLuint i = 0; i < static_cast<GLuint>(count); ++i) {
        if (!referenced(program, GL_UNIFORM_BLOCK, i)) {
            continue;
        }
        const GLenum props[] = {GL_BUFFER_BINDING, GL_BUFFER_DATA_SIZE};
        GLint values[2] = {};
        glGetProgramResourceiv(program, GL_UNIFORM_BLOCK, i, 2, props, 2, nullptr, values);
        out.uniformBlocks.push_back({values[0], static_cast<std::size_t>(values[1])});
    }

    glGetProgramInterfaceiv(program, GL_SHADER_STORAGE_BLOCK, GL_ACTIVE_RESOURCES, &count);
    for (GLuint i = 0; i < static_cast<GLuint>(count); ++i) {
        if (!referenced(program, GL_SHADER_STORAGE_BLOCK, i)) {
            continue;
        }
        const GLenum prop = GL_BUFFER_BINDING;
        GLint binding = 0;
        glGetProgramResourceiv(program, GL_SHADER_STORAGE_BLOCK, i, 1, &prop, 1, nullptr, &binding);
        addUnique(out.storageBlocks, binding);
    }

    glGetProgramInterfaceiv(program, GL_UNIFORM, GL_ACTIVE_RESOURCES, &count);
    for (GLuint i = 0; i < static_cast<GLuint>(count); ++i) {
        const GLenum props[] = {GL_TYPE, GL_LOCATION, GL_ARRAY_SIZE, GL_BLOCK_INDEX};
        GLint values[4] = {};
        glGetProgramResourceiv(program, GL_UNIFORM, i, 4, props, 4, nullptr, values);
        const auto type = static_cast<GLenum>(values[0]);
        if (values[3] != -1 || values[1] < 0 || !(isSampler(type) || isImage(type)) ||
            !referenced(program, GL_UNIFORM, i)) {
            continue;
        }
        for (GLint element = 0; element < std::max(values[2], 1); ++element) {
            GLint unit = 0;
            glGetUniformiv(program, values[1] + element, &unit);
            addUnique(isSampler(type) ? out.textureUnits : out.imageUnits, unit);
        }
    }
    return out;
}

}  // namespace lumen::gpu::detail
