// The settings window driven with real key and mouse events over the application model on its
// private desktop: what the user does reaches the wallpaper.
#include "AppModelRig.hpp"
#include "weather/LoopbackServer.hpp"

#include "ui/settings/SceneCard.hpp"
#include "ui/settings/SettingsOpener.hpp"
#include "ui/settings/SettingsWindow.hpp"
#include "ui/settings/WeatherTab.hpp"

#include "desktop/WallpaperHost.hpp"
#include "render/SceneHost.hpp"
#include "services/PlaceError.hpp"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTest>

#include <stdexcept>

using namespace lumen;
using namespace lumen::app;
using namespace lumen::app::test;
using lumen::test::waitFor;

namespace {

class SettingsWindowTest : public AppModelRig {
protected:
    SettingsWindow& open(const std::vector<std::string>& arguments = {}) {
        if (!arguments.empty()) {
            EXPECT_TRUE(make(arguments));
        }
        model->start();
        opener = std::make_unique<SettingsOpener>(*model, *defaults, SettingsOpener::Hooks{});
        EXPECT_TRUE(opener->welcomeOnFirstLaunch());
        window = opener->window();
        QApplication::setActiveWindow(window);
        return *window;
    }
    void TearDown() override {
        opener.reset();
        AppModelRig::TearDown();
    }
    template <class Control>
    Control* control(const QString& accessibleName) const {
        for (Control* found : window->findChildren<Control*>()) {
            if (found->accessibleName().startsWith(accessibleName)) return found;
        }
        throw std::runtime_error("no control named " + accessibleName.toStdString());
    }
    QString tab() const { return SettingsWindow::tabIds()[static_cast<std::size_t>(window->tabs()->currentIndex())]; }

    std::unique_ptr<SettingsOpener> opener;
    SettingsWindow* window = nullptr;
};

// The first launch opens the Scenes tab once; a card click cross-fades the wallpaper and ends the
// shuffle; an option picked with the keyboard reaches the next frame; Escape closes, and the
// window comes back on the tab it was left on.
TEST_F(SettingsWindowTest, ScenesAndOptionsReachTheWallpaper) {
    open();
    EXPECT_FALSE(opener->welcomeOnFirstLaunch()) << "only the first launch is welcomed";
    EXPECT_EQ(tab(), "scenes");
    model->updateSettings([](LumenSettings& s) { s.shuffleDaily = true; });
    // A cross-fade starts from what the displays last showed.
    ASSERT_TRUE(waitFor([&] {
        const auto windows = model->wallpaper()->orderedWindows();
        return std::all_of(windows.begin(), windows.end(),
                           [](auto* w) { return w->surface().hasFrame() && w->surface().lastView(); });
    }));
    // Whichever scene today's shuffle shows, click the other one's card.
    const auto card = [&](const std::string& id) {
        const auto& cards = window->scenes()->cards();
        return *std::find_if(cards.begin(), cards.end(), [&](SceneCard* c) { return c->info().id.text() == id; });
    };
    SceneCard* other = card(model->current().id.text() == "nebulaFlythrough" ? "deepReef" : "nebulaFlythrough");
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_EQ(model->current().id, other->info().id);
    EXPECT_TRUE(model->host()->fadeStart().has_value()) << "the wallpaper cross-fades";
    EXPECT_FALSE(model->settings().shuffleDaily);
    EXPECT_FALSE(control<QCheckBox>("Shuffle daily")->isChecked());
    EXPECT_TRUE(other->isChecked());
    EXPECT_EQ(other->accessibleName(), other->text() + ", showing now");

    QTest::mouseClick(card("nebulaFlythrough"), Qt::LeftButton);
    EXPECT_EQ(model->current().id.text(), "nebulaFlythrough");
    auto* palette = control<QComboBox>("Colors");
    EXPECT_EQ(palette->currentData().toString(), "classic");
    palette->setFocus();
    QTest::keyClick(palette, Qt::Key_Down);
    const std::string chosen = palette->currentData().toString().toStdString();
    EXPECT_NE(chosen, "classic");
    EXPECT_EQ(model->host()->options.value("palette"), chosen);

    // Every control a keyboard reaches says what it is.
    for (int index = 0; index < window->tabs()->count(); ++index) {
        window->tabs()->setCurrentIndex(index);
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window) || !(widget->focusPolicy() & Qt::TabFocus)) continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            EXPECT_TRUE(accessible && !accessible->text(QAccessible::Name).isEmpty())
                << widget->metaObject()->className() << " on tab " << index;
        }
    }
    window->tabs()->setCurrentIndex(0);
    // Ctrl+Tab walks the tabs; Escape closes; the next opening shows the same tab in the same window.
    QTest::keyClick(window->tabs()->currentWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(window->tabs()->currentWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tab(), "weather");
    QTest::keyClick(window->tabs()->currentWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    opener->open();
    EXPECT_EQ(opener->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(tab(), "weather");
    EXPECT_EQ(defaults->string("settingsTab"), "weather");
    // Small screens: the window fits and its tabs scroll.
    const QSize screen = window->screen()->availableGeometry().size();
    EXPECT_TRUE(window->width() <= screen.width() && window->height() <= screen.height());
}

// A typed place is looked up with Enter: a name that is not found says so and keeps the place; a
// found one is stored and named.
TEST_F(SettingsWindowTest, APlaceTypedAndEnteredIsLookedUp) {
    const QByteArray oslo = R"([{"lat":"59.9133301","lon":"10.7389701","name":"Oslo",
        "address":{"city":"Oslo","state":"Oslo","ISO3166-2-lvl4":"NO-03","country_code":"no"}}])";
    LoopbackServer geocoder([&](QTcpSocket& socket, LoopbackServer& self) {
        LoopbackServer::answer(200, self.requests().back().head.contains("q=Oslo") ? oslo : "[]")(socket, self);
    });
    open({"-placeLookupHost", geocoder.url().toStdString()});
    window->tabs()->setCurrentWidget(window->weather());
    QLineEdit* field = window->weather()->placeField();
    auto* message = control<QLabel>("Place message");
    const struct {
        const char* typed;
        QString message;  // empty: found
        std::optional<std::string> place;
    } rows[] = {
        {"Xyzzy", QString::fromStdString(PlaceError::notFound().text()), std::nullopt},
        {"Oslo", QString(), "Oslo, Oslo, NO"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        const std::size_t asked = geocoder.requests().size();
        field->clear();
        QTest::keyClicks(field, row.typed);
        QTest::keyClick(field, Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] { return control<QPushButton>("Look Up")->isEnabled(); }));
        EXPECT_EQ(geocoder.requests().size(), asked + 1);
        EXPECT_EQ(message->isVisibleTo(window) ? message->text() : QString(), row.message);
        EXPECT_EQ(model->settings().place ? std::optional(model->settings().place->name) : std::nullopt, row.place);
    }
    EXPECT_EQ(control<QLabel>("Using")->text(), "Oslo, Oslo, NO");
}

}  // namespace
