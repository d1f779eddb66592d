#include "ui/tray/TrayArt.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace lumen::app::TrayArt {

namespace {

// Everything is drawn on a 64 × 64 canvas and scaled to the asked size.
constexpr qreal kCanvas = 64;
const QRectF kFrame(5, 9, 54, 46);
constexpr qreal kRadius = 7;

QPixmap blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void prepare(QPainter& painter, int size) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kCanvas, size / kCanvas);
}

QPainterPath rounded(const QRectF& rect, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A swell rising from the left, cresting twice; closed along the bottom of `rect`.
QPainterPath wave(const QRectF& rect, qreal top) {
    QPainterPath path;
    path.moveTo(rect.left(), top + 4);
    path.cubicTo(rect.left() + 10, top - 4, rect.left() + 18, top - 3, rect.left() + 26, top + 3);
    path.cubicTo(rect.left() + 34, top + 8, rect.left() + 42, top - 6, rect.right(), top);
    path.lineTo(rect.bottomRight());
    path.lineTo(rect.bottomLeft());
    path.closeSubpath();
    return path;
}

}  // namespace

QPixmap trayPixmap(int size) {
    QPixmap pixmap = blank(size);
    QPainter painter(&pixmap);
    prepare(painter, size);

    const QPainterPath frame = rounded(kFrame, kRadius);
    painter.save();
    painter.setClipPath(frame);
    QLinearGradient sky(kFrame.topLeft(), kFrame.bottomLeft());
    sky.setColorAt(0.0, QColor(0x27, 0x3a, 0x7c));
    sky.setColorAt(0.7, QColor(0xf0, 0x8a, 0x4b));
    painter.fillRect(kFrame, sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xd8, 0x6b));
    painter.drawEllipse(QPointF(41, 29), 8, 8);
    painter.setBrush(QColor(0x13, 0x8f, 0xa6));
    painter.drawPath(wave(kFrame, 40));
    painter.setBrush(QColor(0x0b, 0x55, 0x6e));
    painter.drawPath(wave(kFrame.adjusted(-10, 0, 0, 0), 47));
    painter.restore();

    // Dark outside, light inside: one of the two always stands out from the panel.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x12, 0x16, 0x20), 5));
    painter.drawPath(frame);
    painter.setPen(QPen(QColor(0xf7, 0xf3, 0xe8), 2.5));
    painter.drawPath(rounded(kFrame.adjusted(2.5, 2.5, -2.5, -2.5), kRadius - 2.5));
    return pixmap;
}

QIcon trayIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(trayPixmap(size));
    return icon;
}

QPixmap placeholderPixmap(int size) {
    QPixmap pixmap = blank(size);
    QPainter painter(&pixmap);
    prepare(painter, size);

    const QPainterPath frame = rounded(kFrame, 5);
    painter.save();
    painter.setClipPath(frame);
    painter.fillRect(kFrame, QColor(0xd9, 0xdb, 0xe0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x9a, 0x9e, 0xa8));
    painter.drawEllipse(QPointF(22, 24), 6, 6);
    QPainterPath hill;
    hill.moveTo(kFrame.left(), 52);
    hill.lineTo(26, 34);
    hill.lineTo(36, 43);
    hill.lineTo(44, 36);
    hill.lineTo(kFrame.right(), 50);
    hill.lineTo(kFrame.bottomRight());
    hill.lineTo(kFrame.bottomLeft());
    hill.closeSubpath();
    painter.setBrush(QColor(0x6f, 0x74, 0x80));
    painter.drawPath(hill);
    painter.restore();

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x5a, 0x5e, 0x68), 3));
    painter.drawPath(frame);
    return pixmap;
}

QIcon scenePlaceholderIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48}) icon.addPixmap(placeholderPixmap(size));
    return icon;
}

}  // namespace lumen::app::TrayArt
