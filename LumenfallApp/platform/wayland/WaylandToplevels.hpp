#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct wl_output;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace lumen::app {

// The other applications' windows as the compositor's foreign-toplevel list tells them: their
// state and the outputs they are on. `changed` runs after each window's batch of changes (done)
// and when one closes.
class WaylandToplevels {
public:
    struct Toplevel {
        bool maximized = false;
        bool minimized = false;
        bool fullscreen = false;
        bool activated = false;
        std::set<wl_output*> outputs;
    };

    WaylandToplevels(zwlr_foreign_toplevel_manager_v1* manager, std::function<void()> changed);
    ~WaylandToplevels();
    WaylandToplevels(const WaylandToplevels&) = delete;
    WaylandToplevels& operator=(const WaylandToplevels&) = delete;

    // Whether a window that hides the desktop (fullscreen or maximised, not minimised) is on it.
    bool covers(wl_output* output) const;
    // An output that went away: windows no longer count as on it.
    void forget(wl_output* output);
    // The window with the keyboard focus, by an id of ours that no later window reuses.
    std::optional<std::uint64_t> active() const;
    // Asks the compositor to focus that window; false when it has closed.
    bool activate(std::uint64_t id, wl_seat* seat);

    // The rule alone, and the state array's decoding, for tests.
    static bool hidesDesktop(const Toplevel& toplevel);
    static void readState(Toplevel& toplevel, const std::uint32_t* states, std::size_t count);

    // For the listeners.
    struct Entry {
        WaylandToplevels* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        std::uint64_t id = 0;
        Toplevel pending, current;
    };
    void add(zwlr_foreign_toplevel_handle_v1* handle);
    void done(Entry& entry);
    void closed(Entry& entry);
    void finished();

private:
    zwlr_foreign_toplevel_manager_v1* manager_;
    std::map<zwlr_foreign_toplevel_handle_v1*, std::unique_ptr<Entry>> entries_;
    std::function<void()> changed_;
    std::uint64_t made_ = 0;
};

}  // namespace lumen::app
