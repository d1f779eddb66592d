#include "platform/wayland/WaylandToplevels.hpp"

#include "platform/wayland/WaylandProtocols.hpp"

namespace lumen::app {

namespace {

WaylandToplevels::Entry& entry(void* data) { return *static_cast<WaylandToplevels::Entry*>(data); }

const zwlr_foreign_toplevel_handle_v1_listener handleListener{
    .title = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
    .app_id = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
    .output_enter = [](void* data, zwlr_foreign_toplevel_handle_v1*,
                       wl_output* output) { entry(data).pending.outputs.insert(output); },
    .output_leave = [](void* data, zwlr_foreign_toplevel_handle_v1*,
                       wl_output* output) { entry(data).pending.outputs.erase(output); },
    .state = [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        WaylandToplevels::readState(entry(data).pending, static_cast<const std::uint32_t*>(states->data),
                                    states->size / sizeof(std::uint32_t));
    },
    .done = [](void* data, zwlr_foreign_toplevel_handle_v1*) { entry(data).owner->done(entry(data)); },
    .closed = [](void* data, zwlr_foreign_toplevel_handle_v1*) { entry(data).owner->closed(entry(data)); },
    .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
};

const zwlr_foreign_toplevel_manager_v1_listener managerListener{
    .toplevel = [](void* data, zwlr_foreign_toplevel_manager_v1*,
                   zwlr_foreign_toplevel_handle_v1* handle) { static_cast<WaylandToplevels*>(data)->add(handle); },
    .finished = [](void* data, zwlr_foreign_toplevel_manager_v1*) { static_cast<WaylandToplevels*>(data)->finished(); },
};

}  // namespace

WaylandToplevels::WaylandToplevels(zwlr_foreign_toplevel_manager_v1* manager, std::function<void()> changed)
    : manager_(manager), changed_(std::move(changed))
{
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &managerListener, this);
}

WaylandToplevels::~WaylandToplevels()
{
    for (auto& [handle, e] : entries_) zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (manager_ != nullptr) zwlr_foreign_toplevel_manager_v1_destroy(manager_);
}

bool WaylandToplevels::hidesDesktop(const Toplevel& toplevel)
{
    return (toplevel.fullscreen || toplevel.maximized) && !toplevel.minimized;
}

void WaylandToplevels::readState(Toplevel& toplevel, const std::uint32_t* states, std::size_t count)
{
    toplevel.maximized = toplevel.minimized = toplevel.fullscreen = toplevel.activated = false;
    for (std::size_t i = 0; i < count; ++i) {
        switch (states[i]) {
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MAXIMIZED: toplevel.maximized = true; break;
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED: toplevel.minimized = true; break;
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN: toplevel.fullscreen = true; break;
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED: toplevel.activated = true; break;
        default: break;  // states of later versions
        }
    }
}

bool WaylandToplevels::covers(wl_output* output) const
{
    for (const auto& [handle, e] : entries_) {
        if (hidesDesktop(e->current) && e->current.outputs.contains(output)) return true;
    }
    return false;
}

void WaylandToplevels::forget(wl_output* output)
{
    for (auto& [handle, e] : entries_) {
        e->pending.outputs.erase(output);
        e->current.outputs.erase(output);
    }
}

std::optional<std::uint64_t> WaylandToplevels::active() const
{
    for (const auto& [handle, e] : entries_) {
        if (e->current.activated) return e->id;
    }
    return std::nullopt;
}

bool WaylandToplevels::activate(std::uint64_t id, wl_seat* seat)
{
    for (const auto& [handle, e] : entries_) {
        if (e->id != id) continue;
        zwlr_foreign_toplevel_handle_v1_activate(handle, seat);
        return true;
    }
    return false;
}

void WaylandToplevels::add(zwlr_foreign_toplevel_handle_v1* handle)
{
    auto made = std::make_unique<Entry>();
    made->owner = this;
    made->handle = handle;
    made->id = ++made_;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, made.get());
    entries_[handle] = std::move(made);
}

void WaylandToplevels::done(Entry& e)
{
    e.current = e.pending;
    if (changed_) changed_();
}

void WaylandToplevels::closed(Entry& e)
{
    zwlr_foreign_toplevel_handle_v1* handle = e.handle;
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    entries_.erase(handle);
    if (changed_) changed_();
}

void WaylandToplevels::finished()
{
    // The compositor stopped the list; the manager object is dead.
    zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    manager_ = nullptr;
}

}  // namespace lumen::app
