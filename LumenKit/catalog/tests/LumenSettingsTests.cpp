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

// Every field away from its default.
LumenSettings everythingChanged() {
    return {.scene = "neonCityRain", .userPaused = true, .quality = Quality::half, .fpsCap = 15, .runOnBattery = true,
            .batterySaver = true, .batterySaverOnBattery = false, .parallax = false, .pointerReacts = false,
            .idleSceneEnabled = true, .idleMinutes = 30, .secondaryFullRate = true, .shuffleDaily = true,
            .sceneOptions = {{"neonCityRain.rain", "heavy"}, {"gone.option", "kept"}},
            .place = Place{"Denver", 39.74, -104.99}, .useLocation = true,
            .animateInSoftware = true};
}

TEST(QualityTests, RawValuesTitlesAndScales) {
    const char* raw[] = {"auto", "full", "half"};
    const char* titles[] = {"Auto", "Full resolution", "Half resolution"};
    const float scales[] = {1.0f, 1.0f, 0.5f};  // auto's own scale comes from the render policy
    for (std::size_t i = 0; i < QualityInfo::allCases.size(); ++i) {
        const Quality quality = QualityInfo::allCases[i];
        EXPECT_EQ(QualityInfo::rawValue(quality), raw[i]);
        EXPECT_EQ(QualityInfo::fromRawValue(raw[i]), quality);
        EXPECT_EQ(QualityInfo::title(quality), titles[i]);
        EXPECT_EQ(QualityInfo::fixedScale(quality), scales[i]);
    }
    for (const char* other : {"automatic", "Full", ""}) EXPECT_FALSE(QualityInfo::fromRawValue(other)) << other;
}

TEST(LumenSettingsTests, DefaultsAndUnreadableDocuments) {
    EXPECT_EQ(LumenSettings{}.toJSON(), json::parse(R"({
        "scene": "deepReef", "userPaused": false, "quality": "auto", "fpsCap": 30,
        "runOnBattery": false, "batterySaver": false, "batterySaverOnBattery": true,
        "parallax": true, "pointerReacts": true, "idleSceneEnabled": false, "idleMinutes": 10,
        "secondaryFullRate": false, "shuffleDaily": false, "sceneOptions": {},
        "useLocation": false, "animateInSoftware": false})"));
    for (const char* text : {"", "not json", "[1,2,3]", "\"deepReef\"", "42", "null", "{}", "{\"scene\":",
                             "{\"scene\":\"x\"} trailing", "{'scene':'x'}", "{\"fpsCap\": NaN}"}) {
        EXPECT_EQ(LumenSettings::decode(text), LumenSettings{}) << text;
    }
}

TEST(LumenSettingsTests, EncodesEveryKeyAndRoundTrips) {
    const auto text = everythingChanged().encode();
    ASSERT_TRUE(text.has_value());
    const json document = json::parse(*text);
    EXPECT_EQ(document.size(), 17u);
    EXPECT_EQ(document["quality"], "half");
    EXPECT_FALSE(document.contains("fishReactToPointer"));  // only the current key is written
    EXPECT_EQ(document["place"], json({{"name", "Denver"}, {"latitude", 39.74}, {"longitude", -104.99}}));
    EXPECT_EQ(LumenSettings::decode(*text), everythingChanged());
}

// A value of the wrong type resets its own field and nothing else.
TEST(LumenSettingsTests, EachUnreadableKeyFallsBackAlone) {
    const json document = everythingChanged().toJSON();
    const json defaults = LumenSettings{}.toJSON();
    for (const auto& [key, value] : document.items()) {
        json broken = document;
        broken[key] = json::array({1});
        json expected = document;
        if (defaults.contains(key)) {
            expected[key] = defaults[key];
        } else {
            expected.erase(key);
        }
        EXPECT_EQ(LumenSettings::fromJSON(broken).toJSON(), expected) << key;
    }
    // A text that names no quality, an unknown key beside a readable one, an empty scene id.
    const auto settings = LumenSettings::decode(R"({"quality":"ultra","futureKey":{"a":[1]},"idleMinutes":5})");
    EXPECT_EQ(settings.quality, Quality::automatic);
    EXPECT_EQ(settings.idleMinutes, 5);
    EXPECT_EQ(LumenSettings::decode(R"({"scene":""})").scene, SceneID(""));
}

