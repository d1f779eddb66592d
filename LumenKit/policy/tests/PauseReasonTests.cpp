#include "LumenKit/policy/PauseReason.hpp"

#include <gtest/gtest.h>

namespace lumen {
namespace {

// Raw values are stored and logged; status texts are what the menu shows.
TEST(PauseReason, CasesRawValuesAndTexts) {
    const std::tuple<PauseReason, const char*, const char*> rows[] = {
        {PauseReason::user, "user", "Paused"},
        {PauseReason::systemSleep, "systemSleep", "Paused while the computer sleeps"},
        {PauseReason::locked, "locked", "Paused while the screen is locked"},
        {PauseReason::displayAsleep, "displayAsleep", "Paused while the display sleeps"},
        {PauseReason::screensaver, "screensaver", "Paused during the screen saver"},
        {PauseReason::covered, "covered", "Paused while covered"},
        {PauseReason::thermal, "thermal", "Paused: the computer is very hot"},
        {PauseReason::battery, "battery", "Still frame on battery"},
        {PauseReason::lowPower, "lowPower", "Still frame in power saver"},
        {PauseReason::noGraphicsHardware, "noGraphicsHardware", "Still frame: no graphics hardware"},
    };
    ASSERT_EQ(PauseReasonInfo::allCases.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& [reason, raw, status] = rows[i];
        EXPECT_EQ(PauseReasonInfo::allCases[i], reason) << raw;
        EXPECT_EQ(PauseReasonInfo::rawValue(reason), raw);
        EXPECT_EQ(PauseReasonInfo::fromRawValue(raw), reason) << raw;
        EXPECT_EQ(PauseReasonInfo::statusText(reason), status) << raw;
    }
    for (const char* raw : {"", "User", "lowpower", "covered ", "sleep"}) {
        EXPECT_EQ(PauseReasonInfo::fromRawValue(raw), std::nullopt) << '"' << raw << '"';
    }
}

}  // namespace
}  // namespace lumen
