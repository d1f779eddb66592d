#include "scenekit/RecordLayout.hpp"

#include <algorithm>

namespace lumen::app {

RecordLayout RecordLayout::vectorStream(const char* block, const char* member, ShaderSlot slot, std::size_t size,
                                        const char* vertex, const char* fragment) {
    return {.block = block,
            .slot = slot,
            .size = size,
            .members = {{member, 0}},
            .storage = true,
            .vertexFunction = vertex,
            .fragmentFunction = fragment};
}

std::vector<std::string> recordMismatches(const RecordLayout& record, const gpu::BlockLayout& block) {
    std::vector<std::string> problems;
    const std::string name = record.block;
    if (block.storage != record.storage) {
        problems.push_back(name + ": a " + (record.storage ? "storage" : "uniform") + " record against a " +
                           (block.storage ? "storage" : "uniform") + " block");
    }
    if (block.binding != record.slot.index) {
        problems.push_back(name + ": binding " + std::to_string(block.binding) + " in GLSL, " + record.slot.name +
                           " = " + std::to_string(record.slot.index) + " in C++");
    }
    if (record.storage) {
        const int stride = block.members.empty() ? 0 : block.members.front().elementStride;
        if (stride <= 0 || record.size % static_cast<std::size_t>(stride) != 0) {
            problems.push_back(name + ": C++ element of " + std::to_string(record.size) +
                               " bytes is not a whole number of the GLSL stride " + std::to_string(stride));
        }
    } else if (static_cast<std::size_t>(block.size) != record.size) {
        problems.push_back(name + ": " + std::to_string(block.size) + " bytes in GLSL, " +
                           std::to_string(record.size) + " in C++");
    }

    for (const RecordMember& member : record.members) {
        const auto found = std::find_if(block.members.begin(), block.members.end(),
                                        [&](const gpu::BlockMemberLayout& m) { return m.name == member.name; });
        if (found == block.members.end()) {
            problems.push_back(name + "." + member.name + ": missing in GLSL");
        } else if (static_cast<std::size_t>(found->offset) != member.offset) {
            problems.push_back(name + "." + member.name + ": offset " + std::to_string(found->offset) +
                               " in GLSL, " + std::to_string(member.offset) + " in C++");
        }
    }
    for (const gpu::BlockMemberLayout& member : block.members) {
        const bool declared = std::any_of(record.members.begin(), record.members.end(),
                                          [&](const RecordMember& m) { return member.name == m.name; });
        if (!declared) problems.push_back(name + "." + member.name + ": missing in C++");
    }
    return problems;
}

}  // namespace lumen::app
