#pragma once

#include "scenekit/ShaderSlot.hpp"

#include "gpu/Gpu.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace lumen::app {

// The process's one GPU context: the device, the three depth states every scene uses, the
// "Shared" library with the cross-fade pipelines, and the scene libraries compiled on demand
// from the GLSL sources shipped with the application.
class GpuContext {
public:
    // The bindings of the "Shared" library's cross-fade.
    static constexpr ShaderSlot fadeSnapshotSlot{"FADE_SNAPSHOT_SLOT", 0};
    static constexpr ShaderSlot fadeOpacitySlot{"FADE_OPACITY_SLOT", 0};

    // Returns the text of "<name>.glsl", or none when it is missing.
    using SourceLoader = std::function<std::optional<std::string>(const std::string& name)>;

    // The shared context, made on first use; null when the machine has no usable GPU. A failed
    // creation is not retried.
    static GpuContext* shared();
    // How shared() makes its device: the desktop sets its display's EGL platform before the first
    // use so that window surfaces can be made; headless commands keep the surfaceless default.
    // Ignored once shared() was asked.
    static void configureShared(gpu::DeviceDescriptor descriptor);
    // Why shared() is null (the device's or the "Shared" source's error), once it was asked.
    static const std::string& unavailableReason();
    // Drops the shared context (and its device) before static destruction; call once at exit.
    static void shutdown();

    // A context over an existing device with the given source loader (tests, tools). Fails with
    // the reason when the depth states or the "Shared" library cannot be made.
    static gpu::Result<std::unique_ptr<GpuContext>> create(gpu::Device& device, SourceLoader loader);

    // Loads "<name>.glsl" from `directory`; a missing file is logged as
    // "<name>.glsl is missing from the app bundle".
    static SourceLoader directoryLoader(std::string directory);
    // Where the shader sources are: $LUMENFALL_SHADER_DIR, else "Shaders" next to the executable,
    // else the installed data directory (share/lumenfall/Shaders).
    static std::string shaderDirectory();

    // One source text for the names in order: "// ---- <name>.glsl\n" + text + "\n" for each.
    static std::string combinedSource(const std::vector<std::pair<std::string, std::string>>& sources);

    gpu::Device& device() { return device_; }
    const gpu::DepthState& depthWrite() const { return depthWrite_; }  // less, writes on
    const gpu::DepthState& depthRead() const { return depthRead_; }    // lessEqual, writes off
    const gpu::DepthState& depthOff() const { return depthOff_; }      // always, writes off
    const gpu::ShaderLibrary& sharedLibrary() const { return *shared_; }

    // The library for these sources, keyed by the names joined with "+"; compiled once per key.
    // The source starts with the bindings' "#define"s (see ShaderSlot), which also join the key.
    // Throws SceneException (missingShader, shaderCompile); a failure is not cached.
    const gpu::ShaderLibrary& library(const std::vector<std::string>& names, std::span<const ShaderSlot> bindings = {});
    // The cross-fade pipeline for a raster sample count, or null (then there is no cross-fade).
    const gpu::RenderPipeline* fadePipeline(int sampleCount);

    std::optional<std::string> loadSource(const std::string& name) const;
    // How many scene libraries were compiled so far (each key at most once).
    int compileCount() const { return compileCount_; }
    // The caches are unsynchronised: everything runs on the thread that made the context.
    bool onOwnerThread() const { return std::this_thread::get_id() == thread_; }

    ~GpuContext();

private:
    GpuContext(gpu::Device& device, SourceLoader loader);

    gpu::Device& device_;
    SourceLoader loader_;
    gpu::DepthState depthWrite_;
    gpu::DepthState depthRead_;
    gpu::DepthState depthOff_;
    std::optional<gpu::ShaderLibrary> shared_;
    std::map<int, std::optional<gpu::RenderPipeline>> fadePipelines_;
    std::map<std::string, gpu::ShaderLibrary> libraries_;
    int compileCount_ = 0;
    std::thread::id thread_;
};

}  // namespace lumen::app
