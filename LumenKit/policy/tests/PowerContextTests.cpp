#include "LumenKit/policy/PowerContext.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace lumen {
namespace {

TEST(ThermalLevel, RawValuesAreZeroToThreeInSeverityOrder) {
    const std::vector<ThermalLevel> expected{ThermalLevel::nominal, ThermalLevel::fair,
                                             ThermalLevel::serious, ThermalLevel::critical};
    ASSERT_EQ(ThermalLevelInfo::allCases.size(), expected.size());
    for (int raw = 0; raw < 4; ++raw) {
        EXPECT_EQ(ThermalLevelInfo::allCases[raw], expected[raw]);
        EXPECT_EQ(ThermalLevelInfo::rawValue(expected[raw]), raw);
        EXPECT_EQ(ThermalLevelInfo::fromRawValue(raw), expected[raw]);
    }
    EXPECT_LT(ThermalLevel::nominal, ThermalLevel::fair);
    EXPECT_LT(ThermalLevel::fair, ThermalLevel::serious);
    EXPECT_LT(ThermalLevel::serious, ThermalLevel::critical);
}

TEST(ThermalLevel, RawValuesOutsideTheRangeGiveNoLevel) {
    EXPECT_EQ(ThermalLevelInfo::fromRawValue(-1), std::nullopt);
    EXPECT_EQ(ThermalLevelInfo::fromRawValue(4), std::nullopt);
    EXPECT_EQ(ThermalLevelInfo::fromRawValue(1000), std::nullopt);
}

TEST(ThermalLevel, NamesAreTheCaseNames) {
    EXPECT_EQ(ThermalLevelInfo::name(ThermalLevel::nominal), "nominal");
    EXPECT_EQ(ThermalLevelInfo::name(ThermalLevel::fair), "fair");
    EXPECT_EQ(ThermalLevelInfo::name(ThermalLevel::serious), "serious");
    EXPECT_EQ(ThermalLevelInfo::name(ThermalLevel::critical), "critical");
}

TEST(PowerContext, DefaultHasEveryFlagOffAndNominalHeat) {
    PowerContext context;
    EXPECT_FALSE(context.onBattery);
    EXPECT_FALSE(context.lowPowerMode);
    EXPECT_EQ(context.thermal, ThermalLevel::nominal);
    EXPECT_FALSE(context.screenLocked);
    EXPECT_FALSE(context.displaysAsleep);
    EXPECT_FALSE(context.screensaverRunning);
    EXPECT_FALSE(context.systemSleeping);
}

TEST(PowerContext, EqualOnlyWhenEveryFieldIsEqual) {
    const PowerContext base;
    EXPECT_EQ(base, PowerContext{});
    std::vector<PowerContext> variants(7, base);
    variants[0].onBattery = true;
    variants[1].lowPowerMode = true;
    variants[2].thermal = ThermalLevel::fair;
    variants[3].screenLocked = true;
    variants[4].displaysAsleep = true;
    variants[5].screensaverRunning = true;
    variants[6].systemSleeping = true;
    for (const PowerContext& changed : variants) {
        EXPECT_NE(changed, base);
        EXPECT_EQ(changed, changed);
    }
}

}  // namespace
}  // namespace lumen
