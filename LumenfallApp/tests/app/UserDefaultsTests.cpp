#include "app/UserDefaults.hpp"

#include "log/EventLog.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lumen::app {

namespace {

namespace fs = std::filesystem;

// A folder of its own, and the event log's lines.
class UserDefaultsFile : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(folder);
        fs::create_directories(folder);
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    void TearDown() override {
        EventLog::setObserver(nullptr);
        fs::remove_all(folder);
    }

    const fs::path folder = fs::temp_directory_path() / ("lumenfall-defaults-" + std::to_string(::getpid()));
    const fs::path path = folder / "Lumenfall.conf";
    std::vector<std::string> events;
};

TEST_F(UserDefaultsFile, AnUnreadableFileIsKeptOnceBeforeItIsWrittenOver) {
    const std::string damaged = "[General]\nsettings=\"{\\\"scene\\\":\\\"deep\n";
    std::ofstream(path) << damaged;
    UserDefaults defaults(path.string(), {});
    defaults.markUnreadable();
    auto copies = [&] {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with("Lumenfall.conf.unreadable-")) found.push_back(entry);
        }
        return found;
    };
    EXPECT_TRUE(copies().empty()) << "nothing is copied before a write";
    defaults.set("settings", "{}");
    defaults.set("settings", R"({"userPaused":true})");
    ASSERT_EQ(copies().size(), 1u);
    std::stringstream kept;
    kept << std::ifstream(copies()[0]).rdbuf();
    EXPECT_EQ(kept.str(), damaged);
    EXPECT_EQ(UserDefaults(path.string(), {}).string("settings"), R"({"userPaused":true})");
    EXPECT_NE(events.back().find(copies()[0].string()), std::string::npos) << events.back();
}

TEST_F(UserDefaultsFile, AFileThatCannotBeSavedIsSaidOnceAndKeptInMemory) {
    fs::create_directories(path);  // the settings path is a folder
    UserDefaults defaults(path.string(), {});
    defaults.set("settings", "{}");
    defaults.set("welcomed", "YES");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_NE(events[0].find("can't save to " + path.string()), std::string::npos) << events[0];
    EXPECT_EQ(defaults.string("welcomed"), "YES");
}

}  // namespace

}  // namespace lumen::app
