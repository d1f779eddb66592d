#include "app/BenchCommand.hpp"

#include "app/AllocationCounter.hpp"
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


#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
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

// The steady-state frames, one entry each.
struct Timings {
    std::vector<double> cpu;     // update + encoding + commit, ms
    std::vector<double> gpu;     // waiting for completion after the commit, ms
    std::vector<double> update;  // scene.update, µs
    std::vector<double> encode;  // the command buffer through FrameEncoding, up to the commit, µs
    std::vector<std::uint64_t> allocations;  // heap allocations over the whole frame
    gpu::WorkCounters work;                  // summed over the frames
    bool allocationsCounted = false;
};

int benchUsage(const std::string& message) {
    std::cerr << "lumenfall bench: " << message << "\n"
              << "usage: lumenfall bench <sceneId> [--size WxH] [--frames N] [--json]\n";
    return cli::exitUsage;
}

std::optional<int> parse(const std::vector<std::string>& arguments, BenchRequest& request) {
    cli::Arguments args(arguments);
    if (auto status = cli::takeScene(args, "bench", benchUsage, request.info)) return status;
    while (!args.done()) {
        const std::string flag = args.next();
        if (!flag.starts_with("--")) return benchUsage("unexpected argument '" + flag + "'");
        if (flag == "--json") {
            request.json = true;
            continue;
        }
        auto value = args.value();
        if (!value) return benchUsage(flag + " needs a value");
        if (flag == "--size") {
            auto size = cli::parseSize(*value);
            if (!size) return benchUsage("--size takes WIDTHxHEIGHT, each 1 to 16384, e.g. 1920x1080");
            std::tie(request.width, request.height) = *size;
        } else if (flag == "--frames") {
            int frames = 0;
            auto [at, error] = std::from_chars(value->data(), value->data() + value->size(), frames);
            if (error != std::errc{} || at != value->data() + value->size() || frames < 1 || frames > 100000) {
                return benchUsage("--frames takes 1 to 100000");
            }
            request.frames = frames;
        } else {
            return benchUsage("unknown argument " + flag);
        }
    }
    return std::nullopt;
}

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double microseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

std::uint64_t allocationsSoFar() { return heapAllocationCount ? heapAllocationCount() : 0; }

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

std::optional<Timings> measure(const BenchRequest& request, LumenScene& scene, int sampleCount, gpu::Device& device,
                               const SceneEnvironment& environment) {
    auto drawable = device.makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                        .width = request.width,
                                        .height = request.height,
                                        .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
                                        .label = "bench drawable"});
    SceneTargets targets;
    if (!drawable || !targets.make(device, request.width, request.height, sampleCount)) return std::nullopt;
    const auto pass = targets.pass(*drawable);

    const int token = 0;
    SceneView view;
    view.id = &token;
    view.width = request.width;
    view.height = request.height;

    SceneFrame frame;
    frame.now = 0;
    frame.clock = 40;
    for (const auto& option : request.info.options) frame.options.values[option.key] = option.defaultValue;
    frame.zone = environment.zone;
    frame.sky = SkyClock::state(environment.wallTime, std::nullopt, frame.zone);

    Timings timings;
    timings.allocationsCounted = heapAllocationCount != nullptr;
    // Reserved up front: the measured frames must not count the benchmark's own bookkeeping.
    for (auto* series : {&timings.cpu, &timings.gpu, &timings.update, &timings.encode}) {
        series->reserve(static_cast<std::size_t>(request.frames));
    }
    timings.allocations.reserve(static_cast<std::size_t>(request.frames));
    for (int i = 0; i < warmUpFrames + request.frames; ++i) {
        const std::uint64_t allocationsBefore = allocationsSoFar();
        const auto start = std::chrono::steady_clock::now();
        frame.dt = frameStep;
        frame.clock += frameStep;
        frame.now += frameStep;
        scene.update(frame);
        const auto updated = std::chrono::steady_clock::now();
        auto commandBuffer = device.makeCommandBuffer("bench frame");
        FrameEncoding(scene, commandBuffer, frame).encodeView(view, &pass, "bench frame");
        const auto encoded = std::chrono::steady_clock::now();
        commandBuffer.commit();
        const auto committed = std::chrono::steady_clock::now();
        if (!commandBuffer.waitUntilCompleted()) return std::nullopt;
        const auto completed = std::chrono::steady_clock::now();
        const std::uint64_t allocations = allocationsSoFar() - allocationsBefore;
        if (i >= warmUpFrames) {
            timings.cpu.push_back(milliseconds(committed - start));
            timings.gpu.push_back(milliseconds(completed - committed));
            timings.update.push_back(microseconds(updated - start));
            timings.encode.push_back(microseconds(encoded - updated));
            timings.allocations.push_back(allocations);
            timings.work += commandBuffer.counters();
        }
    }
    scene.releaseView(view.id);
    return timings;
}

