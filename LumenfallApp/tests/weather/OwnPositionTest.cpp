// The computer's own position through Qt Positioning's GeoClue2 plugin, against a GeoClue
// stand-in (geoclue2.py) on a private system bus.
#include "services/PlaceService.hpp"

#include "support/DBusMock.hpp"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumen::app::test {
namespace {

using lumen::test::MockBus;

const QString kGeoClue = QStringLiteral("org.freedesktop.GeoClue2");

struct OwnPositionRow {
    const char* name;
    QString parameters;  // the stand-in's; empty: no GeoClue on the bus at all
    PlaceResult expected;
};

TEST(OwnPositionTest, GeoClueLocatesRefusesOrStaysSilent) {
    if (!lumen::test::dbusMockAvailable()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is missing";
    // Qt connects to the system bus once per process: it has to be this one from the start.
    MockBus bus;
    ASSERT_TRUE(bus.ok());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toUtf8());
    // The plugin keeps the last position it saw in the user's data folder.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());

    const OwnPositionRow rows[] = {
        {"located south and east, rounded away from zero",
         R"({"mode": "located", "latitude": -33.8651, "longitude": 151.2099})",
         Place{"My location (-33.87, 151.21)", -33.87, 151.21}},
        {"location access switched off", R"({"mode": "denied"})", PlaceError::denied()},
        {"no position found in time", R"({"mode": "silent"})",
         PlaceError::failed("Your position couldn’t be found in time. Type a city instead.")},
        {"no GeoClue on the computer", QString(), PlaceError::denied()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.parameters.isEmpty()) {
            ASSERT_TRUE(bus.start(kGeoClue, {"--template", LUMEN_GEOCLUE_TEMPLATE, "-p", row.parameters}));
        }
        PlaceService::Options options;
        options.locationTimeout = std::chrono::milliseconds{1000};
        PlaceService service(options);
        std::vector<PlaceResult> answers;
        service.currentPlace([&](const PlaceResult& result) { answers.push_back(result); });
        // Without GeoClue the answer comes before the call returns.
        if (row.parameters.isEmpty()) {
            EXPECT_EQ(answers.size(), 1u);
        }
        EXPECT_TRUE(lumen::test::waitFor([&] { return !answers.empty(); }));
        lumen::test::waitFor([] { return false; }, 200);  // nothing comes twice
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers.front(), row.expected);
        bus.stop(kGeoClue);
    }
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace lumen::app::test
