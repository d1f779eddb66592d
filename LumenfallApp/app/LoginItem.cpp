#include "app/LoginItem.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumen::app {

namespace {

// The Exec key's quoting: reserved characters force double quotes, inside which the double
// quote, backtick, dollar sign and backslash are escaped with a backslash.
std::string execQuoted(const std::string& program) {
    if (program.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) return program;
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

LoginItem::LoginItem(std::string directory, std::string program)
    : directory_(directory.empty() ? defaultDirectory() : std::move(directory)),
      path_(directory_ + "/" + fileName),
      program_(std::move(program)) {}

std::string LoginItem::defaultDirectory() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return std::string(config) + "/autostart";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/autostart";
    return "/tmp/autostart";
}

bool LoginItem::enabled() const {
    std::ifstream file(path_);
    if (!file) return false;
    std::string line;
    while (std::getline(file, line)) {
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

std::optional<std::string> LoginItem::setEnabled(bool on) {
    std::error_code error;
    if (!on) {
        std::filesystem::remove(path_, error);
        if (error) return "The login item couldn’t be removed: " + error.message() + ".";
        return std::nullopt;
    }
    std::filesystem::create_directories(directory_, error);
    if (error) return "The login item couldn’t be written: " + error.message() + ".";
    // Written beside and renamed, so a half-written entry never exists.
    const std::string temporary = path_ + ".tmp";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << entryText();
        file.flush();
        if (!file) {
            std::filesystem::remove(temporary, error);
            return "The login item couldn’t be written to " + directory_ + ".";
        }
    }
    std::filesystem::rename(temporary, path_, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return "The login item couldn’t be written: " + error.message() + ".";
    }
    return std::nullopt;
}

std::string LoginItem::entryText() const {
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=Lumenfall\n"
         << "Comment=Live wallpapers drawn in real time\n"
         << "Exec=" << execQuoted(program_) << "\n"
         << "Icon=com.quorl802.Lumenfall\n"
         << "Terminal=false\n"
         << "NoDisplay=true\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return text.str();
}

}  // namespace lumen::app