// The work counters as the report names them (JSON key, table label); each reported as its mean per frame.
struct WorkColumn {
    const char* key;
    const char* label;
    std::uint64_t gpu::WorkCounters::*counter;
};
constexpr WorkColumn workColumns[] = {
    {"drawCalls", "draw calls", &gpu::WorkCounters::drawCalls},
    {"instances", "instances", &gpu::WorkCounters::instances},
    {"dispatches", "dispatches", &gpu::WorkCounters::dispatches},
    {"threadgroups", "thread groups", &gpu::WorkCounters::threadgroups},
    {"pipelineBinds", "pipeline binds", &gpu::WorkCounters::pipelineBinds},
    {"bufferBinds", "buffer binds", &gpu::WorkCounters::bufferBinds},
    {"textureBinds", "texture binds", &gpu::WorkCounters::textureBinds},
    {"bytesUploaded", "bytes uploaded", &gpu::WorkCounters::bytesUploaded},
    {"renderPasses", "render passes", &gpu::WorkCounters::renderPasses},
    {"pixelsWritten", "pixels written", &gpu::WorkCounters::pixelsWritten},
};

void report(const BenchRequest& request, const Timings& t, const gpu::DeviceInfo& device, int sampleCount) {
    const double cpuMedian = median(t.cpu), cpuP95 = percentile(t.cpu, 0.95);
    const double gpuMedian = median(t.gpu), gpuP95 = percentile(t.gpu, 0.95);
    const double updateMedian = median(t.update), updateP95 = percentile(t.update, 0.95);
    const double encodeMedian = median(t.encode), encodeP95 = percentile(t.encode, 0.95);
    const double frames = static_cast<double>(std::max<std::size_t>(t.allocations.size(), 1));
    std::uint64_t allocationTotal = 0, allocationMost = 0;
    for (const std::uint64_t a : t.allocations) {
        allocationTotal += a;
        allocationMost = std::max(allocationMost, a);
    }
    const double allocationsPerFrame = static_cast<double>(allocationTotal) / frames;
    auto perFrame = [&](const WorkColumn& column) { return static_cast<double>(t.work.*column.counter) / frames; };

    if (request.json) {
        nlohmann::json out = {
            {"scene", request.info.id.text()}, {"width", request.width},     {"height", request.height},
            {"frames", request.frames},        {"warmUpFrames", warmUpFrames}, {"sampleCount", sampleCount},
            {"renderer", device.renderer},     {"cpuMedianMs", cpuMedian},   {"cpuP95Ms", cpuP95},
            {"gpuMedianMs", gpuMedian},        {"gpuP95Ms", gpuP95},         {"updateMedianUs", updateMedian},
            {"updateP95Us", updateP95},        {"encodeMedianUs", encodeMedian}, {"encodeP95Us", encodeP95},
        };
        // Null where the program does not count allocations (never for the lumenfall executable).
        out["allocationsPerFrame"] = t.allocationsCounted ? nlohmann::json(allocationsPerFrame) : nlohmann::json();
        out["allocationsMostInAFrame"] = t.allocationsCounted ? nlohmann::json(allocationMost) : nlohmann::json();
        nlohmann::json work = nlohmann::json::object();
        for (const auto& column : workColumns) work[column.key] = perFrame(column);
        out["perFrame"] = work;
        std::printf("%s\n", out.dump().c_str());
        return;
    }
    std::printf("%s at %dx%d, %d frames after %d warm-up, %d sample(s), %s\n", request.info.id.text().c_str(),
                request.width, request.height, request.frames, warmUpFrames, sampleCount, device.renderer.c_str());
    std::printf("CPU ms per frame: median %.3f, 95th percentile %.3f\n", cpuMedian, cpuP95);
    std::printf("GPU ms per frame: median %.3f, 95th percentile %.3f\n", gpuMedian, gpuP95);
    // Labels are padded by hand: "µ" is two bytes, which printf's widths would count.
    std::printf("\nper frame after the warm-up   median        p95\n");
    std::printf("  update µs               %10.1f %10.1f\n", updateMedian, updateP95);
    std::printf("  encode µs               %10.1f %10.1f\n", encodeMedian, encodeP95);
    std::printf("                                mean       most\n");
    if (t.allocationsCounted) {
        std::printf("  heap allocations        %10.1f %10llu\n", allocationsPerFrame,
                    static_cast<unsigned long long>(allocationMost));
    } else {
        std::printf("  heap allocations        not counted\n");
    }
    for (const auto& column : workColumns) std::printf("  %-24s%10.1f\n", column.label, perFrame(column));
}

int bench(const BenchRequest& request, GpuContext& gpu) {
    const SceneEnvironment environment = cli::commandEnvironment();
    std::unique_ptr<LumenScene> scene;
    try {
        scene = makeScene(request.info, gpu, environment);
    } catch (const SceneException& failure) {
        std::cerr << "lumenfall bench: " << failure.error().description() << "\n";
        return cli::exitFailure;
    }
    const SceneClass* sceneClass = SceneClasses::find(request.info.className);
    const int sampleCount = sceneClass ? sceneClass->sampleCount : 1;
    auto timings = measure(request, *scene, sampleCount, gpu.device(), environment);
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
