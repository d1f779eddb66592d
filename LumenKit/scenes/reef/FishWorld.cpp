#include "LumenKit/scenes/reef/FishWorld.hpp"

#include "LumenKit/core/SeededRandom.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::reef {

namespace {

constexpr float flockCellLimit = 1.2f;
constexpr float minBodyCell = 0.3f;
constexpr float maxFishSize = 1.15f;
constexpr float spawnMargin = 0.2f;
// Obstacles are listed in every column within this reach of their surface: the steering looks
// 1.2 m out, plus the look-ahead of a fast fish.
constexpr float columnReach = 1.6f;
constexpr float overlapPush = 0.52f;

int columnCount(float extent, float size) {
    return std::max(1, static_cast<int>(std::ceil(extent / size)));
}

}  // namespace

FishWorld::FishWorld(const ReefLayout& layout, std::optional<std::vector<FishSpecies>> species,
                     std::uint64_t seed)
    : species_(species ? std::move(*species) : FishSpecies::defaultTable(layout.anemoneHome)),
      obstacles_(layout.obstacles),
      bounds_(layout.swimBounds),
      terrain_(layout.terrain) {
    float view = 0;
    float body = 0;
    for (const FishSpecies& s : species_) {
        view = std::max(view, s.viewRadius);
        body = std::max(body, s.length * 0.3f);
    }
    cell_ = species_.empty() ? flockCellLimit : std::min(view, flockCellLimit);
    // A cell must be positive or every query would land in one overflowing cell index.
    if (!(cell_ > 0.01f)) cell_ = 0.01f;
    const float bodyCell =
        species_.empty() ? 2.0f * maxFishSize * 0.3f
                         : std::max(2.0f * maxFishSize * body, minBodyCell);
    flockGrid_ = SpatialGrid(bounds_.min - Float3{cell_, cell_, cell_}, cell_);
    bodyGrid_ = SpatialGrid(bounds_.min - Float3{bodyCell, bodyCell, bodyCell}, bodyCell);

    buildObstacleColumns();
    buildFloorGrid();
    spawn(seed);
    for (int pass = 0; pass < spawnOverlapPasses; ++pass) resolveOverlaps();
}

void FishWorld::buildObstacleColumns() {
    const Float3 extent = bounds_.max - bounds_.min;
    const int nx = columnCount(extent.x, columnSize);
    const int nz = columnCount(extent.z, columnSize);
    obstacleDims_ = {static_cast<std::uint32_t>(nx), static_cast<std::uint32_t>(nz)};
    obstacleCells_.assign(static_cast<std::size_t>(nx * nz), {});
    const auto columnRange = [](float lo, float hi, int count) {
        const int a = static_cast<int>(std::floor(lo / columnSize));
        const int b = static_cast<int>(std::floor(hi / columnSize));
        return std::pair{std::max(a, 0), std::min(b, count - 1)};
    };
    for (std::size_t k = 0; k < obstacles_.size(); ++k) {
        const Obstacle& o = obstacles_[k];
        const float reach = o.radius + columnReach;
        const float x = o.center.x - bounds_.min.x;
        const float z = o.center.z - bounds_.min.z;
        if (!std::isfinite(x + z + reach)) continue;
        // Obstacles wholly outside the swim area get empty ranges and are never listed.
        const auto [x0, x1] = columnRange(x - reach, x + reach, nx);
        const auto [z0, z1] = columnRange(z - reach, z + reach, nz);
        for (int cz = z0; cz <= z1; ++cz) {
            for (int cx = x0; cx <= x1; ++cx) {
                obstacleCells_[static_cast<std::size_t>(cz * nx + cx)].push_back(
                    static_cast<std::uint32_t>(k));
            }
        }
    }
}

void FishWorld::buildFloorGrid() {
    const Float3 extent = bounds_.max - bounds_.min;
    const int nx = std::max(2, static_cast<int>(std::floor(extent.x / floorSpacing)) + 1);
    const int nz = std::max(2, static_cast<int>(std::floor(extent.z / floorSpacing)) + 1);
    floorDims_ = {nx, nz};
    floorGrid_.resize(static_cast<std::size_t>(nx * nz));
    for (int iz = 0; iz < nz; ++iz) {
        for (int ix = 0; ix < nx; ++ix) {
            floorGrid_[static_cast<std::size_t>(iz * nx + ix)] =
                terrain_.height(bounds_.min.x + static_cast<float>(ix) * floorSpacing,
                                bounds_.min.z + static_cast<float>(iz) * floorSpacing);
        }
    }
}

