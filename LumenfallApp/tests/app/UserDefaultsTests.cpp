#include "app/UserDefaults.hpp"

#include "log/EventLog.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace lumen::app {

// A settings file that does not parse is copied aside once, as it was, before the first write over
// it; one that cannot be saved is said once and its values live on in memory.
TEST(UserDefaultsFile, AnUnreadableFileIsKeptAndAnUnsavableOneSaidOnce) {
    const fs::path folder = fs::temp_directory_path() / ("lumenfall-defaults-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "unsavable.conf");
    std::vector<std::string> events;
    EventLog::setObserver([&](const std::string& event) { events.push_back(event); });
    const std::string path = (folder / "Lumenfall.conf").string(), damaged = "[General]\nsettings=\"{\\\"scene";
    std::ofstream(path) << damaged;
    UserDefaults defaults(path, {});
    defaults.markUnreadable();
    auto copies = [&] { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()) - 2; };
    EXPECT_EQ(copies(), 0) << "nothing is copied before a write";
    defaults.set("settings", "{}");
    defaults.set("settings", R"({"userPaused":true})");
    EXPECT_EQ(copies(), 1);
    EXPECT_EQ(UserDefaults(path, {}).string("settings"), R"({"userPaused":true})");
    const auto at = events.back().find(path + ".unreadable-");
    ASSERT_NE(at, std::string::npos) << events.back();
    const std::string copy = events.back().substr(at);
    std::stringstream text;
    text << std::ifstream(copy).rdbuf();
    EXPECT_EQ(text.str(), damaged) << events.back();

    events.clear();
    UserDefaults unsavable((folder / "unsavable.conf").string(), {});
    unsavable.set("settings", "{}");
    unsavable.set("welcomed", "YES");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].find("can't save to " + (folder / "unsavable.conf").string()), std::string::npos) << events[0];
    EXPECT_EQ(unsavable.string("welcomed"), "YES");
    EventLog::setObserver(nullptr);
    fs::remove_all(folder);
}

}  // namespace lumen::app
