#include "gpu/gl/Submission.hpp"

#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

namespace lumen::gpu::detail {

Submission::~Submission()
{
    if (!runtime()) {
        return;
    }
    if (fence) {
        glDeleteSync(static_cast<GLsync>(fence));
    }
    if (queries[0] != 0) {
        glDeleteQueries(2, queries);
    }
}

CommandBufferStatus Submission::poll()
{
    if (state != CommandBufferStatus::committed || !runtime()) {
        return state;
    }
    const GLenum signalled = glClientWaitSync(static_cast<GLsync>(fence), 0, 0);
    if (signalled == GL_TIMEOUT_EXPIRED) {
        return state;
    }
    if (queries[0] != 0) {
        // The fence follows the second timestamp, so both should be in; still, never block.
        GLuint available[2] = {0, 0};
        glGetQueryObjectuiv(queries[0], GL_QUERY_RESULT_AVAILABLE, &available[0]);
        glGetQueryObjectuiv(queries[1], GL_QUERY_RESULT_AVAILABLE, &available[1]);
        if (!available[0] || !available[1]) {
            return state;
        }
        GLuint64 ns[2] = {0, 0};
        glGetQueryObjectui64v(queries[0], GL_QUERY_RESULT, &ns[0]);
        glGetQueryObjectui64v(queries[1], GL_QUERY_RESULT, &ns[1]);
        start = static_cast<double>(ns[0]) * 1e-9;
        end = static_cast<double>(ns[1]) * 1e-9;
    }
    state = CommandBufferStatus::completed;
    return state;
}

void Submission::recycle(std::string_view newLabel)
{
    if (fence && runtime()) {
        glDeleteSync(static_cast<GLsync>(fence));
    }
    fence = nullptr;
    label.assign(newLabel);
    state = CommandBufferStatus::notCommitted;
    start = 0.0;
    end = 0.0;
    groupOpen = false;
    handlers.clear();
    counters = {};
}

void Submission::runHandlers()
{
    if (state != CommandBufferStatus::completed) {
        return;
    }
    auto pending = std::move(handlers);
    handlers.clear();
    for (auto& handler : pending) {
        handler(start, end);
    }
}

}  // namespace lumen::gpu::detail
