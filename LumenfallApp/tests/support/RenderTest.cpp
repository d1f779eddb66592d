#include "support/RenderTest.hpp"

#include "log/EventLog.hpp"

#include <algorithm>
#include <map>
#include <stdexcept>
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

std::string coverSource(const std::string& fragment) {
    return "#ifdef VERTEX_STAGE\nvoid coverVertex() {\n"
           "    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));\n"
           "    gl_Position = vec4(corner * 2.0 - 1.0, 0.5, 1.0);\n}\n#endif\n"
           "#ifdef FRAGMENT_STAGE\nlayout(location = 0) out vec4 fragColor;\n" +
           fragment + "\n#endif\n";
}

gpu::Texture renderTarget(int width, int height, gpu::PixelFormat format) {
    auto usage = gpu::TextureUsage::renderTarget;
    if (format != gpu::PixelFormat::depth32Float) usage = usage | gpu::TextureUsage::shaderRead;
    auto made = device()->makeTexture({.format = format, .width = width, .height = height, .usage = usage});
    if (!made) throw std::runtime_error("no render target: " + made.error().message);
    return std::move(made.value());
}

SceneError thrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const SceneException& e) {
        return e.error();
    }
    ADD_FAILURE() << "no SceneException";
    return SceneError::resource("nothing thrown");
}

EventCapture::EventCapture() {
    EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
}

EventCapture::~EventCapture() { EventLog::setObserver(nullptr); }

bool EventCapture::saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
}

void releaseShared() {
    auto& s = shared();
    s.context.reset();
    s.device.reset();
}

}  // namespace lumen::app::test
