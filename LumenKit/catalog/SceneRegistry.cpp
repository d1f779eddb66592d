#include "LumenKit/catalog/SceneCatalog.hpp"
#include "LumenKit/catalog/SceneOptionNames.hpp"

// The compiled-in scene records. Deep Reef must stay first: it is the fallback scene.

namespace lumen::SceneRegistry {

namespace {

using namespace SceneOptionNames;

using Choice = SceneOption::Choice;

std::vector<SceneInfo> makeOffered() {
    std::vector<SceneInfo> scenes;

    scenes.push_back(SceneInfo{
        .id = "deepReef",
        .title = "Deep Reef",
        .summary = "A coral reef with twelve kinds of fish, giant clams and soft coral, sunbeams "
                   "and caustics; it glows at night.",
        .className = "DeepReefScene",
        .options = {},
        .usesWeather = false,
        .thumbnailHour = 12.0f,
        .cost = {1.4, 0.59},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "fairytaleCastle",
        .title = "Fairytale Castle",
        .summary = "A lantern-lit castle over a misty lake at night, with fireworks now and then.",
        .className = "FairytaleCastleScene",
        .options =
            {
                {fairytaleCastle::fireworks, "Fireworks",
                 {Choice{fairytaleCastle::fireworksOften, "Often"}, Choice{fairytaleCastle::fireworksSometimes, "Now and then"},
                  Choice{fairytaleCastle::fireworksOff, "Off"}},
                 fairytaleCastle::fireworksSometimes,
                 "On battery (with Run on Battery on) there are fewer bursts."},
                {fairytaleCastle::sky, "Sky",
                 {Choice{fairytaleCastle::skyClock, "Darker as the night goes on"},
                  Choice{fairytaleCastle::skyTwilight, "Always twilight"}, Choice{fairytaleCastle::skyNight, "Always deep night"}},
                 fairytaleCastle::skyClock,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 21.0f,
        .cost = {1.07, 0.45},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "rainyWindowCafe",
        .title = "Rainy Window Café",
        .summary = "Rain runs down the glass of a café window; the city glows softly beyond. "
                   "Heavier when it really rains.",
        .className = "RainyWindowScene",
        .options =
            {
                {rainyWindowCafe::view, "View",
                 {Choice{rainyWindowCafe::viewStreet, "From the café, out to the street"},
                  Choice{rainyWindowCafe::viewCafe, "From the street, into the café"}},
                 rainyWindowCafe::viewStreet,
                 std::nullopt},
                {rainyWindowCafe::rain, "Rain",
                 {Choice{rainyWindowCafe::rainWeather, "Follows the real weather"}, Choice{rainyWindowCafe::rainLight, "Light"},
                  Choice{rainyWindowCafe::rainSteady, "Steady"}, Choice{rainyWindowCafe::rainHeavy, "Heavy"}},
                 rainyWindowCafe::rainWeather,
                 "Following the weather needs a place (Settings › Weather). When it isn’t "
                 "raining there, a light rain still falls."},
            },
        .usesWeather = true,
        .thumbnailHour = 20.5f,
        .cost = {0.26, 0.145},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "alpineLake",
        .title = "Alpine Lake",
        .summary = "Peaks, pines and a mirror lake under your real sky: the sun, moon, clouds, "
                   "rain, snow and fog where you are.",
        .className = "AlpineLakeScene",
        .options =
            {
                {alpineLake::weather, "Weather",
                 {Choice{alpineLake::weatherLive, "Live weather where you are"}, Choice{alpineLake::weatherClear, "Always clear"},
                  Choice{alpineLake::weatherPartlyCloudy, "Always a few clouds"},
                  Choice{alpineLake::weatherCloudy, "Always overcast"}, Choice{alpineLake::weatherRain, "Always rain"},
                  Choice{alpineLake::weatherSnow, "Always snow"}, Choice{alpineLake::weatherFog, "Always fog"}},
                 alpineLake::weatherLive,
                 "Live weather is from MET Norway for the place in Settings › Weather. With no "
                 "place, or offline, the sky stays fair."},
            },
        .usesWeather = true,
        .thumbnailHour = 7.3f,
        .cost = {1.24, 0.55},
        .heavy = true,
    });

    scenes.push_back(SceneInfo{
        .id = "northernLightsCabin",
        .title = "Northern Lights Cabin",
        .summary = "A log cabin in deep snow by a frozen lake, the northern lights dancing over "
                   "the peaks.",
        .className = "NorthernLightsScene",
        .options =
            {
                {northernLightsCabin::aurora, "Northern lights",
                 {Choice{northernLightsCabin::auroraStrong, "Bright and lively"}, Choice{northernLightsCabin::auroraGentle, "Soft and slow"}},
                 northernLightsCabin::auroraStrong,
                 std::nullopt},
                {northernLightsCabin::snow, "Snowfall",
                 {Choice{northernLightsCabin::snowGentle, "A few flakes"}, Choice{northernLightsCabin::snowNone, "None"}},
                 northernLightsCabin::snowGentle,
                 std::nullopt},
                {northernLightsCabin::sky, "Sky",
                 {Choice{northernLightsCabin::skyClock, "Follows the clock (the lights come out at night)"},
                  Choice{northernLightsCabin::skyNight, "Always night"}},
                 northernLightsCabin::skyClock,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 22.0f,
        .cost = {0.13, 1.191},
        .heavy = true,
    });

    scenes.push_back(SceneInfo{
        .id = "earthOrbit",
        .title = "Earth from Orbit",
        .summary = "The Earth below a slow orbit, lit by the real sun right now: day, the "
                   "twilight line, city lights at night.",
        .className = "EarthOrbitScene",
        .options =
            {
                {earthOrbit::view, "View",
                 {Choice{earthOrbit::viewOrbit, "From orbit, drifting over your part of the world"},
                  Choice{earthOrbit::viewGlobe, "The whole globe, your side"}},
                 earthOrbit::viewOrbit,
                 std::nullopt},
                {earthOrbit::clouds, "Clouds",
                 {Choice{earthOrbit::cloudsSome, "Some"}, Choice{earthOrbit::cloudsFew, "Few"}},
                 earthOrbit::cloudsSome,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 12.0f,
        .cost = {0.03, 0.283},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "zenKoiPond",
        .title = "Zen Koi Pond",
        .summary = "Koi glide under lily pads in a quiet garden pond. Blossoms in spring, lotus "
                   "in summer, maple leaves in autumn, frost in winter.",
        .className = "KoiPondScene",
        .options =
            {
                {zenKoiPond::season, "Season",
                 {Choice{zenKoiPond::seasonDate, "Follows the date"}, Choice{zenKoiPond::seasonSpring, "Spring"},
                  Choice{zenKoiPond::seasonSummer, "Summer"}, Choice{zenKoiPond::seasonAutumn, "Autumn"},
                  Choice{zenKoiPond::seasonWinter, "Winter"}},
                 zenKoiPond::seasonDate,
                 "South of the equator the seasons follow your hemisphere (with a place set)."},
                {zenKoiPond::rain, "Rain on the water",
                 {Choice{zenKoiPond::rainWeather, "When it really rains"}, Choice{zenKoiPond::rainNever, "Never"}},
                 zenKoiPond::rainWeather,
                 std::nullopt},
            },
        .usesWeather = true,
        .thumbnailHour = 11.0f,
        .cost = {0.09, 1.89},
        .heavy = true,
    });

    scenes.push_back(SceneInfo{
        .id = "neonCityRain",
        .title = "Neon City Rain",
        .summary = "Rain on a narrow city street at night: neon signs buzzing, their colors "
                   "smeared across the wet road.",
        .className = "NeonCityScene",
        .options =
            {
                {neonCityRain::time, "Time",
                 {Choice{neonCityRain::timeNight, "Always night"},
                  Choice{neonCityRain::timeClock, "Follows the clock (a grey rainy day by day)"}},
                 neonCityRain::timeNight,
                 std::nullopt},
                {neonCityRain::rain, "Rain",
                 {Choice{neonCityRain::rainSteady, "Steady"}, Choice{neonCityRain::rainLight, "Light"},
                  Choice{neonCityRain::rainHeavy, "Heavy"}},
                 neonCityRain::rainSteady,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 22.0f,
        .cost = {0.06, 1.529},
        .heavy = true,
    });

    scenes.push_back(SceneInfo{
        .id = "nebulaFlythrough",
        .title = "Nebula Flythrough",
        .summary = "A slow drift through glowing clouds of gas and dust, past young blue and "
                   "golden stars.",
        .className = "NebulaScene",
        .options =
            {
                {nebulaFlythrough::speed, "Speed",
                 {Choice{nebulaFlythrough::speedDrift, "Drifting"}, Choice{nebulaFlythrough::speedCruise, "Cruising"}},
                 nebulaFlythrough::speedDrift,
                 std::nullopt},
                {nebulaFlythrough::palette, "Colors",
                 {Choice{nebulaFlythrough::paletteClassic, "Rose and teal"}, Choice{nebulaFlythrough::paletteEmber, "Ember and gold"},
                  Choice{nebulaFlythrough::paletteIce, "Ice and violet"}},
                 nebulaFlythrough::paletteClassic,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 12.0f,
        .cost = {0.06, 1.165},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "tropicalBeach",
        .title = "Tropical Beach Sunset",
        .summary = "Waves wash up a quiet beach under swaying palms as the sun sets over the sea.",
        .className = "TropicalBeachScene",
        .options =
            {
                {tropicalBeach::sky, "Sky",
                 {Choice{tropicalBeach::skySunset, "Always sunset"},
                  Choice{tropicalBeach::skyClock, "Follows the clock (day, sunset, moonlit night)"}},
                 tropicalBeach::skySunset,
                 std::nullopt},
                {tropicalBeach::waves, "Waves",
                 {Choice{tropicalBeach::wavesGentle, "Gentle"}, Choice{tropicalBeach::wavesRolling, "Rolling"}},
                 tropicalBeach::wavesGentle,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 18.5f,
        .cost = {0.03, 1.196},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "cozyLibrary",
        .title = "Cozy Fireplace Library",
        .summary = "A fire crackles between shelves of books while rain runs down the window; "
                   "an armchair waits by the lamp.",
        .className = "CozyLibraryScene",
        .options =
            {
                {cozyLibrary::rain, "Rain on the window",
                 {Choice{cozyLibrary::rainSteady, "Steady"}, Choice{cozyLibrary::rainLight, "Light"}, Choice{cozyLibrary::rainNone, "None"}},
                 cozyLibrary::rainSteady,
                 std::nullopt},
                {cozyLibrary::outside, "Outside",
                 {Choice{cozyLibrary::outsideClock, "Follows the clock"}, Choice{cozyLibrary::outsideNight, "Always evening"}},
                 cozyLibrary::outsideClock,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 21.0f,
        .cost = {0.04, 0.481},
        .heavy = false,
    });

    return scenes;
}

std::vector<SceneInfo> makeHeldBack() {
    std::vector<SceneInfo> scenes;

    scenes.push_back(SceneInfo{
        .id = "autumnStream",
        .title = "Autumn Forest Stream",
        .summary = "A brook runs over stones through a forest in full autumn color; leaves "
                   "drift down and float away.",
        .className = "AutumnStreamScene",
        .options =
            {
                {autumnStream::leaves, "Falling leaves",
                 {Choice{autumnStream::leavesSome, "Some"}, Choice{autumnStream::leavesMany, "Many"}, Choice{autumnStream::leavesFew, "A few"}},
                 autumnStream::leavesSome,
                 std::nullopt},
                {autumnStream::light, "Light",
                 {Choice{autumnStream::lightClock, "Follows the clock"},
                  Choice{autumnStream::lightGolden, "Always golden afternoon"}},
                 autumnStream::lightClock,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 15.5f,
        .cost = {0.11, 1.373},
        .heavy = false,
    });

    scenes.push_back(SceneInfo{
        .id = "desertNight",
        .title = "Desert Night Sky",
        .summary = "Moonlit dunes under the arch of the Milky Way, with a shooting star now "
                   "and then.",
        .className = "DesertNightScene",
        .options =
            {
                {desertNight::sky, "Sky",
                 {Choice{desertNight::skyBest, "The Milky Way's bright core, always night"},
                  Choice{desertNight::skyReal, "The real sky for your place and time"}},
                 desertNight::skyBest,
                 "The real sky turns with the hours; by day it shows a desert day."},
                {desertNight::meteors, "Shooting stars",
                 {Choice{desertNight::meteorsSometimes, "Now and then"}, Choice{desertNight::meteorsOften, "Often"},
                  Choice{desertNight::meteorsOff, "Off"}},
                 desertNight::meteorsSometimes,
                 std::nullopt},
            },
        .usesWeather = false,
        .thumbnailHour = 23.0f,
        .cost = {0.32, 1.01},
        .heavy = false,
    });

    return scenes;
}

}  // namespace

const std::vector<SceneInfo>& offered() {
    static const std::vector<SceneInfo> scenes = makeOffered();
    return scenes;
}

const std::vector<SceneInfo>& heldBack() {
    static const std::vector<SceneInfo> scenes = makeHeldBack();
    return scenes;
}

const std::vector<SceneInfo>& all() {
    static const std::vector<SceneInfo> scenes = [] {
        std::vector<SceneInfo> joined = offered();
        joined.insert(joined.end(), heldBack().begin(), heldBack().end());
        return joined;
    }();
    return scenes;
}

}  // namespace lumen::SceneRegistry
