#include "PowerMonitor.hpp"

#include "platform/linux/ThermalZones.hpp"
#include "log/EventLog.hpp"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <unistd.h>

#include <array>

namespace lumen::app {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

const QString kUPower = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");

// power-profiles-daemon's current name first, then the one older versions own. The interface
// is named like the service.
struct ProfilesService {
    QString service;
    QString path;
};
const std::array<ProfilesService, 2> kProfiles{{
    {QStringLiteral("org.freedesktop.UPower.PowerProfiles"), QStringLiteral("/org/freedesktop/UPower/PowerProfiles")},
    {QStringLiteral("net.hadess.PowerProfiles"), QStringLiteral("/net/hadess/PowerProfiles")},
}};

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kUser = QStringLiteral("org.freedesktop.login1.User");

// The interface is named like the service; objects differ between desktops (KDE uses two paths).
const std::array<QString, 2> kScreenSavers{QStringLiteral("org.freedesktop.ScreenSaver"),
                                           QStringLiteral("org.gnome.ScreenSaver")};

constexpr std::string_view kOnBatterySource = "org.freedesktop.UPower.OnBattery";
constexpr std::string_view kSleepSource = "org.freedesktop.login1.Manager.PrepareForSleep";

std::string text(const QString& s) { return s.toStdString(); }

std::string_view flag(bool value) { return value ? "true" : "false"; }

std::optional<bool> asBool(const QVariant& value)
{
    if (value.typeId() != QMetaType::Bool) return std::nullopt;
    return value.toBool();
}

QDBusMessage getProperty(const QString& service, const QString& path, const QString& interface, const QString& name)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, kProperties, QStringLiteral("Get"));
    message << interface << name;
    return message;
}

QDBusMessage onBatteryCall()
{
    return getProperty(kUPower, kUPowerPath, kUPower, QStringLiteral("OnBattery"));
}

QDBusMessage activeProfile(const ProfilesService& profiles)
{
    return getProperty(profiles.service, profiles.path, profiles.service, QStringLiteral("ActiveProfile"));
}

QDBusMessage getAllProperties(const QString& service, const QString& path, const QString& interface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, kProperties, QStringLiteral("GetAll"));
    message << interface;
    return message;
}

// The value of a Properties.Get reply, or the reason there is none.
std::optional<QVariant> propertyValue(const QDBusMessage& reply, std::string& problem)
{
    problem = replyProblem(reply, "v");
    if (!problem.empty()) return std::nullopt;
    return reply.arguments().at(0).value<QDBusVariant>().variant();
}

std::optional<QVariantMap> allProperties(const QDBusMessage& reply, std::string& problem)
{
    problem = replyProblem(reply, "a{sv}");
    if (!problem.empty()) return std::nullopt;
    return qdbus_cast<QVariantMap>(reply.arguments().at(0));
}

std::optional<QDBusObjectPath> objectPath(const QDBusMessage& reply, std::string& problem)
{
    problem = replyProblem(reply, "o");
    if (!problem.empty()) return std::nullopt;
    return reply.arguments().at(0).value<QDBusObjectPath>();
}

struct ChangedProperties {
    QString interface;
    QVariantMap changed;
    QStringList invalidated;
};

std::optional<ChangedProperties> changedProperties(const QDBusMessage& signal)
{
    if (signal.signature() != QLatin1String("sa{sv}as")) return std::nullopt;
    const QList<QVariant> args = signal.arguments();
    return ChangedProperties{args.at(0).toString(), qdbus_cast<QVariantMap>(args.at(1)),
                             qdbus_cast<QStringList>(args.at(2))};
}

std::optional<bool> boolArgument(const QDBusMessage& signal)
{
    if (signal.signature() != QLatin1String("b")) return std::nullopt;
    return signal.arguments().at(0).toBool();
}

void logOddSignal(const QDBusMessage& signal)
{
    logEvent("power: ignoring " + text(signal.interface()) + "." + text(signal.member()) + " with arguments (" +
             text(signal.signature()) + ")");
}

}  // namespace

