#include "app/BuiltInScenes.hpp"
#include "app/CommandLine.hpp"

#include <QImage>
#include <QString>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

const SceneInfo& nebula() {
    static const SceneInfo info = *findScene("nebulaFlythrough");
    return info;
}

}  // namespace

TEST(CommandLine, SizesAreWholeNumbersInRange) {
    EXPECT_EQ(parseSize("1920x1080"), std::make_pair(1920, 1080));
    EXPECT_EQ(parseSize("1x16384"), std::make_pair(1, 16384));
    for (const char* bad : {"", "1920", "1920x", "x1080", "0x10", "10x0", "-5x5", "16385x10", "12.5x10", "10x10x10",
                            "1920X1080", " 10x10", "10x10 "}) {
        EXPECT_FALSE(parseSize(bad)) << bad;
    }
}

TEST(CommandLine, NumbersMustBeFiniteAndWhole) {
    EXPECT_EQ(parseNumber("22.5"), 22.5);
    EXPECT_EQ(parseNumber("0"), 0.0);
    EXPECT_EQ(parseNumber("-3"), -3.0);
    for (const char* bad : {"", "abc", "1.5h", "nan", "inf", "1e999"}) EXPECT_FALSE(parseNumber(bad)) << bad;
}

TEST(CommandLine, FeatureMaskFromTheUserDefaultElseTheEnvironment) {
    ::setenv("LUMENFALL_FEATURE_MASK", "4", 1);
    EXPECT_EQ(featureMask(std::nullopt), 4);
    EXPECT_EQ(featureMask("2"), 2);
    EXPECT_EQ(featureMask("two"), 0);
    EXPECT_EQ(featureMask("65536"), 0);
    ::setenv("LUMENFALL_FEATURE_MASK", "four", 1);
    EXPECT_EQ(featureMask(std::nullopt), 0);
    ::unsetenv("LUMENFALL_FEATURE_MASK");
    EXPECT_EQ(featureMask(std::nullopt), 0);
}

TEST(CommandLine, ScenesAreFoundAmongAllRecords) {
    ASSERT_TRUE(findScene("nebulaFlythrough"));
    EXPECT_EQ(findScene("nebulaFlythrough")->className, "NebulaScene");
    for (const auto& info : SceneRegistry::heldBack()) EXPECT_TRUE(findScene(info.id.text())) << info.id.text();
    EXPECT_FALSE(findScene("NebulaFlythrough"));
    EXPECT_FALSE(findScene(""));
    registerBuiltInScenes();
    EXPECT_EQ(sceneIdList(), "deepReef, nebulaFlythrough");  // only the scenes with a class
}

TEST(CommandLine, OptionsStartAtDefaultsAndTakeOnlyChoices) {
    auto defaults = sceneOptions(nebula(), {});
    EXPECT_TRUE(defaults.error.empty());
    EXPECT_EQ(defaults.values.value("speed"), "drift");
    EXPECT_EQ(defaults.values.value("palette"), "classic");

    const std::vector<std::string> overrides{"palette=ember", "speed=cruise", "palette=ice"};
    auto chosen = sceneOptions(nebula(), overrides);
    EXPECT_TRUE(chosen.error.empty());
    EXPECT_EQ(chosen.values.value("palette"), "ice");  // the last one wins
    EXPECT_EQ(chosen.values.value("speed"), "cruise");

    const std::vector<std::string> badValue{"palette=neon"};
    auto refused = sceneOptions(nebula(), badValue);
    EXPECT_NE(refused.error.find("classic, ember, ice"), std::string::npos) << refused.error;

    const std::vector<std::string> badKey{"warp=9"};
    refused = sceneOptions(nebula(), badKey);
    EXPECT_NE(refused.error.find("speed, palette"), std::string::npos) << refused.error;

    const std::vector<std::string> noValue{"palette"};
    EXPECT_FALSE(sceneOptions(nebula(), noValue).error.empty());
}

