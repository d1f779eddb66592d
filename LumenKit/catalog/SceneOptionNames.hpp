#pragma once

// The option keys and values of every scene record, named once: the records are built from them
// and the scenes read their options through them, so a misspelt key or value cannot compile.

namespace lumen::SceneOptionNames {

namespace fairytaleCastle {
inline constexpr const char* fireworks = "fireworks";
inline constexpr const char* fireworksOften = "often";
inline constexpr const char* fireworksSometimes = "sometimes";
inline constexpr const char* fireworksOff = "off";
inline constexpr const char* sky = "sky";
inline constexpr const char* skyClock = "clock";
inline constexpr const char* skyTwilight = "twilight";
inline constexpr const char* skyNight = "night";
}  // namespace fairytaleCastle

namespace rainyWindowCafe {
inline constexpr const char* view = "view";
inline constexpr const char* viewStreet = "street";
inline constexpr const char* viewCafe = "cafe";
inline constexpr const char* rain = "rain";
inline constexpr const char* rainWeather = "weather";
inline constexpr const char* rainLight = "light";
inline constexpr const char* rainSteady = "steady";
inline constexpr const char* rainHeavy = "heavy";
}  // namespace rainyWindowCafe

namespace alpineLake {
inline constexpr const char* weather = "weather";
inline constexpr const char* weatherLive = "live";
inline constexpr const char* weatherClear = "clear";
inline constexpr const char* weatherPartlyCloudy = "partlyCloudy";
inline constexpr const char* weatherCloudy = "cloudy";
inline constexpr const char* weatherRain = "rain";
inline constexpr const char* weatherSnow = "snow";
inline constexpr const char* weatherFog = "fog";
}  // namespace alpineLake

namespace northernLightsCabin {
inline constexpr const char* aurora = "aurora";
inline constexpr const char* auroraStrong = "strong";
inline constexpr const char* auroraGentle = "gentle";
inline constexpr const char* snow = "snow";
inline constexpr const char* snowGentle = "gentle";
inline constexpr const char* snowNone = "none";
inline constexpr const char* sky = "sky";
inline constexpr const char* skyClock = "clock";
inline constexpr const char* skyNight = "night";
}  // namespace northernLightsCabin

namespace earthOrbit {
inline constexpr const char* view = "view";
inline constexpr const char* viewOrbit = "orbit";
inline constexpr const char* viewGlobe = "globe";
inline constexpr const char* clouds = "clouds";
inline constexpr const char* cloudsSome = "some";
inline constexpr const char* cloudsFew = "few";
}  // namespace earthOrbit

namespace zenKoiPond {
inline constexpr const char* season = "season";
inline constexpr const char* seasonDate = "date";
inline constexpr const char* seasonSpring = "spring";
inline constexpr const char* seasonSummer = "summer";
inline constexpr const char* seasonAutumn = "autumn";
inline constexpr const char* seasonWinter = "winter";
inline constexpr const char* rain = "rain";
inline constexpr const char* rainWeather = "weather";
inline constexpr const char* rainNever = "never";
}  // namespace zenKoiPond

namespace neonCityRain {
inline constexpr const char* time = "time";
inline constexpr const char* timeNight = "night";
inline constexpr const char* timeClock = "clock";
inline constexpr const char* rain = "rain";
inline constexpr const char* rainSteady = "steady";
inline constexpr const char* rainLight = "light";
inline constexpr const char* rainHeavy = "heavy";
}  // namespace neonCityRain

namespace nebulaFlythrough {
inline constexpr const char* speed = "speed";
inline constexpr const char* speedDrift = "drift";
inline constexpr const char* speedCruise = "cruise";
inline constexpr const char* palette = "palette";
inline constexpr const char* paletteClassic = "classic";
inline constexpr const char* paletteEmber = "ember";
inline constexpr const char* paletteIce = "ice";
}  // namespace nebulaFlythrough

namespace tropicalBeach {
inline constexpr const char* sky = "sky";
inline constexpr const char* skySunset = "sunset";
inline constexpr const char* skyClock = "clock";
inline constexpr const char* waves = "waves";
inline constexpr const char* wavesGentle = "gentle";
inline constexpr const char* wavesRolling = "rolling";
}  // namespace tropicalBeach

namespace cozyLibrary {
inline constexpr const char* rain = "rain";
inline constexpr const char* rainSteady = "steady";
inline constexpr const char* rainLight = "light";
inline constexpr const char* rainNone = "none";
inline constexpr const char* outside = "outside";
inline constexpr const char* outsideClock = "clock";
inline constexpr const char* outsideNight = "night";
}  // namespace cozyLibrary

namespace autumnStream {
inline constexpr const char* leaves = "leaves";
inline constexpr const char* leavesSome = "some";
inline constexpr const char* leavesMany = "many";
inline constexpr const char* leavesFew = "few";
inline constexpr const char* light = "light";
inline constexpr const char* lightClock = "clock";
inline constexpr const char* lightGolden = "golden";
}  // namespace autumnStream

namespace desertNight {
inline constexpr const char* sky = "sky";
inline constexpr const char* skyBest = "best";
inline constexpr const char* skyReal = "real";
inline constexpr const char* meteors = "meteors";
inline constexpr const char* meteorsSometimes = "sometimes";
inline constexpr const char* meteorsOften = "often";
inline constexpr const char* meteorsOff = "off";
}  // namespace desertNight

}  // namespace lumen::SceneOptionNames
