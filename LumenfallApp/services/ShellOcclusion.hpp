#pragma once

#include "services/BusConnection.hpp"

#include "platform/PixelRect.hpp"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QDBusServiceWatcher;

namespace lumen::app {

// What GNOME Shell's Lumenfall extension says about the desktop, which X11 cannot see there:
// native Wayland windows, the overview and the lock screen.
struct ShellState {
    struct Monitor {
        PixelRect frame;
        bool covered = false;
        bool operator==(const Monitor&) const = default;
    };
    std::vector<Monitor> monitors;
    bool overview = false;
    bool locked = false;

    // {"monitors": [{"x":0,"y":0,"width":1280,"height":720,"covered":false}], "overview":false,
    // "locked":false}; none for anything else (a field of the wrong type included).
    static std::optional<ShellState> parse(std::string_view json);
    // Whether a wallpaper window at `frame` is hidden: the overview or the lock screen shows, or
    // the monitor it overlaps most is covered.
    bool hides(const PixelRect& frame) const;
    bool operator==(const ShellState&) const = default;
};

// Follows the extension on the session bus (name com.quorl802.Lumenfall.Shell): its state while
// it is there, none otherwise. onChange runs after every real change, also its coming and going.
class ShellOcclusion : public QObject {
    Q_OBJECT

public:
    static constexpr const char* serviceName = "com.quorl802.Lumenfall.Shell";
    static constexpr const char* objectPath = "/com/quorl802/Lumenfall/Shell";
    static constexpr const char* interfaceName = "com.quorl802.Lumenfall.Shell";

    explicit ShellOcclusion(std::optional<QDBusConnection> bus = std::nullopt, QObject* parent = nullptr);
    ~ShellOcclusion() override;

    const std::optional<ShellState>& state() const { return state_; }
    std::function<void()> onChange;

private slots:
    void changed(const QString& json);

private:
    void ask();
    void set(std::optional<ShellState> state);

    BusConnection bus_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
    std::optional<ShellState> state_;
};

}  // namespace lumen::app
