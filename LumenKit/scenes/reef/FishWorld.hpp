#pragma once

#include "LumenKit/core/Box.hpp"
#include "LumenKit/scenes/reef/Fish.hpp"
#include "LumenKit/scenes/reef/FishSpecies.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"
#include "LumenKit/scenes/reef/ReefTerrain.hpp"
#include "LumenKit/core/SpatialGrid.hpp"
#include "LumenKit/core/Vector.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumen::reef {

// Something the fish flee: a ray from the camera through the pointer.
struct Threat {
    Float3 origin;
    Float3 direction{0, 0, -1};  // unit
    float radius = 2.2f;

    bool operator==(const Threat&) const = default;
};

// The reef's fish: schooling, wandering, homing, avoiding walls, the sand and the rocks, and
// fleeing a pointer threat. Deterministic: the same layout, table and seed give the same fish
// bit for bit after the same steps. Single-threaded; arrays are reused between steps.
class FishWorld {
public:
    static constexpr std::uint64_t reefSeed = 11;
    static constexpr double maxStep = 1.0 / 15.0;  // longer steps are shortened to this
    static constexpr int spawnOverlapPasses = 6;
    static constexpr int maxNeighbours = 24;
    static constexpr float columnSize = 2.0f;      // obstacle columns, metres
    static constexpr float floorSpacing = 0.5f;    // floor height samples, metres
    static constexpr float floorClearance = 0.35f; // fish keep this much water under them

    // Without a species list: the default table, the clownfish at the layout's anemone.
    explicit FishWorld(const ReefLayout& layout,
                       std::optional<std::vector<FishSpecies>> species = std::nullopt,
                       std::uint64_t seed = reefSeed);

    // Advances by dt seconds (at most maxStep); dt <= 0 does nothing.
    void step(double dt);

    const std::vector<Fish>& fish() const { return fish_; }
    // In-place edits for callers that place fish themselves; species indices must stay valid.
    std::span<Fish> editableFish() { return fish_; }
    const std::vector<FishSpecies>& species() const { return species_; }

    // A threat with a zero or non-finite direction counts as none; the direction is normalised.
    void setThreat(std::optional<Threat> threat);
    const std::optional<Threat>& threat() const { return threat_; }

    double time() const { return time_; }
    const Box& bounds() const { return bounds_; }
    float cell() const { return cell_; }
    const SpatialGrid& flockGrid() const { return flockGrid_; }
    const SpatialGrid& bodyGrid() const { return bodyGrid_; }
    const std::vector<Obstacle>& obstacles() const { return obstacles_; }

    // Obstacles listed for the 2 m column containing p (clamped to the swim area).
    std::span<const std::uint32_t> obstaclesNear(Float3 p) const;
    // Lowest y a fish should swim at over (p.x, p.z): the sampled sand plus clearance, never
    // below the swim volume.
    float floorHeight(Float3 p) const;
    float bodyRadius(const Fish& f) const {
        return species_[static_cast<std::size_t>(f.species)].length * 0.3f * f.size;
    }

    // One pass of pushing overlapping bodies apart, then back into the water volume.
    void resolveOverlaps();

private:
    void spawn(std::uint64_t seed);
    void buildObstacleColumns();
    void buildFloorGrid();
    Float3 steering(std::size_t i, float T, float& boost) const;
    void constrain(Fish& f) const;

    std::vector<Fish> fish_;
    std::vector<FishSpecies> species_;
    std::vector<Obstacle> obstacles_;
    std::vector<std::vector<std::uint32_t>> obstacleCells_;
    std::array<std::uint32_t, 2> obstacleDims_{};
    std::vector<float> floorGrid_;
    std::array<int, 2> floorDims_{};
    Box bounds_;
    Terrain terrain_;
    std::optional<Threat> threat_;
    double time_ = 0;
    SpatialGrid flockGrid_;
    SpatialGrid bodyGrid_;
    float cell_ = 1.2f;
};

}  // namespace lumen::reef
