#include "app/PlaceCommand.hpp"

#include "app/CommandLine.hpp"
#include "app/CommandPlaces.hpp"
#include "app/UserDefaults.hpp"
#include "services/WeatherService.hpp"

#include <nlohmann/json.hpp>

#include <QCoreApplication>

#include <iostream>

namespace lumen::app {

namespace {

int placeUsage(const std::string& message) {
    std::cerr << "lumenfall place: " << message << "\n"
              << "usage: lumenfall place \"TEXT\" [--json] | --here [--json]\n";
    return cli::exitUsage;
}

}  // namespace

int runPlaceCommand(const std::vector<std::string>& arguments) {
    std::optional<std::string> text;
    bool here = false;
    bool json = false;
    cli::Arguments args(arguments);
    while (!args.done()) {
        const std::string& argument = args.next();
        if (argument == "--json") {
            json = true;
        } else if (argument == "--here") {
            here = true;
        } else if (argument.size() > 1 && argument[0] == '-' && argument[1] != '-') {
            args.value();  // a "-key value" switch, read by the defaults
        } else if (!text && (argument.empty() || argument[0] != '-')) {
            text = argument;
        } else {
            return placeUsage("unexpected argument \"" + argument + "\"");
        }
    }
    if (here == text.has_value()) return placeUsage("give the place's name, or --here");

    int argc = 1;
    char name[] = "lumenfall";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    UserDefaults defaults(UserDefaults::defaultPath(), arguments);
    PlaceServiceOptions options;
    if (const auto server = defaults.string("placeLookupHost")) {
        const auto url = WeatherService::serverFromText(*server);
        if (!url) return placeUsage("placeLookupHost \"" + *server + "\" is not a server");
        options.server = *url;
    }
    PlaceService places(options);
    const PlaceResult result = cli::waitForPlace(places, text.value_or(""), here);
    if (const auto* error = std::get_if<PlaceError>(&result)) {
        std::cerr << error->text() << "\n";
        return cli::exitFailure;
    }
    const Place& place = std::get<Place>(result);
    std::cout << (json ? place.toJSON().dump() : cli::placeLine(place)) << "\n";
    return cli::exitOK;
}

}  // namespace lumen::app
