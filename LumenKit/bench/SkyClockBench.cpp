#include "LumenKit/sky/CelestialFrame.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <benchmark/benchmark.h>
#include <date/tz.h>

#include <chrono>

namespace {

using lumen::SkyState;

SkyState::Instant benchStart() {
    return std::chrono::system_clock::time_point{std::chrono::seconds{1'714'000'000}};
}

// The host's refresh: one full state for a place, stepping ten seconds each time.
void BM_SkyClockStateWithPlace(benchmark::State& state) {
    const auto* zone = date::locate_zone("Europe/Oslo");
    const std::optional<lumen::Place> place = lumen::Place{"Oslo", 59.91, 10.75};
    auto date = benchStart();
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::SkyClock::state(date, place, zone));
        date += std::chrono::duration<double>{10.0};
    }
}
BENCHMARK(BM_SkyClockStateWithPlace);

// Without a place the zone's standard meridian is looked up as well.
void BM_SkyClockStateFallback(benchmark::State& state) {
    const auto* zone = date::locate_zone("America/New_York");
    auto date = benchStart() + std::chrono::hours{24 * 90};  // summer time: a longer lookup
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::SkyClock::state(date, std::nullopt, zone));
        date += std::chrono::duration<double>{10.0};
    }
}
BENCHMARK(BM_SkyClockStateFallback);

// Thumbnails and pinned scenes: the sky at a fixed hour of the day.
void BM_SkyClockStateAtHour(benchmark::State& state) {
    const auto* zone = date::locate_zone("Europe/Oslo");
    auto date = benchStart();
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::SkyClock::state(date, 17.0, std::nullopt, zone));
        date += std::chrono::duration<double>{3600.0};
    }
}
BENCHMARK(BM_SkyClockStateAtHour);

void BM_SkyClockMoonPosition(benchmark::State& state) {
    auto date = benchStart();
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::SkyClock::moonPosition(date, 40.7, -74.0));
        date += std::chrono::duration<double>{10.0};
    }
}
BENCHMARK(BM_SkyClockMoonPosition);

void BM_CelestialFrameEquatorialBasis(benchmark::State& state) {
    double siderealTime = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::CelestialFrame::equatorialBasis(siderealTime, 40.7, 180));
        siderealTime += 0.01;
    }
}
BENCHMARK(BM_CelestialFrameEquatorialBasis);

}  // namespace
