#include "app/BuiltInScenes.hpp"
#include "app/CommandLine.hpp"
#include "services/ProductIdentity.hpp"

#include <QImage>
#include <QString>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace lumen::app::cli {

namespace {

struct Run {
    int status = -1;
    std::string output;  // stdout and stderr together
};

// Runs the built lumenfall program with `arguments` (already shell-quoted where needed), with
// `environment` assignments in front. The child unloads Mesa's driver at exit, whose own unfreed
// globals would read as leaks without a name in sanitizer builds; our code's leaks are checked
// in-process by the other test binaries.
Run lumenfall(const std::string& arguments, const std::string& environment = {}) {
    Run run;
    const std::string command = environment + " LSAN_OPTIONS=detect_leaks=0 LIBGL_ALWAYS_SOFTWARE=1 '" +
                                LUMENFALL_PROGRAM + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

std::filesystem::path scratch(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / "lumenfall-command-tests";
    std::filesystem::create_directories(dir);
    return dir / name;
}

}  // namespace

TEST(CommandLine, SizesAndNumbersAreReadWholeOrNotAtAll) {
    EXPECT_EQ(parseSize("1920x1080"), std::make_pair(1920, 1080));
    EXPECT_EQ(parseSize("1x16384"), std::make_pair(1, 16384));
    for (const char* bad : {"", "1920", "1920x", "x1080", "0x10", "10x0", "-5x5", "16385x10", "12.5x10", "10x10x10",
                            "1920X1080", " 10x10", "10x10 "}) {
        EXPECT_FALSE(parseSize(bad)) << bad;
    }
    EXPECT_EQ(parseNumber("22.5"), 22.5);
    EXPECT_EQ(parseNumber("-3"), -3.0);
    for (const char* bad : {"", "abc", "1.5h", "nan", "inf", "1e999"}) EXPECT_FALSE(parseNumber(bad)) << bad;
}

TEST(CommandLine, SceneOptionsStartAtTheirDefaultsAndTakeOnlyTheirChoices) {
    // Every option starts at its default; an override must name an option and one of its choices.
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, "classic drift"},
        {{"palette=ember", "speed=cruise", "palette=ice"}, "ice cruise"},  // the last one wins
        {{"palette=neon"}, "choose one of: classic, ember, ice"},
        {{"warp=9"}, "its options: speed, palette"},
        {{"palette"}, "is not a choice of palette"},
    };
    for (const auto& [overrides, says] : rows) {
        const auto result = sceneOptions(*findScene("nebulaFlythrough"), overrides);
        const auto& values = result.values;
        const std::string got =
            result.error.empty() ? *values.value("palette") + " " + *values.value("speed") : result.error;
        EXPECT_NE(got.find(says), std::string::npos) << got;
    }
}

