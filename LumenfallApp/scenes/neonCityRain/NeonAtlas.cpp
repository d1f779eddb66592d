#include "scenes/neonCityRain/NeonAtlas.hpp"

#include "log/EventLog.hpp"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace lumen::app {

namespace {

// Qt's fonts need a GUI application. The wallpaper has one; the command-line tools and tests
// don't, so the first atlas starts one without a window system and keeps it for the process.
bool fontEngineReady() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
    if (QCoreApplication::instance()) return false;
    static int argc = 3;
    static char name[] = "lumenfall", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    return application != nullptr;
}

// Roboto Condensed Bold (Debian's fonts-roboto) where installed, else a condensed bold face of any
// family, else the default face in bold.
QFont letteringFont() {
    QFont font;
    const QStringList families = QFontDatabase::families();
    if (families.contains("Roboto Condensed")) {
        font.setFamily("Roboto Condensed");
    } else {
        const auto condensed = std::find_if(families.begin(), families.end(), [](const QString& family) {
            return family.contains("Condensed", Qt::CaseInsensitive) || family.contains("Narrow", Qt::CaseInsensitive);
        });
        if (condensed != families.end()) font.setFamily(*condensed);
        else font.setStretch(QFont::Condensed);
    }
    font.setWeight(QFont::Bold);
    font.setPixelSize(NeonAtlas::pixelSize);
    return font;
}

}  // namespace

std::vector<QString> NeonAtlas::lines(const neon::NeonSign& sign) {
    const QString text = QString::fromStdString(sign.text);
    if (!sign.vertical) return {text};
    std::vector<QString> stacked;
    for (const QChar c : text) stacked.emplace_back(c);
    return stacked;
}

std::optional<NeonAtlas> NeonAtlas::draw(const std::vector<neon::NeonSign>& signs) {
    if (!fontEngineReady()) return std::nullopt;
    NeonAtlas atlas;
    atlas.image = QImage(size, size, QImage::Format_Grayscale8);
    if (atlas.image.isNull() || atlas.image.bytesPerLine() != size) return std::nullopt;
    atlas.image.fill(0);

    const QFont font = letteringFont();
    const QFontInfo used(font);
    atlas.face = used.family() + " " + used.styleName();
    logEvent("neon atlas: lettering in " + atlas.face.toStdString());
    const QFontMetricsF metrics(font);

    QPainter painter(&atlas.image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor core = QColor::fromRgbF(float(coreGrey), float(coreGrey), float(coreGrey));
    QPen tube(Qt::white, tubeWidth);
    tube.setJoinStyle(Qt::RoundJoin);
    tube.setCapStyle(Qt::RoundCap);

    int x = margin, y = margin, rowHeight = 0;
    for (const neon::NeonSign& sign : signs) {
        const std::vector<QString> text = lines(sign);
        std::vector<double> widths;
        for (const QString& line : text) widths.push_back(metrics.horizontalAdvance(line));
        const double widest = widths.empty() ? 0 : *std::max_element(widths.begin(), widths.end());
        const int cellWidth = text.empty() ? emptyCellWidth : static_cast<int>(std::ceil(widest)) + 2 * padding;
        const int cellHeight = static_cast<int>(text.size()) * lineStep + 2 * padding;
        if (x + cellWidth > size - margin) {
            x = margin;
            y += rowHeight + margin;
            rowHeight = 0;
        }
        for (std::size_t k = 0; k < text.size(); ++k) {
            QPainterPath path;
            const double left = x + padding + (widest - widths[k]) / 2;
            const double baseline = y + padding + lineStep * double(k + 1) - 26;
            path.addText(QPointF(left, baseline), font, text[k]);
            painter.fillPath(path, core);
            painter.strokePath(path, tube);
        }
        atlas.rects.push_back({float(x) / size, float(y) / size, float(x + cellWidth) / size,
                               float(y + cellHeight) / size});
        x += cellWidth + margin;
        rowHeight = std::max(rowHeight, cellHeight);
    }
    painter.end();
    return atlas;
}

}  // namespace lumen::app
