#include "gpu/gl/ProgramCache.hpp"

#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

#include <vector>

namespace lumen::gpu::detail {

namespace {

GLenum glStage(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::vertex: return GL_VERTEX_SHADER;
    case ShaderStage::fragment: return GL_FRAGMENT_SHADER;
    case ShaderStage::compute: return GL_COMPUTE_SHADER;
    }
    return GL_FRAGMENT_SHADER;
}

const char* stageDefine(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::vertex: return "#version 430 core\n#define VERTEX_STAGE 1\n#line 1\n";
    case ShaderStage::fragment: return "#version 430 core\n#define FRAGMENT_STAGE 1\n#line 1\n";
    case ShaderStage::compute: return "#version 430 core\n#define COMPUTE_STAGE 1\n#line 1\n";
    }
    return "";
}

std::string shaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        glGetShaderInfoLog(shader, length, nullptr, log.data());
        log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    }
    return log;
}

std::string programLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        glGetProgramInfoLog(program, length, nullptr, log.data());
        log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    }
    return log;
}

std::string libraryName(const ShaderLibrary& library)
{
    return library.key().empty() ? std::string("shader library") : library.key();
}

}  // namespace

ProgramCache::~ProgramCache()
{
    if (runtime()) {
        for (auto& [key, program] : programs_) {
            glDeleteProgram(program);
        }
    }
}

Result<unsigned> ProgramCache::compile(const ShaderLibrary& library, ShaderStage stage,
                                       std::string_view entry)
{
    const std::string tail =
        entry.empty() ? std::string("\nvoid main() {}\n") : "\nvoid main() { " + std::string(entry) + "(); }\n";
    const char* strings[] = {stageDefine(stage), library.source().c_str(), tail.c_str()};
    const GLuint shader = glCreateShader(glStage(stage));
    glShaderSource(shader, 3, strings, nullptr);
    glCompileShader(shader);
    ++compiles_;
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        std::string log = shaderLog(shader);
        glDeleteShader(shader);
        const std::string what = entry.empty() ? std::string(toString(stage)) + " stage"
                                               : std::string(entry) + " (" + toString(stage) + " stage)";
        return makeError(ErrorKind::compile, libraryName(library) + ": " + what + " didn't compile: " + log);
    }
    return shader;
}

Result<unsigned> ProgramCache::link(const ShaderLibrary& library, std::initializer_list<unsigned> shaders,
                                    std::string_view what)
{
    const GLuint program = glCreateProgram();
    for (unsigned shader : shaders) {
        glAttachShader(program, shader);
    }
    glLinkProgram(program);
    for (unsigned shader : shaders) {
        glDetachShader(program, shader);
        glDeleteShader(shader);
    }
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        std::string log = programLog(program);
        glDeleteProgram(program);
        return makeError(ErrorKind::link,
                         libraryName(library) + ": " + std::string(what) + " didn't link: " + log);
    }
    labelObject(GL_PROGRAM, program, what);
    return program;
}

Result<unsigned> ProgramCache::renderProgram(const ShaderLibrary& library, std::string_view vertex,
                                             std::string_view fragment)
{
    Key key{library.identity(), std::string(vertex), std::string(fragment), std::string()};
    if (auto found = programs_.find(key); found != programs_.end()) {
        return found->second;
    }
    // Missing entry points are caught before any compile, so the caller can tell them apart.
    if (vertex.empty() || !library.hasFunction(vertex)) {
        return makeError(ErrorKind::missingFunction,
                         libraryName(library) + " has no function \"" + std::string(vertex) + "\"");
    }
    if (!fragment.empty() && !library.hasFunction(fragment)) {
        return makeError(ErrorKind::missingFunction,
                         libraryName(library) + " has no function \"" + std::string(fragment) + "\"");
    }
    auto vs = compile(library, ShaderStage::vertex, vertex);
    if (!vs) {
        return vs.error();
    }
    unsigned fs = 0;
    if (!fragment.empty()) {
        auto compiled = compile(library, ShaderStage::fragment, fragment);
        if (!compiled) {
            glDeleteShader(*vs);
            return compiled.error();
        }
        fs = *compiled;
    }
    const std::string what = std::string(vertex) + "/" + std::string(fragment);
    auto program = fs != 0 ? link(library, {*vs, fs}, what) : link(library, {*vs}, what);
    if (program) {
        programs_.emplace(std::move(key), *program);
    }
    return program;
}

Result<unsigned> ProgramCache::computeProgram(const ShaderLibrary& library, std::string_view kernel)
{
    Key key{library.identity(), std::string(), std::string(), std::string(kernel)};
    if (auto found = programs_.find(key); found != programs_.end()) {
        return found->second;
    }
    if (kernel.empty() || !library.hasFunction(kernel)) {
        return makeError(ErrorKind::missingFunction,
                         libraryName(library) + " has no function \"" + std::string(kernel) + "\"");
    }
    auto cs = compile(library, ShaderStage::compute, kernel);
    if (!cs) {
        return cs.error();
    }
    auto program = link(library, {*cs}, kernel);
    if (program) {
        programs_.emplace(std::move(key), *program);
    }
    return program;
}

Result<void> ProgramCache::checkStage(const ShaderLibrary& library, ShaderStage stage)
{
    auto shader = compile(library, stage, {});
    if (!shader) {
        return shader.error();
    }
    glDeleteShader(*shader);
    return {};
}

}  // namespace lumen::gpu::detail
