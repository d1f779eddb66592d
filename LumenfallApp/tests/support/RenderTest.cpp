#include "support/RenderTest.hpp"

#include <map>
#include <memory>

namespace lumen::app::test {

namespace {

struct Shared {
    bool tried = false;
    std::unique_ptr<gpu::Device> device;
    std::unique_ptr<GpuContext> context;
    std::string reason;
    std::map<std::string, std::string> sources;
};

Shared& shared() {
    static Shared instance;
    return instance;
}

void make() {
    auto& s = shared();
    if (s.tried) return;
    s.tried = true;
    auto device = gpu::Device::create();
    if (!device) {
        s.reason = device.error().message;
        return;
    }
    s.device = std::move(device.value());
    auto shipped = GpuContext::directoryLoader(LUMENFALL_BUILD_SHADER_DIR);
    auto context = GpuContext::create(*s.device, [shipped](const std::string& name) -> std::optional<std::string> {
        auto& sources = shared().sources;
        if (auto it = sources.find(name); it != sources.end()) return it->second;
        return shipped(name);
    });
    if (!context) {
        s.reason = context.error().message;
        return;
    }
    s.context = std::move(context.value());
}

}  // namespace

gpu::Device* device() {
    make();
    return shared().device.get();
}

GpuContext* context() {
    make();
    return shared().context.get();
}

const std::string& unavailableReason() {
    make();
    return shared().reason;
}

void setSource(const std::string& name, std::optional<std::string> text) {
    if (text) {
        shared().sources[name] = *text;
    } else {
        shared().sources.erase(name);
    }
}

void releaseShared() {
    auto& s = shared();
    s.context.reset();
    s.device.reset();
}

}  // namespace lumen::app::test
