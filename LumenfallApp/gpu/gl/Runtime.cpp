#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>

namespace lumen::gpu::detail {

namespace {
Runtime* live = nullptr;
}

Runtime* runtime() { return live; }

void installRuntime(Runtime* runtime) { live = runtime; }

void countUpload(std::size_t bytes)
{
    if (!live) {
        return;
    }
    if (live->recording) {
        live->recording->bytesUploaded += bytes;
    } else {
        live->unclaimedUploadBytes += bytes;
    }
}

static void emit(const Runtime& rt, std::string_view text)
{
    if (rt.messageHandler) {
        rt.messageHandler(text);
    } else {
        std::fprintf(stderr, "lumenfall gpu: %.*s\n", static_cast<int>(text.size()), text.data());
    }
}

void violation(std::string_view message)
{
    if (!live) {
        return;
    }
    ++live->violations;
    if (!live->validation) {
        return;
    }
    auto found = live->seen.find(message);
    if (found == live->seen.end()) {
        found = live->seen.emplace(std::string(message), 0).first;
    }
    const std::size_t count = ++found->second;
    std::size_t power = 1;
    while (power < count) {
        power *= 10;
    }
    if (count == 1) {
        emit(*live, message);
    } else if (power == count) {
        emit(*live, std::string(message) + " (" + std::to_string(count) + " times)");
    }
}

void note(std::string_view message)
{
    if (live && live->validation) {
        emit(*live, message);
    }
}

void clearGlErrors()
{
    // Bounded: a lost context can report errors forever.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

unsigned takeGlError()
{
    const GLenum first = glGetError();
    clearGlErrors();
    return first;
}

const char* glErrorName(unsigned error)
{
    switch (error) {
    case GL_NO_ERROR: return "GL_NO_ERROR";
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "unknown GL error";
    }
}

void labelObject(unsigned identifier, unsigned name, std::string_view label)
{
    if (label.empty() || name == 0) {
        return;
    }
    static GLint maxLength = 0;
    if (maxLength == 0) {
        glGetIntegerv(GL_MAX_LABEL_LENGTH, &maxLength);
        maxLength = std::max(maxLength, 1);
    }
    const auto length = std::min<std::size_t>(label.size(), static_cast<std::size_t>(maxLength - 1));
    glObjectLabel(identifier, name, static_cast<GLsizei>(length), label.data());
}

}  // namespace lumen::gpu::detail
