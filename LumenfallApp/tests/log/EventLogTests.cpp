#include "log/EventLog.hpp"
#include "log/PerfLogWriter.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace lumen::app;

namespace {

fs::path freshDir(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("lumenfall-log-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string readAll(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

}  // namespace

TEST(EventLogSwitch, LaunchArgumentWinsOverStoredDefault) {
    EXPECT_TRUE(EventLog::resolvePerfLog({"lumenfall", "-perfLog", "NO"}, false));
    EXPECT_TRUE(EventLog::resolvePerfLog({"-perfLog"}, std::nullopt));
    EXPECT_FALSE(EventLog::resolvePerfLog({"lumenfall"}, std::nullopt));
    EXPECT_TRUE(EventLog::resolvePerfLog({"lumenfall"}, true));
    // Only a whole argument counts.
    EXPECT_FALSE(EventLog::resolvePerfLog({"-perfLogX", "--perfLog", "perfLog"}, false));
}

TEST(EventLogSwitch, FixedOnFirstUseAndMirrorsEventsWithZonedTimestamps) {
    fs::path dir = freshDir("switch");
    ::setenv("XDG_CACHE_HOME", dir.c_str(), 1);
    EventLog::setLaunchArguments({"lumenfall", "-perfLog"});
    std::vector<std::string> seen;
    EventLog::setObserver([&](const std::string& event) { seen.push_back(event); });
    ASSERT_TRUE(perfLogEnabled());
    EventLog::setLaunchArguments({});
    EventLog::setStoredPerfLog(false);
    EXPECT_TRUE(perfLogEnabled()) << "the switch must not change while the process runs";

    logEvent("scene deepReef ready in 12 ms");
    writePerfLine("perf display 0: 30.0 fps");
    EventLog::flush();
    EventLog::setObserver(nullptr);
    const std::string stamp = R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}[+-]\d{2}:\d{2})";
    const std::string text = readAll(dir / "Lumenfall-perf.log");
    EXPECT_TRUE(std::regex_match(
        text, std::regex(stamp + " event scene deepReef ready in 12 ms\n" + stamp + " perf display 0: 30.0 fps\n")))
        << text;
    EXPECT_EQ(seen, std::vector<std::string>{"scene deepReef ready in 12 ms"});
    fs::remove_all(dir);
}

// Lines from several threads stay whole and each thread's stay in order; nothing queued is lost.
TEST(PerfLogWriter, CreatesItsFolderAndAppendsWholeLinesInOrder) {
    fs::path dir = freshDir("writer");
    fs::path file = dir / "nested" / "Lumenfall-perf.log";
    {
        PerfLogWriter writer(file.string());
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&writer, t] {
                for (int i = 0; i < 200; ++i) writer.append(std::to_string(t) + " " + std::to_string(i) + "\n");
            });
        }
    }  // the threads join, then the destructor drains what is queued
    std::ifstream in(file);
    std::vector<int> next(4, 0);
    for (int t = 0, i = 0; in >> t >> i;) {
        ASSERT_TRUE(t >= 0 && t < 4);
        EXPECT_EQ(i, next[t]++) << "lines of one thread out of order";
    }
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(next, std::vector<int>(4, 200));
    fs::remove_all(dir);
}

TEST(PerfLogWriter, AnUnwritablePathIsReportedOnce) {
    std::vector<std::string> reasons;
    PerfLogWriter writer("/proc/lumenfall-cannot-write/perf.log",
                         [&](const std::string& why) { reasons.push_back(why); });
    for (const char* text : {"lost\n", "lost again\n"}) {
        writer.append(text);
        writer.flush();
    }
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find("/proc/lumenfall-cannot-write/perf.log"), std::string::npos) << reasons[0];
}
