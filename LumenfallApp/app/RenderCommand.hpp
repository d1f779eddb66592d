#pragma once

#include <string>
#include <vector>

namespace lumen::app {

// `lumenfall render <sceneId> [--size WxH] [--hour H] [--weather CONDITION] [--option key=value]...
// [--seconds S] --out FILE`: one still, made the way the thumbnails are, written as PNG or JPEG as
// the file's extension says (PNG without one). The output is checked before anything is drawn.
int runRenderCommand(const std::vector<std::string>& arguments);

// `lumenfall list-scenes`: the ids of the scenes this build can draw, one a line.
int runListScenesCommand();

}  // namespace lumen::app
