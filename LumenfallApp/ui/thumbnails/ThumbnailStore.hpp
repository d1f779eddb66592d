#pragma once

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumen::app {

class SceneHost;

// The picture of every scene in the menu and the settings window. A scene's thumbnail comes from
// the image shipped with the application, else from the cache of an earlier run, else from a
// still the live host renders off screen; those are made one at a time, spaced out, so the live
// wallpaper never stutters from a burst of renders.
class ThumbnailStore : public QObject {
    Q_OBJECT

public:
    // Pixels; both are shown at half their size (device pixel ratio 2).
    static constexpr int fullWidth = 576;
    static constexpr int fullHeight = 324;
    static constexpr int smallWidth = 128;
    static constexpr int smallHeight = 72;
    static constexpr double smallCornerRadius = 8;

    struct Options {
        std::vector<QString> shippedFolders;  // searched in order for "<id>-thumb.png"
        QString cacheFolder;
        std::chrono::milliseconds spacing{1200};  // from one processing step to the next
        QString cacheVersion;                     // part of every cache file's name
    };
    // The installed thumbnails, the user's cache and this build's cache version.
    static Options standardOptions();

    explicit ThumbnailStore(Options options = standardOptions(), QObject* parent = nullptr);
    ~ThumbnailStore() override;

    // The live host that renders missing thumbnails; the model resets it to null before the host
    // goes. Without one nothing is rendered.
    void setHost(SceneHost* host) { host_ = host; }

    // At start: every scene's shipped image that is not known yet.
    void loadShipped(const std::vector<SceneInfo>& scenes);
    // The full thumbnail (576 x 324 px at 288 x 162 points); when unknown, queues it and gives none.
    std::optional<QImage> image(const SceneInfo& info);
    // The menu's 128 x 72 px (64 x 36 points) with rounded corners; none until the full one is known.
    std::optional<QImage> smallImage(const SceneInfo& info);
    // Queues the scene unless it is known or queued already.
    void request(const SceneInfo& info);

    QString cacheFile(const SceneID& id) const;
    const Options& options() const { return options_; }

    // "<version>-<build>-<hash>": the hash (FNV-1a 64, base 36) runs over every byte of the
    // folder's ".glsl" files in name order, so new shaders never show an old cached picture.
    static QString cacheVersion(const QString& version, const QString& build, const QString& shaderFolder);
    // The menu's picture drawn from a full thumbnail.
    static QImage makeSmall(const QImage& full);

signals:
    // A thumbnail arrived (scene id).
    void changed(const QString& id);

private:
    void schedule();
    void processNext();
    void store(const SceneID& id, QImage image);
    std::optional<QImage> shippedImage(const SceneID& id) const;
    std::optional<QImage> cachedImage(const SceneID& id) const;
    std::optional<QImage> renderedImage(const SceneInfo& info);
    void writeCache(const SceneID& id, const QImage& image) const;

    Options options_;
    SceneHost* host_ = nullptr;
    std::map<std::string, QImage> full_;
    std::map<std::string, QImage> small_;
    std::deque<SceneInfo> queue_;
    QTimer timer_;
};

}  // namespace lumen::app
