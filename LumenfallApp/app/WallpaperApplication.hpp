#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// The desktop application: one instance per user and display, the wallpaper on every screen, the
// tray menu, and an orderly stop on quit, SIGINT, SIGTERM and SIGHUP. `arguments` are the
// "-key value" launch switches; `openSettings` (`lumenfall --settings`) opens the settings window, in
// the running instance when there is one. The first launch opens it too. Returns the process's exit status: 1 when the display cannot be
// used, 2 for a -quitAfter that is not a number of seconds.
int runWallpaperApplication(int argc, char** argv, const std::vector<std::string>& arguments,
                            bool openSettings = false);

}  // namespace lumen::app
