#include "gpu/Device.hpp"

#include "gpu/gl/FramebufferCache.hpp"
#include "gpu/gl/ProgramCache.hpp"
#include "gpu/gl/Runtime.hpp"
#include "gpu/gl/Submission.hpp"
#include "gpu/gl/UniformRing.hpp"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <string>
#include <type_traits>

namespace lumen::gpu {

namespace {

constexpr std::size_t defaultRingSize = 4 << 20;
// More than the frames in flight plus a still or two; command buffers held beyond that are
// rare and simply not reused.
constexpr std::size_t reusedSubmissions = 8;

Error unavailable(const std::string& detail)
{
    return makeError(ErrorKind::unavailable, std::string(Device::unavailableText) + " (" + detail + ")");
}

std::string eglErrorText(const char* call)
{
    const EGLint error = eglGetError();
    const char* name = nullptr;
    switch (error) {
    case EGL_NOT_INITIALIZED: name = "EGL_NOT_INITIALIZED"; break;
    case EGL_BAD_ALLOC: name = "EGL_BAD_ALLOC"; break;
    case EGL_BAD_ATTRIBUTE: name = "EGL_BAD_ATTRIBUTE"; break;
    case EGL_BAD_CONFIG: name = "EGL_BAD_CONFIG"; break;
    case EGL_BAD_DISPLAY: name = "EGL_BAD_DISPLAY"; break;
    case EGL_BAD_MATCH: name = "EGL_BAD_MATCH"; break;
    case EGL_BAD_NATIVE_WINDOW: name = "EGL_BAD_NATIVE_WINDOW"; break;
    case EGL_BAD_PARAMETER: name = "EGL_BAD_PARAMETER"; break;
    default: break;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(error));
    return std::string(call) + " failed with " + (name ? name : code);
}

std::string glString(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

int glInt(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

void GLAPIENTRY onDebugMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei length, const GLchar* text,
                               const void*)
{
    if (severity == GL_DEBUG_SEVERITY_NOTIFICATION || type == GL_DEBUG_TYPE_PUSH_GROUP ||
        type == GL_DEBUG_TYPE_POP_GROUP) {
        return;
    }
    const std::string_view message(text, length >= 0 ? static_cast<std::size_t>(length) : std::strlen(text));
    detail::note("GL: " + std::string(message));
}

DeviceInfo readInfo(const std::string& platform)
{
    DeviceInfo info;
    info.glMajor = glInt(GL_MAJOR_VERSION);
    info.glMinor = glInt(GL_MINOR_VERSION);
    info.vendor = glString(GL_VENDOR);
    info.renderer = glString(GL_RENDERER);
    info.version = glString(GL_VERSION);
    info.shadingLanguageVersion = glString(GL_SHADING_LANGUAGE_VERSION);
    info.eglPlatform = platform;
    info.uniformBufferOffsetAlignment = static_cast<std::size_t>(std::max(glInt(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT), 1));
    info.storageBufferOffsetAlignment =
        static_cast<std::size_t>(std::max(glInt(GL_SHADER_STORAGE_BUFFER_OFFSET_ALIGNMENT), 1));
    info.maxUniformBlockSize = static_cast<std::size_t>(glInt(GL_MAX_UNIFORM_BLOCK_SIZE));
    GLint64 storage = 0;
    glGetInteger64v(GL_MAX_SHADER_STORAGE_BLOCK_SIZE, &storage);
    info.maxStorageBlockSize = static_cast<std::size_t>(storage);
    info.maxUniformBindings = glInt(GL_MAX_UNIFORM_BUFFER_BINDINGS);
    info.maxStorageBindings = glInt(GL_MAX_SHADER_STORAGE_BUFFER_BINDINGS);
    info.maxTextureUnits = glInt(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS);
    info.maxImageUnits = glInt(GL_MAX_IMAGE_UNITS);
    info.maxColorAttachments = glInt(GL_MAX_COLOR_ATTACHMENTS);
    info.maxSamples = glInt(GL_MAX_SAMPLES);
    info.maxTextureSize = glInt(GL_MAX_TEXTURE_SIZE);
    info.max3DTextureSize = glInt(GL_MAX_3D_TEXTURE_SIZE);
    info.maxComputeInvocations = glInt(GL_MAX_COMPUTE_WORK_GROUP_INVOCATIONS);
    for (GLuint axis = 0; axis < 3; ++axis) {
        glGetIntegeri_v(GL_MAX_COMPUTE_WORK_GROUP_SIZE, axis, &info.maxComputeGroupSize[axis]);
        glGetIntegeri_v(GL_MAX_COMPUTE_WORK_GROUP_COUNT, axis, &info.maxComputeGroupCount[axis]);
    }
    GLint bits = 0;
    glGetQueryiv(GL_TIMESTAMP, GL_QUERY_COUNTER_BITS, &bits);
    info.timestampBits = bits;
    return info;
}

template <class Native>
Native toNative(void* window)
{
    if constexpr (std::is_pointer_v<Native>) {
        return static_cast<Native>(window);
    } else {
        return static_cast<Native>(reinterpret_cast<std::uintptr_t>(window));
    }
}

}  // namespace

Device::Device() = default;

Result<std::unique_ptr<Device>> Device::create(const DeviceDescriptor& descriptor)
{
    if (detail::runtime() != nullptr) {
        return makeError(ErrorKind::invalidDescriptor, "a GPU device already exists in this process");
    }
    std::unique_ptr<Device> device(new Device());

    // Display: the caller's platform, else surfaceless (no window system at all), else default.
    EGLDisplay display = EGL_NO_DISPLAY;
    std::string platform;
    EGLint major = 0, minor = 0;
    if (descriptor.eglPlatform != 0) {
        if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_base")) {
            return unavailable("EGL_EXT_platform_base is missing");
        }
        display = eglGetPlatformDisplayEXT(descriptor.eglPlatform, descriptor.nativeDisplay, nullptr);
        platform = "requested";
        device->platformDisplay_ = true;
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
            return unavailable(eglErrorText("eglInitialize"));
        }
    } else {
        if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
            display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
            if (display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor)) {
                platform = "surfaceless";
                device->platformDisplay_ = true;
            } else {
                display = EGL_NO_DISPLAY;
            }
        }
        if (display == EGL_NO_DISPLAY) {
            display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
            if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
                return unavailable(eglErrorText("eglInitialize"));
            }
            platform = "default";
        }
    }
    device->display_ = display;

    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) {
        return unavailable("EGL_KHR_surfaceless_context is missing");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        return unavailable(eglErrorText("eglBindAPI(EGL_OPENGL_API)"));
    }

    const EGLint windowAttributes[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                       EGL_BLUE_SIZE, 8, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    // Some drivers refuse a window surface whose config does not match the window's visual:
    // take the config of the windows' visual, else an opaque one, else the first.
    EGLConfig windowConfigs[64] = {};
    EGLint found = 0;
    if (eglChooseConfig(display, windowAttributes, windowConfigs, 64, &found) && found > 0) {
        EGLConfig chosen = nullptr;
        EGLConfig opaque = nullptr;
        for (EGLint i = 0; i < found; ++i) {
            EGLint visual = 0;
            EGLint alpha = 0;
            eglGetConfigAttrib(display, windowConfigs[i], EGL_NATIVE_VISUAL_ID, &visual);
            eglGetConfigAttrib(display, windowConfigs[i], EGL_ALPHA_SIZE, &alpha);
            if (descriptor.nativeVisual != 0 && static_cast<unsigned>(visual) == descriptor.nativeVisual) {
                chosen = windowConfigs[i];
                break;
            }
            if (alpha == 0 && opaque == nullptr) {
                opaque = windowConfigs[i];
            }
        }
        device->windowConfig_ = chosen ? chosen : opaque ? opaque : windowConfigs[0];
        EGLint visual = 0;
        eglGetConfigAttrib(display, device->windowConfig_, EGL_NATIVE_VISUAL_ID, &visual);
        device->windowVisual_ = static_cast<unsigned>(visual);
    }
    EGLConfig contextConfig = EGL_NO_CONFIG_KHR;
    if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) {
        // Without configless contexts the context and its window surfaces must share one config.
        const EGLint anyAttributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        if (device->windowConfig_ != nullptr) {
            contextConfig = device->windowConfig_;
        } else if (!eglChooseConfig(display, anyAttributes, &contextConfig, 1, &found) || found == 0) {
            return unavailable("no EGL config renders with desktop OpenGL");
        }
    }

    const bool validation = descriptor.validation == Validation::on ||