TEST(LumenSettingsTests, IntegersMustBeWholeAndFitAnInt) {
    const std::pair<const char*, int> cases[] = {
        {"15", 15}, {"15.0", 15}, {"1.5e1", 15}, {"-0.0", 0}, {"15.5", 30}, {"1e300", 30}, {"-1e300", 30},
        {"2147483647", std::numeric_limits<int>::max()}, {"-2147483648", std::numeric_limits<int>::min()},
        {"2147483648", 30}, {"-2147483649", 30}, {"18446744073709551615", 30}, {"true", 30}, {"null", 30}};
    for (const auto& [number, fpsCap] : cases) {
        EXPECT_EQ(LumenSettings::decode(std::string("{\"fpsCap\":") + number + "}").fpsCap, fpsCap) << number;
    }
    EXPECT_EQ(LumenSettings::decode(R"({"idleMinutes":4294967296})").idleMinutes, 10);
}

TEST(LumenSettingsTests, PointerReactionsReadTheOlderKey) {
    const auto pointerReactsFrom = [](const char* text) { return LumenSettings::decode(text).pointerReacts; };
    EXPECT_FALSE(pointerReactsFrom(R"({"fishReactToPointer":false})"));
    EXPECT_TRUE(pointerReactsFrom(R"({"pointerReacts":true,"fishReactToPointer":false})"));
    EXPECT_FALSE(pointerReactsFrom(R"({"pointerReacts":false,"fishReactToPointer":true})"));
    // An unreadable new key falls through to the old one.
    EXPECT_FALSE(pointerReactsFrom(R"({"pointerReacts":"no","fishReactToPointer":false})"));
    EXPECT_TRUE(pointerReactsFrom(R"({"fishReactToPointer":1})"));
}

TEST(LumenSettingsTests, PlaceAndSceneOptionsMustBeReadableAsAWhole) {
    EXPECT_EQ(LumenSettings::decode(R"({"place":{"name":"Oslo","latitude":59.91,"longitude":10.75}})").place,
              (Place{"Oslo", 59.91, 10.75}));
    const auto noLongitude = LumenSettings::decode(R"({"place":{"name":"Oslo","latitude":59.91},"useLocation":true})");
    EXPECT_FALSE(noLongitude.place.has_value());
    EXPECT_TRUE(noLongitude.useLocation);
    EXPECT_THAT(LumenSettings::decode(R"({"sceneOptions":{"a.b":"c","d.e":"f"}})").sceneOptions,
                ElementsAre(Pair("a.b", "c"), Pair("d.e", "f")));
    // One value that is not text spoils them all.
    EXPECT_TRUE(LumenSettings::decode(R"({"sceneOptions":{"a.b":"c","d.e":1}})").sceneOptions.empty());
    EXPECT_TRUE(LumenSettings::decode(R"({"sceneOptions":{"a.b":null}})").sceneOptions.empty());
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
    EXPECT_TRUE(kept.place.has_value());

    const LumenSettings dropped = decoded(tooLong, "d.e", tooLong, tooLong);
    EXPECT_EQ(dropped.scene, LumenSettings{}.scene);
    EXPECT_TRUE(dropped.userPaused);
    EXPECT_THAT(dropped.sceneOptions, ElementsAre(Pair("a.b", "c")));
    EXPECT_FALSE(dropped.place.has_value());
    EXPECT_THAT(decoded(fits, tooLong, "f", fits).sceneOptions, ElementsAre(Pair("a.b", "c")));
}

