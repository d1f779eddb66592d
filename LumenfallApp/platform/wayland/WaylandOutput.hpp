#pragma once

#include "platform/Screen.hpp"

#include <cstdint>
#include <functional>
#include <string>

struct wl_output;
struct zxdg_output_v1;
struct zxdg_output_manager_v1;

namespace lumen::app {

// One wl_output global and what it and its xdg_output say about it. Its state counts once the
// compositor has sent a whole batch (wl_output.done); `changed` runs after each batch.
class WaylandOutput {
public:
    WaylandOutput(wl_output* output, std::uint32_t globalName, std::uint64_t discovered, std::function<void()> changed);
    ~WaylandOutput();
    WaylandOutput(const WaylandOutput&) = delete;
    WaylandOutput& operator=(const WaylandOutput&) = delete;

    // The logical position and size, and the connector name, come from here where offered.
    void useXdgOutput(zxdg_output_manager_v1* manager);

    wl_output* output() const { return output_; }
    std::uint32_t globalName() const { return globalName_; }
    // Lower for outputs announced earlier: the first is the main display.
    std::uint64_t discovered() const { return discovered_; }
    bool ready() const { return ready_; }
    // As a Screen: the id is the global name; the frame is the logical geometry in pixels of
    // this output's scale.
    Screen screen(bool primary) const;

    // What the events said, public for the listeners and tests.
    struct State {
        std::string connector;   // xdg_output or wl_output name
        std::string description; // wl_output description
        std::string make, model;
        int x = 0, y = 0;                            // wl_output geometry position
        int modeWidth = 0, modeHeight = 0, refreshMilliHz = 0;
        int scale = 1;
        bool logical = false;
        int logicalX = 0, logicalY = 0, logicalWidth = 0, logicalHeight = 0;
    };
    State pending;
    State current;
    void commit();

    // Screen from a state; the rule alone, for tests.
    static Screen toScreen(const State& state, std::uint32_t id, bool primary);

private:
    wl_output* output_;
    zxdg_output_v1* xdgOutput_ = nullptr;
    std::uint32_t globalName_;
    std::uint64_t discovered_;
    bool ready_ = false;
    std::function<void()> changed_;
};

}  // namespace lumen::app
