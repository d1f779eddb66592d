#include "LumenKit/scenes/castle/FireworkScheduler.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::castle {

namespace {

struct KindLook {
    float stars, starsSpread;
    float speed, speedSpread;
    float drag;
    float life, lifeSpread;
    float trail;
};

// Per kind: star count, launch speed, drag, lifetime and how long each star's trail lingers.
// Willows hang on long golden trails, rings and peonies stay crisp.
constexpr KindLook kindLook(ShellKind kind) {
    switch (kind) {
    case ShellKind::peony: return {120, 60, 34, 10, 1.0f, 1.9f, 0.5f, 0.35f};
    case ShellKind::chrysanthemum: return {110, 50, 36, 10, 1.1f, 2.2f, 0.6f, 0.7f};
    case ShellKind::willow: return {90, 40, 26, 8, 1.55f, 3.6f, 1.0f, 1.6f};
    case ShellKind::ring: return {60, 24, 38, 6, 1.2f, 1.9f, 0.4f, 0.3f};
    case ShellKind::palm: return {9, 4, 42, 8, 0.95f, 2.4f, 0.5f, 1.0f};
    case ShellKind::crackle: return {120, 40, 34, 8, 1.3f, 1.5f, 0.4f, 0.4f};
    }
    return {};
}

ShellKind kindFor(float u) {
    if (u < 0.27f) return ShellKind::peony;
    if (u < 0.5f) return ShellKind::chrysanthemum;
    if (u < 0.64f) return ShellKind::willow;
    if (u < 0.76f) return ShellKind::ring;
    if (u < 0.86f) return ShellKind::palm;
    return ShellKind::crackle;
}

// Longest wait a volley can schedule, with margin: beyond it the clock must have been set back.
constexpr double longestWait = 300;

}  // namespace

FireworkScheduler::FireworkScheduler(std::uint64_t seed, double t0) : rng(seed), nextVolley(t0 + 5) {}

void FireworkScheduler::update(FireworkPace pace, bool quiet, double t) {
    std::erase_if(shells, [t](const Shell& s) { return s.endTime() < t; });
    if (pace == FireworkPace::off) {
        nextVolley = std::max(nextVolley, t + 4);
        std::erase_if(shells, [t](const Shell& s) { return s.launchTime > t; });
        return;
    }
    // Asleep for long: resume shortly instead of at once. Set back: do not wait out the gap.
    if (nextVolley < t - 30 || nextVolley > t + longestWait) {
        nextVolley = t + 2;
        std::erase_if(shells, [t](const Shell& s) { return s.launchTime > t + longestWait; });
    }
    if (nextVolley <= t) fireVolley(pace, quiet, t);
}

std::vector<Shell> FireworkScheduler::alive(double t) const {
    std::vector<Shell> result;
    for (const Shell& s : shells) {
        if (s.aliveAt(t)) result.push_back(s);
    }
    return result;
}

void FireworkScheduler::fireVolley(FireworkPace pace, bool quiet, double t) {
    ++volleys;
    const int finaleEvery = pace == FireworkPace::often ? 5 : 4;
    const bool finale = !quiet && volleys % finaleEvery == 0;
    int count = 0;
    if (finale) {
        count = static_cast<int>(12 + 6 * draw());
    } else {
        count = static_cast<int>(3 + 4.99f * draw());
        if (quiet) count = std::max(count / 2, 1);
    }
    std::array<int, 3> picks{};
    for (int& pick : picks) pick = static_cast<int>(rng.next() % palette.size());

    double launch = t + 0.4 * draw();
    for (int i = 0; i < count; ++i) {
        shells.push_back(makeShell(finale, launch, picks));
        launch += finale ? 0.22 + 0.33 * draw() : 0.7 + 1.9 * draw();
    }
    FloatRange interval = pace == FireworkPace::often ? FloatRange{7, 16} : FloatRange{32, 75};
    if (quiet) interval = {interval.lower * 2.5f, interval.upper * 2.5f};
    nextVolley = launch + interval.at(draw());
}

Shell FireworkScheduler::makeShell(bool finale, double launchTime, const std::array<int, 3>& picks) {
    Shell s;
    s.launchTime = launchTime;
    s.kind = kindFor(draw());
    const float scale = finale ? 0.85f + 0.2f * draw() : 1.0f;

    // Mostly two colours of the volley's three, sometimes one alone.
    const int a = std::min(static_cast<int>(3 * draw()), 2);
    const float b = draw();
    const int second = b < 0.3f ? a : (a + (b < 0.65f ? 1 : 2)) % 3;
    s.colorA = palette[static_cast<std::size_t>(picks[static_cast<std::size_t>(a)])];
    s.colorB = palette[static_cast<std::size_t>(picks[static_cast<std::size_t>(second)])];

    const KindLook look = kindLook(s.kind);
    s.starCount = static_cast<int>(look.stars + look.starsSpread * draw());
    s.speed = look.speed + look.speedSpread * draw();
    s.drag = look.drag;
    s.life = look.life + look.lifeSpread * draw();
    s.trail = look.trail;
    if (finale) s.starCount = static_cast<int>(static_cast<float>(s.starCount) * 0.85f);

    s.origin = {launchX.at(draw()), 0, launchZ.at(draw())};
    const float bx = s.origin.x + 50 * draw() - 25;
    const float by = burstHeight.at(draw()) * scale;
    const float bz = s.origin.z + 40 * draw() - 20;
    s.burst = {bx, by, bz};
    s.riseDuration = 1.6f + 0.8f * draw();
    const std::uint64_t bits = rng.next();
    s.seed = static_cast<std::uint32_t>(bits) ^ static_cast<std::uint32_t>(bits >> 32);
    return s;
}

}  // namespace lumen::castle
