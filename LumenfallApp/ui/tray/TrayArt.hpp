#pragma once

#include <QIcon>
#include <QPixmap>

namespace lumen::app {

// Pictures drawn in code, so the program ships no image files for them.
namespace TrayArt {

// The tray icon: a framed evening landscape over a wave. A dark rim and a light inner edge keep
// it readable on dark and light panels alike, down to 16 px.
QPixmap trayPixmap(int size);
QIcon trayIcon();

// Stands in for a scene's thumbnail in the menu while none has been made: a plain grey picture
// frame with a hill and a sun.
QPixmap placeholderPixmap(int size);
QIcon scenePlaceholderIcon();

}  // namespace TrayArt

}  // namespace lumen::app
