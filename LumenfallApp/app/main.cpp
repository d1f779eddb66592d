// The lumenfall program: without a command (optionally with "-key value" launch switches) the
// desktop wallpaper, otherwise one of the headless commands.

#include "app/BenchCommand.hpp"
#include "app/CommandLine.hpp"
#include "app/PlaceCommand.hpp"
#include "app/RenderCommand.hpp"
#include "app/WallpaperApplication.hpp"
#include "app/WeatherCommand.hpp"
#include "services/ProductIdentity.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const helpText =
    "Lumenfall: live wallpapers drawn in real time with OpenGL.\n"
    "\n"
    "usage: lumenfall [-key value]...\n"
    "       lumenfall --settings [-key value]...\n"
    "       lumenfall <command> [arguments]\n"
    "\n"
    "Without a command, runs the live wallpaper on every display, with a tray menu. Launch switches\n"
    "(-key value) include -scene ID, -sceneOptions key=value,..., -weather CONDITION,\n"
    "-simulateCovered YES, -simulateBattery YES, -onlyMainDisplay YES, -perfLog YES,\n"
    "-noMenuBarItem YES, -animateInSoftware YES (motion even without graphics hardware),\n"
    "-desktopBackend wayland|x11 (which display to draw on) and -quitAfter SECONDS. --settings\n"
    "opens the settings window (in the running wallpaper when there is one).\n"
    "\n"
    "commands:\n"
    "  render <sceneId> [--size WxH] [--hour H] [--weather CONDITION] [--option key=value]...\n"
    "         [--seconds S] [--display N] --out FILE.png|FILE.jpg\n"
    "      Draws one still of a scene (default 1920x1080, 12 s after it starts) into a PNG or JPEG file;\n"
    "      --display draws the part of the scene that display N (0 is the main one) shows.\n"
    "  bench <sceneId> [--size WxH] [--frames N] [--json]\n"
    "      Steps and draws a scene off screen and reports per frame: CPU and GPU milliseconds, update\n"
    "      and encoding microseconds, heap allocations, and the draws, dispatches, uploads and pixels.\n"
    "  place \"TEXT\" [--json] | place --here [--json]\n"
    "      Looks a place up (OpenStreetMap's Nominatim) or finds this computer's position, and prints\n"
    "      the place the settings would store; the error's text and status 1 when there is none.\n"
    "  weather [--place \"TEXT\"] [--json]\n"
    "      Prints the weather the scenes would get now for the stored (or named) place and where it\n"
    "      came from: network, cache (with its age), override or none. Asks MET Norway only when due.\n"
    "  list-scenes\n"
    "      Lists the scenes this program can draw, one id a line.\n"
    "  --version\n"
    "      Prints the version and build number.\n"
    "  --help\n"
    "      Shows this text.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty() || (arguments[0].size() > 1 && arguments[0][0] == '-' && arguments[0][1] != '-' &&
                              arguments[0] != "-h")) {
        return lumen::app::runWallpaperApplication(argc, argv, arguments);
    }
    if (arguments[0] == "--settings") {
        arguments.erase(arguments.begin());
        return lumen::app::runWallpaperApplication(argc, argv, arguments, true);
    }
    if (arguments[0] == "--version") {
        std::printf("lumenfall %s (build %s)\n", lumen::app::productVersion(), lumen::app::productBuild());
        return lumen::app::cli::exitOK;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        std::fputs(helpText, stdout);
        return lumen::app::cli::exitOK;
    }
    const std::string command = arguments[0];
    arguments.erase(arguments.begin());
    if (command == "render") return lumen::app::runRenderCommand(arguments);
    if (command == "bench") return lumen::app::runBenchCommand(arguments);
    if (command == "list-scenes") return lumen::app::runListScenesCommand();
    if (command == "place") return lumen::app::runPlaceCommand(arguments);
    if (command == "weather") return lumen::app::runWeatherCommand(arguments);
    std::fprintf(stderr, "lumenfall: unknown command \"%s\"\n\n", command.c_str());
    std::fputs(helpText, stderr);
    return lumen::app::cli::exitUsage;
}
