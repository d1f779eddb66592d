#include "LumenKit/weather/METNorway.hpp"

#include <gtest/gtest.h>

#include <date/date.h>

namespace lumen {
namespace {

using namespace std::chrono;

system_clock::time_point utc(int y, unsigned m, unsigned d, int h = 0, int min = 0, int s = 0) {
    return date::sys_days{date::year{y} / m / d} + hours{h} + minutes{min} + seconds{s};
}

TEST(METNorwayTests, RequestNamesTheCoordinatesTruncatedToFourDecimals) {
    const std::pair<double, const char*> cases[] = {
        {59.91, "59.91"},          {10, "10"},   {-0.5, "-0.5"}, {12.34567, "12.3456"}, {-33.86882, "-33.8688"},
        {-104.98769, "-104.9876"}, {0, "0"},     {90.00009, "90"}, {100.5, "100.5"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(METNorway::coordinateText(value), text) << value;
    EXPECT_EQ(METNorway::coordinateText(1e300).size(), 301u);  // no place has it, but it must not overrun
    EXPECT_EQ(METNorway::requestURL(-33.86882, 151.2093),
              "https://api.met.no/weatherapi/locationforecast/2.0/compact?lat=-33.8688&lon=151.2093");
    EXPECT_EQ(METNorway::userAgent("Lumenfall", "1.2", "https://example.org/lumenfall"),
              "Lumenfall/1.2 (+https://example.org/lumenfall)");
}

TEST(METNorwayTests, HTTPDatesInTheHeaderForm) {
    const auto expected = utc(2021, 10, 12, 9, 25, 17);
    for (const char* text : {"Tue, 12 Oct 2021 09:25:17 GMT", "tue, 12 OCT 2021 09:25:17 UTC",
                             "Tue, 12 Oct 2021 11:25:17 GMT+02:00", "Tue, 12 Oct 2021 04:25:17 -0500",
                             "Tue, 12 Oct 2021 02:25:17 PDT", " Tue, 12 Oct 2021 09:25:17 GMT "}) {
        EXPECT_EQ(METNorway::parseHTTPDate(std::string(text)), expected) << text;
    }
    EXPECT_EQ(METNorway::parseHTTPDate("Sat, 29 Feb 2020 23:59:59 GMT"), utc(2020, 2, 29, 23, 59, 59));
    EXPECT_EQ(METNorway::parseHTTPDate(std::nullopt), std::nullopt);
    for (const char* text : {
             "", "garbage", "Tue, 12 Oct 2021 09:25:17", "Tue 12 Oct 2021 09:25:17 GMT",
             "Tuesday, 12-Oct-21 09:25:17 GMT", "2021-10-12T09:25:17Z", "Xyz, 12 Oct 2021 09:25:17 GMT",
             "Tue, 12 Okt 2021 09:25:17 GMT", "Tue, 12 Oct 21 09:25:17 GMT", "Tue, 12 Oct 2021 9:25:17 GMT",
             "Tue, 12 Oct 2021 09:25:17 GMT extra", "Tue, 12 Oct 2021 09:25:17 CET", "Tue, 12 Oct 2021 09:25:17 GMT+",
             "Sat, 29 Feb 2021 09:25:17 GMT", "Tue, 00 Oct 2021 09:25:17 GMT", "Tue, 12 Oct 2021 24:00:00 GMT",
             "Tue, 12 Oct 2021 23:59:60 GMT",
             "Fri, 31 Dec 9999 23:59:59 GMT",  // beyond what the clock holds
         }) {
        EXPECT_EQ(METNorway::parseHTTPDate(std::string(text)), std::nullopt) << text;
    }
}

TEST(METNorwayTests, ISO8601StepTimes) {
    const auto eleven = utc(2021, 10, 12, 11);
    const std::pair<const char*, system_clock::time_point> cases[] = {
        {"2021-10-12T11:00:00Z", eleven},           {"2021-10-12T13:00:00+02:00", eleven},
        {"2021-10-12T06:30:00-04:30", eleven},      {"2021-10-12t11:00:00z", eleven},
        {"2021-10-12T11:00:00.250Z", eleven + 250ms}, {"2021-10-12T11:00:00.1234567891Z", eleven + 123456789ns}};
    for (const auto& [text, instant] : cases) EXPECT_EQ(METNorway::parseISO8601(text), instant) << text;
    for (const char* text : {
             "", "2021-10-12", "2021-10-12T11:00:00", "2021-10-12 11:00:00Z", "2021-10-12T11:00Z",
             "21-10-12T11:00:00Z", "2021-10-12T11:00:00+0200", "2021-10-12T11:00:00.Z", "2021-10-12T11:00:00ZZ",
             "2021-13-12T11:00:00Z", "2021-02-29T11:00:00Z", "2021-10-12T25:00:00Z", "2021-10-12T11:00:00+24:00",
             "9999-12-31T23:59:59Z",
         }) {
        EXPECT_EQ(METNorway::parseISO8601(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace lumen
