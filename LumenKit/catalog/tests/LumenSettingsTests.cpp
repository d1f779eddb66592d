#include "LumenKit/catalog/LumenSettings.hpp"

#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

namespace lumen {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::Pair;

SceneOption fireworksOption() {
    return SceneOption{"fireworks",
                       "Fireworks",
                       {{"often", "Often"}, {"sometimes", "Now and then"}, {"off", "Off"}},
                       "sometimes",
                       std::nullopt};
}

LumenSettings everythingChanged() {
    LumenSettings settings;
    settings.scene = "neonCityRain";
    settings.userPaused = true;
    settings.quality = Quality::half;
    settings.fpsCap = 15;
    settings.runOnBattery = true;
    settings.batterySaver = true;
    settings.batterySaverOnBattery = false;
    settings.parallax = false;
    settings.pointerReacts = false;
    settings.idleSceneEnabled = true;
    settings.idleMinutes = 30;
    settings.secondaryFullRate = true;
    settings.shuffleDaily = true;
    settings.sceneOptions = {{"neonCityRain.rain", "heavy"}, {"gone.option", "kept"}};
    settings.place = Place{"Denver", 39.74, -104.99};
    settings.useLocation = true;
    return settings;
}

// --- Quality --------------------------------------------------------------------------------

TEST(QualityTests, RawValuesTitlesAndScales) {
    EXPECT_THAT(QualityInfo::allCases,
                ElementsAre(Quality::automatic, Quality::full, Quality::half));
    EXPECT_EQ(QualityInfo::rawValue(Quality::automatic), "auto");
    EXPECT_EQ(QualityInfo::rawValue(Quality::full), "full");
    EXPECT_EQ(QualityInfo::rawValue(Quality::half), "half");
    EXPECT_EQ(QualityInfo::title(Quality::automatic), "Auto");
    EXPECT_EQ(QualityInfo::title(Quality::full), "Full resolution");
    EXPECT_EQ(QualityInfo::title(Quality::half), "Half resolution");
    EXPECT_EQ(QualityInfo::fixedScale(Quality::automatic), 1.0f);
    EXPECT_EQ(QualityInfo::fixedScale(Quality::full), 1.0f);
    EXPECT_EQ(QualityInfo::fixedScale(Quality::half), 0.5f);
    for (Quality quality : QualityInfo::allCases) {
        EXPECT_EQ(QualityInfo::fromRawValue(QualityInfo::rawValue(quality)), quality);
    }
    EXPECT_FALSE(QualityInfo::fromRawValue("automatic").has_value());
    EXPECT_FALSE(QualityInfo::fromRawValue("Full").has_value());
    EXPECT_FALSE(QualityInfo::fromRawValue("").has_value());
}

TEST(SceneOptionValuesTests, LooksUpByOptionKey) {
    const SceneOptionValues values{{{"rain", "heavy"}}};
    EXPECT_EQ(values.value("rain"), "heavy");
    EXPECT_FALSE(values.value("time").has_value());
    EXPECT_EQ(values, (SceneOptionValues{{{"rain", "heavy"}}}));
    EXPECT_NE(values, SceneOptionValues{});
}

// --- Defaults and decoding ------------------------------------------------------------------

TEST(LumenSettingsTests, DefaultRecordAndItsDocument) {
    EXPECT_EQ(LumenSettings{}.toJSON(), json::parse(R"({
        "scene": "deepReef", "userPaused": false, "quality": "auto", "fpsCap": 30,
        "runOnBattery": false, "batterySaver": false, "batterySaverOnBattery": true,
        "parallax": true, "pointerReacts": true, "idleSceneEnabled": false, "idleMinutes": 10,
        "secondaryFullRate": false, "shuffleDaily": false, "sceneOptions": {},
        "useLocation": false})"));
    EXPECT_FALSE(LumenSettings{}.place.has_value());
    EXPECT_THAT(LumenSettings::fpsCapChoices, ElementsAre(15, 30));
    EXPECT_THAT(LumenSettings::idleMinuteChoices, ElementsAre(2, 5, 10, 15, 30));
}

TEST(LumenSettingsTests, UnreadableDocumentsGiveTheDefaultRecord) {
    for (const char* text : {"", "not json", "[1,2,3]", "[]", "\"deepReef\"", "42", "null",
                             "{\"scene\":", "{\"scene\":\"x\"} trailing", "{'scene':'x'}",
                             "{\"fpsCap\": NaN}", "{\"fpsCap\": Infinity}"}) {
        EXPECT_EQ(LumenSettings::decode(text), LumenSettings{}) << text;
    }
    EXPECT_EQ(LumenSettings::fromJSON(json::array({1, 2})), LumenSettings{});
    EXPECT_EQ(LumenSettings::decode("{}"), LumenSettings{});
}

TEST(LumenSettingsTests, EncodesEveryKeyAndRoundTrips) {
    const LumenSettings settings = everythingChanged();
    const auto text = settings.encode();
    ASSERT_TRUE(text.has_value());
    const json document = json::parse(*text);
    EXPECT_EQ(document.size(), 16u);
    EXPECT_EQ(document["scene"], "neonCityRain");
    EXPECT_EQ(document["quality"], "half");
    EXPECT_EQ(document["fpsCap"], 15);
    EXPECT_EQ(document["pointerReacts"], false);
    EXPECT_FALSE(document.contains("fishReactToPointer"));
    EXPECT_EQ(document["sceneOptions"],
              json({{"neonCityRain.rain", "heavy"}, {"gone.option", "kept"}}));
    EXPECT_EQ(document["place"],
              json({{"name", "Denver"}, {"latitude", 39.74}, {"longitude", -104.99}}));
    EXPECT_EQ(LumenSettings::decode(*text), settings);

    const auto defaults = LumenSettings{}.encode();
    ASSERT_TRUE(defaults.has_value());
    EXPECT_EQ(LumenSettings::decode(*defaults), LumenSettings{});
}

TEST(LumenSettingsTests, EachKeyDecodesOnItsOwn) {
    const auto settings = LumenSettings::decode(
        R"({"quality":"ultra","scene":"alpineLake","fpsCap":"15","idleMinutes":5,
            "parallax":"yes","userPaused":true,"batterySaverOnBattery":0,"futureKey":{"a":[1]}})");
    EXPECT_EQ(settings.quality, Quality::automatic);
    EXPECT_EQ(settings.scene, SceneID("alpineLake"));
    EXPECT_EQ(settings.fpsCap, 30);
    EXPECT_EQ(settings.idleMinutes, 5);
    EXPECT_TRUE(settings.parallax);
    EXPECT_TRUE(settings.userPaused);
    EXPECT_TRUE(settings.batterySaverOnBattery);