PowerMonitor::PowerMonitor(Options options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      system_(options_.systemBus, QDBusConnection::SystemBus, options_.callTimeout),
      session_(options_.sessionBus, QDBusConnection::SessionBus, options_.callTimeout)
{
    context_.onBattery = options_.simulateBattery;
    context_.thermal = classifyThermalZones(readThermalZones(options_.thermalRoot));

    startSystemBus();
    startSessionBus();

    thermalTimer_.setInterval(options_.thermalPollInterval);
    connect(&thermalTimer_, &QTimer::timeout, this, &PowerMonitor::pollThermal);
    displaysAsleepTimer_.setInterval(options_.displaysAsleepPollInterval);
    connect(&displaysAsleepTimer_, &QTimer::timeout, this, &PowerMonitor::pollDisplaysAsleep);
}

PowerMonitor::~PowerMonitor() = default;

std::string PowerMonitor::describe(std::string_view source, const PowerContext& c)
{
    std::string line = "power: ";
    line += source;
    line += " → battery ";
    line += flag(c.onBattery);
    line += ", lowPower ";
    line += flag(c.lowPowerMode);
    line += ", thermal ";
    line += ThermalLevelInfo::name(c.thermal);
    line += ", locked ";
    line += flag(c.screenLocked);
    line += ", displaysAsleep ";
    line += flag(c.displaysAsleep);
    line += ", saver ";
    line += flag(c.screensaverRunning);
    line += ", sleeping ";
    line += flag(c.systemSleeping);
    return line;
}

void PowerMonitor::apply(std::string_view source, const std::function<void(PowerContext&)>& mutation)
{
    PowerContext next = context_;
    mutation(next);
    if (options_.simulateBattery) next.onBattery = true;
    if (next == context_) return;
    logEvent(describe(source, next));
    context_ = next;
    updateDisplaysAsleepTimer();
    // A copy: the handler may cause further changes before it returns.
    const PowerContext reported = context_;
    if (onChange) onChange(reported);
}

// Start-up

void PowerMonitor::startSystemBus()
{
    if (!system_.connectedOrLog("power", "battery, power saver, lock and sleep keep their defaults")) return;
    QDBusConnection bus = system_.connection();

    if (!options_.simulateBattery) {
        if (std::optional<bool> onBattery = onBatteryFrom(system_.callNow(onBatteryCall()))) {
            context_.onBattery = *onBattery;
        }
        bus.connect(kUPower, kUPowerPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(onUPowerProperties(QDBusMessage)));
    }

    std::string missing;
    bool profilesFound = false;
    for (const ProfilesService& profiles : kProfiles) {
        const QDBusMessage reply = system_.callNow(activeProfile(profiles));
        if (!profilesFound && reply.type() == QDBusMessage::ReplyMessage) {
            profilesFound = true;
            if (std::optional<bool> lowPower = lowPowerFrom(reply, profiles.service)) context_.lowPowerMode = *lowPower;
        } else if (reply.type() == QDBusMessage::ErrorMessage) {
            missing += (missing.empty() ? "" : ", ") + text(profiles.service) + ": " + text(reply.errorName());
        }
        bus.connect(profiles.service, profiles.path, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(onProfileProperties(QDBusMessage)));
    }
    if (!profilesFound) logEvent("power: no power-profiles-daemon (" + missing + "); power saver stays off");

    sessionPath_ = findSession();
    if (!sessionPath_.isEmpty()) {
        const QDBusMessage reply = system_.callNow(getAllProperties(kLogind, sessionPath_, kSession));
        if (std::optional<bool> locked = lockedFrom(reply)) context_.screenLocked = *locked;
        bus.connect(kLogind, sessionPath_, kSession, QStringLiteral("Lock"), this, SLOT(onSessionLock(QDBusMessage)));
        bus.connect(kLogind, sessionPath_, kSession, QStringLiteral("Unlock"), this,
                    SLOT(onSessionUnlock(QDBusMessage)));
        bus.connect(kLogind, sessionPath_, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(onSessionProperties(QDBusMessage)));
    }
    bus.connect(kLogind, kLogindPath, kLogindManager, QStringLiteral("PrepareForSleep"), this,
                SLOT(onPrepareForSleep(QDBusMessage)));

    QStringList services{kUPower, kLogind};
    for (const ProfilesService& profiles : kProfiles) services << profiles.service;
    systemWatcher_ = system_.watch(services, this, [this](const QString& service, const QString& newOwner) {
        serviceOwnerChanged(service, newOwner);
    });
}

void PowerMonitor::startSessionBus()
{
    if (!session_.connectedOrLog("power", "the screen saver is not followed")) return;
    for (const QString& saver : kScreenSavers) {
        session_.connection().connect(saver, QString(), saver, QStringLiteral("ActiveChanged"), this,
                                      SLOT(onScreenSaverActive(QDBusMessage)));
    }
    const QStringList services(kScreenSavers.begin(), kScreenSavers.end());
    sessionWatcher_ = session_.watch(services, this, [this](const QString& service, const QString& newOwner) {
        serviceOwnerChanged(service, newOwner);
    });
}

// Our own session by its id, else the one our process belongs to, else the user's display
// session (a process started outside the session, for example by a user service).
QString PowerMonitor::findSession()
{
    std::string problems;
    std::string problem;
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (!id.isEmpty()) {
        QDBusMessage call = QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindManager, QStringLiteral("GetSession"));
        call << id;
        if (std::optional<QDBusObjectPath> path = objectPath(system_.callNow(call), problem)) return path->path();
        problems += "GetSession: " + problem + "; ";
    }

    QDBusMessage byPid =
        QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindManager, QStringLiteral("GetSessionByPID"));
    byPid << static_cast<quint32>(::getpid());
    if (std::optional<QDBusObjectPath> path = objectPath(system_.callNow(byPid), problem)) return path->path();
    problems += "GetSessionByPID: " + problem + "; ";

    QDBusMessage getUser = QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindManager, QStringLiteral("GetUser"));
    getUser << static_cast<quint32>(::getuid());
    if (std::optional<QDBusObjectPath> user = objectPath(system_.callNow(getUser), problem)) {
        const QDBusMessage reply =
            system_.callNow(getProperty(kLogind, user->path(), kUser, QStringLiteral("Display")));
        std::optional<QVariant> display = propertyValue(reply, problem);
        if (display) {
            const QDBusArgument argument = display->value<QDBusArgument>();
            if (display->userType() == qMetaTypeId<QDBusArgument>() &&
                argument.currentSignature() == QLatin1String("(so)")) {
                QString sessionId;
                QDBusObjectPath path;
                argument.beginStructure();
                argument >> sessionId >> path;
                argument.endStructure();
                if (!sessionId.isEmpty() && path.path() != QLatin1String("/")) return path.path();
                problem = "the user has no display session";
            } else {
                problem = "Display is not (so)";
            }
        }
    }
    problems += "display session: " + problem;
    logEvent("power: no logind session (" + problems + "); locked stays false");
    return {};
}

