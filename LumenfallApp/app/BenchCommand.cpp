#include "app/BenchCommand.hpp"

#include "app/BuiltInScenes.hpp"
#include "app/CommandLine.hpp"
#include "app/SharedGpu.hpp"

#include "scenekit/FrameEncoding.hpp"
#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneTargets.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <nlohmann/json.hpp>

#include "LumenKit/sky/LocalZone.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace lumen::app {

namespace {

constexpr int warmUpFrames = 10;
constexpr double frameStep = 1.0 / 30.0;

struct BenchRequest {
    SceneInfo info;
    int width = 1920;
    int height = 1080;
    int frames = 300;
    bool json = false;
};

struct Timings {
    std::vector<double> cpu;  // update + encoding + commit, ms
    std::vector<double> gpu;  // waiting for completion after the commit, ms
};

int usage(const std::string& message) {
    std::cerr << "lumenfall bench: " << message << "\n"
              << "usage: lumenfall bench <sceneId> [--size WxH] [--frames N] [--json]\n";
    return cli::exitUsage;
}

std::optional<int> parse(const std::vector<std::string>& arguments, BenchRequest& request) {
    cli::Arguments args(arguments);
    if (auto status = cli::takeScene(args, "bench", usage, request.info)) return status;
    while (!args.done()) {
        const std::string flag = args.next();
        if (!flag.starts_with("--")) return usage("unexpected argument '" + flag + "'");
        if (flag == "--json") {
            request.json = true;
            continue;
        }
        auto value = args.value();
        if (!value) return usage(flag + " needs a value");
        if (flag == "--size") {
            auto size = cli::parseSize(*value);
            if (!size) return usage("--size takes WIDTHxHEIGHT, each 1 to 16384, e.g. 1920x1080");
            std::tie(request.width, request.height) = *size;
        } else if (flag == "--frames") {
            int frames = 0;
            auto [at, error] = std::from_chars(value->data(), value->data() + value->size(), frames);
            if (error != std::errc{} || at != value->data() + value->size() || frames < 1 || frames > 100000) {
                return usage("--frames takes 1 to 100000");
            }
            request.frames = frames;
        } else {
            return usage("unknown argument " + flag);
        }
    }
    return std::nullopt;
}

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The value at rank ceil(p * n) of the sorted values.
double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::optional<Timings> measure(const BenchRequest& request, LumenScene& scene, int sampleCount, gpu::Device& device) {
    auto drawable = device.makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                        .width = request.width,
                                        .height = request.height,
                                        .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
                                        .label = "bench drawable"});
    SceneTargets targets;
    if (!drawable || !targets.make(device, request.width, request.height, sampleCount)) return std::nullopt;
    const auto pass = makeScenePass(*drawable, targets.msaaColor ? &*targets.msaaColor : nullptr, *targets.depth);

    const int token = 0;
    SceneView view;
    view.id = &token;
    view.width = request.width;
    view.height = request.height;

    SceneFrame frame;
    frame.now = 0;
    frame.clock = 40;
    for (const auto& option : request.info.options) frame.options.values[option.key] = option.defaultValue;
    frame.sky = SkyClock::state(std::chrono::system_clock::now(), std::nullopt, localZone());
    frame.zone = localZone();

    Timings timings;
    for (int i = 0; i < warmUpFrames + request.frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        frame.dt = frameStep;
        frame.clock += frameStep;
        frame.now += frameStep;
        scene.update(frame);
        auto commandBuffer = device.makeCommandBuffer("bench frame");
        FrameEncoding(scene, commandBuffer, frame).encodeView(view, &pass, "bench frame");
        commandBuffer.commit();
        const auto committed = std::chrono::steady_clock::now();
        if (!commandBuffer.waitUntilCompleted()) return std::nullopt;
        const auto completed = std::chrono::steady_clock::now();
        if (i >= warmUpFrames) {
            timings.cpu.push_back(milliseconds(committed - start));
            timings.gpu.push_back(milliseconds(completed - committed));
        }
    }
    scene.releaseView(view.id);
    return timings;
}

void report(const BenchRequest& request, const Timings& t, const gpu::DeviceInfo& device, int sampleCount) {
    const double cpuMedian = median(t.cpu), cpuP95 = percentile(t.cpu, 0.95);
    const double gpuMedian = median(t.gpu), gpuP95 = percentile(t.gpu, 0.95);
    if (request.json) {
        const nlohmann::json out = {
            {"scene", request.info.id.text()}, {"width", request.width},     {"height", request.height},
            {"frames", request.frames},        {"warmUpFrames", warmUpFrames}, {"sampleCount", sampleCount},
            {"renderer", device.renderer},     {"cpuMedianMs", cpuMedian},   {"cpuP95Ms", cpuP95},
            {"gpuMedianMs", gpuMedian},        {"gpuP95Ms", gpuP95},
        };
        std::printf("%s\n", out.dump().c_str());
        return;
    }
    std::printf("%s at %dx%d, %d frames after %d warm-up, %d sample(s), %s\n", request.info.id.text().c_str(),
                request.width, request.height, request.frames, warmUpFrames, sampleCount, device.renderer.c_str());
    std::printf("CPU ms per frame: median %.3f, 95th percentile %.3f\n", cpuMedian, cpuP95);
    std::printf("GPU ms per frame: median %.3f, 95th percentile %.3f\n", gpuMedian, gpuP95);
}

int bench(const BenchRequest& request, GpuContext& gpu) {
    std::unique_ptr<LumenScene> scene;
    try {
        SceneEnvironment environment;
        environment.wallTime = std::chrono::time_point_cast<SkyState::Instant::duration>(std::chrono::system_clock::now());
        environment.zone = localZone();
        environment.featureMask = cli::featureMask(std::nullopt);
        scene = makeScene(request.info, gpu, environment);
    } catch (const SceneException& failure) {
        std::cerr << "lumenfall bench: " << failure.error().description() << "\n";
        return cli::exitFailure;
    }
    const SceneClass* sceneClass = SceneClasses::find(request.info.className);
    const int sampleCount = sceneClass ? sceneClass->sampleCount : 1;
    auto timings = measure(request, *scene, sampleCount, gpu.device());
    if (!timings) {
        std::cerr << "lumenfall bench: the frames could not be drawn\n";
        return cli::exitFailure;
    }
    report(request, *timings, gpu.device().info(), sampleCount);
    return cli::exitOK;
}

}  // namespace

int runBenchCommand(const std::vector<std::string>& arguments) {
    registerBuiltInScenes();
    BenchRequest request;
    if (auto status = parse(arguments, request)) return *status;

    return withSharedGpu([&](GpuContext& gpu) { return bench(request, gpu); });
}

}  // namespace lumen::app
