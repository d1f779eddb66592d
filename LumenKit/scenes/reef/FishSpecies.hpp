#pragma once

#include "LumenKit/core/Vector.hpp"

#include <string>
#include <vector>

namespace lumen::reef {

// One row of the fish table: how many fish of a kind, how big, how fast, and how they school.
// The row number is the species index the shaders and the wander phase use.
struct FishSpecies {
    std::string name;
    int count = 0;
    float length = 0.3f;  // metres; the body radius is length * 0.3 * fish size
    float minSpeed = 0.3f;
    float maxSpeed = 1.0f;
    float maxAccel = 1.5f;
    float viewRadius = 1.0f;  // flocking neighbourhood, capped by the flock grid cell
    float personalSpace = 0.4f;
    float alignment = 0.5f;
    float cohesion = 0.5f;
    float separation = 1.2f;
    Float3 home;        // centre of the home ellipsoid
    Float3 homeRadius{1, 1, 1};  // its half-extents
    float homePull = 1.0f;
    float orbit = 0.0f;  // circling round the home; 0 = none
    float wander = 0.5f;

    bool operator==(const FishSpecies&) const = default;

    // The reef point most homes are placed relative to.
    static constexpr Float3 reefBase{0.0f, 2.4f, -5.5f};

    // The twelve reef species, 310 fish; the clownfish live round `anemoneHome`.
    static std::vector<FishSpecies> defaultTable(Float3 anemoneHome);
};

}  // namespace lumen::reef
