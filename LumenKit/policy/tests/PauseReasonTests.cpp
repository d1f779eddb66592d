#include "LumenKit/policy/PauseReason.hpp"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

namespace lumen {
namespace {

struct ReasonRow {
    PauseReason reason;
    std::string raw;
    std::string status;
};

const std::vector<ReasonRow>& rows() {
    static const std::vector<ReasonRow> table{
        {PauseReason::user, "user", "Paused"},
        {PauseReason::systemSleep, "systemSleep", "Paused while the computer sleeps"},
        {PauseReason::locked, "locked", "Paused while the screen is locked"},
        {PauseReason::displayAsleep, "displayAsleep", "Paused while the display sleeps"},
        {PauseReason::screensaver, "screensaver", "Paused during the screen saver"},
        {PauseReason::covered, "covered", "Paused while covered"},
        {PauseReason::thermal, "thermal", "Paused: the computer is very hot"},
        {PauseReason::battery, "battery", "Still frame on battery"},
        {PauseReason::lowPower, "lowPower", "Still frame in power saver"},
    };
    return table;
}

TEST(PauseReason, AllCasesInDeclarationOrderWithRawValuesAndTexts) {
    ASSERT_EQ(PauseReasonInfo::allCases.size(), rows().size());
    for (std::size_t i = 0; i < rows().size(); ++i) {
        const ReasonRow& row = rows()[i];
        SCOPED_TRACE(row.raw);
        EXPECT_EQ(PauseReasonInfo::allCases[i], row.reason);
        EXPECT_EQ(PauseReasonInfo::rawValue(row.reason), row.raw);
        EXPECT_EQ(PauseReasonInfo::fromRawValue(row.raw), row.reason);
        EXPECT_EQ(PauseReasonInfo::statusText(row.reason), row.status);
    }
}

TEST(PauseReason, UnknownRawValuesGiveNoReason) {
    for (const char* raw : {"", "User", "paused", "lowpower", "covered ", "sleep"}) {
        EXPECT_EQ(PauseReasonInfo::fromRawValue(raw), std::nullopt) << '"' << raw << '"';
    }
}

TEST(PauseReason, IsHashable) {
    std::unordered_set<PauseReason> seen(PauseReasonInfo::allCases.begin(),
                                         PauseReasonInfo::allCases.end());
    EXPECT_EQ(seen.size(), PauseReasonInfo::allCases.size());
    EXPECT_TRUE(seen.contains(PauseReason::covered));
}

}  // namespace
}  // namespace lumen
