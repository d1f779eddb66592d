#include "LumenKit/weather/METNorway.hpp"

#include <gtest/gtest.h>

#include <date/date.h>

#include <cmath>

namespace lumen {
namespace {

using namespace std::chrono;

system_clock::time_point utc(int y, unsigned m, unsigned d, int h = 0, int min = 0, int s = 0) {
    return date::sys_days{date::year{y} / m / d} + hours{h} + minutes{min} + seconds{s};
}

TEST(METNorwayTests, CoordinateTextTruncatesTowardsZeroWithoutTrailingZeros) {
    using METNorway::coordinateText;
    const std::vector<std::pair<double, const char*>> cases{
        {59.91, "59.91"},       {10, "10"},         {-0.5, "-0.5"},
        {12.34567, "12.3456"},  {-33.86882, "-33.8688"}, {151.2093, "151.2093"},
        {-104.98769, "-104.9876"}, {0, "0"},        {90.00009, "90"}, {100.5, "100.5"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(coordinateText(value), text) << value;
    }
    // No place has these, but they must not overrun or crash.
    EXPECT_EQ(coordinateText(1e300).size(), 301u);
    EXPECT_FALSE(coordinateText(std::nan("")).empty());
}

TEST(METNorwayTests, RequestURLAndUserAgent) {
    EXPECT_EQ(METNorway::requestURL(-33.86882, 151.2093),
              "https://api.met.no/weatherapi/locationforecast/2.0/compact"
              "?lat=-33.8688&lon=151.2093");
    EXPECT_EQ(METNorway::requestURL(59.91, 10),
              "https://api.met.no/weatherapi/locationforecast/2.0/compact?lat=59.91&lon=10");
    EXPECT_EQ(METNorway::userAgent("Lumenfall", "1.2", "https://example.org/lumenfall"),
              "Lumenfall/1.2 (+https://example.org/lumenfall)");
}

TEST(METNorwayTests, ParseErrorsHaveDistinctOneLineDescriptions) {
    using METNorway::ParseError;
    const auto invalid = METNorway::description(ParseError::invalid);
    const auto empty = METNorway::description(ParseError::empty);
    EXPECT_LT(ParseError::invalid, ParseError::empty);
    EXPECT_NE(invalid, empty);
    EXPECT_FALSE(invalid.empty() || empty.empty());
    EXPECT_EQ(invalid.find('\n'), std::string_view::npos);
    EXPECT_EQ(empty.find('\n'), std::string_view::npos);
}

TEST(METNorwayTests, HTTPDateReadsTheHeaderForm) {
    using METNorway::parseHTTPDate;
    const auto expected = utc(2021, 10, 12, 9, 25, 17);
    EXPECT_EQ(parseHTTPDate("Tue, 12 Oct 2021 09:25:17 GMT"), expected);
    EXPECT_EQ(parseHTTPDate("Thu, 01 Jan 1970 00:00:00 GMT"), utc(1970, 1, 1));
    EXPECT_EQ(parseHTTPDate("Sat, 29 Feb 2020 23:59:59 GMT"), utc(2020, 2, 29, 23, 59, 59));
    EXPECT_EQ(parseHTTPDate("tue, 12 OCT 2021 09:25:17 UTC"), expected);
    EXPECT_EQ(parseHTTPDate("Tue, 12 Oct 2021 11:25:17 GMT+02:00"), expected);
    EXPECT_EQ(parseHTTPDate("Tue, 12 Oct 2021 04:25:17 -0500"), expected);
    EXPECT_EQ(parseHTTPDate("Tue, 12 Oct 2021 02:25:17 PDT"), expected);
    EXPECT_EQ(parseHTTPDate(" Tue, 12 Oct 2021 09:25:17 GMT "), expected);
}

TEST(METNorwayTests, HTTPDateRefusesAbsentMalformedAndImpossibleDates) {
    EXPECT_EQ(METNorway::parseHTTPDate(std::nullopt), std::nullopt);
    for (const char* text : {
             "", "garbage", "Tue, 12 Oct 2021 09:25:17", "Tue 12 Oct 2021 09:25:17 GMT",
             "Tuesday, 12-Oct-21 09:25:17 GMT", "Tue Oct 12 09:25:17 2021",
             "2021-10-12T09:25:17Z", "Xyz, 12 Oct 2021 09:25:17 GMT",
             "Tue, 12 Okt 2021 09:25:17 GMT", "Tue, 12 Oct 21 09:25:17 GMT",
             "Tue, 12 Oct 2021 9:25:17 GMT", "Tue, 12 Oct 2021 09:25:17 GMT extra",
             "Tue, 12 Oct 2021 09:25:17 CET", "Tue, 12 Oct 2021 09:25:17 GMT+",
             "Wed, 31 Feb 2021 09:25:17 GMT", "Sat, 29 Feb 2021 09:25:17 GMT",
             "Tue, 00 Oct 2021 09:25:17 GMT", "Tue, 12 Oct 2021 24:00:00 GMT",
             "Tue, 12 Oct 2021 23:59:60 GMT",
             "Fri, 31 Dec 9999 23:59:59 GMT",  // beyond what the clock holds
         }) {
        EXPECT_EQ(METNorway::parseHTTPDate(std::string(text)), std::nullopt) << text;
    }
}

TEST(METNorwayTests, ISO8601StepTimes) {
    using METNorway::parseISO8601;
    const auto eleven = utc(2021, 10, 12, 11);
    EXPECT_EQ(parseISO8601("2021-10-12T11:00:00Z"), eleven);
    EXPECT_EQ(parseISO8601("2021-10-12T13:00:00+02:00"), eleven);
    EXPECT_EQ(parseISO8601("2021-10-12T06:30:00-04:30"), eleven);
    EXPECT_EQ(parseISO8601("2021-10-12t11:00:00z"), eleven);
    EXPECT_EQ(parseISO8601("2021-10-12T11:00:00.250Z"), eleven + 250ms);
    EXPECT_EQ(parseISO8601("2021-10-12T11:00:00.1234567891Z"), eleven + 123456789ns);
    for (const char* text : {
             "", "2021-10-12", "2021-10-12T11:00:00", "2021-10-12 11:00:00Z", "2021-10-12T11:00Z",
             "21-10-12T11:00:00Z", "2021-10-12T11:00:00+0200", "2021-10-12T11:00:00.Z",
             "2021-10-12T11:00:00ZZ", "2021-13-12T11:00:00Z", "2021-02-29T11:00:00Z",
             "2021-10-12T25:00:00Z", "2021-10-12T11:00:00+24:00", "9999-12-31T23:59:59Z",
         }) {
        EXPECT_EQ(parseISO8601(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace lumen
