#include "ReduceMotion.hpp"

#include "log/EventLog.hpp"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDeadlineTimer>

#include <algorithm>
#include <string>

namespace lumen::app {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");

// In the order of the votes.
struct Key {
    QString space;
    QString name;
};
const std::array<Key, 3> kKeys{{
    {QStringLiteral("org.freedesktop.appearance"), QStringLiteral("reduced-motion")},
    {QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations")},
    {QStringLiteral("org.kde.kdeglobals.KDE"), QStringLiteral("AnimationDurationFactor")},
}};
constexpr std::size_t kReducedMotion = 0;
constexpr std::size_t kEnableAnimations = 1;

const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kNotFound = QStringLiteral("org.freedesktop.portal.Error.NotFound");

std::string text(const QString& s) { return s.toStdString(); }

std::string keyText(std::size_t key) { return text(kKeys[key].space + u' ' + kKeys[key].name); }

// ReadOne answers the value as a variant; the older Read wraps that in one more.
QVariant unwrap(QVariant value)
{
    for (int i = 0; i < 2 && value.userType() == qMetaTypeId<QDBusVariant>(); ++i) {
        value = value.value<QDBusVariant>().variant();
    }
    return value;
}

QDBusMessage readCall(std::size_t key, bool readOne)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kSettings,
                                                       readOne ? QStringLiteral("ReadOne") : QStringLiteral("Read"));
    call << kKeys[key].space << kKeys[key].name;
    return call;
}

bool portalMissing(const QDBusMessage& reply)
{
    const QString& error = reply.errorName();
    return error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

bool noAnswer(const QDBusMessage& reply)
{
    const QString& error = reply.errorName();
    return reply.type() != QDBusMessage::ErrorMessage || error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           error == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
           error == QLatin1String("org.freedesktop.DBus.Error.Disconnected");
}

}  // namespace

ReduceMotion::ReduceMotion(Options options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      session_(options_.sessionBus, QDBusConnection::SessionBus, options_.callTimeout)
{
    start();
}

ReduceMotion::~ReduceMotion() = default;

void ReduceMotion::start()
{
    if (!session_.connectedOrLog("motion", "reduce motion stays off")) return;
    // Listen first: a change during the reads below then arrives after them.
    session_.connection().connect(kPortal, kPortalPath, kSettings, QStringLiteral("SettingChanged"), this,
                                  SLOT(onSettingChanged(QDBusMessage)));
    watcher_ = session_.watch({kPortal}, this, [this](const QString&, const QString& newOwner) {
        if (newOwner.isEmpty()) {
            logEvent("motion: the desktop portal left the bus; keeping what it said last");
        } else {
            logEvent("motion: the desktop portal is on the bus");
            readAllLater();
        }
    });

    // One limit for all start-up reads together.
    const QDeadlineTimer deadline(options_.callTimeout);
    for (std::size_t key = 0; key < kKeys.size(); ++key) {
        QDBusMessage reply;
        bool retry = true;
        while (retry) {
            const qint64 left = deadline.remainingTime();
            if (left <= 0) {
                reply = QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
                                                  QStringLiteral("start-up time is up"));
                break;
            }
            const bool readOne = readOne_;
            reply = session_.callNow(readCall(key, readOne), std::chrono::milliseconds(left));
            retry = readOne && reply.errorName() == kUnknownMethod;
            if (retry) readOne_ = false;
        }
        if (portalMissing(reply)) {
            logEvent("motion: no desktop portal (" + text(reply.errorName()) + "); reduce motion stays off");
            break;
        }
        if (reply.type() != QDBusMessage::ReplyMessage && noAnswer(reply)) {
            logEvent("motion: the desktop portal did not answer in time; asking again in the background");
            readAllLater();
            break;
        }
        if (std::optional<QVariant> value = valueFrom(key, reply)) votes_[key] = vote(key, *value);
    }
    enabled_ = std::ranges::any_of(votes_, [](bool v) { return v; });
    if (enabled_) logEvent("motion: reduce motion is on");
}

