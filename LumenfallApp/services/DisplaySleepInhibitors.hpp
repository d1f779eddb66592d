#pragma once

#include "services/BusConnection.hpp"

#include <QDBusConnection>

#include <chrono>
#include <optional>

namespace lumen::app {

struct DisplaySleepInhibitorsOptions {
    // The buses to ask; unset means the process's system and session bus.
    std::optional<QDBusConnection> systemBus{};
    std::optional<QDBusConnection> sessionBus{};
    // Limit for each call: the answer is wanted on the main thread.
    std::chrono::milliseconds callTimeout{500};
};

// Whether some application keeps the displays awake (a video player, a presentation): logind
// has an inhibitor that blocks "idle", or the GNOME session manager reports idle as inhibited.
// Asked on demand with short blocking calls that never start a service; any failure counts as
// not inhibited. Main thread only.
class DisplaySleepInhibitors {
public:
    using Options = DisplaySleepInhibitorsOptions;

    explicit DisplaySleepInhibitors(const Options& options = {});

    bool inForce() const;

    // logind's inhibitor "what" (colon-separated) and "mode" as they count here.
    static bool blocksIdle(const QString& what, const QString& mode);

private:
    bool logindInhibits() const;
    bool gnomeInhibits() const;

    BusConnection system_;
    BusConnection session_;
};

}  // namespace lumen::app
