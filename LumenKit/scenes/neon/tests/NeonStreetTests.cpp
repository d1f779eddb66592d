#include "LumenKit/scenes/neon/NeonStreet.hpp"

#include <gtest/gtest.h>

namespace lumen::neon {
namespace {

using Mount = NeonSign::Mount;

struct Row {
    const char* text;
    Mount mount;
    bool vertical;
    float side, z, bottom, width, height;
    int colour;
    float flicker;
};

// The seeded layout; one extra or missing draw anywhere shifts every row after it.
constexpr Row layout[] = {
    {"NOODLES", Mount::blade, true, -1, -15.000f, 3.456f, 1.200f, 5.650f, 4, 0},
    {"HOTEL", Mount::blade, false, 1, -12.000f, 4.051f, 3.400f, 1.300f, 1, 0},
    {"OPEN 24H", Mount::leftWall, false, -1, -24.085f, 3.951f, 7.000f, 1.400f, 7, 0.692f},
    {"KARAOKE", Mount::rightWall, false, 1, -21.004f, 4.407f, 6.900f, 1.400f, 5, 0.713f},
    {"BAR", Mount::blade, true, -1, -32.035f, 3.863f, 1.200f, 2.650f, 4, 0},
    {"LAUNDRY", Mount::blade, false, 1, -29.869f, 4.206f, 4.600f, 1.300f, 4, 0.620f},
    {"RAMEN", Mount::blade, true, -1, -39.615f, 3.266f, 1.200f, 4.150f, 2, 0.627f},
    {"COFFEE", Mount::rightWall, false, 1, -36.916f, 3.579f, 6.000f, 1.400f, 7, 0},
    {"ARCADE", Mount::blade, false, -1, -48.572f, 3.259f, 4.000f, 1.300f, 2, 0},
    {"DINER", Mount::blade, true, 1, -48.675f, 3.935f, 1.200f, 4.150f, 0, 0},
    {"BOOKS", Mount::blade, false, -1, -59.542f, 3.368f, 3.400f, 1.300f, 0, 0},
    {"DUMPLINGS", Mount::blade, false, 1, -59.937f, 3.258f, 5.000f, 1.300f, 6, 0.609f},
    {"TEA", Mount::blade, false, -1, -68.608f, 3.940f, 2.200f, 1.300f, 6, 0.656f},
    {"PHARMACY", Mount::blade, false, 1, -71.518f, 4.320f, 5.000f, 1.300f, 4, 0},
};

TEST(NeonStreet, SeededLayoutMatchesTheTable) {
    const auto signs = NeonStreet::signs();
    ASSERT_EQ(signs.size(), std::size(layout));
    for (std::size_t i = 0; i < signs.size(); ++i) {
        const NeonSign& s = signs[i];
        const Row& r = layout[i];
        SCOPED_TRACE(r.text);
        EXPECT_EQ(s.text, r.text);
        EXPECT_EQ(s.mount, r.mount);
        EXPECT_EQ(s.vertical, r.vertical);
        EXPECT_EQ(s.side, r.side);
        for (auto [got, want] : {std::pair{s.z, r.z}, {s.bottom, r.bottom}, {s.width, r.width},
                                 {s.height, r.height}, {s.flicker, r.flicker}})
            EXPECT_NEAR(got, want, 0.0005f);
        EXPECT_EQ(s.color, NeonStreet::palette[r.colour]);
        // Walls and long words stay horizontal.
        if (s.mount != Mount::blade || s.text.size() > 7) {
            EXPECT_FALSE(s.vertical);
        }
    }
    EXPECT_EQ(NeonStreet::signs(), signs);
}

TEST(NeonSign, MountFromRawValue) {
    EXPECT_EQ(NeonSign::mountFrom(0), Mount::blade);
    EXPECT_EQ(NeonSign::mountFrom(1), Mount::leftWall);
    EXPECT_EQ(NeonSign::mountFrom(2), Mount::rightWall);
    EXPECT_EQ(NeonSign::mountFrom(3), std::nullopt);
    EXPECT_EQ(NeonSign::mountFrom(-1), std::nullopt);
}

}  // namespace
}  // namespace lumen::neon
