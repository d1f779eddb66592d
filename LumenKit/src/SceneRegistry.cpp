#include "LumenKit/SceneCatalog.hpp"

// The compiled-in scene records. Deep Reef must stay first: it is the fallback scene.

namespace lumen::SceneRegistry {

namespace {

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
                {"fireworks", "Fireworks",
                 {Choice{"often", "Often"}, Choice{"sometimes", "Now and then"},
                  Choice{"off", "Off"}},
                 "sometimes",
                 "On battery (with Run on Battery on) there are fewer bursts."},
                {"sky", "Sky",
                 {Choice{"clock", "Darker as the night goes on"},
                  Choice{"twilight", "Always twilight"}, Choice{"night", "Always deep night"}},
                 "clock",
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
                {"view", "View",
                 {Choice{"street", "From the café, out to the street"},
                  Choice{"cafe", "From the street, into the café"}},
                 "street",
                 std::nullopt},
                {"rain", "Rain",
                 {Choice{"weather", "Follows the real weather"}, Choice{"light", "Light"},
                  Choice{"steady", "Steady"}, Choice{"heavy", "Heavy"}},
                 "weather",
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
                {"weather", "Weather",
                 {Choice{"live", "Live weather where you are"}, Choice{"clear", "Always clear"},
                  Choice{"partlyCloudy", "Always a few clouds"},
                  Choice{"cloudy", "Always overcast"}, Choice{"rain", "Always rain"},
                  Choice{"snow", "Always snow"}, Choice{"fog", "Always fog"}},
                 "live",
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
                {"aurora", "Northern lights",
                 {Choice{"strong", "Bright and lively"}, Choice{"gentle", "Soft and slow"}},
                 "strong",
                 std::nullopt},
                {"snow", "Snowfall",
                 {Choice{"gentle", "A few flakes"}, Choice{"none", "None"}},
                 "gentle",
                 std::nullopt},
                {"sky", "Sky",
                 {Choice{"clock", "Follows the clock (the lights come out at night)"},
                  Choice{"night", "Always night"}},
                 "clock",
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
                {"view", "View",
                 {Choice{"orbit", "From orbit, drifting over your part of the world"},
                  Choice{"globe", "The whole globe, your side"}},
                 "orbit",
                 std::nullopt},
                {"clouds", "Clouds",
                 {Choice{"some", "Some"}, Choice{"few", "Few"}},
                 "some",
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
                {"season", "Season",
                 {Choice{"date", "Follows the date"}, Choice{"spring", "Spring"},
                  Choice{"summer", "Summer"}, Choice{"autumn", "Autumn"},
                  Choice{"winter", "Winter"}},
                 "date",
                 "South of the equator the seasons follow your hemisphere (with a place set)."},
                {"rain", "Rain on the water",
                 {Choice{"weather", "When it really rains"}, Choice{"never", "Never"}},
                 "weather",
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
                {"time", "Time",
                 {Choice{"night", "Always night"},
                  Choice{"clock", "Follows the clock (a grey rainy day by day)"}},
                 "night",
                 std::nullopt},
                {"rain", "Rain",
                 {Choice{"steady", "Steady"}, Choice{"light", "Light"},
                  Choice{"heavy", "Heavy"}},
                 "steady",
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
                {"speed", "Speed",
                 {Choice{"drift", "Drifting"}, Choice{"cruise", "Cruising"}},
                 "drift",
                 std::nullopt},
                {"palette", "Colors",
                 {Choice{"classic", "Rose and teal"}, Choice{"ember", "Ember and gold"},
                  Choice{"ice", "Ice and violet"}},
                 "classic",
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
                {"sky", "Sky",
                 {Choice{"sunset", "Always sunset"},
                  Choice{"clock", "Follows the clock (day, sunset, moonlit night)"}},
                 "sunset",
                 std::nullopt},
                {"waves", "Waves",
                 {Choice{"gentle", "Gentle"}, Choice{"rolling", "Rolling"}},
                 "gentle",
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
                {"rain", "Rain on the window",
                 {Choice{"steady", "Steady"}, Choice{"light", "Light"}, Choice{"none", "None"}},
                 "steady",
                 std::nullopt},
                {"outside", "Outside",
                 {Choice{"clock", "Follows the clock"}, Choice{"night", "Always evening"}},
                 "clock",
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
                {"leaves", "Falling leaves",
                 {Choice{"some", "Some"}, Choice{"many", "Many"}, Choice{"few", "A few"}},
                 "some",
                 std::nullopt},
                {"light", "Light",
                 {Choice{"clock", "Follows the clock"},
                  Choice{"golden", "Always golden afternoon"}},
                 "clock",
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
                {"sky", "Sky",
                 {Choice{"best", "The Milky Way's bright core, always night"},
                  Choice{"real", "The real sky for your place and time"}},
                 "best",
                 "The real sky turns with the hours; by day it shows a desert day."},
                {"meteors", "Shooting stars",
                 {Choice{"sometimes", "Now and then"}, Choice{"often", "Often"},
                  Choice{"off", "Off"}},
                 "sometimes",
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
