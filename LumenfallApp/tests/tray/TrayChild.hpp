#pragma once

namespace lumen::app::test {

// First argument that makes the test program run as the tray child: an application model with
// its tray icon on whatever display and session bus the environment names, until killed (or
// 60 s). It prints "tray available: 0|1" once the icon is up.
inline constexpr const char* kTrayChildSwitch = "--tray-child";
int runTrayChild(int argc, char** argv);

}  // namespace lumen::app::test
