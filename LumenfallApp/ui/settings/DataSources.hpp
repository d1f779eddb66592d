#pragma once

#include <QString>

class QLabel;

namespace lumen::app {

// The credits the weather, place and image sources ask for, shared by the Weather and About tabs.
namespace DataSources {

struct Link {
    QString title;
    QString url;
};
Link metLicence();
Link openStreetMapCopyright();
Link nasaEarthObservatory();

// A wrapped credit line in the callout style.
QLabel* label(const QString& text);
// A link that opens in the browser, reachable with Tab and activated with Enter.
QLabel* link(const Link& link);

}  // namespace DataSources

}  // namespace lumen::app
