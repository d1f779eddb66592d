#include "platform/wayland/WaylandOutput.hpp"

#include "platform/wayland/WaylandProtocols.hpp"

#include <algorithm>

namespace lumen::app {

namespace {

WaylandOutput& outputOf(void* data) { return *static_cast<WaylandOutput*>(data); }

const wl_output_listener outputListener{
    .geometry = [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
                   const char* make, const char* model, std::int32_t) {
        auto& state = outputOf(data).pending;
        state.x = x;
        state.y = y;
        state.make = make ? make : "";
        state.model = model ? model : "";
    },
    .mode = [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
               std::int32_t refresh) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
        auto& state = outputOf(data).pending;
        state.modeWidth = width;
        state.modeHeight = height;
        state.refreshMilliHz = refresh;
    },
    .done = [](void* data, wl_output*) { outputOf(data).commit(); },
    .scale = [](void* data, wl_output*, std::int32_t factor) { outputOf(data).pending.scale = std::max(1, factor); },
    .name = [](void* data, wl_output*, const char* name) {
        // xdg_output's name wins; both say the same where both exist.
        if (outputOf(data).pending.connector.empty()) outputOf(data).pending.connector = name ? name : "";
    },
    .description = [](void* data, wl_output*, const char* text) { outputOf(data).pending.description = text ? text : ""; },
};

const zxdg_output_v1_listener xdgOutputListener{
    .logical_position = [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        auto& state = outputOf(data).pending;
        state.logical = true;
        state.logicalX = x;
        state.logicalY = y;
    },
    .logical_size = [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        auto& state = outputOf(data).pending;
        state.logical = true;
        state.logicalWidth = width;
        state.logicalHeight = height;
    },
    // From version 3 on, wl_output.done ends the batch.
    .done = [](void*, zxdg_output_v1*) {},
    .name = [](void* data, zxdg_output_v1*, const char* name) { outputOf(data).pending.connector = name ? name : ""; },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

}  // namespace

WaylandOutput::WaylandOutput(wl_output* output, std::uint32_t globalName, std::uint64_t discovered,
                             std::function<void()> changed)
    : output_(output), globalName_(globalName), discovered_(discovered), changed_(std::move(changed))
{
    wl_output_add_listener(output_, &outputListener, this);
}

WaylandOutput::~WaylandOutput()
{
    if (xdgOutput_ != nullptr) zxdg_output_v1_destroy(xdgOutput_);
    if (wl_output_get_version(output_) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(output_);
    } else {
        wl_output_destroy(output_);
    }
}

void WaylandOutput::useXdgOutput(zxdg_output_manager_v1* manager)
{
    if (manager == nullptr || xdgOutput_ != nullptr) return;
    xdgOutput_ = zxdg_output_manager_v1_get_xdg_output(manager, output_);
    zxdg_output_v1_add_listener(xdgOutput_, &xdgOutputListener, this);
}

void WaylandOutput::commit()
{
    current = pending;
    ready_ = true;
    if (changed_) changed_();
}

Screen WaylandOutput::screen(bool primary) const { return toScreen(current, globalName_, primary); }

Screen WaylandOutput::toScreen(const State& state, std::uint32_t id, bool primary)
{
    Screen screen;
    screen.id = id;
    screen.name = !state.connector.empty() ? state.connector
                  : !state.model.empty()   ? state.make + " " + state.model
                                           : state.description;
    screen.scale = std::max(1, state.scale);
    screen.refreshRate = state.refreshMilliHz > 0 ? state.refreshMilliHz / 1000.0 : 0.0;
    screen.primary = primary;
    const int scale = std::max(1, state.scale);
    if (state.logical && state.logicalWidth > 0 && state.logicalHeight > 0) {
        screen.frame = {state.logicalX * scale, state.logicalY * scale, state.logicalWidth * scale,
                        state.logicalHeight * scale};
    } else {
        // Without xdg_output: the mode, at the compositor's position (rotation unknown).
        screen.frame = {state.x, state.y, state.modeWidth, state.modeHeight};
    }
    return screen;
}

}  // namespace lumen::app