void PowerMonitor::serviceOwnerChanged(const QString& service, const QString& newOwner)
{
    if (newOwner.isEmpty()) {
        logEvent("power: " + text(service) + " left the bus; keeping what it said last");
        return;
    }
    logEvent("power: " + text(service) + " is on the bus");
    if (service == kUPower && !options_.simulateBattery) {
        rereadOnBattery([this](std::optional<bool> onBattery) {
            if (onBattery) apply(kOnBatterySource, [&](PowerContext& c) { c.onBattery = *onBattery; });
        });
    } else if (service == kLogind && !sessionPath_.isEmpty()) {
        rereadLocked([this](std::optional<bool> locked) {
            if (!locked) return;
            apply("org.freedesktop.login1.Session.LockedHint", [&](PowerContext& c) { c.screenLocked = *locked; });
        });
    } else if (service == kProfiles[0].service || service == kProfiles[1].service) {
        rereadLowPower(service);
    }
}

// Replies

std::optional<bool> PowerMonitor::onBatteryFrom(const QDBusMessage& reply)
{
    std::string problem;
    std::optional<QVariant> value = propertyValue(reply, problem);
    std::optional<bool> onBattery = value ? asBool(*value) : std::nullopt;
    if (value && !onBattery) problem = "not a boolean";
    if (!onBattery) {
        logEvent("power: cannot read " + std::string(kOnBatterySource) + " (" + problem + "); battery stays " +
                 std::string(flag(context_.onBattery)));
    }
    return onBattery;
}

std::optional<bool> PowerMonitor::lowPowerFrom(const QDBusMessage& reply, const QString& service)
{
    std::string problem;
    std::optional<QVariant> value = propertyValue(reply, problem);
    if (value && value->typeId() == QMetaType::QString) return value->toString() == QLatin1String("power-saver");
    if (value) problem = "not a string";
    logEvent("power: cannot read " + text(service) + ".ActiveProfile (" + problem + "); lowPower stays " +
             std::string(flag(context_.lowPowerMode)));
    return std::nullopt;
}

