#pragma once

// Internal: the little each resource needs from the live device without holding a pointer to it.
// There is one GL context per process, hence one runtime.

#include "gpu/DeviceInfo.hpp"
#include "gpu/WorkCounters.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace lumen::gpu::detail {

class FramebufferCache;

struct Runtime {
    DeviceInfo info;
    bool validation = false;
    std::function<void(std::string_view)> messageHandler;
    std::size_t violations = 0;
    // How often each distinct violation text occurred; a broken draw repeats every frame, so only
    // the 1st, 10th, 100th, ... occurrence is shown.
    std::map<std::string, std::size_t, std::less<>> seen;
    FramebufferCache* framebuffers = nullptr;
    unsigned scratchTextureUnit = 0;  // texture unit used for uploads and readbacks, never by shaders
    unsigned defaultSampler = 0;
    bool encoderOpen = false;  // GL has one state machine: one encoder at a time, process-wide
    // Uploads are not encoder calls: they are charged to the newest command buffer not yet
    // committed, else kept here for the next one made (the one whose GPU work first reads them).
    WorkCounters* recording = nullptr;
    std::uint64_t unclaimedUploadBytes = 0;
};

// The live device's runtime, or null when there is none (GL calls must then be skipped).
Runtime* runtime();
void installRuntime(Runtime* runtime);

// Adds `bytes` to the uploads of the command buffer being recorded (see Runtime::recording).
void countUpload(std::size_t bytes);

// A broken contract: always counted; with validation on, also reported through the handler
// (repeats thinned out, see Runtime::seen).
void violation(std::string_view message);
// Driver chatter and other notes; only with validation on.
void note(std::string_view message);

// Clears pending GL errors so the next check attributes errors to the call in between.
void clearGlErrors();
// The first GL error since the last clear, or 0.
unsigned takeGlError();
const char* glErrorName(unsigned error);

// Attaches a debug label, truncated to what the driver accepts.
void labelObject(unsigned identifier, unsigned name, std::string_view label);

}  // namespace lumen::gpu::detail