TEST(LumenfallProgram, HelpAndUsageErrors) {
    auto help = lumenfall("--help");
    EXPECT_EQ(help.status, exitOK);
    EXPECT_NE(help.output.find("render <sceneId>"), std::string::npos);
    EXPECT_NE(help.output.find("bench <sceneId>"), std::string::npos);
    EXPECT_EQ(lumenfall("paint").status, exitUsage);

    auto unknown = lumenfall("render noSuchScene --out /dev/null");
    EXPECT_EQ(unknown.status, exitUsage);
    EXPECT_NE(unknown.output.find("nebulaFlythrough"), std::string::npos) << unknown.output;
    EXPECT_EQ(lumenfall("bench noSuchScene").status, exitUsage);

    auto badChoice = lumenfall("render nebulaFlythrough --option palette=neon --out /dev/null");
    EXPECT_EQ(badChoice.status, exitUsage);
    EXPECT_NE(badChoice.output.find("classic, ember, ice"), std::string::npos) << badChoice.output;

    for (const char* arguments :
         {"render nebulaFlythrough", "render nebulaFlythrough --size 0x9 --out a.png",
          "render nebulaFlythrough --hour 24 --out a.png", "render nebulaFlythrough --weather Rain --out a.png",
          "render nebulaFlythrough --seconds -1 --out a.png", "render nebulaFlythrough --out",
          "render nebulaFlythrough --colour red --out a.png", "bench nebulaFlythrough --frames 0"}) {
        EXPECT_EQ(lumenfall(arguments).status, exitUsage) << arguments;
    }
}

TEST(LumenfallProgram, ListsTheScenesItCanDraw) {
    auto run = lumenfall("list-scenes");
    EXPECT_EQ(run.status, exitOK);
    EXPECT_NE(run.output.find("nebulaFlythrough\n"), std::string::npos) << run.output;
}

TEST(LumenfallProgram, RendersAStillAsPNG) {
    const auto out = scratch("nebula.png");
    std::filesystem::remove(out);
    auto run = lumenfall("render nebulaFlythrough --size 96x54 --hour 22 --weather rain --option palette=ember "
                         "--seconds 1 --out '" + out.string() + "'");
    if (run.output.find("OpenGL is not available") != std::string::npos) GTEST_SKIP() << run.output;
    ASSERT_EQ(run.status, exitOK) << run.output;
    EXPECT_NE(run.output.find(out.string()), std::string::npos);
    EXPECT_NE(run.output.find("GPU"), std::string::npos);
    const QImage image(QString::fromStdString(out.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 96);
    EXPECT_EQ(image.height(), 54);
    // Not one flat colour.
    EXPECT_NE(image.pixel(10, 10), image.pixel(60, 40));

    // A folder that does not exist cannot take the file.
    auto unwritable = lumenfall("render nebulaFlythrough --size 16x16 --out /nonexistent-dir/x.png");
    EXPECT_EQ(unwritable.status, exitFailure) << unwritable.output;

    // The extension names the format.
    for (const char* name : {"still.jpg", "still.JPEG"}) {
        ASSERT_EQ(lumenfall("render deepReef --size 8x8 --seconds 0 --out " + scratch(name).string()).status, exitOK);
        std::string head(3, '\0');
        std::ifstream(scratch(name), std::ios::binary).read(head.data(), 3);
        EXPECT_EQ(head, "\xFF\xD8\xFF") << name << " is not JPEG";
    }
}

// One row per refusal: how the program is started, its exit status and what it says (a display that
// cannot be used: in one line, not Qt's abort).
TEST(LumenfallProgram, RefusesWithTheReason) {
    const std::string out = scratch("refused.png").string(), folder = scratch("folder.png").string();
    std::filesystem::create_directories(folder);
    const std::string none = "DISPLAY= WAYLAND_DISPLAY=", scenes = "scenes: deepReef, nebulaFlythrough\n";
    std::vector<std::tuple<std::string, std::string, int, std::string>> rows = {
        {"DISPLAY=:987", "", exitFailure, "lumenfall: cannot open the X display \":987\""},
        {"DISPLAY='not a display'", "", exitFailure, "lumenfall: \"not a display\" is not an X display name"},
        {"DISPLAY=nosuchhost.invalid:0", "", exitFailure, "cannot open the X display \"nosuchhost.invalid:0\""},
        {"DISPLAY= WAYLAND_DISPLAY=wayland-0", "", exitFailure, "Lumenfall draws on X11 for now"},
        {none, "-quitAfter abc", exitUsage, "-quitAfter takes a number of seconds"},
        {none, "-quitAfter -1", exitUsage, "-quitAfter takes a number of seconds"},
        {"", "render alpineLake --out " + out, exitUsage, "no scene \"alpineLake\" in this build; " + scenes},
        {"", "render noSuchScene --out " + out, exitUsage, scenes},
        {"", "render nebulaFlythrough extra", exitUsage, "unexpected argument 'extra'"},
        {"", "render nebulaFlythrough --option palette --out " + out, exitUsage, "--option takes key=value"},
        {"", "--help", exitOK, "list-scenes"},
        {"", "render nebulaFlythrough --out still.bmp", exitUsage, "--out takes a .png or .jpg file"},
        {"", "render deepReef --out /proc/x.png", exitFailure, "cannot write /proc/x.png: "},
        {"", "render deepReef --out " + folder, exitFailure, "cannot write " + folder + ": Is a directory"},
    };
#ifndef __SANITIZE_ADDRESS__  // the sanitizers' shadow memory fits under no such limit
    rows.emplace_back("ulimit -v 1500000;", "render nebulaFlythrough --size 16384x16384 --seconds 0 --out " + out,
                      exitFailure, "not enough memory for a 16384x16384 still");
#endif
    for (const auto& [environment, arguments, status, says] : rows) {
        auto run = lumenfall(arguments, environment);
        EXPECT_EQ(run.status, status) << environment << " " << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(says), std::string::npos) << environment << " " << arguments << "\n" << run.output;
        EXPECT_TRUE(!environment.starts_with("DISPLAY") || run.output.find('\n') + 1 == run.output.size());
    }
}

