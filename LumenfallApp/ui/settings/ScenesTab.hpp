#pragma once

#include "ui/settings/SettingsPage.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <QImage>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QFormLayout;
class QLabel;

namespace lumen::app {

class AppModel;
class SceneCard;

// The shuffle, a card per scene of the catalog, and the live scene's options (plus its weather
// line when the scene follows the weather).
class ScenesTab : public SettingsPage {
public:
    // The thumbnail of a scene as far as it is known (asking may start making it).
    using Thumbnail = std::function<std::optional<QImage>(const SceneInfo&)>;

    ScenesTab(AppModel& model, Thumbnail thumbnail, QWidget* parent = nullptr);
    void refresh();
    // Asks again for the thumbnails (one has arrived).
    void refreshThumbnails();

    const std::vector<SceneCard*>& cards() const { return cards_; }

private:
    void rebuildOptions(const SceneInfo& live);

    AppModel& model_;
    Thumbnail thumbnail_;
    QCheckBox* shuffle_;
    std::vector<SceneCard*> cards_;
    QFormLayout* options_;
    QLabel* weather_;
    // The scene (and its record) whose pickers are built.
    std::optional<SceneInfo> optionsFor_;
};

}  // namespace lumen::app
