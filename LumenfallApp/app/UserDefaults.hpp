#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSettings;

namespace lumen::app {

// The user defaults store: a QSettings file (~/.config/Lumenfall/Lumenfall.conf), with launch
// arguments "-key value" overriding stored values for this run only. Main thread only.
class UserDefaults {
public:
    // Keys the application reads; any other "-key" on the command line is reported and ignored.
    static const std::vector<std::string>& knownKeys();
    // $XDG_CONFIG_HOME/Lumenfall/Lumenfall.conf (default ~/.config).
    static std::string defaultPath();

    UserDefaults(const std::string& path, const std::vector<std::string>& arguments);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The argument's value, else the stored one.
    std::optional<std::string> string(std::string_view key) const;
    // "YES", "true" and "1" (any case) are true; anything else, or nothing, is false.
    bool boolValue(std::string_view key) const;
    std::optional<bool> optionalBool(std::string_view key) const;
    // A finite number, else none.
    std::optional<double> number(std::string_view key) const;

    // Written through to the file at once (an argument for the same key keeps winning for this
    // run). A file that cannot be written is logged once, with its path and the reason; the
    // values stay in memory for the run.
    void set(std::string_view key, const std::string& value);
    void remove(std::string_view key);
    void sync();

    // The file holds something that cannot be read (its owner found a value it cannot decode).
    // Before the first write replaces it, a copy is kept beside it as
    // "<name>.unreadable-<date>-<time>" and its place logged, so nothing the user had is lost.
    void markUnreadable();

    // "-key" arguments that are not known keys, in order (for one log line each).
    const std::vector<std::string>& unknownArguments() const { return unknown_; }
    // False when the file exists but cannot be read or parsed; the store then starts empty.
    bool readable() const;

private:
    void keepUnreadableCopy();
    void checkSaved();

    std::string path_;
    std::unique_ptr<QSettings> store_;
    bool unreadable_ = false;
    bool saveFailureReported_ = false;
    std::map<std::string, std::string, std::less<>> arguments_;
    std::vector<std::string> unknown_;
};

}  // namespace lumen::app
