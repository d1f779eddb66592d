#pragma once

namespace lumen::app {

// Whether a background layer surface can be seen, from the compositor's two signals. The
// toplevel list says when a fullscreen or maximised window is on the output, but it keeps saying
// so for a window on a workspace that is not shown. Frame callbacks are what the compositor
// really does: it answers none for a surface nobody sees. So a surface counts as covered while
// its pending frame callback has gone unanswered for `silenceSeconds`, and while the toplevel
// list says covered, unless a frame callback asked for since then was answered.
class SurfaceVisibility {
public:
    // Longer than any frame interval the surfaces draw at, so slow frames never read as covered.
    static constexpr double silenceSeconds = 1.5;

    // A frame callback was asked for; a second one while one is pending changes nothing.
    void frameRequested(double now);
    void frameDone();
    // Called when the pending callback may have gone silent; true when that changed visible().
    bool checkSilence(double now);
    void setToplevelCovered(bool covered);

    bool visible() const { return !silent_ && !(toplevelCovered_ && !toplevelRefuted_); }
    bool framePending() const { return pending_; }
    // When the pending callback counts as silent (meaningful while one is pending).
    double silenceDeadline() const { return requestedAt_ + silenceSeconds; }
    // How long until the pending callback counts as silent; negative when there is nothing to wait
    // for. A timer may fire a little early, so whoever checks must look again after this long.
    double secondsUntilSilent(double now) const { return pending_ && !silent_ ? silenceDeadline() - now : -1; }

private:
    bool pending_ = false;
    double requestedAt_ = 0;
    bool requestedWhileCovered_ = false;
    bool silent_ = false;
    bool toplevelCovered_ = false;
    bool toplevelRefuted_ = false;
};

}  // namespace lumen::app
