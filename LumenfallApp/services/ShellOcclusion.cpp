#include "services/ShellOcclusion.hpp"

#include "log/EventLog.hpp"

#include <QDBusMessage>
#include <QDBusServiceWatcher>

#include <nlohmann/json.hpp>

#include <algorithm>

namespace lumen::app {

namespace {

constexpr std::chrono::milliseconds callLimit{500};

std::int64_t overlap(const PixelRect& a, const PixelRect& b) {
    const std::int64_t w = std::min(a.right(), b.right()) - std::max<std::int64_t>(a.x, b.x);
    const std::int64_t h = std::min(a.bottom(), b.bottom()) - std::max<std::int64_t>(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

std::optional<ShellState> ShellState::parse(std::string_view json) {
    const auto document = nlohmann::json::parse(json, nullptr, false);
    if (!document.is_object()) return std::nullopt;
    const auto monitors = document.find("monitors");
    const auto overview = document.find("overview");
    const auto locked = document.find("locked");
    if (monitors == document.end() || !monitors->is_array() || overview == document.end() || !overview->is_boolean() ||
        locked == document.end() || !locked->is_boolean()) {
        return std::nullopt;
    }
    ShellState state;
    state.overview = overview->get<bool>();
    state.locked = locked->get<bool>();
    for (const auto& monitor : *monitors) {
        if (!monitor.is_object()) return std::nullopt;
        int numbers[4];
        const char* keys[4] = {"x", "y", "width", "height"};
        for (int i = 0; i < 4; ++i) {
            const auto found = monitor.find(keys[i]);
            if (found == monitor.end() || !found->is_number_integer()) return std::nullopt;
            const auto value = found->get<std::int64_t>();
            if (value < -1'000'000 || value > 1'000'000) return std::nullopt;
            numbers[i] = static_cast<int>(value);
        }
        const auto covered = monitor.find("covered");
        if (covered == monitor.end() || !covered->is_boolean()) return std::nullopt;
        state.monitors.push_back({{numbers[0], numbers[1], numbers[2], numbers[3]}, covered->get<bool>()});
    }
    return state;
}

bool ShellState::hides(const PixelRect& frame) const {
    if (overview || locked) return true;
    const Monitor* best = nullptr;
    std::int64_t bestArea = 0;
    for (const Monitor& monitor : monitors) {
        const std::int64_t area = overlap(monitor.frame, frame);
        if (area > bestArea) {
            best = &monitor;
            bestArea = area;
        }
    }
    return best && best->covered;
}

ShellOcclusion::ShellOcclusion(std::optional<QDBusConnection> bus, QObject* parent)
    : QObject(parent), bus_(bus, QDBusConnection::SessionBus, callLimit) {
    if (!bus_.connection().isConnected()) return;
    bus_.connection().connect(serviceName, objectPath, interfaceName, "Changed", this, SLOT(changed(QString)));
    watcher_ = bus_.watch({serviceName}, this, [this](const QString&, const QString& owner) {
        if (owner.isEmpty()) {
            set(std::nullopt);
        } else {
            ask();
        }
    });
    ask();
}

ShellOcclusion::~ShellOcclusion() = default;

void ShellOcclusion::ask() {
    const auto message = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, "GetState");
    bus_.callLater(message, this, [this](const QDBusMessage& reply) {
        if (!isAnswer(reply, "s")) return;  // not there (yet): its appearing asks again
        changed(reply.arguments().front().toString());
    });
}

void ShellOcclusion::changed(const QString& json) {
    auto state = ShellState::parse(json.toStdString());
    if (!state) {
        logEvent("GNOME Shell extension: an unreadable state; ignored");
        return;
    }
    set(std::move(state));
}

void ShellOcclusion::set(std::optional<ShellState> state) {
    if (state == state_) return;
    const bool came = state && !state_, went = !state && state_;
    state_ = std::move(state);
    if (came) logEvent("occlusion: following GNOME Shell's Lumenfall extension");
    if (went) logEvent("occlusion: the GNOME Shell extension is gone; following the X11 window stack");
    if (onChange) onChange();
}

}  // namespace lumen::app
