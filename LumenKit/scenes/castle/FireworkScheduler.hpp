#pragma once

#include "LumenKit/core/SeededRandom.hpp"
#include "LumenKit/scenes/castle/Shell.hpp"

#include <array>
#include <vector>

namespace lumen::castle {

struct FloatRange {
    float lower = 0;
    float upper = 0;
    float at(float u) const { return lower + (upper - lower) * u; }
};

// Decides when volleys go up over the castle and makes their shells, on the scene's own clock.
class FireworkScheduler {
public:
    static constexpr std::array<Float3, 9> palette{{{1, 0.1f, 0.06f},
                                                     {1, 0.42f, 0.06f},
                                                     {1, 0.66f, 0.22f},
                                                     {0.18f, 1, 0.28f},
                                                     {0.1f, 0.88f, 0.8f},
                                                     {0.16f, 0.34f, 1},
                                                     {0.62f, 0.2f, 1},
                                                     {1, 0.28f, 0.62f},
                                                     {0.92f, 0.94f, 1}}};

    FireworkScheduler(std::uint64_t seed, double t0);

    // Drops spent shells and fires a volley when one is due.
    void update(FireworkPace pace, bool quiet, double t);
    std::vector<Shell> alive(double t) const;

    std::vector<Shell> shells;
    int volleys = 0;
    SeededRandom rng;
    double nextVolley = 0;
    FloatRange launchX{-130, 110};
    FloatRange launchZ{-540, -470};
    FloatRange burstHeight{72, 128};

private:
    float draw() { return rng.uniform(0, 1); }
    void fireVolley(FireworkPace pace, bool quiet, double t);
    Shell makeShell(bool finale, double launchTime, const std::array<int, 3>& picks);
};

}  // namespace lumen::castle
