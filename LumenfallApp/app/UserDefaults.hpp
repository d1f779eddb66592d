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

    // Written through to the file (an argument for the same key keeps winning for this run).
    void set(std::string_view key, const std::string& value);
    void remove(std::string_view key);
    void sync();

    // "-key" arguments that are not known keys, in order (for one log line each).
    const std::vector<std::string>& unknownArguments() const { return unknown_; }
    // False when the file exists but cannot be read or parsed; the store then starts empty.
    bool readable() const;

private:
    std::unique_ptr<QSettings> store_;
    std::map<std::string, std::string, std::less<>> arguments_;
    std::vector<std::string> unknown_;
};

}  // namespace lumen::app
