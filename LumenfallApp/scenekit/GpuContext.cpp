#include "scenekit/GpuContext.hpp"

#include "scenekit/BlendMode.hpp"
#include "scenekit/SceneError.hpp"

#include "log/EventLog.hpp"

#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lumen::app {

namespace {

// The process-wide context and the device it lives on; the context goes first.
struct SharedContext {
    bool tried = false;
    gpu::DeviceDescriptor descriptor;
    std::unique_ptr<gpu::Device> device;
    std::unique_ptr<GpuContext> context;
    std::string reason;
};

SharedContext& sharedContext() {
    static SharedContext instance;
    return instance;
}

std::string joined(const std::vector<std::string>& names, const char* separator) {
    std::string key;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) key += separator;
        key += names[i];
    }
    return key;
}

}  // namespace

GpuContext* GpuContext::shared() {
    auto& s = sharedContext();
    if (s.tried) return s.context.get();
    s.tried = true;
    auto device = gpu::Device::create(s.descriptor);
    if (!device) {
        s.reason = device.error().message;
        return nullptr;
    }
    auto context = create(**device, directoryLoader(shaderDirectory()));
    if (!context) {
        s.reason = context.error().message;
        return nullptr;
    }
    s.device = std::move(device.value());
    s.context = std::move(context.value());
    return s.context.get();
}

void GpuContext::configureShared(gpu::DeviceDescriptor descriptor) {
    auto& s = sharedContext();
    if (!s.tried) s.descriptor = std::move(descriptor);
}

const std::string& GpuContext::unavailableReason() { return sharedContext().reason; }

void GpuContext::shutdown() {
    auto& s = sharedContext();
    s.context.reset();
    s.device.reset();
}

gpu::Result<std::unique_ptr<GpuContext>> GpuContext::create(gpu::Device& device, SourceLoader loader) {
    std::unique_ptr<GpuContext> context(new GpuContext(device, std::move(loader)));
    auto source = context->loadSource("Shared");
    if (!source) return gpu::makeError(gpu::ErrorKind::unavailable, SceneError::missingShader("Shared").description());
    // The host's own shaders: compiled as they are, with no other source in front.
    const ShaderSlot sharedSlots[] = {fadeSnapshotSlot, fadeOpacitySlot};
    auto shared = gpu::ShaderLibrary::create(device, slotDefines(sharedSlots) + *source, "Shared");
    if (!shared) {
        const auto& error = shared.error();
        return gpu::makeError(error.kind, SceneError::shaderCompile("Shared", error.message).description());
    }
    context->shared_.emplace(std::move(shared.value()));
    return context;
}

GpuContext::SourceLoader GpuContext::directoryLoader(std::string directory) {
    return [directory = std::move(directory)](const std::string& name) -> std::optional<std::string> {
        const std::string file = name + ".glsl";
        const std::filesystem::path path = std::filesystem::path(directory) / file;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) {
            logEvent(file + " is missing from the app bundle");
            return std::nullopt;
        }
        std::ifstream in(path, std::ios::binary);
        std::string text;
        if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.is_open() || in.bad()) {
            logEvent(file + " couldn't be read: " + std::strerror(errno));
            return std::nullopt;
        }
        return text;
    };
}

std::string GpuContext::shaderDirectory() {
    if (const char* overridden = std::getenv("LUMENFALL_SHADER_DIR"); overridden && *overridden) {
        return overridden;
    }
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto here = error ? std::filesystem::current_path(error) : executable.parent_path();
    if (std::filesystem::is_directory(here / "Shaders", error)) return (here / "Shaders").string();
    return (here.parent_path() / "share" / "lumenfall" / "Shaders").string();
}

std::string GpuContext::combinedSource(const std::vector<std::pair<std::string, std::string>>& sources) {
    std::string text;
    for (const auto& [name, source] : sources) {
        text += "// ---- " + name + ".glsl\n";
        text += source;
        text += "\n";
    }
    return text;
}

GpuContext::GpuContext(gpu::Device& device, SourceLoader loader)
    : device_(device),
      loader_(std::move(loader)),
      depthWrite_(gpu::DepthStateDescriptor{gpu::CompareFunction::less, true, "depthWrite"}),
      depthRead_(gpu::DepthStateDescriptor{gpu::CompareFunction::lessEqual, false, "depthRead"}),
      depthOff_(gpu::DepthStateDescriptor{gpu::CompareFunction::always, false, "depthOff"}),
      thread_(std::this_thread::get_id()) {}

GpuContext::~GpuContext() = default;

std::optional<std::string> GpuContext::loadSource(const std::string& name) const {
    if (!loader_) return std::nullopt;
    return loader_(name);
}

const gpu::ShaderLibrary& GpuContext::library(const std::vector<std::string>& names,
                                              std::span<const ShaderSlot> bindings) {
    assert(onOwnerThread());
    const std::string defines = slotDefines(bindings);
    const std::string name = joined(names, "+");
    // Two slot sets make two libraries from the same sources.
    const std::string key = defines.empty() ? name : name + "\n" + defines;
    if (auto found = libraries_.find(key); found != libraries_.end()) return found->second;

    std::vector<std::pair<std::string, std::string>> sources;
    sources.reserve(names.size());
    for (const auto& name : names) {
        auto text = loadSource(name);
        if (!text) throw SceneException(SceneError::missingShader(name));
        sources.emplace_back(name, std::move(*text));
    }

    auto compiled = gpu::ShaderLibrary::create(device_, defines + combinedSource(sources), name);
    ++compileCount_;
    if (!compiled) {
        const std::string& message = compiled.error().message;
        logEvent("shader compile failed (" + name + "): " + message);
        throw SceneException(SceneError::shaderCompile(name, message));
    }
    return libraries_.emplace(key, std::move(compiled.value())).first->second;
}

const gpu::RenderPipeline* GpuContext::fadePipeline(int sampleCount) {
    assert(onOwnerThread());
    auto found = fadePipelines_.find(sampleCount);
    if (found == fadePipelines_.end()) {
        gpu::RenderPipelineDescriptor descriptor;
        descriptor.label = "fade";
        descriptor.library = &*shared_;
        descriptor.vertexFunction = "fullscreenVertex";
        descriptor.fragmentFunction = "fadeFragment";
        descriptor.colorAttachments[0].pixelFormat = gpu::PixelFormat::bgra8Unorm;
        applyBlendMode(BlendMode::alpha, descriptor.colorAttachments[0]);
        descriptor.depthAttachmentPixelFormat = gpu::PixelFormat::depth32Float;
        descriptor.sampleCount = sampleCount;
        // A failure only costs the cross-fade, so it is cached as "none" like a success.
        std::optional<gpu::RenderPipeline> pipeline;
        if (auto made = device_.makeRenderPipeline(descriptor)) pipeline.emplace(std::move(made.value()));
        found = fadePipelines_.emplace(sampleCount, std::move(pipeline)).first;
    }
    return found->second ? &*found->second : nullptr;
}

}  // namespace lumen::app
