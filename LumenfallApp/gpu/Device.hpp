#pragma once

#include "gpu/BlitEncoder.hpp"
#include "gpu/Buffer.hpp"
#include "gpu/CommandBuffer.hpp"
#include "gpu/ComputeEncoder.hpp"
#include "gpu/ComputePipeline.hpp"
#include "gpu/DepthState.hpp"
#include "gpu/DeviceInfo.hpp"
#include "gpu/RenderEncoder.hpp"
#include "gpu/RenderPipeline.hpp"
#include "gpu/Result.hpp"
#include "gpu/Sampler.hpp"
#include "gpu/ShaderLibrary.hpp"
#include "gpu/Texture.hpp"
#include "gpu/WindowSurface.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace lumen::gpu {

namespace detail {
class FramebufferCache;
class ProgramCache;
class UniformRing;
struct Runtime;
struct Submission;
}  // namespace detail

// Contract checks report broken rules (draws outside a pass, pipelines that do not fit their
// pass, unbound slots) through the message handler; with validation off they are only counted.
// Either way the offending call is skipped. buildDefault: on unless NDEBUG.
enum class Validation { buildDefault = 0, on, off };

struct DeviceDescriptor {
    unsigned eglPlatform = 0;        // 0: Mesa's surfaceless platform, falling back to the default display
    void* nativeDisplay = nullptr;   // with eglPlatform (an X11 Display*, a wl_display*, ...)
    // The native visual the windows are made with (an X11 VisualID); window surfaces use a config
    // of that visual when there is one. 0: any, preferring configs without alpha.
    unsigned nativeVisual = 0;
    Validation validation = Validation::buildDefault;
    std::function<void(std::string_view)> messageHandler;  // null: standard error
    std::size_t uniformRingSize = 0;                       // bytes; 0: 4 MiB
};

// The EGL display and the process's one OpenGL 4.3 core context, current on the calling (main)
// thread without any surface. Everything made from it must be destroyed before it.
class Device {
public:
    // What the user is shown when there is no device.
    static constexpr std::string_view unavailableText = "OpenGL 4.3 isn’t available on this computer";

    // One device per process; a second create() while one lives is an error.
    static Result<std::unique_ptr<Device>> create(const DeviceDescriptor& descriptor = {});

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device();

    const DeviceInfo& info() const;
    bool validationEnabled() const;
    std::size_t contractViolations() const;
    // Lets messages already shown appear again (repeats are otherwise thinned out).
    void resetReportedMessages();

    // Makes the context current without a surface (after drawing to a window).
    bool makeCurrent();
    // A surface for a native window of the display's platform (eglCreatePlatformWindowSurface's
    // meaning of the pointer); an error on the surfaceless platform.
    Result<WindowSurface> makeWindowSurface(void* nativeWindow);
    // The native visual of the window surfaces' config (EGL_NATIVE_VISUAL_ID); 0 when unknown.
    unsigned windowVisual() const { return windowVisual_; }

    CommandBuffer makeCommandBuffer(std::string_view label = {});

    Result<Buffer> makeBuffer(const BufferDescriptor& d) { return Buffer::create(*this, d); }
    Result<Texture> makeTexture(const TextureDescriptor& d) { return Texture::create(*this, d); }
    Result<Sampler> makeSampler(const SamplerDescriptor& d) { return Sampler::create(*this, d); }
    DepthState makeDepthState(const DepthStateDescriptor& d) { return DepthState(d); }
    Result<RenderPipeline> makeRenderPipeline(const RenderPipelineDescriptor& d)
    {
        return RenderPipeline::create(*this, d);
    }
    Result<ComputePipeline> makeComputePipeline(const ComputePipelineDescriptor& d)
    {
        return ComputePipeline::create(*this, d);
    }
    Result<ShaderLibrary> makeLibrary(std::string source, std::string key = {})
    {
        return ShaderLibrary::create(*this, std::move(source), std::move(key));
    }

    // Runs the completion handlers of finished command buffers; returns how many with handlers are
    // still in flight. Never blocks.
    std::size_t pollCompletions();

    std::size_t cachedProgramCount() const;
    std::size_t cachedFramebufferCount() const;

    detail::ProgramCache& programs() { return *programs_; }
    detail::UniformRing& uniformRing() { return *ring_; }

private:
    friend class CommandBuffer;
    Device();
    void track(const std::shared_ptr<detail::Submission>& submission);
    // A submission no command buffer or completion watch holds any more, else a new one.
    std::shared_ptr<detail::Submission> freeSubmission();

    void* display_ = nullptr;
    void* context_ = nullptr;
    void* windowConfig_ = nullptr;
    unsigned windowVisual_ = 0;
    bool platformDisplay_ = false;
    unsigned vertexArray_ = 0;
    std::unique_ptr<detail::Runtime> runtime_;
    std::unique_ptr<detail::FramebufferCache> framebuffers_;
    std::unique_ptr<detail::ProgramCache> programs_;
    std::unique_ptr<detail::UniformRing> ring_;
    std::vector<std::shared_ptr<detail::Submission>> inFlight_;
    // Every frame makes a command buffer: their submissions are kept and reused, a few of them.
    std::vector<std::shared_ptr<detail::Submission>> submissions_;
};

}  // namespace lumen::gpu