void FishWorld::spawn(std::uint64_t seed) {
    SeededRandom random(seed);
    const Float3 lo = bounds_.min + Float3{spawnMargin, spawnMargin, spawnMargin};
    const Float3 hi = bounds_.max - Float3{spawnMargin, spawnMargin, spawnMargin};
    for (std::size_t s = 0; s < species_.size(); ++s) {
        const FishSpecies& sp = species_[s];
        for (int k = 0; k < sp.count; ++k) {
            Fish f;
            const Float3 b = random.insideUnitBall();
            f.position = componentMin(componentMax(sp.home + sp.homeRadius * b * 0.8f, lo), hi);
            const Float3 d = random.unitVector();
            f.velocity =
                normalize(Float3{d.x, 0.2f * d.y, d.z}) * ((sp.minSpeed + sp.maxSpeed) / 2);
            f.species = static_cast<std::int32_t>(s);
            f.tailPhase = 6.28f * random.uniform(0, 1);
            f.size = 0.85f + 0.3f * random.uniform(0, 1);
            f.seed = random.uniform(0, 1);
            fish_.push_back(f);
        }
    }
}

void FishWorld::setThreat(std::optional<Threat> threat) {
    if (threat) {
        const float len = length(threat->direction);
        if (!(len > 1e-6f) || !std::isfinite(len)) {
            threat.reset();
        } else {
            threat->direction = threat->direction / len;
        }
    }
    threat_ = threat;
}

std::span<const std::uint32_t> FishWorld::obstaclesNear(Float3 p) const {
    const auto column = [](float offset, std::uint32_t count) {
        const float c = std::floor(offset / columnSize);
        if (!(c > 0)) return std::uint32_t{0};
        return std::min(static_cast<std::uint32_t>(std::min(c, 1.0e6f)), count - 1);
    };
    const std::uint32_t cx = column(p.x - bounds_.min.x, obstacleDims_[0]);
    const std::uint32_t cz = column(p.z - bounds_.min.z, obstacleDims_[1]);
    return obstacleCells_[cz * obstacleDims_[0] + cx];
}

float FishWorld::floorHeight(Float3 p) const {
    const int nx = floorDims_[0];
    const int nz = floorDims_[1];
    const auto coordinate = [](float g, int count, int& i0) {
        const float top = static_cast<float>(count - 1);
        g = g > 0 ? std::min(g, top) : 0.0f;
        i0 = std::min(static_cast<int>(g), count - 2);
        return g - static_cast<float>(i0);
    };
    int ix = 0;
    int iz = 0;
    const float fx = coordinate((p.x - bounds_.min.x) / floorSpacing, nx, ix);
    const float fz = coordinate((p.z - bounds_.min.z) / floorSpacing, nz, iz);
    const auto at = [&](int x, int z) { return floorGrid_[static_cast<std::size_t>(z * nx + x)]; };
    const float near = at(ix, iz) + (at(ix + 1, iz) - at(ix, iz)) * fx;
    const float far = at(ix, iz + 1) + (at(ix + 1, iz + 1) - at(ix, iz + 1)) * fx;
    return std::max(near + (far - near) * fz + floorClearance, bounds_.min.y);
}

void FishWorld::resolveOverlaps() {
    bodyGrid_.rebuild(fish_);
    float largest = 0;
    for (const Fish& f : fish_) largest = std::max(largest, bodyRadius(f));
    for (std::size_t i = 0; i < fish_.size(); ++i) {
        const Float3 p = fish_[i].position;
        const float ri = bodyRadius(fish_[i]);
        Float3 push;
        bodyGrid_.forEachNear(p, ri + largest, [&](std::int32_t j) {
            if (static_cast<std::size_t>(j) == i) return true;
            const Fish& other = fish_[static_cast<std::size_t>(j)];
            const float reach = ri + bodyRadius(other);
            const Float3 diff = p - other.position;
            const float d2 = dot(diff, diff);
            if (d2 >= reach * reach) return true;
            const float d = std::sqrt(d2);
            Float3 dir;
            if (d > 1e-5f) {
                dir = diff / d;
            } else {
                // Coincident fish: a direction that differs between neighbours in the list.
                dir = normalize(Float3{static_cast<float>(i % 3) - 1.0f, 0.3f,
                                       static_cast<float>(i % 2) - 0.5f});
            }
            push += dir * ((reach - d) * overlapPush);
            return true;
        });
        fish_[i].position += push;
    }
    for (Fish& f : fish_) constrain(f);
}

void FishWorld::constrain(Fish& f) const {
    const float r = bodyRadius(f);
    Float3 p = f.position;
    for (std::uint32_t k : obstaclesNear(p)) {
        const Obstacle& o = obstacles_[k];
        const Float3 diff = p - o.center;
        const float need = o.radius + r;
        const float d2 = dot(diff, diff);
        if (d2 >= need * need) continue;
        const float d = std::sqrt(d2);
        // Onto the surface grown by the body radius; straight up from the very centre.
        p = o.center + (d > 1e-5f ? diff / d : Float3{0, 1, 0}) * need;
    }
    p.y = std::max(p.y, floorHeight(p) + r);
    // The box comes last so no other rule can leave a fish outside the water.
    const Float3 lo = bounds_.min + Float3{r, r, r};
    const Float3 hi = bounds_.max - Float3{r, r, r};
    p = componentMin(componentMax(p, lo), hi);
    f.position = p;
}

}  // namespace lumen::reef
