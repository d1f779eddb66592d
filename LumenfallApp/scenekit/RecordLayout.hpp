#pragma once

#include "scenekit/ShaderSlot.hpp"

#include "gpu/ProgramLayout.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace lumen::app {

// One member of a C++ record under the name its GLSL block gives it, at the C++ offset.
struct RecordMember {
    const char* name;
    std::size_t offset;
};

// A C++ record that reaches a shader, described member by member so a check can hold it against
// the GLSL block as the driver laid it out. For a storage block the record is one element of its
// unsized array: `size` must be a whole number of the array's strides (a record streamed as vec4s
// is several), and member names carry the element, as in "vertices[0].position".
struct RecordLayout {
    const char* block;
    ShaderSlot slot;
    std::size_t size;
    std::vector<RecordMember> members;
    bool storage = false;
    // The entry points of a program that declares the block.
    const char* vertexFunction = nullptr;
    const char* fragmentFunction = nullptr;
    const char* computeFunction = nullptr;

    // A storage block read as a stream of vec4s: one record is `size` bytes of `member`'s array.
    static RecordLayout vectorStream(const char* block, const char* member, ShaderSlot slot, std::size_t size,
                                     const char* vertex, const char* fragment);
};

// What differs between the record and the block, one line per difference naming the member
// (binding slot, size, a member missing on either side, an offset); empty when they agree.
std::vector<std::string> recordMismatches(const RecordLayout& record, const gpu::BlockLayout& block);

}  // namespace lumen::app
