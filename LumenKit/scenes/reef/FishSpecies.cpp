#include "LumenKit/scenes/reef/FishSpecies.hpp"

namespace lumen::reef {

namespace {

FishSpecies row(const char* name, int count, float length, float minSpeed, float maxSpeed,
                float maxAccel, float viewRadius, float personalSpace, float alignment,
                float cohesion, float separation, Float3 home, Float3 homeRadius, float homePull,
                float orbit, float wander) {
    return FishSpecies{name,       count,     length,        minSpeed,  maxSpeed,
                       maxAccel,   viewRadius, personalSpace, alignment, cohesion,
                       separation, home,      homeRadius,    homePull,  orbit,
                       wander};
}

}  // namespace

std::vector<FishSpecies> FishSpecies::defaultTable(Float3 anemoneHome) {
    const Float3 base = reefBase;
    return {
        // One big bait ball circling above the reef.
        row("Silverside", 170, 0.27f, 1.1f, 2.2f, 3.2f, 1.1f, 0.42f, 1.4f, 1.2f, 1.6f,
            {0.5f, 4.9f, -3.5f}, {7, 1.5f, 3.5f}, 0.9f, 0.25f, 0.6f),
        row("Anthias", 60, 0.24f, 0.45f, 1.3f, 2.4f, 1.2f, 0.3f, 0.6f, 0.35f, 1.4f,
            base + Float3{0, 1, 0.5f}, {6.5f, 1.1f, 3.5f}, 1.2f, 0, 0.8f),
        row("Yellow tang", 12, 0.5f, 0.35f, 1.0f, 1.6f, 1.2f, 0.6f, 0.5f, 0.4f, 1.2f,
            base + Float3{2.5f, 0.6f, 2}, {6, 1.4f, 3.5f}, 0.8f, 0, 0.7f),
        row("Blue tang", 9, 0.55f, 0.4f, 1.1f, 1.6f, 1.2f, 0.65f, 0.5f, 0.4f, 1.2f,
            base + Float3{-3.5f, 0.8f, 2}, {6, 1.6f, 3.5f}, 0.8f, 0, 0.7f),
        // Strong pull, small home: they never stray far from the anemone.
        row("Clownfish", 5, 0.28f, 0.18f, 0.6f, 1.6f, 0.9f, 0.3f, 0.2f, 0.2f, 1.4f,
            anemoneHome, {0.9f, 0.45f, 0.9f}, 2.4f, 0, 0.9f),
        row("Butterflyfish", 8, 0.38f, 0.3f, 0.9f, 1.5f, 1.2f, 0.5f, 0.4f, 0.5f, 1.2f,
            base + Float3{0.5f, 0, 3}, {6, 1, 2.5f}, 0.9f, 0, 0.8f),
        row("Parrotfish", 4, 1.0f, 0.3f, 0.75f, 1.0f, 1.2f, 1.1f, 0.2f, 0.1f, 1.0f,
            base + Float3{0, 0.9f, 1}, {9, 1.4f, 5}, 0.7f, 0, 0.6f),
        row("Angelfish", 4, 0.42f, 0.25f, 0.8f, 1.3f, 1.2f, 0.6f, 0.3f, 0.3f, 1.2f,
            base + Float3{-1.5f, 0.4f, 1.5f}, {6, 1, 3}, 0.9f, 0, 0.8f),
        row("Bannerfish", 6, 0.36f, 0.3f, 0.9f, 1.4f, 1.3f, 0.5f, 0.8f, 0.7f, 1.2f,
            base + Float3{3, 1.6f, 0.5f}, {5, 1.2f, 3}, 0.9f, 0, 0.6f),
        row("Grouper", 2, 0.95f, 0.2f, 0.6f, 0.8f, 1.2f, 1.2f, 0.1f, 0.05f, 1.0f,
            base + Float3{0, -0.6f, 1.5f}, {8, 0.8f, 4}, 0.8f, 0, 0.5f),
        row("Damselfish", 24, 0.12f, 0.2f, 0.8f, 2.2f, 0.8f, 0.16f, 0.3f, 0.6f, 1.4f,
            base + Float3{1, 0.3f, 2.6f}, {2.2f, 0.7f, 1.4f}, 1.6f, 0, 1.0f),
        row("Wrasse", 6, 0.3f, 0.4f, 1.2f, 2.0f, 1.0f, 0.4f, 0.2f, 0.2f, 1.3f,
            base + Float3{-2, 0, 2.5f}, {6, 0.9f, 3}, 1.0f, 0, 1.0f),
    };
}

}  // namespace lumen::reef
