#include "LumenKit/catalog/Place.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumen {
namespace {

TEST(PlaceTests, ValidityAndTruncationTowardsZero) {
    EXPECT_TRUE(Place::isValid(90.0, -180.0));
    EXPECT_TRUE(Place::isValid(-90.0, 180.0));
    for (const auto& [latitude, longitude] : {std::pair{90.0001, 0.0}, {-90.0001, 0.0}, {0.0, 180.0001},
                                              {0.0, -180.0001}, {std::nan(""), 0.0}, {0.0, std::nan("")}}) {
        EXPECT_FALSE(Place::isValid(latitude, longitude)) << latitude << ", " << longitude;
    }
    // 0.29 * 100 and 1.13 * 100 land just below the whole number in binary: those digits stay.
    const std::tuple<double, int, double> cases[] = {{-104.987, 2, -104.98}, {39.7499, 2, 39.74}, {-5.9, 0, -5.0},
                                                     {0.29, 2, 0.29},        {-1.13, 2, -1.13},   {4.35, 1, 4.3}};
    for (const auto& [value, places, expected] : cases) {
        EXPECT_DOUBLE_EQ(Place::truncated(value, places), expected) << value << " to " << places;
    }
    EXPECT_TRUE(std::isnan(Place::truncated(std::nan(""), 2)));
    EXPECT_EQ(Place::truncated(std::numeric_limits<double>::infinity(), 2), std::numeric_limits<double>::infinity());
}

TEST(PlaceTests, JSONNeedsAllThreeMembersWithTheirTypes) {
    using nlohmann::json;
    const Place place{"Zürich", 47.3769, 8.5417};
    EXPECT_EQ(place.toJSON(), json::parse(R"({"name":"Zürich","latitude":47.3769,"longitude":8.5417})"));
    EXPECT_EQ(Place::fromJSON(json::parse(place.toJSON().dump())), place);
    for (const char* text : {R"({"latitude":1,"longitude":2})", R"({"name":"A","latitude":1})",
                             R"({"name":7,"latitude":1,"longitude":2})", R"({"name":"A","latitude":"1","longitude":2})",
                             R"({"name":"A","latitude":1,"longitude":null})", R"(["A",1,2])", R"(null)"}) {
        EXPECT_FALSE(Place::fromJSON(json::parse(text)).has_value()) << text;
    }
}

}  // namespace
}  // namespace lumen
