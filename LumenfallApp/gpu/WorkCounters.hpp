#pragma once

#include <cstdint>

namespace lumen::gpu {

// What one command buffer asked of the GPU, counted as it was encoded. The numbers follow from
// the calls alone, never from the driver, so they compare across machines where timings do not
// (a software rasteriser's milliseconds are mostly its own rasterising).
//
// Only work that was done counts: a refused pass, draw, dispatch or bind adds nothing. Counting is
// a few integer adds per call, on the main thread like every encoder call; no locks.
struct WorkCounters {
    std::uint64_t drawCalls = 0;
    std::uint64_t instances = 0;  // summed over the draws; a draw without instancing counts one
    std::uint64_t dispatches = 0;
    std::uint64_t threadgroups = 0;  // width x height x depth of each dispatch, summed
    std::uint64_t pipelineBinds = 0;  // render and compute
    std::uint64_t bufferBinds = 0;    // storage buffers ("buffer at slot n")
    std::uint64_t textureBinds = 0;   // sampled textures and compute images
    // Buffer::replace, "bytes at slot n" as written to the uniform ring (rounded up to 16 bytes)
    // and Texture::replaceRegion. Making a resource with contents is not frame work and not counted.
    std::uint64_t bytesUploaded = 0;
    std::uint64_t renderPasses = 0;
    // Each render pass with a colour target adds that target's width x height once: the pixels a
    // full-screen pass writes, whatever its draws cover.
    std::uint64_t pixelsWritten = 0;

    WorkCounters& operator+=(const WorkCounters& other)
    {
        drawCalls += other.drawCalls;
        instances += other.instances;
        dispatches += other.dispatches;
        threadgroups += other.threadgroups;
        pipelineBinds += other.pipelineBinds;
        bufferBinds += other.bufferBinds;
        textureBinds += other.textureBinds;
        bytesUploaded += other.bytesUploaded;
        renderPasses += other.renderPasses;
        pixelsWritten += other.pixelsWritten;
        return *this;
    }

    bool operator==(const WorkCounters&) const = default;
};

}  // namespace lumen::gpu