#ifdef NDEBUG
                            false;
#else
                            descriptor.validation == Validation::buildDefault;
#endif
    EGLContext context = EGL_NO_CONTEXT;
    for (const bool debugContext : {validation, false}) {
        const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION_KHR, 4,
                                            EGL_CONTEXT_MINOR_VERSION_KHR, 3,
                                            EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR,
                                            EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR,
                                            EGL_CONTEXT_FLAGS_KHR,
                                            debugContext ? EGL_CONTEXT_OPENGL_DEBUG_BIT_KHR : 0,
                                            EGL_NONE};
        context = eglCreateContext(display, contextConfig, EGL_NO_CONTEXT, contextAttributes);
        if (context != EGL_NO_CONTEXT || !debugContext) {
            break;
        }
    }
    if (context == EGL_NO_CONTEXT) {
        return unavailable(eglErrorText("eglCreateContext for an OpenGL 4.3 core context"));
    }
    device->context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        return unavailable(eglErrorText("eglMakeCurrent without a surface"));
    }
    if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 43) {
        return unavailable("the driver offers " + glString(GL_VERSION) + " on " + glString(GL_RENDERER));
    }

    device->runtime_ = std::make_unique<detail::Runtime>();
    auto& rt = *device->runtime_;
    rt.info = readInfo(platform);
    rt.validation = validation;
    rt.messageHandler = descriptor.messageHandler;
    rt.scratchTextureUnit = static_cast<unsigned>(rt.info.maxTextureUnits - 1);
    detail::installRuntime(&rt);

    if (validation) {
        glEnable(GL_DEBUG_OUTPUT);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
        glDebugMessageCallback(onDebugMessage, nullptr);
    }
    // Tight rows everywhere; uploads and readbacks pass explicit strides instead.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // sRGB attachments encode on write, as they would with any other API.
    glEnable(GL_FRAMEBUFFER_SRGB);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    // Point primitives take their size from the vertex shader (gl_PointSize), never from GL state.
    glEnable(GL_PROGRAM_POINT_SIZE);
    // Core profile draws need a vertex array; vertex data is pulled from storage buffers, so one
    // empty array serves every draw.
    glGenVertexArrays(1, &device->vertexArray_);
    glBindVertexArray(device->vertexArray_);

    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    rt.defaultSampler = sampler;

    device->framebuffers_ = std::make_unique<detail::FramebufferCache>();
    rt.framebuffers = device->framebuffers_.get();
    device->programs_ = std::make_unique<detail::ProgramCache>();
    device->submissions_.reserve(reusedSubmissions);
    device->ring_ = std::make_unique<detail::UniformRing>(
        descriptor.uniformRingSize == 0 ? defaultRingSize : descriptor.uniformRingSize,
        rt.info.uniformBufferOffsetAlignment);
    return device;
}

