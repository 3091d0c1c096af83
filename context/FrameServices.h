#pragma once
// What the main frame offers the windows below it, so that no window
// includes the frame: its mouse pointer, its status text and its menu rule.
// The frame installs them while it is open; without a frame each does
// nothing.

#include <functional>
#include <string>

// The events that switch the tool entries of the frame on and off.
enum class MenuRule {
    FrameLoaded,         // attribute table, centroids, export off
    ShapefileOpened,     // the polygon entries and the three tools on
    MapWindowClosed,     // attribute table and centroids off
    MapWindowActivated,  // attribute table and centroids on
};

class FrameServices {
public:
    // The frame's mouse pointer: 0 default, 1 arrow, 11 hourglass, 13 arrow
    // with hourglass.
    void setMousePointer(int pointer) const {
        if (mousePointer_) mousePointer_(pointer);
    }
    // Text of the first panel of the frame's status bar.
    void setStatusText(const std::string& text) const {
        if (statusText_) statusText_(text);
    }
    void applyMenuRule(MenuRule rule) const {
        if (menuRule_) menuRule_(rule);
    }

    // Called by the frame when it opens (with its own services) and when it
    // goes (with empty ones).
    void install(std::function<void(int)> mousePointer, std::function<void(const std::string&)> statusText,
                 std::function<void(MenuRule)> menuRule) {
        mousePointer_ = std::move(mousePointer);
        statusText_ = std::move(statusText);
        menuRule_ = std::move(menuRule);
    }
    void uninstall() { install({}, {}, {}); }

private:
    std::function<void(int)> mousePointer_;
    std::function<void(const std::string&)> statusText_;
    std::function<void(MenuRule)> menuRule_;
};

// The busy pointer (13) of a step for as long as the step runs: however it
// ends, done, refused or stopped by an exception, the pointer is the one
// the step leaves, the default (0) unless it names another (a cluster run
// over one bandwidth leaves the arrow, 1).
class BusyPointer {
public:
    explicit BusyPointer(const FrameServices& frame, int after = 0) : frame_(frame), after_(after) {
        frame_.setMousePointer(13);
    }
    ~BusyPointer() { frame_.setMousePointer(after_); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    const FrameServices& frame_;
    int after_;
};
