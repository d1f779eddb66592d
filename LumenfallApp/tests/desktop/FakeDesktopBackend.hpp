#pragma once

#include "support/OffscreenDriver.hpp"

#include "log/EventLog.hpp"
#include "platform/DesktopBackend.hpp"

#include "gpu/Texture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace lumen::app::test {

// A window that is wherever the backend puts it and counts what it is shown.
class FakeDesktopWindow : public DesktopWindow {
public:
    explicit FakeDesktopWindow(const Screen& screen) : id_(screen.id), frame_(screen.frame), scale_(screen.scale) {}

    std::uint32_t displayID() const override { return id_; }
    PixelRect pixelFrame() const override { return frame_; }
    void setFrame(const PixelRect& frame, double scale, double) override {
        frame_ = frame;
        scale_ = scale;
        ++frameChanges;
    }
    bool visible() const override { return visible_; }
    gpu::WindowSurface* surface() override { return nullptr; }
    ScreenRect frame() const override {
        return {frame_.x / scale_, frame_.y / scale_, frame_.width / scale_, frame_.height / scale_};
    }
    double backingScale() const override { return scale_; }
    bool onScreen() const override { return true; }
    void present(const gpu::Texture&) override { ++presents; }

    bool visible_ = true;
    int frameChanges = 0;
    int presents = 0;

private:
    std::uint32_t id_;
    PixelRect frame_;
    double scale_;
};

// Screens the test sets, windows it can cover; changes reach the host the way the real backends
// report them.
class FakeDesktopBackend : public DesktopBackend {
public:
    unsigned eglPlatform() const override { return 0; }
    void* nativeDisplay() const override { return nullptr; }
    const std::vector<Screen>& screens() const override { return screens_; }
    void setScreensChangedHandler(std::function<void()> handler) override { screensChanged_ = std::move(handler); }
    DesktopWindow* createWindow(const Screen& screen, gpu::Device*) override {
        ++created;
        if (refuseWindows) return nullptr;
        auto& window = windows_[screen.id];
        window = std::make_unique<FakeDesktopWindow>(screen);
        return window.get();
    }
    void destroyWindow(std::uint32_t displayID) override {
        ++destroyed;
        windows_.erase(displayID);
    }
    DesktopWindow* window(std::uint32_t displayID) const override { return fakeWindow(displayID); }
    void setOcclusionChangedHandler(std::function<void(DesktopWindow&)> handler) override {
        occlusionChanged_ = std::move(handler);
    }
    std::optional<PixelPoint> pointerPosition() override { return std::nullopt; }
    std::optional<double> idleSeconds() override { return idle; }

    DesktopWindow* createIdleWindow(const Screen& screen, gpu::Device*, std::function<void(IdleInput)> onInput) override {
        if (refuseWindows) return nullptr;
        idleWindows_.push_back(std::make_unique<FakeDesktopWindow>(screen));
        idleInputs.push_back(std::move(onInput));
        return idleWindows_.back().get();
    }
    void destroyIdleWindow(DesktopWindow& window) override {
        const auto found = std::find_if(idleWindows_.begin(), idleWindows_.end(),
                                        [&](const auto& w) { return w.get() == &window; });
        if (found == idleWindows_.end()) return;
        idleInputs.erase(idleInputs.begin() + (found - idleWindows_.begin()));
        idleWindows_.erase(found);
    }
    std::optional<std::uint64_t> activeWindow() override { return active; }
    void activateWindow(std::uint64_t window) override { activated.push_back(window); }
    std::optional<bool> displaysAsleep() override { return asleep; }

    FakeDesktopWindow* fakeWindow(std::uint32_t displayID) const {
        auto found = windows_.find(displayID);
        return found == windows_.end() ? nullptr : found->second.get();
    }
    void setScreens(std::vector<Screen> screens) {
        screens_ = std::move(screens);
        if (screensChanged_) screensChanged_();
    }
    void setVisible(DesktopWindow& window, bool visible) {
        static_cast<FakeDesktopWindow&>(window).visible_ = visible;
        if (occlusionChanged_) occlusionChanged_(window);
    }
    bool hasHandlers() const { return screensChanged_ && occlusionChanged_; }

    std::size_t idleWindowCount() const { return idleWindows_.size(); }
    // As the idle windows' input arrives; the window may go away during the call.
    void input(std::size_t window, IdleInput kind) {
        auto handler = idleInputs.at(window);
        handler(kind);
    }

    bool refuseWindows = false;
    int created = 0;
    int destroyed = 0;
    std::optional<double> idle;
    std::optional<std::uint64_t> active;
    std::vector<std::uint64_t> activated;
    std::optional<bool> asleep;
    std::vector<std::function<void(IdleInput)>> idleInputs;

private:
    std::vector<Screen> screens_;
    std::map<std::uint32_t, std::unique_ptr<FakeDesktopWindow>> windows_;
    std::vector<std::unique_ptr<FakeDesktopWindow>> idleWindows_;
    std::function<void()> screensChanged_;
    std::function<void(DesktopWindow&)> occlusionChanged_;
};

// The fake backend with a 1920x1080 screen 7 and a 1280x1024 screen 3 to its right, the gradient's
// frame driver without a display, and the event log's lines.
class FakeDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        offscreen = OffscreenDriver::make(error);
        if (!offscreen) GTEST_SKIP() << "no GPU: " << error;
        driver = offscreen->driver.get();
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    void TearDown() override { EventLog::setObserver({}); }
    void setTwoScreens() { backend.setScreens({testScreen(7, {0, 0, 1920, 1080}), testScreen(3, {1920, 0, 1280, 1024})}); }

    FakeDesktopBackend backend;
    std::unique_ptr<OffscreenDriver> offscreen;
    FrameDriver* driver = nullptr;
    std::vector<std::string> events;
};

}  // namespace lumen::app::test
