#include "app/WeatherCommand.hpp"

#include "app/CommandLine.hpp"
#include "app/CommandPlaces.hpp"
#include "app/LaunchOverrides.hpp"
#include "app/UserDefaults.hpp"
#include "services/WeatherService.hpp"

#include "LumenKit/catalog/LumenSettings.hpp"
#include "LumenKit/weather/WeatherCondition.hpp"

#include <nlohmann/json.hpp>

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>
#include <iostream>

namespace lumen::app {

namespace {

int weatherUsage(const std::string& message) {
    std::cerr << "lumenfall weather: " << message << "\n"
              << "usage: lumenfall weather [--place \"TEXT\"] [--json]\n";
    return cli::exitUsage;
}

std::string details(const WeatherState& state) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s, precipitation %.2f, cloud cover %.2f, fog %.2f, wind %.1f m/s from %.0f°, symbol %s",
                  std::string(WeatherConditionInfo::rawValue(state.condition)).c_str(), state.precipitation,
                  state.cloudCover, state.fog, state.windSpeed, state.windFrom, state.symbol.c_str());
    return text;
}

}  // namespace

int runWeatherCommand(const std::vector<std::string>& arguments) {
    std::optional<std::string> placeText;
    bool json = false;
    cli::Arguments args(arguments);
    while (!args.done()) {
        const std::string& argument = args.next();
        if (argument == "--json") {
            json = true;
        } else if (argument == "--place") {
            placeText = args.value();
            if (!placeText) return weatherUsage("--place needs the place's name");
        } else if (argument.size() > 1 && argument[0] == '-' && argument[1] != '-') {
            args.value();  // a "-key value" switch, read by the defaults
        } else {
            return weatherUsage("unexpected argument \"" + argument + "\"");
        }
    }

    int argc = 1;
    char name[] = "lumenfall";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    UserDefaults defaults(UserDefaults::defaultPath(), arguments);
    WeatherServiceOptions weatherOptions;
    PlaceServiceOptions placeOptions;
    for (auto [key, server] : {std::pair{"forecastHost", &weatherOptions.server},
                               std::pair{"placeLookupHost", &placeOptions.server}}) {
        if (const auto text = defaults.string(key)) {
            const auto url = WeatherService::serverFromText(*text);
            if (!url) return weatherUsage(std::string(key) + " \"" + *text + "\" is not a server");
            *server = *url;
        }
    }

    std::optional<Place> place;
    if (placeText) {
        PlaceService places(placeOptions);
        const PlaceResult result = cli::waitForPlace(places, *placeText, false);
        if (const auto* error = std::get_if<PlaceError>(&result)) {
            std::cerr << error->text() << "\n";
            return cli::exitFailure;
        }
        place = std::get<Place>(result);
    } else if (const auto stored = defaults.string("settings")) {
        place = LumenSettings::decode(*stored).normalized().place;
    }

    WeatherService service(weatherOptions);
    std::optional<bool> fetched;
    QEventLoop loop;
    QObject::connect(&service, &WeatherService::answered, [&](bool usable) {
        fetched = usable;
        loop.quit();
    });
    service.setPlace(place);
    service.setActive(true);
    if (service.fetching()) loop.exec();

    const auto override = LaunchOverrides::read(defaults).weather;
    const std::optional<WeatherState> live = override ? override : service.current();
    std::string source = "none";
    std::optional<long long> age;
    if (override) {
        source = "override";
    } else if (live && fetched.value_or(false)) {
        source = "network";
    } else if (live) {
        source = "cache";
        age = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now() -
                                                               *service.cache().lastSuccess).count();
    }
    const WeatherState& shown = live ? *live : WeatherState::fair();

    if (json) {
        nlohmann::json out{{"place", place ? place->toJSON() : nlohmann::json()},
                           {"weather", shown.toJSON()},
                           {"live", live.has_value()},
                           {"source", source},
                           {"status", service.status()}};
        if (age) out["ageSeconds"] = *age;
        std::cout << out.dump() << "\n";
    } else {
        std::cout << "place: " << (place ? cli::placeLine(*place) : "none") << "\n"
                  << "weather: " << shown.summary() << " (" << details(shown) << ")"
                  << (live ? "" : ", the fair weather shown when none is known") << "\n"
                  << "source: " << source;
        if (age) std::cout << ", " << *age / 60 << " min old";
        std::cout << "\nstatus: " << service.status() << "\n";
    }
    return place && !live ? cli::exitFailure : cli::exitOK;
}

}  // namespace lumen::app
