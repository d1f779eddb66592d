#include "render/PerfSnapshot.hpp"

#include "render/DisplayLink.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneSurfaceView.hpp"

#include "log/EventLog.hpp"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace lumen::app {
namespace {

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    const int size = std::snprintf(nullptr, 0, pattern, args...);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern, args...);
    text.pop_back();
    return text;
}

}  // namespace

PerfSnapshot::PerfSnapshot() : PerfSnapshot(DisplayLink::now(), processCPUSeconds()) {}

double PerfSnapshot::processCPUSeconds() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double PerfSnapshot::footprintBytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0;
    long long resident = 0;
    if (!(statm >> pages >> resident)) return 0;
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pageSize > 0 ? static_cast<double>(resident) * static_cast<double>(pageSize) : 0;
}

double PerfSnapshot::heapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks) + static_cast<double>(info.hblkhd);
}

std::string PerfSnapshot::displayObject(std::uint32_t display, int width, int height, const std::string& decision,
                                        bool covered, const Totals& t, double elapsed) {
    const std::int64_t drawn = t.frames + t.stills;
    const double gpuMsPerFrame = drawn > 0 ? t.gpuSeconds / static_cast<double>(drawn) * 1000 : 0;
    return format("{\"display\":%u,\"px\":\"%dx%d\",\"decision\":\"%s\",\"covered\":%s,\"fps\":%.1f,\"stills\":%lld,"
                  "\"gpuMsPerFrame\":%.2f,\"gpuBusyPct\":%.2f}",
                  static_cast<unsigned>(display), width, height, decision.c_str(), covered ? "true" : "false",
                  static_cast<double>(t.frames) / elapsed, static_cast<long long>(t.stills), gpuMsPerFrame,
                  t.gpuSeconds / elapsed * 100);
}

std::string PerfSnapshot::workObject(const gpu::WorkCounters& w, double elapsed) {
    auto rate = [elapsed](std::uint64_t count) { return static_cast<double>(count) / elapsed; };
    return format("{\"drawCalls\":%.1f,\"instances\":%.1f,\"dispatches\":%.1f,\"threadgroups\":%.1f,"
                  "\"pipelineBinds\":%.1f,\"bufferBinds\":%.1f,\"textureBinds\":%.1f,\"bytesUploaded\":%.1f,"
                  "\"renderPasses\":%.1f,\"pixelsWritten\":%.1f}",
                  rate(w.drawCalls), rate(w.instances), rate(w.dispatches), rate(w.threadgroups), rate(w.pipelineBinds),
                  rate(w.bufferBinds), rate(w.textureBinds), rate(w.bytesUploaded), rate(w.renderPasses),
                  rate(w.pixelsWritten));
}

std::string PerfSnapshot::take(FrameDriver& driver, std::span<const PerfDisplay> displays, std::string_view sceneID,
                               ThermalLevel thermal, double now, double cpuSeconds, double footprint, double heap) {
    const double elapsed = std::max(now - last_, 0.001);
    const double cpuPct = (cpuSeconds - lastCPU_) / elapsed * 100;
    last_ = now;
    lastCPU_ = cpuSeconds;

    const Totals all = driver.stats.takeTotals();

    std::vector<const PerfDisplay*> ordered;
    for (const auto& d : displays) {
        if (d.surface) ordered.push_back(&d);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const PerfDisplay* a, const PerfDisplay* b) {
        return a->surface->displayIndex() < b->surface->displayIndex();
    });
    std::string objects;
    for (const auto* d : ordered) {
        if (!objects.empty()) objects += ',';
        objects += displayObject(d->display, d->surface->drawableWidth(), d->surface->drawableHeight(),
                                 d->surface->decision().statusText(), d->covered, d->surface->takeTotals(), elapsed);
    }

    const double encodeMs =
        all.commandBuffers > 0 ? all.encodeSeconds / static_cast<double>(all.commandBuffers) * 1000 : 0;
    const std::string scene(sceneID);
    const std::string thermalName(ThermalLevelInfo::name(thermal));
    const std::string work = workObject(all.work, elapsed);
    return "perf " + format("{\"seconds\":%.1f,\"scene\":\"%s\",\"cpuPctOfOneCore\":%.2f,\"footprintMB\":%.1f,"
                            "\"heapMB\":%.1f,\"gpuBusyPctAll\":%.2f,\"commandBuffers\":%lld,\"ticks\":%lld,"
                            "\"skippedBusy\":%lld,\"encodeMs\":%.3f,\"simMsPerSecond\":%.1f,\"thermal\":\"%s\","
                            "\"workPerSecond\":%s,\"displays\":[%s]}",
                            elapsed, scene.c_str(), cpuPct, footprint / 1048576.0, heap / 1048576.0,
                            all.gpuSeconds / elapsed * 100,
                            static_cast<long long>(all.commandBuffers), static_cast<long long>(all.ticks),
                            static_cast<long long>(all.skippedBusy), encodeMs, all.simSeconds / elapsed * 1000,
                            thermalName.c_str(), work.c_str(), objects.c_str());
}

void PerfSnapshot::fire(FrameDriver* driver, std::optional<std::span<const PerfDisplay>> displays,
                        std::string_view sceneID, ThermalLevel thermal) {
    if (!driver || !displays) return;
    writePerfLine(take(*driver, *displays, sceneID, thermal, DisplayLink::now(), processCPUSeconds(), footprintBytes(),
                       heapBytes()));
}

}  // namespace lumen::app