// Locked when the session says so, and whenever it is not the active one (the user switched to
// another session).
std::optional<bool> PowerMonitor::lockedFrom(const QDBusMessage& reply)
{
    std::string problem;
    std::optional<QVariantMap> properties = allProperties(reply, problem);
    if (properties) {
        std::optional<bool> hint = asBool(properties->value(QStringLiteral("LockedHint")));
        std::optional<bool> active = asBool(properties->value(QStringLiteral("Active")));
        if (active) sessionActive_ = *active;
        if (hint) return *hint || !sessionActive_;
        problem = "LockedHint is missing or not a boolean";
    }
    logEvent("power: cannot read the lock state of " + text(sessionPath_) + " (" + problem + "); locked stays " +
             std::string(flag(context_.screenLocked)));
    return std::nullopt;
}

void PowerMonitor::rereadOnBattery(std::function<void(std::optional<bool>)> done)
{
    system_.callLater(onBatteryCall(), this,
                      [this, done = std::move(done)](const QDBusMessage& reply) { done(onBatteryFrom(reply)); });
}

void PowerMonitor::rereadLowPower(const QString& service)
{
    for (const ProfilesService& profiles : kProfiles) {
        if (profiles.service != service) continue;
        system_.callLater(activeProfile(profiles), this, [this, service](const QDBusMessage& reply) {
            if (std::optional<bool> lowPower = lowPowerFrom(reply, service)) {
                apply(text(service) + ".ActiveProfile", [&](PowerContext& c) { c.lowPowerMode = *lowPower; });
            }
        });
    }
}

void PowerMonitor::rereadLocked(std::function<void(std::optional<bool>)> done)
{
    system_.callLater(getAllProperties(kLogind, sessionPath_, kSession), this,
                      [this, done = std::move(done)](const QDBusMessage& reply) { done(lockedFrom(reply)); });
}

// Signals

void PowerMonitor::onUPowerProperties(const QDBusMessage& message)
{
    std::optional<ChangedProperties> properties = changedProperties(message);
    if (!properties) return logOddSignal(message);
    if (properties->interface != kUPower) return;
    const QString key = QStringLiteral("OnBattery");
    if (properties->changed.contains(key)) {
        std::optional<bool> onBattery = asBool(properties->changed.value(key));
        if (!onBattery) return logOddSignal(message);
        apply(kOnBatterySource, [&](PowerContext& c) { c.onBattery = *onBattery; });
    } else if (properties->invalidated.contains(key)) {
        rereadOnBattery([this](std::optional<bool> onBattery) {
            if (onBattery) apply(kOnBatterySource, [&](PowerContext& c) { c.onBattery = *onBattery; });
        });
    }
}

void PowerMonitor::onProfileProperties(const QDBusMessage& message)
{
    std::optional<ChangedProperties> properties = changedProperties(message);
    if (!properties) return logOddSignal(message);
    const QString& service = properties->interface;
    if (service != kProfiles[0].service && service != kProfiles[1].service) return;
    const QString key = QStringLiteral("ActiveProfile");
    if (properties->changed.contains(key)) {
        const QVariant profile = properties->changed.value(key);
        if (profile.typeId() != QMetaType::QString) return logOddSignal(message);
        const bool lowPower = profile.toString() == QLatin1String("power-saver");
        apply(text(service) + ".ActiveProfile", [&](PowerContext& c) { c.lowPowerMode = lowPower; });
    } else if (properties->invalidated.contains(key)) {
        rereadLowPower(service);
    }
}

void PowerMonitor::onSessionProperties(const QDBusMessage& message)
{
    std::optional<ChangedProperties> properties = changedProperties(message);
    if (!properties) return logOddSignal(message);
    if (properties->interface != kSession) return;
    const QVariantMap& changed = properties->changed;
    std::optional<bool> hint = asBool(changed.value(QStringLiteral("LockedHint")));
    if (changed.contains(QStringLiteral("Active"))) {
        std::optional<bool> active = asBool(changed.value(QStringLiteral("Active")));
        if (!active) return logOddSignal(message);
        sessionActive_ = *active;
        if (!*active) {
            apply("org.freedesktop.login1.Session.Active", [](PowerContext& c) { c.screenLocked = true; });
        } else if (hint) {
            apply("org.freedesktop.login1.Session.Active", [&](PowerContext& c) { c.screenLocked = *hint; });
        } else {
            // Back in our session: its lock state is whatever it is now.
            rereadLocked([this](std::optional<bool> locked) {
                if (!locked) return;
                apply("org.freedesktop.login1.Session.Active", [&](PowerContext& c) { c.screenLocked = *locked; });
            });
        }
    } else if (hint) {
        const bool locked = *hint || !sessionActive_;
        apply("org.freedesktop.login1.Session.LockedHint", [&](PowerContext& c) { c.screenLocked = locked; });
    }
}

