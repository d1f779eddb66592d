#include "scenekit/ShaderSlot.hpp"

namespace lumen::app {

std::string slotDefines(std::span<const ShaderSlot> bindings) {
    std::string text;
    for (const ShaderSlot& slot : bindings) {
        text += "#define ";
        text += slot.name;
        text += ' ';
        text += std::to_string(slot.index);
        text += '\n';
    }
    return text;
}

}  // namespace lumen::app