    EXPECT_EQ(LumenSettings::decode(R"({"quality":"full"})").quality, Quality::full);
    EXPECT_EQ(LumenSettings::decode(R"({"quality":3})").quality, Quality::automatic);
    EXPECT_EQ(LumenSettings::decode(R"({"scene":17})").scene, SceneID("deepReef"));
    EXPECT_EQ(LumenSettings::decode(R"({"scene":""})").scene, SceneID(""));
}

TEST(LumenSettingsTests, IntegersMustBeWholeAndFitAnInt) {
    const auto fpsCapOf = [](const std::string& number) {
        return LumenSettings::decode("{\"fpsCap\":" + number + "}").fpsCap;
    };
    EXPECT_EQ(fpsCapOf("15"), 15);
    EXPECT_EQ(fpsCapOf("15.0"), 15);
    EXPECT_EQ(fpsCapOf("1.5e1"), 15);
    EXPECT_EQ(fpsCapOf("-0"), 0);
    EXPECT_EQ(fpsCapOf("-0.0"), 0);
    EXPECT_EQ(fpsCapOf("15.5"), 30);
    EXPECT_EQ(fpsCapOf("1e300"), 30);
    EXPECT_EQ(fpsCapOf("-1e300"), 30);
    EXPECT_EQ(fpsCapOf("1e400"), 30);
    EXPECT_EQ(fpsCapOf("2147483647"), std::numeric_limits<int>::max());
    EXPECT_EQ(fpsCapOf("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(fpsCapOf("2147483648"), 30);
    EXPECT_EQ(fpsCapOf("-2147483649"), 30);
    EXPECT_EQ(fpsCapOf("18446744073709551615"), 30);
    EXPECT_EQ(fpsCapOf("true"), 30);
    EXPECT_EQ(fpsCapOf("null"), 30);
    EXPECT_EQ(LumenSettings::decode(R"({"idleMinutes":4294967296})").idleMinutes, 10);
}

TEST(LumenSettingsTests, PointerReactionsReadTheOlderKey) {
    EXPECT_FALSE(LumenSettings::decode(R"({"fishReactToPointer":false})").pointerReacts);
    const auto pointerReactsFrom = [](const char* text) {
        return LumenSettings::decode(text).pointerReacts;
    };
    EXPECT_TRUE(pointerReactsFrom(R"({"pointerReacts":true,"fishReactToPointer":false})"));
    EXPECT_FALSE(pointerReactsFrom(R"({"pointerReacts":false,"fishReactToPointer":true})"));
    // An unreadable new key falls through to the old one.
    EXPECT_FALSE(pointerReactsFrom(R"({"pointerReacts":"no","fishReactToPointer":false})"));
    EXPECT_TRUE(LumenSettings::decode(R"({"fishReactToPointer":1})").pointerReacts);

    const auto migrated = LumenSettings::decode(R"({"fishReactToPointer":false})").encode();
    ASSERT_TRUE(migrated.has_value());
    const json document = json::parse(*migrated);
    EXPECT_FALSE(document.contains("fishReactToPointer"));
    EXPECT_EQ(document["pointerReacts"], false);
}

TEST(LumenSettingsTests, PlaceMustBeReadableAsAWhole) {
    const auto oslo =
        LumenSettings::decode(R"({"place":{"name":"Oslo","latitude":59.91,"longitude":10.75}})");
    EXPECT_EQ(oslo.place, (Place{"Oslo", 59.91, 10.75}));
    for (const char* text : {R"({"place":{"name":"Oslo","latitude":59.91}})",
                             R"({"place":{"name":null,"latitude":59.91,"longitude":10.75}})",
                             R"({"place":{"name":"Oslo","latitude":"59.91","longitude":10.75}})",
                             R"({"place":["Oslo",59.91,10.75]})", R"({"place":null})"}) {
        const auto settings = LumenSettings::decode(text);
        EXPECT_FALSE(settings.place.has_value()) << text;
    }
    const auto settings =
        LumenSettings::decode(R"({"place":{"name":"Oslo"},"useLocation":true})");
    EXPECT_TRUE(settings.useLocation);
}

TEST(LumenSettingsTests, SceneOptionsMustAllBeStrings) {
    EXPECT_THAT(LumenSettings::decode(R"({"sceneOptions":{"a.b":"c","d.e":"f"}})").sceneOptions,
                ElementsAre(Pair("a.b", "c"), Pair("d.e", "f")));
    for (const char* text : {R"({"sceneOptions":{"a.b":"c","d.e":1}})",
                             R"({"sceneOptions":{"a.b":null}})", R"({"sceneOptions":["a.b"]})",
                             R"({"sceneOptions":"a.b=c"})"}) {
        EXPECT_TRUE(LumenSettings::decode(text).sceneOptions.empty()) << text;
    }
}

TEST(LumenSettingsTests, OverLongTextsFallBackFieldByField) {
    const std::string fits(LumenSettings::maxTextBytes, 'x');
    const std::string tooLong(LumenSettings::maxTextBytes + 1, 'x');
    const auto decoded = [](const std::string& scene, const std::string& key, const std::string& value,
                            const std::string& place) {
        return LumenSettings::decode(R"({"scene":")" + scene + R"(","userPaused":true,"sceneOptions":{"a.b":"c",")" +
                                     key + R"(":")" + value + R"("},"place":{"name":")" + place +
                                     R"(","latitude":1,"longitude":2}})");
    };
    const LumenSettings kept = decoded(fits, fits, fits, fits);
    EXPECT_EQ(kept.scene.rawValue, fits);
    EXPECT_EQ(kept.sceneOptions.size(), 2u);
    ASSERT_TRUE(kept.place.has_value());

    const LumenSettings dropped = decoded(tooLong, "d.e", tooLong, tooLong);
    EXPECT_EQ(dropped.scene, LumenSettings{}.scene);
    EXPECT_TRUE(dropped.userPaused);
    EXPECT_THAT(dropped.sceneOptions, ElementsAre(Pair("a.b", "c")));
    EXPECT_FALSE(dropped.place.has_value());
    EXPECT_THAT(decoded(fits, tooLong, "f", fits).sceneOptions, ElementsAre(Pair("a.b", "c")));
}

