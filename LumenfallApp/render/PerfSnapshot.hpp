#pragma once

#include "render/FrameStats.hpp"

#include "LumenKit/policy/PowerContext.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lumen::app {

class FrameDriver;
class SceneSurfaceView;

// One wallpaper window as the performance log reports it.
struct PerfDisplay {
    std::uint32_t display = 0;  // the display identifier
    SceneSurfaceView* surface = nullptr;
    bool covered = false;  // the window is not visible
};

// The performance log's 10-second line: "perf " and a one-line JSON object with the period's
// driver counters, the GPU work its command buffers recorded per second, and one object per
// display. Taking a snapshot resets the counters it reads.
class PerfSnapshot {
public:
    // Starts the first period now, at the process's current CPU time.
    PerfSnapshot();
    PerfSnapshot(double now, double cpuSeconds) : last_(now), lastCPU_(cpuSeconds) {}

    // Writes the line through writePerfLine; nothing without a driver or without a wallpaper
    // host (`displays` none).
    void fire(FrameDriver* driver, std::optional<std::span<const PerfDisplay>> displays, std::string_view sceneID,
              ThermalLevel thermal);

    // The line for a period ending at `now` with the process at `cpuSeconds` of CPU time,
    // `footprintBytes` resident and `heapBytes` of heap in use. Displays are written in ascending
    // order of their surfaces' display index.
    std::string take(FrameDriver& driver, std::span<const PerfDisplay> displays, std::string_view sceneID,
                     ThermalLevel thermal, double now, double cpuSeconds, double footprintBytes, double heapBytes);

    // One display object, from its totals over `elapsed` seconds.
    static std::string displayObject(std::uint32_t display, int width, int height, const std::string& decision,
                                     bool covered, const Totals& totals, double elapsed);

    // The work counters as per-second rates over `elapsed` seconds, under their field names.
    static std::string workObject(const gpu::WorkCounters& work, double elapsed);

    // User + system CPU time of the process, seconds.
    static double processCPUSeconds();
    // Resident memory of the process in bytes; 0 when it cannot be read.
    static double footprintBytes();
    // Heap in use by the process in bytes, every arena and the chunks mapped on their own
    // (malloc's own count, so freed memory it keeps does not show).
    static double heapBytes();

private:
    double last_;
    double lastCPU_;
};

}  // namespace lumen::app
