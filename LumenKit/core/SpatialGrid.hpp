#pragma once

#include "LumenKit/core/Vector.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace lumen {

// Uniform grid hashed into a fixed number of buckets, rebuilt in place from the items' positions
// with a counting sort. Unbounded space, fixed memory; cells that share a bucket are told apart
// by the callers' distance tests.
struct SpatialGrid {
    static constexpr std::uint32_t bucketCount = 2048;

    Float3 origin;
    float cell = 1;  // edge length
    // Bucket b holds sorted[start[b] ..< start[b + 1]]; within a bucket fish keep list order.
    std::array<std::int32_t, bucketCount + 1> start{};
    std::array<std::int32_t, bucketCount + 1> fill{};  // scratch for the sort
    std::vector<std::int32_t> bucketOf;  // per fish
    std::vector<std::int32_t> sorted;    // fish indices grouped by bucket

    SpatialGrid() = default;
    SpatialGrid(Float3 gridOrigin, float cellSize) : origin(gridOrigin), cell(cellSize) {}

    struct Cell {
        std::int32_t x = 0, y = 0, z = 0;
    };

    // Points below the origin fall into cell 0 of that axis.
    Cell cellOf(Float3 p) const {
        const auto axis = [this](float offset) {
            const float c = offset / cell;
            // Far-away (or NaN) positions are pinned rather than overflowing the conversion.
            return c > 0 ? static_cast<std::int32_t>(c < 1.0e6f ? c : 1.0e6f) : 0;
        };
        return {axis(p.x - origin.x), axis(p.y - origin.y), axis(p.z - origin.z)};
    }

    static std::uint32_t bucket(std::int32_t cx, std::int32_t cy, std::int32_t cz) {
        const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
        return ((u(cx) * 1117u) ^ (u(cy) * 159u) ^ (u(cz) * 1975u)) & (bucketCount - 1);
    }

    // `items` is any indexable list of things with a `position`.
    template <class Items>
    void rebuild(const Items& items) {
        const std::size_t n = items.size();
        bucketOf.resize(n);
        sorted.resize(n);
        start.fill(0);
        for (std::size_t i = 0; i < n; ++i) {
            const Cell c = cellOf(items[i].position);
            const auto b = static_cast<std::int32_t>(bucket(c.x, c.y, c.z));
            bucketOf[i] = b;
            ++start[static_cast<std::size_t>(b) + 1];
        }
        for (std::size_t b = 0; b < bucketCount; ++b) start[b + 1] += start[b];
        fill = start;
        for (std::size_t i = 0; i < n; ++i) {
            const auto b = static_cast<std::size_t>(bucketOf[i]);
            sorted[static_cast<std::size_t>(fill[b]++)] = static_cast<std::int32_t>(i);
        }
    }

    // Calls visit(index) for the fish in the 27 cells round p's cell, in x, y, z nested order,
    // until visit returns false. Cells wholly farther than `reach` from p are skipped, and a
    // bucket reached from two cells is visited once, so no fish is seen twice. Callers still
    // test distances: buckets also hold fish of far cells that hash alike.
    template <class Visit>
    void forEachNear(Float3 p, float reach, Visit&& visit) const {
        const Cell c = cellOf(p);
        // Squared gaps from p to the lower and upper neighbour cells along one axis. The slack
        // covers rounding in cellOf; a fish clamped into cell 0 lies below it, never nearer.
        constexpr float slack = 1e-3f;
        const auto gaps = [this](float offset, std::int32_t index) {
            const float inside = offset - static_cast<float>(index) * cell;
            const float below = std::max(inside - slack, 0.0f);
            const float above = std::max(cell - inside - slack, 0.0f);
            return std::array<float, 3>{below * below, 0.0f, above * above};
        };
        const auto gx = gaps(p.x - origin.x, c.x);
        const auto gy = gaps(p.y - origin.y, c.y);
        const auto gz = gaps(p.z - origin.z, c.z);
        const float reach2 = reach * reach;
        std::array<std::uint64_t, bucketCount / 64> seen{};  // one bit per bucket
        for (int dx = 0; dx < 3; ++dx) {
            for (int dy = 0; dy < 3; ++dy) {
                for (int dz = 0; dz < 3; ++dz) {
                    if (gx[dx] + gy[dy] + gz[dz] >= reach2) continue;
                    const std::uint32_t b = bucket(c.x + dx - 1, c.y + dy - 1, c.z + dz - 1);
                    const std::uint64_t bit = std::uint64_t{1} << (b & 63u);
                    if (seen[b >> 6] & bit) continue;
                    seen[b >> 6] |= bit;
                    const std::int32_t end = start[b + 1];
                    for (std::int32_t k = start[b]; k < end; ++k) {
                        if (!visit(sorted[static_cast<std::size_t>(k)])) return;
                    }
                }
            }
        }
    }
};

}  // namespace lumen