TEST(LumenSettingsTests, HostileInputNeverThrows) {
    // Deeply nested input must not recurse: the parser keeps only shallow values.
    const std::string deepArray = std::string(100'000, '[') + std::string(100'000, ']');
    EXPECT_EQ(LumenSettings::decode(deepArray), LumenSettings{});
    const std::string deepObject = [] {
        std::string text;
        for (int i = 0; i < 100'000; ++i) {
            text += "{\"a\":";
        }
        text += "1" + std::string(100'000, '}');
        return text;
    }();
    EXPECT_EQ(LumenSettings::decode(deepObject), LumenSettings{});
    const std::string unclosed = std::string(200'000, '[');
    EXPECT_EQ(LumenSettings::decode(unclosed), LumenSettings{});

    // A deep value under an unknown key does not spoil the keys beside it.
    const std::string mixed = R"({"fpsCap":15,"junk":)" + deepArray + R"(,"scene":"earthOrbit"})";
    const auto settings = LumenSettings::decode(mixed);
    EXPECT_EQ(settings.fpsCap, 15);
    EXPECT_EQ(settings.scene, SceneID("earthOrbit"));

    // Five megabytes: a long string and a long array alongside real keys.
    std::string huge = R"({"scene":")" + std::string(3'000'000, 'x') + R"(","filler":[)";
    for (int i = 0; i < 500'000; ++i) {
        huge += "0,";
    }
    huge += R"(0],"idleMinutes":2})";
    ASSERT_GT(huge.size(), 4'000'000u);
    const auto big = LumenSettings::decode(huge);
    EXPECT_EQ(big.scene, LumenSettings{}.scene);  // far too long to be an id
    EXPECT_EQ(big.idleMinutes, 2);

    const char rawControl[] = "{\"scene\":\"a\0b\"}";
    EXPECT_EQ(LumenSettings::decode(std::string_view(rawControl, sizeof rawControl - 1)),
              LumenSettings{});
    EXPECT_EQ(LumenSettings::decode("{\"scene\":\"\xff\xfe\"}"), LumenSettings{});
}

// --- Encoding failures ----------------------------------------------------------------------

TEST(LumenSettingsTests, NonFiniteCoordinatesAreLeftOutOfTheDocument) {
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        LumenSettings settings;
        settings.place = Place{"Nowhere", 10.0, bad};
        const auto text = settings.encode();
        ASSERT_TRUE(text.has_value());
        const json document = json::parse(*text);
        EXPECT_FALSE(document.contains("place"));
        EXPECT_EQ(LumenSettings::decode(*text), settings.normalized());
    }
}

TEST(LumenSettingsTests, TextThatIsNotUTF8CannotBeEncoded) {
    LumenSettings settings;
    settings.scene = SceneID(std::string("bad\xff"));
    EXPECT_FALSE(settings.encode().has_value());
}

// --- Normalisation --------------------------------------------------------------------------

TEST(LumenSettingsTests, NormalizationRepairsOutOfRangeValues) {
    const auto normalizedFrom = [](const char* text) {
        return LumenSettings::decode(text).normalized();
    };
    EXPECT_EQ(normalizedFrom(R"({"fpsCap":60})").fpsCap, 30);
    EXPECT_EQ(normalizedFrom(R"({"fpsCap":15})").fpsCap, 15);
    EXPECT_EQ(normalizedFrom(R"({"fpsCap":0})").fpsCap, 30);
    EXPECT_EQ(normalizedFrom(R"({"idleMinutes":0})").idleMinutes, 1);
    EXPECT_EQ(normalizedFrom(R"({"idleMinutes":-40})").idleMinutes, 1);
    EXPECT_EQ(normalizedFrom(R"({"idleMinutes":500})").idleMinutes, 120);
    EXPECT_EQ(normalizedFrom(R"({"idleMinutes":120})").idleMinutes, 120);
    EXPECT_EQ(normalizedFrom(R"({"idleMinutes":7})").idleMinutes, 7);

    EXPECT_FALSE(normalizedFrom(R"({"place":{"name":"P","latitude":95,"longitude":0}})").place);
    EXPECT_FALSE(normalizedFrom(R"({"place":{"name":"P","latitude":0,"longitude":180.5}})").place);
    EXPECT_EQ(normalizedFrom(R"({"place":{"name":"P","latitude":90,"longitude":-180}})").place,
              (Place{"P", 90.0, -180.0}));
    LumenSettings withNaN;
    withNaN.place = Place{"P", std::numeric_limits<double>::quiet_NaN(), 0.0};
    EXPECT_FALSE(withNaN.normalized().place.has_value());
}

TEST(LumenSettingsTests, NormalizationLeavesEverythingElse) {
    LumenSettings settings = everythingChanged();
    settings.scene = "noSuchScene";
    EXPECT_EQ(settings.normalized(), settings);
}

// --- Scene options --------------------------------------------------------------------------

TEST(LumenSettingsTests, OptionValuesStoreOnlyDepartures) {
    const SceneOption fireworks = fireworksOption();
    const SceneID castle("fairytaleCastle");
    LumenSettings settings;
    EXPECT_EQ(settings.optionValue(fireworks, castle), "sometimes");

    settings.setOptionValue(fireworks, castle, "often");
    EXPECT_THAT(settings.sceneOptions, ElementsAre(Pair("fairytaleCastle.fireworks", "often")));
    EXPECT_EQ(settings.optionValue(fireworks, castle), "often");

    settings.setOptionValue(fireworks, castle, "sometimes");
    EXPECT_TRUE(settings.sceneOptions.empty());

    settings.setOptionValue(fireworks, castle, "off");
    settings.setOptionValue(fireworks, castle, "sparklers");
    EXPECT_TRUE(settings.sceneOptions.empty());
    EXPECT_EQ(settings.optionValue(fireworks, castle), "sometimes");
}

TEST(LumenSettingsTests, StaleStoredValuesReadAsTheDefault) {
    const SceneOption x{"x", "X", {{"one", "One"}, {"two", "Two"}}, "one", std::nullopt};
    LumenSettings settings;
    settings.sceneOptions["deepReef.x"] = "three";
    EXPECT_EQ(settings.optionValue(x, "deepReef"), "one");
    settings.sceneOptions["deepReef.x"] = "two";
    EXPECT_EQ(settings.optionValue(x, "deepReef"), "two");
    // Another scene's entry with the same option key is separate.
    EXPECT_EQ(settings.optionValue(x, "otherScene"), "one");
    settings.setOptionValue(x, "otherScene", "two");
    EXPECT_THAT(settings.sceneOptions,
                ElementsAre(Pair("deepReef.x", "two"), Pair("otherScene.x", "two")));
}

TEST(LumenSettingsTests, OptionValuesForARecordFollowItsOptionOrder) {
    const SceneInfo& castle = SceneRegistry::offered()[1];
    LumenSettings settings;
    settings.sceneOptions["fairytaleCastle.sky"] = "night";
    settings.sceneOptions["fairytaleCastle.unknown"] = "kept";
    EXPECT_THAT(settings.optionValues(castle),
                ElementsAre(Pair("fireworks", "sometimes"), Pair("sky", "night")));
    EXPECT_TRUE(settings.optionValues(SceneRegistry::offered()[0]).empty());
    EXPECT_EQ(settings.sceneOptions.count("fairytaleCastle.unknown"), 1u);
}

}  // namespace
}  // namespace lumen
