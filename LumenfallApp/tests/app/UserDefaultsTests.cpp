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

class UserDefaultsFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("lumenfall-defaults-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = folder / "Lumenfall.conf";
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    void TearDown() override {
        EventLog::setObserver(nullptr);
        fs::remove_all(folder);
    }

    std::vector<fs::path> copies() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().rfind("Lumenfall.conf.unreadable-", 0) == 0) found.push_back(entry);
        }
        return found;
    }

    static std::string read(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder;
    fs::path path;
    std::vector<std::string> events;
};

}  // namespace

TEST_F(UserDefaultsFile, AnUnreadableFileIsKeptOnceBeforeItIsWrittenOver) {
    const std::string damaged = "[General]\nsettings=\"{\\\"scene\\\":\\\"deep\n";
    std::ofstream(path) << damaged;
    UserDefaults defaults(path.string(), {});
    defaults.markUnreadable();
    EXPECT_TRUE(copies().empty()) << "nothing is copied before a write";

    defaults.set("settings", "{}");
    defaults.set("settings", R"({"userPaused":true})");
    const auto kept = copies();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(read(kept[0]), damaged);
    EXPECT_EQ(UserDefaults(path.string(), {}).string("settings"), R"({"userPaused":true})");
    ASSERT_FALSE(events.empty());
    EXPECT_NE(events.back().find(kept[0].string()), std::string::npos) << events.back();
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

}  // namespace lumen::app
