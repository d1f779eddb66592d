#include "app/RenderCommand.hpp"

#include "app/BuiltInScenes.hpp"
#include "app/CommandLine.hpp"
#include "app/SharedGpu.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"
#include "render/SceneHost.hpp"

#include "LumenKit/sky/SkyClock.hpp"
#include "LumenKit/weather/WeatherCondition.hpp"

#include <QImage>
#include <QString>

#include "LumenKit/sky/LocalZone.hpp"

#include <chrono>
#include <cstdio>
#include <iostream>

namespace lumen::app {

namespace {

constexpr double stillClock = 120.0;
constexpr double defaultPrewarm = 12.0;
constexpr double longestPrewarm = 3600.0;

struct RenderRequest {
    SceneInfo info;
    int width = 1920;
    int height = 1080;
    std::optional<double> hour;
    std::optional<WeatherCondition> weather;
    std::vector<std::string> options;
    SceneOptionValues optionValues;
    double seconds = defaultPrewarm;
    std::string out;
};

int usage(const std::string& message) {
    std::cerr << "lumenfall render: " << message << "\n"
              << "usage: lumenfall render <sceneId> [--size WxH] [--hour H] [--weather CONDITION]\n"
              << "                        [--option key=value]... [--seconds S] --out FILE.png\n";
    return cli::exitUsage;
}

std::string conditionList() {
    std::string list;
    for (auto condition : WeatherConditionInfo::allCases) {
        if (!list.empty()) list += ", ";
        list += WeatherConditionInfo::rawValue(condition);
    }
    return list;
}

// Fills `request` from the arguments; an exit status when they are not usable.
std::optional<int> parse(const std::vector<std::string>& arguments, RenderRequest& request) {
    cli::Arguments args(arguments);
    if (auto status = cli::takeScene(args, "render", usage, request.info)) return status;
    while (!args.done()) {
        const std::string flag = args.next();
        auto value = args.value();
        if (!value) return usage(flag + " needs a value");
        if (flag == "--size") {
            auto size = cli::parseSize(*value);
            if (!size) return usage("--size takes WIDTHxHEIGHT, each 1 to 16384, e.g. 1920x1080");
            std::tie(request.width, request.height) = *size;
        } else if (flag == "--hour") {
            auto hour = cli::parseNumber(*value);
            if (!hour || *hour < 0 || *hour >= 24) return usage("--hour takes a clock hour from 0 to below 24");
            request.hour = hour;
        } else if (flag == "--weather") {
            request.weather = WeatherConditionInfo::fromRawValue(*value);
            if (!request.weather) return usage("no weather \"" + *value + "\"; choose one of: " + conditionList());
        } else if (flag == "--option") {
            request.options.push_back(*value);
        } else if (flag == "--seconds") {
            auto seconds = cli::parseNumber(*value);
            if (!seconds || *seconds < 0 || *seconds > longestPrewarm) {
                return usage("--seconds takes 0 to 3600 seconds of simulated time");
            }
            request.seconds = *seconds;
        } else if (flag == "--out") {
            request.out = *value;
        } else {
            return usage("unknown argument " + flag);
        }
    }
    if (request.out.empty()) return usage("--out FILE.png is required");
    auto options = cli::sceneOptions(request.info, request.options);
    if (!options.error.empty()) {
        std::cerr << "lumenfall render: " << options.error << "\n";
        return cli::exitUsage;
    }
    request.optionValues = std::move(options.values);
    return std::nullopt;
}

bool writePNG(const Image& image, const std::string& path) {
    // Format_RGB32 is 0xffRRGGBB per pixel: in little-endian memory blue, green, red, padding.
    const QImage view(image.bgrx.data(), image.width, image.height, image.width * 4, QImage::Format_RGB32);
    return view.save(QString::fromStdString(path), "PNG");
}

int render(const RenderRequest& request, GpuContext& gpu) {
    const auto now = std::chrono::system_clock::now();
    SceneEnvironment environment;
    environment.wallTime = std::chrono::time_point_cast<SkyState::Instant::duration>(now);
    environment.zone = localZone();
    environment.featureMask = cli::featureMask(std::nullopt);
    std::unique_ptr<LumenScene> scene;
    try {
        scene = makeScene(request.info, gpu, environment);
    } catch (const SceneException& failure) {
        std::cerr << "lumenfall render: " << failure.error().description() << "\n";
        return cli::exitFailure;
    }
    const SceneClass* sceneClass = SceneClasses::find(request.info.className);

    SceneHost host(gpu, SceneCatalog{SceneRegistry::offered()}, request.info);
    SceneFrame frame;
    frame.now = host.mediaTime();
    frame.clock = stillClock;
    frame.dt = 0;
    frame.options = request.optionValues;
    frame.sky = SkyClock::state(now, request.hour.value_or(request.info.thumbnailHour), std::nullopt, environment.zone);
    frame.zone = environment.zone;
    if (request.weather) frame.weather = WeatherState::sample(*request.weather);
    scene->prewarm(frame, request.seconds);

    double gpuMilliseconds = 0;
    auto image = host.renderOffscreen(*scene, request.width, request.height, frame, 0, &gpuMilliseconds,
                                      sceneClass ? sceneClass->sampleCount : 0);
    if (!image) {
        std::cerr << "lumenfall render: the still could not be drawn\n";
        return cli::exitFailure;
    }
    if (!writePNG(*image, request.out)) {
        std::cerr << "lumenfall render: could not write " << request.out << "\n";
        return cli::exitFailure;
    }
    std::printf("%s\n%dx%d, GPU %.2f ms\n", request.out.c_str(), request.width, request.height, gpuMilliseconds);
    return cli::exitOK;
}

}  // namespace

int runRenderCommand(const std::vector<std::string>& arguments) {
    RenderRequest request;
    if (auto status = parse(arguments, request)) return *status;

    return withSharedGpu([&](GpuContext& gpu) { return render(request, gpu); });
}

int runListScenesCommand() {
    registerBuiltInScenes();
    for (const auto& info : SceneRegistry::all()) {
        if (SceneClasses::find(info.className)) std::printf("%s\n", info.id.text().c_str());
    }
    return cli::exitOK;
}

}  // namespace lumen::app
