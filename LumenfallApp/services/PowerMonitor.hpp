#pragma once

#include "LumenKit/policy/PowerContext.hpp"
#include "services/BusConnection.hpp"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QDBusMessage;
class QDBusServiceWatcher;

namespace lumen::app {

struct PowerMonitorOptions {
    // Counts as on battery whatever UPower says (the "simulateBattery" switch).
    bool simulateBattery = false;
    // The buses to listen on; unset means the process's system and session bus.
    std::optional<QDBusConnection> systemBus{};
    std::optional<QDBusConnection> sessionBus{};
    // Where the thermal zones live.
    std::filesystem::path thermalRoot = "/sys/class/thermal";
    // Whether every display is asleep (DPMS); none while it cannot tell. Without it displays
    // never count as asleep.
    std::function<std::optional<bool>()> displaysAsleepQuery{};
    std::chrono::milliseconds thermalPollInterval{10'000};
    std::chrono::milliseconds displaysAsleepPollInterval{5'000};
    // Limit for each synchronous call made while starting and for each later re-read.
    std::chrono::milliseconds callTimeout{1'000};
};

// Gathers the machine state that decides whether the wallpaper may animate: UPower's power
// source, power-profiles-daemon's power saver, the thermal zones, the logind session's lock and
// activity, the screen saver, display sleep and system sleep. Keeps one PowerContext, logs each
// real change and reports it through `onChange`. Main thread only.
//
// A missing bus or service, or one answering with unexpected types, leaves its part of the
// context at its default or last value; construction never fails. Nothing polls while
// `setAnimating(false)`.
class PowerMonitor final : public QObject {
    Q_OBJECT

public:
    using Options = PowerMonitorOptions;

    explicit PowerMonitor(Options options = {}, QObject* parent = nullptr);
    ~PowerMonitor() override;

    const PowerContext& context() const { return context_; }

    // Called after each real change with the new context; set by the application model.
    std::function<void(const PowerContext&)> onChange;

    // Whether any display animates. Thermal and display-sleep polling run only while it does;
    // turning it on reads both on the next pass of the event loop.
    void setAnimating(bool animating);
    bool animating() const { return animating_; }

    // Asks the displays-asleep query now (on user input, which is what wakes the displays).
    void pollDisplaysAsleep();

    // The session object logind gave us; empty when none was found.
    const QString& sessionPath() const { return sessionPath_; }

    // The event text for a change seen through `source`.
    static std::string describe(std::string_view source, const PowerContext& context);

private slots:
    void onUPowerProperties(const QDBusMessage& message);
    void onProfileProperties(const QDBusMessage& message);
    void onSessionProperties(const QDBusMessage& message);
    void onSessionLock(const QDBusMessage& message);
    void onSessionUnlock(const QDBusMessage& message);
    void onPrepareForSleep(const QDBusMessage& message);
    void onScreenSaverActive(const QDBusMessage& message);

private:
    void apply(std::string_view source, const std::function<void(PowerContext&)>& mutation);

    void startSystemBus();
    void startSessionBus();
    QString findSession();
    void serviceOwnerChanged(const QString& service, const QString& newOwner);

    // Reply readers: none, with a log line, when the call failed or answered something else.
    std::optional<bool> onBatteryFrom(const QDBusMessage& reply);
    std::optional<bool> lowPowerFrom(const QDBusMessage& reply, const QString& service);
    std::optional<bool> lockedFrom(const QDBusMessage& reply);

    void rereadOnBattery(std::function<void(std::optional<bool>)> done);
    void rereadLowPower(const QString& service);
    void rereadLocked(std::function<void(std::optional<bool>)> done);

    void pollThermal();
    void updateDisplaysAsleepTimer();

    Options options_;
    // Start-up calls block for at most the call timeout; everything later is asynchronous.
    BusConnection system_;
    BusConnection session_;
    PowerContext context_;
    QString sessionPath_;
    bool sessionActive_ = true;
    bool animating_ = false;
    QTimer thermalTimer_;
    QTimer displaysAsleepTimer_;
    std::unique_ptr<QDBusServiceWatcher> systemWatcher_;
    std::unique_ptr<QDBusServiceWatcher> sessionWatcher_;
};

}  // namespace lumen::app
