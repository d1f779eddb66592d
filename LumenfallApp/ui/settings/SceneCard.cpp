#include "ui/settings/SceneCard.hpp"

#include "ui/settings/SettingsPage.hpp"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>

namespace lumen::app {

namespace {

constexpr int kMargin = 6;
constexpr double kRadius = 8;

}  // namespace

SceneCard::SceneCard(const SceneInfo& info, QWidget* parent) : QAbstractButton(parent), info_(info) {
    setCheckable(true);
    setAutoExclusive(false);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setText(QString::fromStdString(info.title));
    setAccessibleName(text());
    setAccessibleDescription(QString::fromStdString(info.summary));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(4);
    picture_ = new QLabel;
    picture_->setAlignment(Qt::AlignCenter);
    title_ = new QLabel(QString::fromStdString(info.title));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    summary_ = new QLabel(QString::fromStdString(info.summary));
    SettingsPage::styleAsNote(*summary_);
    for (QLabel* label : {picture_, title_, summary_}) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setTextFormat(Qt::PlainText);
        column->addWidget(label);
    }
    column->addStretch();
}

void SceneCard::setLive(bool live) {
    setChecked(live);
    setAccessibleName(live ? text() + QStringLiteral(", showing now") : text());
    update();
}

void SceneCard::setThumbnail(const std::optional<QImage>& image) {
    image_ = image;
    showImage();
}

int SceneCard::imageHeight(int width) const { return std::max(1, (width - 2 * kMargin) * 9 / 16); }

int SceneCard::heightForWidth(int width) const {
    const int text = title_->sizeHint().height() + summary_->heightForWidth(width - 2 * kMargin);
    return imageHeight(width) + text + 2 * kMargin + 12;
}

QSize SceneCard::sizeHint() const { return {288 + 2 * kMargin, heightForWidth(288 + 2 * kMargin)}; }

QSize SceneCard::minimumSizeHint() const { return {140, heightForWidth(140)}; }

void SceneCard::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    showImage();
}

void SceneCard::showImage() {
    const QSize size(width() - 2 * kMargin, imageHeight(width()));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), kRadius, kRadius);
    painter.setClipPath(rounded);
    if (image_ && !image_->isNull()) {
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), *image_);
    } else {
        // Until the thumbnail arrives: a quiet dusk gradient, never a broken image.
        QLinearGradient dusk(0, 0, 0, size.height());
        dusk.setColorAt(0, QColor(38, 52, 84));
        dusk.setColorAt(1, QColor(18, 22, 36));
        painter.fillPath(rounded, dusk);
    }
    painter.end();
    picture_->setPixmap(pixmap);
    picture_->setFixedHeight(size.height());
}

void SceneCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1, 1, -1, -1);
    const QPalette& colours = palette();
    if (isChecked()) {
        painter.setPen(QPen(colours.color(QPalette::Highlight), 2));
        QColor tint = colours.color(QPalette::Highlight);
        tint.setAlpha(40);
        painter.setBrush(tint);
    } else {
        painter.setPen(QPen(underMouse() ? colours.color(QPalette::Mid) : colours.color(QPalette::Midlight), 1));
        painter.setBrush(Qt::NoBrush);
    }
    painter.drawRoundedRect(frame, kRadius + 2, kRadius + 2);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace lumen::app
