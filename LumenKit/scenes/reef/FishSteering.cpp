#include "LumenKit/scenes/reef/FishWorld.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

// FishWorld::step: the per-fish steering rules and the integration that follows them.

namespace lumen::reef {

namespace {

constexpr float twoPi = 2.0f * std::numbers::pi_v<float>;
constexpr double wanderPeriod = 10000.0;  // keeps the wander phase precise as time grows
constexpr float wallReach = 1.5f;
constexpr float wallStrength = 12.0f;
constexpr float obstacleReach = 1.2f;
constexpr float obstacleStrength = 4.0f;
constexpr float lookAhead = 0.7f;
constexpr float lookAheadStrength = 2.0f;
constexpr float threatStrength = 14.0f;
constexpr float threatBoost = 1.2f;
constexpr float otherSpeciesSpace = 1.4f;

// Push towards the inside once closer than wallReach to a face (distance d, may be negative).
float wallPush(float d) {
    if (d >= wallReach) return 0;
    const float k = 1.0f - d / wallReach;
    return wallStrength * k * k;
}

}  // namespace

Float3 FishWorld::steering(std::size_t i, float T, float& boost) const {
    const Fish& f = fish_[i];
    const FishSpecies& s = species_[static_cast<std::size_t>(f.species)];
    const Float3 p = f.position;
    const Float3 v = f.velocity;
    Float3 force;

    // Neighbours: schoolmates for flocking, everyone for personal space.
    const float r = std::min(s.viewRadius, cell_);
    const float r2 = r * r;
    Float3 sumPosition;
    Float3 sumVelocity;
    Float3 sep;
    int sameCount = 0;
    int examined = 0;
    flockGrid_.forEachNear(p, r, [&](std::int32_t j) {
        if (static_cast<std::size_t>(j) == i) return true;
        const Fish& o = fish_[static_cast<std::size_t>(j)];
        const Float3 diff = o.position - p;
        const float d2 = dot(diff, diff);
        if (d2 >= r2) return true;
        ++examined;
        const bool same = o.species == f.species;
        if (same) {
            sumVelocity += o.velocity;
            sumPosition += o.position;
            ++sameCount;
        }
        const float ps =
            std::max(species_[static_cast<std::size_t>(o.species)].personalSpace, s.personalSpace) *
            (same ? 1.0f : otherSpeciesSpace);
        if (d2 < ps * ps) sep -= diff / std::max(d2, 0.0001f) * ps;
        return examined < maxNeighbours;
    });
    if (sameCount > 0) {
        const float inv = 1.0f / static_cast<float>(sameCount);
        force += s.cohesion * (sumPosition * inv - p) + s.alignment * (sumVelocity * inv - v);
    }

    // Wander: loose swimmers each follow their own phase, tight schools share one per species
    // so the school turns as a whole.
    const float w0 = s.alignment < 1.0f ? f.seed
                                        : static_cast<float>(f.species) * 0.37f + f.seed * 0.03f;
    const float a = w0 * 40.0f + (w0 * 0.13f + 0.21f) * T;
    const Float3 wander{std::sin(a), 0.35f * std::sin(0.7f * a + 1.3f), std::cos(0.83f * a)};
    force += s.wander * wander + s.separation * sep;

    // Home: outside the ellipsoid, pulled back in proportion to how far out.
    const Float3 toHome = p - s.home;
    const Float3 hr = componentMax(s.homeRadius, Float3{1e-4f, 1e-4f, 1e-4f});
    const Float3 q{toHome.x / hr.x, toHome.y / hr.y, toHome.z / hr.z};
    const float e = length(q);
    const float homeDistance = length(toHome);
    if (e > 1.0f && homeDistance > 0) {
        force -= 2.0f * s.homePull * (e - 1.0f) * (toHome / homeDistance);
    }
    if (s.orbit > 0) {
        const Float3 flat{toHome.x, 0, toHome.z};
        const float flatDistance = length(flat);
        // cross((0, 1, 0), flat): every school of this kind circles the same way.
        if (flatDistance > 0.5f) force += s.orbit * (Float3{flat.z, 0, -flat.x} / flatDistance);
    }

    // Soft walls; the sand replaces the bottom face.
    const float floor = floorHeight(p);
    force.x += wallPush(p.x - bounds_.min.x) - wallPush(bounds_.max.x - p.x);
    force.y += wallPush(p.y - floor) - wallPush(bounds_.max.y - p.y);
    force.z += wallPush(p.z - bounds_.min.z) - wallPush(bounds_.max.z - p.z);

    for (std::uint32_t k : obstaclesNear(p)) {
        const Obstacle& o = obstacles_[k];
        const Float3 away = p - o.center;
        const float d2 = dot(away, away);
        const float influence = o.radius + obstacleReach;
        if (d2 < influence * influence) {
            const float d = std::sqrt(d2);
            const float kk = 1.0f - std::max(d - o.radius, 0.0f) / obstacleReach;
            force += away / std::max(d, 0.001f) * (kk * kk * obstacleStrength);
        }
        // Steer off early when the path a moment ahead runs into the rock.
        const Float3 ahead = p + lookAhead * v - o.center;
        const float q2 = dot(ahead, ahead);
        if (q2 < o.radius * o.radius && q2 > 1e-12f) {
            force += lookAheadStrength * (ahead / std::sqrt(q2));
        }
    }

    boost = 1.0f;
    if (threat_) {
        const Threat& t = *threat_;
        const Float3 rel = p - t.origin;
        const float along = dot(t.direction, rel);
        if (along > 0) {
            const Float3 off = rel - t.direction * along;
            const float d = length(off);
            if (d < t.radius) {
                const float w = 1.0f - d / t.radius;
                const Float3 away = d > 0.0001f ? off / d : Float3{0, 1, 0};
                force += threatStrength * w * away;
                boost = 1.0f + threatBoost * w;
            }
        }
    }
    return force;
}

void FishWorld::step(double dt) {
    if (!(dt > 0)) return;
    dt = std::min(dt, maxStep);
    time_ += dt;
    const float h = static_cast<float>(dt);
    const float T = static_cast<float>(std::fmod(time_, wanderPeriod));
    flockGrid_.rebuild(fish_);

    // In list order and in place: later fish see the earlier ones already moved.
    for (std::size_t i = 0; i < fish_.size(); ++i) {
        Fish& f = fish_[i];
        const FishSpecies& s = species_[static_cast<std::size_t>(f.species)];
        float boost = 1.0f;
        Float3 force = steering(i, T, boost);

        const float limit = s.maxAccel * boost * 1.5f;
        const float magnitude = length(force);
        if (magnitude > limit) force *= limit / magnitude;
        Float3 v = f.velocity + force * h;

        // Fish climb and dive at shallow angles.
        const float climb = 0.55f * std::sqrt(v.x * v.x + v.z * v.z) + 0.05f;
        v.y = std::clamp(v.y, -climb, climb);

        float speed = length(v);
        const float top = s.maxSpeed * boost;
        if (speed > top) {
            v *= top / speed;
            speed = top;
        } else if (speed < s.minSpeed) {
            if (speed <= 0.0001f) {
                // Stalled: set off along the old heading, nudged towards +x.
                const Float3 old = f.velocity + Float3{0.01f, 0, 0};
                const float oldLength = length(old);
                v = oldLength > 1e-6f ? old / oldLength : Float3{1, 0, 0};
                v *= s.minSpeed;
            } else {
                v *= s.minSpeed / speed;
            }
            speed = s.minSpeed;
        }
        if (!std::isfinite(v.x + v.y + v.z)) v = Float3{s.minSpeed, 0, 0};

        f.position += v * h;
        f.velocity = v;
        // Faster and smaller fish beat their tails quicker.
        const float beat = h * (9.0f * speed / std::max(s.maxSpeed, 0.0001f) + 4.0f) /
                           std::max(2.2f * s.length, 0.6f);
        f.tailPhase = std::fmod(f.tailPhase + beat, twoPi);
    }
    resolveOverlaps();
}

}  // namespace lumen::reef
