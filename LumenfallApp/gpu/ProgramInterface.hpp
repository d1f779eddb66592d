#pragma once

// Internal: what a linked program expects to find bound, read once when a pipeline is made so
// encoders can refuse a draw that would read unbound slots.

#include <cstddef>
#include <vector>

namespace lumen::gpu::detail {

struct UniformBlockUse {
    int binding = 0;
    std::size_t size = 0;  // bytes the block spans; the bound range must cover it
};

struct ProgramInterface {
    std::vector<UniformBlockUse> uniformBlocks;
    std::vector<int> storageBlocks;
    std::vector<int> textureUnits;
    std::vector<int> imageUnits;
};

ProgramInterface reflect(unsigned program);

}  // namespace lumen::gpu::detail