// One row per way of starting the program: its exit status and what it says. A display that cannot
// be used is said in one line, not with Qt's abort.
TEST(LumenfallProgram, EveryRefusalSaysWhy) {
    const std::string out = scratch("refused.png").string(), folder = scratch("folder.png").string();
    std::filesystem::create_directories(folder);
    // A shader folder without the scene's own source: the scene cannot be built.
    const auto shaders = scratch("partial-shaders");
    std::filesystem::create_directories(shaders);
    for (const char* name : {"Shared.glsl", "Common.glsl", "ShaderScene.glsl"}) {
        std::filesystem::copy_file(std::filesystem::path(LUMENFALL_BUILD_SHADER_DIR) / name, shaders / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    const std::string none = "DISPLAY= WAYLAND_DISPLAY=", scenes = "scenes: deepReef, ";
    const std::string nebula = "render nebulaFlythrough ";
    std::vector<std::tuple<std::string, std::string, int, std::string>> rows = {
        {"", "--help", exitOK, "bench <sceneId> [--size WxH] [--frames N] [--json]"},
        {"", "list-scenes", exitOK, "nebulaFlythrough\n"},
        {"", "--version", exitOK, std::string("lumenfall ") + productVersion() + " (build " + productBuild() + ")\n"},
        {"", "paint", exitUsage, "unknown command \"paint\""},
        {"DISPLAY=:987", "", exitFailure, "lumenfall: cannot open the X display \":987\""},
        {"DISPLAY='not a display'", "", exitFailure, "lumenfall: \"not a display\" is not an X display name"},
        {"DISPLAY= XDG_RUNTIME_DIR=/tmp WAYLAND_DISPLAY=no-such-wayland", "", exitFailure,
         "cannot connect to the Wayland compositor at no-such-wayland"},
        {"DISPLAY= XDG_RUNTIME_DIR= WAYLAND_DISPLAY=wayland-0", "", exitFailure, "XDG_RUNTIME_DIR is not set"},
        {none, "-desktopBackend mir", exitUsage, "-desktopBackend takes wayland or x11, not \"mir\""},
        {"DISPLAY=:987 WAYLAND_DISPLAY=", "-desktopBackend wayland", exitFailure, "there is no Wayland compositor to draw on"},
        {none, "-quitAfter 1", exitFailure, "there is no display to draw the wallpaper on"},
        {none, "-quitAfter abc", exitUsage, "-quitAfter takes a number of seconds"},
        {none, "-quitAfter -1", exitUsage, "-quitAfter takes a number of seconds"},
        {"", "render noSuchScene --out " + out, exitUsage, "no scene \"noSuchScene\"; " + scenes},
        {"", nebula + "extra", exitUsage, "unexpected argument 'extra'"},
        {"", nebula, exitUsage, "--out FILE.png or FILE.jpg is required"},
        {"", nebula + "--out", exitUsage, "--out needs a value"},
        {"", nebula + "--out still.bmp", exitUsage, "--out takes a .png or .jpg file"},
        {"", nebula + "--size 0x9 --out a.png", exitUsage, "--size takes WIDTHxHEIGHT, each 1 to 16384"},
        {"", nebula + "--hour 24 --out a.png", exitUsage, "--hour takes a clock hour from 0 to below 24"},
        {"", nebula + "--weather Rain --out a.png", exitUsage, "no weather \"Rain\"; choose one of: clear, partlyCloudy"},
        {"", nebula + "--seconds -1 --out a.png", exitUsage, "--seconds takes 0 to 3600 seconds"},
        {"", nebula + "--display 1.5 --out a.png", exitUsage, "--display takes a display number from 0 to 15"},
        {"", nebula + "--colour red --out a.png", exitUsage, "unknown argument --colour"},
        {"", nebula + "--option palette --out " + out, exitUsage, "--option takes key=value"},
        {"", nebula + "--option palette=neon --out " + out, exitUsage, "choose one of: classic, ember, ice"},
        {"", "bench nebulaFlythrough --frames 0", exitUsage, "--frames takes 1 to 100000"},
        {"", "render deepReef --out /proc/x.png", exitFailure, "cannot write /proc/x.png: "},
        {"", "render deepReef --out " + folder, exitFailure, "cannot write " + folder + ": Is a directory"},
        {"", nebula + "--size 16x16 --out /nonexistent-dir/x.png", exitFailure, "cannot write /nonexistent-dir/x.png"},
        {"LUMENFALL_SHADER_DIR='" + shaders.string() + "'", nebula + "--size 16x16 --out /dev/null", exitFailure,
         "Nebula.glsl is missing"},
    };
#ifndef __SANITIZE_ADDRESS__  // the sanitizers' shadow memory fits under no such limit
    rows.emplace_back("ulimit -v 1500000;", nebula + "--size 16384x16384 --seconds 0 --out " + out, exitFailure,
                      "not enough memory for a 16384x16384 still");
#endif
    for (const auto& [environment, arguments, status, says] : rows) {
        auto run = lumenfall(arguments, environment);
        EXPECT_EQ(run.status, status) << environment << " " << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(says), std::string::npos) << environment << " " << arguments << "\n" << run.output;
        EXPECT_TRUE(!environment.starts_with("DISPLAY") || run.output.find('\n') + 1 == run.output.size());
    }

    // Without a usable EGL vendor there is no device (where this EGL reads the override at all).
    auto noDevice = lumenfall(nebula + "--size 16x16 --out /dev/null", "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
    if (noDevice.status != exitOK) {
        EXPECT_EQ(noDevice.status, exitFailure);
        EXPECT_NE(noDevice.output.find("OpenGL is not available; nothing to draw"), std::string::npos) << noDevice.output;
    }
}

// A still of the size asked for, in the format its name says, whatever the extension's case.
TEST(LumenfallProgram, RendersAStillInTheFormatItsNameSays) {
    for (const char* name : {"still.png", "still.JPEG"}) {
        const auto path = scratch(name);
        std::filesystem::remove(path);
        auto run = lumenfall("render nebulaFlythrough --size 96x54 --hour 22 --weather rain --option palette=ember "
                             "--out " + path.string());
        if (run.output.find("OpenGL is not available") != std::string::npos) GTEST_SKIP() << run.output;
        ASSERT_EQ(run.status, exitOK) << run.output;
        EXPECT_NE(run.output.find(path.string()), std::string::npos) << run.output;
        const QImage image(QString::fromStdString(path.string()), name[6] == 'p' ? "PNG" : "JPEG");
        ASSERT_EQ(image.size(), QSize(96, 54)) << name;
        EXPECT_NE(image.pixel(10, 10), image.pixel(60, 40)) << "not one flat colour";
    }
}

TEST(LumenfallProgram, BenchReportsMedianAndPercentileAsJSON) {
    auto run = lumenfall("bench nebulaFlythrough --size 64x36 --frames 3 --json");
    if (run.output.find("OpenGL is not available") != std::string::npos) GTEST_SKIP() << run.output;
    ASSERT_EQ(run.status, exitOK) << run.output;
    // The JSON object is the last line; the event log may write before it.
    const auto report = nlohmann::json::parse(run.output.substr(run.output.rfind("\n{") + 1));
    EXPECT_EQ(report["scene"], "nebulaFlythrough");
    EXPECT_EQ(report["frames"], 3);
    for (const auto& [median, p95] :
         {std::pair{"cpuMedianMs", "cpuP95Ms"}, {"gpuMedianMs", "gpuP95Ms"}, {"encodeMedianUs", "encodeP95Us"}}) {
        EXPECT_GT(report[median].get<double>(), 0) << median;
        EXPECT_LE(report[median].get<double>(), report[p95].get<double>()) << median;
    }
    // A frame in the steady state allocates nothing, and draws at least every pixel of the view once.
    EXPECT_EQ(report["allocationsMostInAFrame"], 0);
    EXPECT_GE(report["perFrame"]["pixelsWritten"].get<double>(), 64 * 36);
}

}  // namespace lumen::app::cli
