#include "app/CommandPlaces.hpp"

#include "LumenKit/weather/METNorway.hpp"

#include <QEventLoop>

namespace lumen::app::cli {

std::string placeLine(const Place& place) {
    return place.name + " (" + METNorway::coordinateText(place.latitude) + ", " +
           METNorway::coordinateText(place.longitude) + ")";
}

PlaceResult waitForPlace(PlaceService& places, const std::string& text, bool here) {
    std::optional<PlaceResult> result;
    QEventLoop loop;
    const auto done = [&](const PlaceResult& answer) {
        result = answer;
        loop.quit();
    };
    if (here) {
        places.currentPlace(done);
    } else {
        places.lookUp(text, done);
    }
    if (!result) loop.exec();
    return *result;
}

}  // namespace lumen::app::cli