TEST(LumenfallProgram, FailuresToDrawExitWithTheirReason) {
    // Without a usable EGL vendor there is no device.
    auto noDevice = lumenfall("render nebulaFlythrough --size 16x16 --out /dev/null",
                              "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
    if (noDevice.status == exitOK) GTEST_SKIP() << "this EGL does not read the vendor override";
    EXPECT_EQ(noDevice.status, exitFailure);
    EXPECT_NE(noDevice.output.find("OpenGL is not available; nothing to draw"), std::string::npos) << noDevice.output;

    // A shader folder without the scene's own source: the scene cannot be built.
    const auto folder = scratch("partial-shaders");
    std::filesystem::create_directories(folder);
    for (const char* name : {"Shared.glsl", "Common.glsl", "ShaderScene.glsl"}) {
        std::filesystem::copy_file(std::filesystem::path(LUMENFALL_BUILD_SHADER_DIR) / name, folder / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    auto noShader = lumenfall("render nebulaFlythrough --size 16x16 --out /dev/null",
                              "LUMENFALL_SHADER_DIR='" + folder.string() + "'");
    EXPECT_EQ(noShader.status, exitFailure);
    EXPECT_NE(noShader.output.find("Nebula.glsl is missing"), std::string::npos) << noShader.output;
}

TEST(LumenfallProgram, BenchReportsMedianAndPercentileAsJSON) {
    auto run = lumenfall("bench nebulaFlythrough --size 64x36 --frames 3 --json");
    if (run.output.find("OpenGL is not available") != std::string::npos) GTEST_SKIP() << run.output;
    ASSERT_EQ(run.status, exitOK) << run.output;
    // The JSON object is the last line; the event log may write before it.
    const auto start = run.output.rfind("\n{");
    const auto report = nlohmann::json::parse(run.output.substr(start == std::string::npos ? 0 : start + 1));
    EXPECT_EQ(report["scene"], "nebulaFlythrough");
    EXPECT_EQ(report["width"], 64);
    EXPECT_EQ(report["height"], 36);
    EXPECT_EQ(report["frames"], 3);
    EXPECT_EQ(report["warmUpFrames"], 10);
    for (const char* key : {"cpuMedianMs", "cpuP95Ms", "gpuMedianMs", "gpuP95Ms"}) {
        ASSERT_TRUE(report[key].is_number()) << key;
        EXPECT_GE(report[key].get<double>(), 0) << key;
    }
    EXPECT_LE(report["cpuMedianMs"].get<double>(), report["cpuP95Ms"].get<double>());
    EXPECT_LE(report["gpuMedianMs"].get<double>(), report["gpuP95Ms"].get<double>());
    for (const char* key : {"updateMedianUs", "updateP95Us", "encodeMedianUs", "encodeP95Us"}) {
        ASSERT_TRUE(report[key].is_number()) << key;
        EXPECT_GT(report[key].get<double>(), 0) << key;
    }
    // The program counts its allocations, and a frame in the steady state makes none.
    EXPECT_EQ(report["allocationsPerFrame"], 0);
    EXPECT_EQ(report["allocationsMostInAFrame"], 0);
    // At least the host's pass, over every pixel of the 64 x 36 view, with one draw.
    const auto& work = report["perFrame"];
    EXPECT_GE(work["renderPasses"].get<double>(), 1);
    EXPECT_GE(work["drawCalls"].get<double>(), 1);
    EXPECT_GE(work["pixelsWritten"].get<double>(), 64 * 36);
    EXPECT_GT(work["bytesUploaded"].get<double>(), 0);
    for (const char* key : {"instances", "dispatches", "threadgroups", "pipelineBinds", "bufferBinds", "textureBinds"}) {
        EXPECT_TRUE(work[key].is_number()) << key;
    }
}

}  // namespace lumen::app::cli
