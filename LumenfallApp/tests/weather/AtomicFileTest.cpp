#include "services/AtomicFile.hpp"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <random>
#include <sstream>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A writer killed at any moment leaves the old file or the new one, never a part of either.
TEST(AtomicFileTest, AWriterKilledMidSaveLeavesAWholeFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path path = dir.filePath("Lumenfall-weather.json").toStdString();
    // Large enough that a write takes a while, so kills land inside writes.
    const std::string versions[] = {std::string(256 * 1024, 'a'), std::string(192 * 1024, 'b')};
    ASSERT_TRUE(lumen::app::writeFileAtomically(path, versions[0]));

    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) lumen::app::writeFileAtomically(path, versions[i % 2]);
        }
        usleep(std::uniform_int_distribution<useconds_t>(500, 20000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        std::ostringstream read;
        read << std::ifstream(path, std::ios::binary).rdbuf();
        const std::string bytes = read.str();
        EXPECT_TRUE(bytes == versions[0] || bytes == versions[1]) << "round " << round << ": " << bytes.size() << " bytes";
    }
}

}  // namespace