void ReduceMotion::readAllLater()
{
    // Gathered and applied as one change: answers one by one could flip it back and forth. A key
    // announced meanwhile keeps what the announcement said.
    struct Pending {
        int left = int(kKeys.size());
        std::array<std::optional<bool>, kKeys.size()> votes{};
        std::array<unsigned, kKeys.size()> announced{};
    };
    auto pending = std::make_shared<Pending>();
    pending->announced = announced_;
    for (std::size_t key = 0; key < kKeys.size(); ++key) {
        readLater(key, [this, pending, key](std::optional<bool> vote) {
            pending->votes[key] = vote;
            if (--pending->left > 0) return;
            Votes votes = votes_;
            for (std::size_t k = 0; k < kKeys.size(); ++k) {
                if (pending->votes[k] && pending->announced[k] == announced_[k]) votes[k] = *pending->votes[k];
            }
            apply("the desktop portal", votes);
        });
    }
}

// Answers none when there was no answer at all, which keeps the key's last vote.
void ReduceMotion::readLater(std::size_t key, std::function<void(std::optional<bool>)> done)
{
    const bool readOne = readOne_;
    auto answered = [this, key, readOne, done = std::move(done)](const QDBusMessage& reply) mutable {
        if (readOne && reply.errorName() == kUnknownMethod) {
            readOne_ = false;
            return readLater(key, std::move(done));
        }
        if (reply.type() != QDBusMessage::ReplyMessage && (noAnswer(reply) || portalMissing(reply))) {
            return done(std::nullopt);
        }
        const std::optional<QVariant> value = valueFrom(key, reply);
        done(value && vote(key, *value));
    };
    session_.callLater(readCall(key, readOne), this, std::move(answered));
}

// The value a Read or ReadOne reply carries; none when the portal has no such key or failed.
std::optional<QVariant> ReduceMotion::valueFrom(std::size_t key, const QDBusMessage& reply) const
{
    if (isAnswer(reply, "v")) return unwrap(reply.arguments().at(0));
    if (reply.errorName() != kNotFound && !portalMissing(reply)) {
        logEvent("motion: cannot read " + keyText(key) + " (" +
                 (reply.type() == QDBusMessage::ErrorMessage ? text(reply.errorName())
                                                             : "answered " + text(reply.signature())) +
                 "); it counts as unset");
    }
    return std::nullopt;
}

bool ReduceMotion::vote(std::size_t key, const QVariant& value) const
{
    bool fits = false;
    bool reduce = false;
    if (key == kReducedMotion) {
        // Values other than 1 mean no preference.
        fits = value.typeId() == QMetaType::UInt;
        reduce = fits && value.toUInt() == 1;
    } else if (key == kEnableAnimations) {
        fits = value.typeId() == QMetaType::Bool;
        reduce = fits && !value.toBool();
    } else {
        // kdeglobals entries are text at heart; take a number written as one too.
        double factor = 1.0;
        if (value.typeId() == QMetaType::Double) {
            factor = value.toDouble();
            fits = true;
        } else if (value.typeId() == QMetaType::QString) {
            factor = value.toString().trimmed().toDouble(&fits);
        }
        reduce = fits && factor == 0.0;
    }
    if (!fits) {
        const char* type = value.metaType().name();
        logEvent("motion: ignoring " + keyText(key) + " of type " + (type ? type : "none") + "; it counts as unset");
    }
    return reduce;
}

void ReduceMotion::apply(const std::string& source, const Votes& votes)
{
    votes_ = votes;
    const bool enabled = std::ranges::any_of(votes_, [](bool v) { return v; });
    if (enabled == enabled_) return;
    enabled_ = enabled;
    logEvent("motion: " + source + " → reduce motion " + (enabled_ ? "on" : "off"));
    if (onChange) onChange();
}

void ReduceMotion::onSettingChanged(const QDBusMessage& message)
{
    if (message.signature() != QLatin1String("ssv")) {
        logEvent("motion: ignoring SettingChanged with arguments (" + text(message.signature()) + ")");
        return;
    }
    const QList<QVariant> args = message.arguments();
    const QString space = args.at(0).toString();
    const QString name = args.at(1).toString();
    const auto found =
        std::ranges::find_if(kKeys, [&](const Key& key) { return key.space == space && key.name == name; });
    if (found == kKeys.end()) return;
    const auto key = static_cast<std::size_t>(found - kKeys.begin());
    ++announced_[key];
    Votes votes = votes_;
    votes[key] = vote(key, unwrap(args.at(2)));
    apply(keyText(key), votes);
}

}  // namespace lumen::app
