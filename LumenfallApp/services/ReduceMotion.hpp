#pragma once

#include "services/BusConnection.hpp"

#include <QDBusConnection>
#include <QObject>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QDBusMessage;
class QDBusServiceWatcher;

namespace lumen::app {

struct ReduceMotionOptions {
    // The bus the desktop portal is on; unset means the process's session bus.
    std::optional<QDBusConnection> sessionBus{};
    // Limit for all start-up reads together and for each later read.
    std::chrono::milliseconds callTimeout{400};
};

// The desktop's "reduce motion" accessibility setting, read from the desktop portal's Settings
// interface and followed through its SettingChanged signal. On while any of these says so: the
// portal's own `org.freedesktop.appearance` `reduced-motion` (1), GNOME's `enable-animations`
// (false) or KDE's `AnimationDurationFactor` (0). A key the portal lacks or answers with another
// type counts as off, and so does a missing portal or bus; construction never fails. Main thread
// only.
class ReduceMotion final : public QObject {
    Q_OBJECT

public:
    using Options = ReduceMotionOptions;

    explicit ReduceMotion(Options options = {}, QObject* parent = nullptr);
    ~ReduceMotion() override;

    bool enabled() const { return enabled_; }

    // Called once after each real change of `enabled()`; set by the application model.
    std::function<void()> onChange;

private slots:
    void onSettingChanged(const QDBusMessage& message);

private:
    // Each key's last word: whether it asks for reduced motion (false while absent or odd).
    using Votes = std::array<bool, 3>;

    void start();
    void readAllLater();
    void readLater(std::size_t key, std::function<void(std::optional<bool>)> done);
    std::optional<QVariant> valueFrom(std::size_t key, const QDBusMessage& reply) const;
    bool vote(std::size_t key, const QVariant& value) const;
    void apply(const std::string& source, const Votes& votes);

    Options options_;
    BusConnection session_;
    // Cleared once the portal turns out to lack ReadOne (versions before 2).
    bool readOne_ = true;
    Votes votes_{};
    // SettingChanged signals seen per key, so that a slower read does not undo one.
    std::array<unsigned, 3> announced_{};
    bool enabled_ = false;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
};

}  // namespace lumen::app
