#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// `lumenfall render <sceneId> [--size WxH] [--hour H] [--weather CONDITION] [--option key=value]...
// [--seconds S] --out FILE.png`: one still, made the way the thumbnails are, written as a PNG.
int runRenderCommand(const std::vector<std::string>& arguments);

// `lumenfall list-scenes`: the ids of the scenes this build can draw, one a line.
int runListScenesCommand();

}  // namespace lumen::app
