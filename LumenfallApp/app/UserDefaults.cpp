#include "app/UserDefaults.hpp"

#include "log/EventLog.hpp"

#include <QDateTime>
#include <QSettings>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace lumen::app {

namespace {

QString qkey(std::string_view key) { return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())); }

bool isTrueText(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text == "yes" || text == "true" || text == "1";
}

}  // namespace

const std::vector<std::string>& UserDefaults::knownKeys() {
    static const std::vector<std::string> keys{
        "settings", "scene", "sceneOptions", "weather", "simulateCovered", "simulateBattery", "onlyMainDisplay",
        "perfLog", "previewHour", "featureMask", "noMenuBarItem", "quitAfter", "welcomed", "settingsTab",
        "forecastHost", "placeLookupHost", "updateFeed", "lastUpdateCheck", "animateInSoftware", "desktopBackend"};
    return keys;
}

std::string UserDefaults::defaultPath() {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = "/tmp";
    }
    return base + "/Lumenfall/Lumenfall.conf";
}

UserDefaults::UserDefaults(const std::string& path, const std::vector<std::string>& arguments)
    : path_(path), store_(std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat)) {
    std::error_code error;
    if (store_->status() == QSettings::FormatError && std::filesystem::is_regular_file(path_, error)) unreadable_ = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // "-key value"; "--option" and bare words belong to the program's own command line.
        if (argument.size() < 2 || argument[0] != '-' || argument[1] == '-') continue;
        const std::string key = argument.substr(1);
        const auto& known = knownKeys();
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            unknown_.push_back(argument);
            continue;
        }
        if (i + 1 < arguments.size()) {
            arguments_[key] = arguments[i + 1];
            ++i;
        } else {
            unknown_.push_back(argument);
        }
    }
}

UserDefaults::~UserDefaults() = default;

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    if (auto found = arguments_.find(key); found != arguments_.end()) return found->second;
    const QVariant value = store_->value(qkey(key));
    if (!value.isValid()) return std::nullopt;
    return value.toString().toStdString();
}

bool UserDefaults::boolValue(std::string_view key) const { return optionalBool(key).value_or(false); }

std::optional<bool> UserDefaults::optionalBool(std::string_view key) const {
    auto text = string(key);
    if (!text) return std::nullopt;
    return isTrueText(*text);
}

std::optional<double> UserDefaults::number(std::string_view key) const {
    auto text = string(key);
    if (!text || text->empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    if (end != text->c_str() + text->size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

void UserDefaults::set(std::string_view key, const std::string& value) {
    keepUnreadableCopy();
    store_->setValue(qkey(key), QString::fromStdString(value));
    checkSaved();
}

void UserDefaults::remove(std::string_view key) {
    keepUnreadableCopy();
    store_->remove(qkey(key));
    checkSaved();
}

void UserDefaults::sync() { checkSaved(); }

void UserDefaults::markUnreadable() { unreadable_ = true; }

void UserDefaults::keepUnreadableCopy() {
    if (!unreadable_) return;
    unreadable_ = false;
    const std::string stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss").toStdString();
    const std::string copy = path_ + ".unreadable-" + stamp;
    std::error_code error;
    if (std::filesystem::copy_file(path_, copy, std::filesystem::copy_options::skip_existing, error)) {
        logEvent("settings: kept the unreadable settings file as " + copy);
    } else {
        logEvent("settings: couldn't keep a copy of the unreadable settings file " + path_ + ": " + error.message());
    }
}

void UserDefaults::checkSaved() {
    store_->sync();
    if (store_->status() != QSettings::AccessError || saveFailureReported_) return;
    saveFailureReported_ = true;
    // QSettings gives no reason; opening the file for appending finds the system's.
    std::string reason = "it can't be written";
    errno = 0;
    if (std::FILE* file = std::fopen(path_.c_str(), "a")) {
        std::fclose(file);
    } else if (errno != 0) {
        reason = std::strerror(errno);
    }
    logEvent("settings: can't save to " + path_ + " (" + reason + "); the changes last until Lumenfall quits");
}

bool UserDefaults::readable() const { return store_->status() != QSettings::FormatError; }

}  // namespace lumen::app
