#include "app/RenderCommand.hpp"

#include "app/BuiltInScenes.hpp"
#include "app/CommandLine.hpp"
#include "app/SceneStill.hpp"
#include "app/SharedGpu.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneClasses.hpp"
#include "render/SceneHost.hpp"

#include "LumenKit/weather/WeatherCondition.hpp"

#include <QImage>
#include <QString>


#include <algorithm>
#include <cmath>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace lumen::app {

namespace {

constexpr double defaultPrewarm = 12.0;
constexpr double longestPrewarm = 3600.0;
constexpr int maxDisplay = 15;

struct RenderRequest {
    SceneInfo info;
    int width = 1920;
    int height = 1080;
    std::optional<double> hour;
    std::optional<WeatherCondition> weather;
    std::vector<std::string> options;
    SceneOptionValues optionValues;
    double seconds = defaultPrewarm;
    int display = 0;
    std::string out;
    const char* format = "PNG";
};

int renderUsage(const std::string& message) {
    std::cerr << "lumenfall render: " << message << "\n"
              << "usage: lumenfall render <sceneId> [--size WxH] [--hour H] [--weather CONDITION]\n"
              << "                        [--option key=value]... [--seconds S] [--display N] --out FILE.png|FILE.jpg\n";
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

// The image format the file's extension names: PNG without one (/dev/null, a pipe); none for an
// extension that names a format we do not write.
std::optional<const char*> imageFormat(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension.empty() || extension == ".png") return "PNG";
    if (extension == ".jpg" || extension == ".jpeg") return "JPEG";
    return std::nullopt;
}

// Why the still could not be written to `path`, found out before the drawing: an existing file is
// opened for writing without truncating it, a new one is made and removed again.
std::optional<std::string> outputProblem(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const bool made = fd >= 0;
    if (!made && errno == EEXIST) fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return std::string(std::strerror(errno));
    ::close(fd);
    if (made) ::unlink(path.c_str());
    return std::nullopt;
}

// Fills `request` from the arguments; an exit status when they are not usable.
std::optional<int> parse(const std::vector<std::string>& arguments, RenderRequest& request) {
    cli::Arguments args(arguments);
    if (auto status = cli::takeScene(args, "render", renderUsage, request.info)) return status;
    while (!args.done()) {
        const std::string flag = args.next();
        if (!flag.starts_with("--")) return renderUsage("unexpected argument '" + flag + "'");
        auto value = args.value();
        if (!value) return renderUsage(flag + " needs a value");
        if (flag == "--size") {
            auto size = cli::parseSize(*value);
            if (!size) return renderUsage("--size takes WIDTHxHEIGHT, each 1 to 16384, e.g. 1920x1080");
            std::tie(request.width, request.height) = *size;
        } else if (flag == "--hour") {
            auto hour = cli::parseNumber(*value);
            if (!hour || *hour < 0 || *hour >= 24) return renderUsage("--hour takes a clock hour from 0 to below 24");
            request.hour = hour;
        } else if (flag == "--weather") {
            request.weather = WeatherConditionInfo::fromRawValue(*value);
            if (!request.weather) return renderUsage("no weather \"" + *value + "\"; choose one of: " + conditionList());
        } else if (flag == "--option") {
            if (value->find('=') == std::string::npos) return renderUsage("--option takes key=value, e.g. palette=ember");
            request.options.push_back(*value);
        } else if (flag == "--seconds") {
            auto seconds = cli::parseNumber(*value);
            if (!seconds || *seconds < 0 || *seconds > longestPrewarm) {
                return renderUsage("--seconds takes 0 to 3600 seconds of simulated time");
            }
            request.seconds = *seconds;
        } else if (flag == "--display") {
            auto display = cli::parseNumber(*value);
            if (!display || *display < 0 || *display > maxDisplay || *display != std::floor(*display)) {
                return renderUsage("--display takes a display number from 0 to " + std::to_string(maxDisplay));
            }
            request.display = static_cast<int>(*display);
        } else if (flag == "--out") {
            auto format = imageFormat(*value);
            if (!format) return renderUsage("--out takes a .png or .jpg file");
            request.out = *value;
            request.format = *format;
        } else {
            return renderUsage("unknown argument " + flag);
        }
    }
    if (request.out.empty()) return renderUsage("--out FILE.png or FILE.jpg is required");
    auto options = cli::sceneOptions(request.info, request.options);
    if (!options.error.empty()) {
        std::cerr << "lumenfall render: " << options.error << "\n";
        return cli::exitUsage;
    }
    request.optionValues = std::move(options.values);
    return std::nullopt;
}

bool writeImage(const Image& image, const std::string& path, const char* format) {
    return imageView(image).save(QString::fromStdString(path), format);
}

int render(const RenderRequest& request, GpuContext& gpu) {
    SceneHost host(gpu, SceneCatalog{SceneRegistry::offered()}, request.info);
    StillRequest still{.info = request.info,
                       .width = request.width,
                       .height = request.height,
                       .options = request.optionValues,
                       .hour = request.hour.value_or(request.info.thumbnailHour),
                       .seconds = request.seconds,
                       .displayIndex = request.display};
    if (request.weather) still.weather = WeatherState::sample(*request.weather);
    const auto drawn = renderStill(host, still, cli::commandEnvironment());
    if (!drawn.image) {
        std::cerr << "lumenfall render: " << drawn.error << "\n";
        return cli::exitFailure;
    }
    if (!writeImage(*drawn.image, request.out, request.format)) {
        std::cerr << "lumenfall render: could not write " << request.out << "\n";
        return cli::exitFailure;
    }
    std::printf("%s\n%dx%d, GPU %.2f ms\n", request.out.c_str(), request.width, request.height, drawn.gpuMilliseconds);
    return cli::exitOK;
}

}  // namespace

int runRenderCommand(const std::vector<std::string>& arguments) {
    registerBuiltInScenes();
    RenderRequest request;
    if (auto status = parse(arguments, request)) return *status;
    if (auto problem = outputProblem(request.out)) {
        std::cerr << "lumenfall render: cannot write " << request.out << ": " << *problem << "\n";
        return cli::exitFailure;
    }

    return withSharedGpu([&](GpuContext& gpu) {
        try {
            return render(request, gpu);
        } catch (const std::bad_alloc&) {
            std::cerr << "lumenfall render: not enough memory for a " << request.width << "x" << request.height
                      << " still; ask for a smaller --size\n";
            return cli::exitFailure;
        }
    });
}

int runListScenesCommand() {
    registerBuiltInScenes();
    for (const auto& info : SceneRegistry::all()) {
        if (SceneClasses::find(info.className)) std::printf("%s\n", info.id.text().c_str());
    }
    return cli::exitOK;
}

}  // namespace lumen::app
