#pragma once

#include <string>
#include <vector>

namespace lumen::gpu {

class ComputePipeline;
class RenderPipeline;

// One member of a uniform or storage block as the driver laid it out. Names are GLSL's: "eyeTime",
// "uParams[0]", "vertices[0].position" (the block's own name is not part of them).
struct BlockMemberLayout {
    std::string name;
    int offset = 0;
    int elementStride = 0;  // storage blocks: bytes between elements of the block's unsized array
};

// A uniform (std140) or storage (std430) block of a linked program.
struct BlockLayout {
    std::string name;
    bool storage = false;
    int binding = 0;
    int size = 0;  // bytes; for a storage block ending in an unsized array, the size without it
    std::vector<BlockMemberLayout> members;
};

// The blocks a pipeline's program declares, in the driver's order. Reads the program back, so it
// is meant for checks and tests, not for frames.
std::vector<BlockLayout> blockLayouts(const RenderPipeline& pipeline);
std::vector<BlockLayout> blockLayouts(const ComputePipeline& pipeline);

}  // namespace lumen::gpu
