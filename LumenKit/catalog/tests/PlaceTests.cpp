#include "LumenKit/catalog/Place.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumen {
namespace {

using nlohmann::json;

TEST(PlaceTests, EqualityComparesNameAndCoordinates) {
    const Place denver{"Denver", 39.74, -104.99};
    EXPECT_EQ(denver, (Place{"Denver", 39.74, -104.99}));
    EXPECT_NE(denver, (Place{"My location (39.74, -104.99)", 39.74, -104.99}));
    EXPECT_NE(denver, (Place{"Denver", 39.75, -104.99}));
    EXPECT_NE(denver, (Place{"Denver", 39.74, -105.0}));
}

TEST(PlaceTests, ValidityIncludesTheBoundaries) {
    EXPECT_TRUE(Place::isValid(90.0, -180.0));
    EXPECT_TRUE(Place::isValid(-90.0, 180.0));
    EXPECT_TRUE(Place::isValid(0.0, 0.0));
    EXPECT_FALSE(Place::isValid(90.0001, 0.0));
    EXPECT_FALSE(Place::isValid(-90.0001, 0.0));
    EXPECT_FALSE(Place::isValid(0.0, 180.0001));
    EXPECT_FALSE(Place::isValid(0.0, -180.0001));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(Place::isValid(nan, 0.0));
    EXPECT_FALSE(Place::isValid(0.0, nan));
    EXPECT_FALSE(Place::isValid(inf, 0.0));
}

TEST(PlaceTests, TruncationCutsTowardsZero) {
    EXPECT_DOUBLE_EQ(Place::truncated(-104.987, 2), -104.98);
    EXPECT_DOUBLE_EQ(Place::truncated(39.7499, 2), 39.74);
    EXPECT_DOUBLE_EQ(Place::truncated(5.9, 0), 5.0);
    EXPECT_DOUBLE_EQ(Place::truncated(-5.9, 0), -5.0);
    EXPECT_DOUBLE_EQ(Place::truncated(12.0, 3), 12.0);
}

TEST(PlaceTests, TruncationKeepsDigitsLostOnlyToBinaryRounding) {
    // 0.29 * 100 and 1.13 * 100 land just below the whole number in binary.
    EXPECT_DOUBLE_EQ(Place::truncated(0.29, 2), 0.29);
    EXPECT_DOUBLE_EQ(Place::truncated(-1.13, 2), -1.13);
    EXPECT_DOUBLE_EQ(Place::truncated(4.35, 1), 4.3);
    EXPECT_TRUE(std::isnan(Place::truncated(std::nan(""), 2)));
    EXPECT_EQ(Place::truncated(std::numeric_limits<double>::infinity(), 2),
              std::numeric_limits<double>::infinity());
}

TEST(PlaceTests, JSONRoundTrip) {
    const Place place{"Zürich", 47.3769, 8.5417};
    const json encoded = place.toJSON();
    EXPECT_EQ(encoded, json::parse(R"({"name":"Zürich","latitude":47.3769,"longitude":8.5417})"));
    EXPECT_EQ(Place::fromJSON(json::parse(encoded.dump())), place);
}

TEST(PlaceTests, DecodingNeedsAllThreeMembersWithTheirTypes) {
    EXPECT_EQ(Place::fromJSON(json::parse(R"({"name":"A","latitude":10,"longitude":-20})")),
              (Place{"A", 10.0, -20.0}));
    EXPECT_EQ(Place::fromJSON(
                  json::parse(R"({"name":"A","latitude":1.5,"longitude":2,"extra":[1]})")),
              (Place{"A", 1.5, 2.0}));

    for (const char* text : {
             R"({"latitude":1,"longitude":2})",
             R"({"name":"A","longitude":2})",
             R"({"name":"A","latitude":1})",
             R"({"name":7,"latitude":1,"longitude":2})",
             R"({"name":"A","latitude":"1","longitude":2})",
             R"({"name":"A","latitude":1,"longitude":null})",
             R"({"name":"A","latitude":true,"longitude":2})",
             R"(["A",1,2])",
             R"("A")",
             R"(null)",
         }) {
        EXPECT_FALSE(Place::fromJSON(json::parse(text)).has_value()) << text;
    }
}

}  // namespace
}  // namespace lumen
