#pragma once

#include <optional>
#include <string>

namespace lumen::app {

// Opening at login: an XDG autostart entry, com.quorl802.Lumenfall.desktop in
// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart), that runs this program.
class LoginItem {
public:
    static constexpr const char* fileName = "com.quorl802.Lumenfall.desktop";

    // `directory` empty: the user's autostart folder. `program`: what the entry runs.
    LoginItem(std::string directory, std::string program);

    static std::string defaultDirectory();
    const std::string& path() const { return path_; }

    // The entry exists and is not hidden or disabled.
    bool enabled() const;
    // Writes or removes the entry; the problem's description on failure.
    std::optional<std::string> setEnabled(bool on);

    // The entry's text.
    std::string entryText() const;

private:
    std::string directory_;
    std::string path_;
    std::string program_;
};

}  // namespace lumen::app
