#pragma once

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <QAbstractButton>
#include <QImage>

#include <optional>

class QLabel;

namespace lumen::app {

// One scene in the settings' grid: its thumbnail (a placeholder until it exists), title and
// summary, drawn selected while it is the live scene. One button for the keyboard and for
// assistive technology, named with the title (", showing now" on the live one).
class SceneCard : public QAbstractButton {
public:
    explicit SceneCard(const SceneInfo& info, QWidget* parent = nullptr);

    const SceneInfo& info() const { return info_; }
    void setLive(bool live);
    void setThumbnail(const std::optional<QImage>& image);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showImage();
    int imageHeight(int width) const;

    SceneInfo info_;
    std::optional<QImage> image_;
    QLabel* picture_;
    QLabel* title_;
    QLabel* summary_;
};

}  // namespace lumen::app
