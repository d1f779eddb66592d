#pragma once

#include <span>
#include <string>

namespace lumen::app {

// A binding slot that C++ and GLSL share by name: C++ binds at `index`, and the library's source
// starts with "#define <name> <index>", so the shader writes `binding = <name>` and the number
// lives in one place.
struct ShaderSlot {
    const char* name;
    int index;
};

// The "#define" lines for `bindings`, one per slot, in order.
std::string slotDefines(std::span<const ShaderSlot> bindings);

}  // namespace lumen::app