void PowerMonitor::onSessionLock(const QDBusMessage&)
{
    apply("org.freedesktop.login1.Session.Lock", [](PowerContext& c) { c.screenLocked = true; });
}

void PowerMonitor::onSessionUnlock(const QDBusMessage&)
{
    apply("org.freedesktop.login1.Session.Unlock", [](PowerContext& c) { c.screenLocked = false; });
}

void PowerMonitor::onPrepareForSleep(const QDBusMessage& message)
{
    std::optional<bool> sleeping = boolArgument(message);
    if (!sleeping) return logOddSignal(message);
    if (*sleeping) {
        apply(kSleepSource, [](PowerContext& c) { c.systemSleeping = true; });
        return;
    }
    // Signals may have been lost while asleep: read the power source and the lock state again
    // and report waking together with what they say, as one change.
    struct Wake {
        int pending = 0;
        std::optional<bool> onBattery;
        std::optional<bool> locked;
    };
    auto wake = std::make_shared<Wake>();
    auto finish = [this, wake] {
        if (--wake->pending > 0) return;
        apply(kSleepSource, [&](PowerContext& c) {
            c.systemSleeping = false;
            if (wake->onBattery) c.onBattery = *wake->onBattery;
            if (wake->locked) c.screenLocked = *wake->locked;
        });
    };
    const bool readBattery = !options_.simulateBattery;
    const bool readLock = !sessionPath_.isEmpty();
    wake->pending = 1 + int(readBattery) + int(readLock);
    if (readBattery) {
        rereadOnBattery([wake, finish](std::optional<bool> onBattery) {
            wake->onBattery = onBattery;
            finish();
        });
    }
    if (readLock) {
        rereadLocked([wake, finish](std::optional<bool> locked) {
            wake->locked = locked;
            finish();
        });
    }
    finish();
}

void PowerMonitor::onScreenSaverActive(const QDBusMessage& message)
{
    std::optional<bool> running = boolArgument(message);
    if (!running) return logOddSignal(message);
    apply(text(message.interface()) + ".ActiveChanged", [&](PowerContext& c) { c.screensaverRunning = *running; });
}

// Polling

void PowerMonitor::setAnimating(bool animating)
{
    if (animating == animating_) return;
    animating_ = animating;
    if (!animating) {
        thermalTimer_.stop();
        updateDisplaysAsleepTimer();
        return;
    }
    thermalTimer_.start();
    updateDisplaysAsleepTimer();
    // Read both now, but from the event loop: the caller is usually in the middle of applying a
    // change and should not receive another one inside that call.
    QTimer::singleShot(0, this, [this] {
        if (!animating_) return;
        pollThermal();
        pollDisplaysAsleep();
    });
}

void PowerMonitor::pollThermal()
{
    const ThermalLevel level = classifyThermalZones(readThermalZones(options_.thermalRoot));
    apply("thermal", [&](PowerContext& c) { c.thermal = level; });
}

void PowerMonitor::pollDisplaysAsleep()
{
    if (!options_.displaysAsleepQuery) return;
    std::optional<bool> asleep = options_.displaysAsleepQuery();
    if (asleep) apply("dpms", [&](PowerContext& c) { c.displaysAsleep = *asleep; });
    updateDisplaysAsleepTimer();
}

// While the displays sleep only input wakes them, and the application asks on input; polling
// would find nothing new.
void PowerMonitor::updateDisplaysAsleepTimer()
{
    const bool wanted = options_.displaysAsleepQuery && animating_ && !context_.displaysAsleep;
    if (wanted && !displaysAsleepTimer_.isActive()) displaysAsleepTimer_.start();
    if (!wanted) displaysAsleepTimer_.stop();
}

}  // namespace lumen::app
