#include "ui/settings/DataSources.hpp"

#include "ui/settings/SettingsPage.hpp"

#include <QLabel>

namespace lumen::app::DataSources {

Link metLicence() { return {QStringLiteral("MET Norway’s data license"), QStringLiteral("https://api.met.no/doc/License")}; }

Link openStreetMapCopyright() {
    return {QStringLiteral("OpenStreetMap’s copyright and license"), QStringLiteral("https://www.openstreetmap.org/copyright")};
}

Link nasaEarthObservatory() {
    return {QStringLiteral("NASA Earth Observatory"), QStringLiteral("https://earthobservatory.nasa.gov/")};
}

QLabel* label(const QString& text) {
    auto* label = new QLabel(text);
    SettingsPage::styleAsNote(*label);
    return label;
}

QLabel* link(const Link& link) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(link.url.toHtmlEscaped(), link.title.toHtmlEscaped()));
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setAccessibleName(link.title);
    return label;
}

}  // namespace lumen::app::DataSources