Device::~Device()
{
    if (runtime_ && detail::runtime() == runtime_.get()) {
        inFlight_.clear();
        submissions_.clear();
        ring_.reset();
        programs_.reset();
        framebuffers_.reset();
        runtime_->framebuffers = nullptr;
        glDeleteSamplers(1, &runtime_->defaultSampler);
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &vertexArray_);
        detail::installRuntime(nullptr);
    }
    if (display_ != nullptr) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_ != nullptr) {
            eglDestroyContext(display_, context_);
        }
        // Also a display made on the caller's native display: the caller closes that next, and
        // EGL keeps its displays by native pointer, so a later connection at the same address
        // would otherwise find this one still initialised on the closed connection.
        eglTerminate(display_);
        eglReleaseThread();
    }
}

const DeviceInfo& Device::info() const
{
    static const DeviceInfo none;
    return runtime_ ? runtime_->info : none;
}

bool Device::validationEnabled() const { return runtime_ && runtime_->validation; }
std::size_t Device::contractViolations() const { return runtime_ ? runtime_->violations : 0; }

void Device::resetReportedMessages()
{
    if (runtime_) {
        runtime_->seen.clear();
    }
}

bool Device::makeCurrent()
{
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

Result<WindowSurface> Device::makeWindowSurface(void* nativeWindow)
{
    if (windowConfig_ == nullptr) {
        return makeError(ErrorKind::unsupported, "the " + info().eglPlatform + " EGL display has no window configs");
    }
    EGLSurface surface = platformDisplay_
                             ? eglCreatePlatformWindowSurfaceEXT(display_, windowConfig_, nativeWindow, nullptr)
                             : eglCreateWindowSurface(display_, windowConfig_,
                                                      toNative<EGLNativeWindowType>(nativeWindow), nullptr);
    if (surface == EGL_NO_SURFACE) {
        return makeError(ErrorKind::unsupported, eglErrorText("eglCreateWindowSurface"));
    }
    WindowSurface window(display_, context_, surface);
    if (window.makeCurrent()) {
        eglSwapInterval(display_, 0);
    }
    makeCurrent();
    return window;
}

CommandBuffer Device::makeCommandBuffer(std::string_view label) { return CommandBuffer(*this, label); }

std::shared_ptr<detail::Submission> Device::freeSubmission()
{
    for (const auto& submission : submissions_) {
        if (submission.use_count() == 1) {
            return submission;
        }
    }
    auto made = std::make_shared<detail::Submission>();
    if (submissions_.size() < reusedSubmissions) {
        submissions_.push_back(made);
    }
    return made;
}

void Device::track(const std::shared_ptr<detail::Submission>& submission)
{
    if (std::find(inFlight_.begin(), inFlight_.end(), submission) == inFlight_.end()) {
        inFlight_.push_back(submission);
    }
}

std::size_t Device::pollCompletions()
{
    std::vector<std::shared_ptr<detail::Submission>> done;
    for (auto it = inFlight_.begin(); it != inFlight_.end();) {
        if ((*it)->poll() == CommandBufferStatus::completed) {
            done.push_back(std::move(*it));
            it = inFlight_.erase(it);
        } else {
            ++it;
        }
    }
    // Handlers may commit new work; run them once the list is settled.
    for (auto& submission : done) {
        submission->runHandlers();
    }
    return inFlight_.size();
}

std::size_t Device::cachedProgramCount() const { return programs_ ? programs_->size() : 0; }
std::size_t Device::cachedFramebufferCount() const { return framebuffers_ ? framebuffers_->size() : 0; }

}  // namespace lumen::gpu