TEST(LumenSettingsTests, HostileInputNeverThrows) {
    // Deep nesting must not recurse: the parser keeps only shallow values.
    const std::string deepArray = std::string(100'000, '[') + std::string(100'000, ']');
    std::string deepObject;
    for (int i = 0; i < 100'000; ++i) deepObject += "{\"a\":";
    deepObject += "1" + std::string(100'000, '}');
    const char rawControl[] = "{\"scene\":\"a\0b\"}";
    const std::string notUTF8 = "{\"scene\":\"\xff\"}";
    for (const std::string& text : {deepArray, deepObject, std::string(200'000, '['), notUTF8,
                                    std::string(rawControl, sizeof rawControl - 1)}) {
        EXPECT_EQ(LumenSettings::decode(text), LumenSettings{}) << text.substr(0, 20);
    }
    // A deep value under an unknown key does not spoil the keys beside it.
    const auto mixed = LumenSettings::decode(R"({"fpsCap":15,"junk":)" + deepArray + R"(,"scene":"earthOrbit"})");
    EXPECT_EQ(mixed.fpsCap, 15);
    EXPECT_EQ(mixed.scene, SceneID("earthOrbit"));
    // Megabytes: a long string and a long array alongside real keys.
    std::string huge = R"({"scene":")" + std::string(3'000'000, 'x') + R"(","filler":[)";
    for (int i = 0; i < 500'000; ++i) huge += "0,";
    const auto big = LumenSettings::decode(huge + R"(0],"idleMinutes":2})");
    EXPECT_EQ(big.scene, LumenSettings{}.scene);  // far too long to be an id
    EXPECT_EQ(big.idleMinutes, 2);
}

TEST(LumenSettingsTests, WhatCannotBeWrittenIsLeftOut) {
    // JSON has no NaN or infinity: such a place is dropped rather than written as null.
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        LumenSettings settings;
        settings.place = Place{"Nowhere", 10.0, bad};
        const auto text = settings.encode();
        ASSERT_TRUE(text.has_value());
        EXPECT_FALSE(json::parse(*text).contains("place"));
        EXPECT_EQ(LumenSettings::decode(*text), settings.normalized());
    }
    LumenSettings notUTF8;
    notUTF8.scene = SceneID(std::string("bad\xff"));
    EXPECT_FALSE(notUTF8.encode().has_value());
}

TEST(LumenSettingsTests, NormalizationRepairsOnlyOutOfRangeValues) {
    const std::tuple<const char*, int, int, bool> cases[] = {  // document, fpsCap, idleMinutes, place kept
        {R"({"fpsCap":60,"idleMinutes":-40})", 30, 1, false},
        {R"({"fpsCap":15,"idleMinutes":0,"place":{"name":"P","latitude":95,"longitude":0}})", 15, 1, false},
        {R"({"idleMinutes":7,"place":{"name":"P","latitude":0,"longitude":180.5}})", 30, 7, false},
        {R"({"idleMinutes":120,"place":{"name":"P","latitude":90,"longitude":-180}})", 30, 120, true},
        {R"({"idleMinutes":500})", 30, 120, false}};
    for (const auto& [text, fpsCap, idleMinutes, placeKept] : cases) {
        const LumenSettings settings = LumenSettings::decode(text).normalized();
        EXPECT_EQ(settings.fpsCap, fpsCap) << text;
        EXPECT_EQ(settings.idleMinutes, idleMinutes) << text;
        EXPECT_EQ(settings.place.has_value(), placeKept) << text;
    }
    LumenSettings settings = everythingChanged();
    settings.scene = "noSuchScene";
    EXPECT_EQ(settings.normalized(), settings);
}

TEST(LumenSettingsTests, OptionValuesStoreOnlyValidDepartures) {
    // The castle's fireworks: the one option whose default is not its first choice.
    const SceneInfo& castleInfo = SceneRegistry::offered()[1];
    const SceneOption& fireworks = castleInfo.options[0];
    const SceneID castle("fairytaleCastle");
    LumenSettings settings;
    EXPECT_EQ(settings.optionValue(fireworks, castle), "sometimes");
    settings.setOptionValue(fireworks, castle, "often");
    EXPECT_THAT(settings.sceneOptions, ElementsAre(Pair("fairytaleCastle.fireworks", "often")));
    EXPECT_EQ(settings.optionValue(fireworks, castle), "often");
    EXPECT_EQ(settings.optionValue(fireworks, "otherScene"), "sometimes");  // keyed by scene too
    settings.setOptionValue(fireworks, castle, "sparklers");  // not a choice: the default, stored as nothing
    EXPECT_TRUE(settings.sceneOptions.empty());
    // A stored value that is no longer a choice reads as the default.
    settings.sceneOptions["fairytaleCastle.fireworks"] = "rockets";
    EXPECT_EQ(settings.optionValue(fireworks, castle), "sometimes");
    settings.sceneOptions = {{"fairytaleCastle.sky", "night"}, {"fairytaleCastle.unknown", "kept"}};
    EXPECT_THAT(settings.optionValues(castleInfo), ElementsAre(Pair("fireworks", "sometimes"), Pair("sky", "night")));
    EXPECT_TRUE(settings.optionValues(SceneRegistry::offered()[0]).empty());
}

}  // namespace
}  // namespace lumen
