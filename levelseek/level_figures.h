// The figures of one level that a designer may ask for, and the test of a
// level against the constraints on them. Fed one position at a time, in
// memory that does not grow with the level: the densest window's trailing
// edge is the same level drawn again behind the leading one, so no
// position is kept. Pure, and shared by every way of drawing.
#pragma once

#include <cstdint>

struct LevelFigures {
    std::uint64_t count = 0;      // asteroids, lines of the level file
    std::int32_t firstX = 0;      // x of the first asteroid, when count > 0
    std::int32_t lastX = 0;       // x of the last asteroid, when count > 0
    std::int32_t longestGap = 0;  // largest x[i] - x[i-1] between successive asteroids; 0 below two
    std::uint64_t densest = 0;    // most asteroids whose x lie in one window of `window` units; 0 without a window
};

// Inclusive bounds on one figure; the defaults let every value through.
struct Bounds {
    std::int64_t lowest = INT64_MIN;
    std::int64_t highest = INT64_MAX;
};

// What a level must meet, all of it.
struct Constraints {
    Bounds count;
    Bounds longestGap;
    Bounds densest;
    std::int64_t clearStart = INT64_MIN;  // no asteroid has x below this
    std::int64_t window = 0;              // units of the densest window; 0: not measured
};

// Works out the figures from the positions of a level's asteroids, in order.
struct FigureTracker {
    explicit FigureTracker(std::int64_t window) : window(window) {}

    LevelFigures figures;
    std::int64_t window;            // 0: the densest window is not measured
    std::uint64_t windowStart = 0;  // the number, from 1, of the first asteroid inside the window
    std::int32_t windowStartX = 0;  // and its x
};

// Adds the next asteroid's position, without a window.
// REQUIRES: position is not below the previous one; tracker.window == 0.
void addPosition(FigureTracker& tracker, std::int32_t position);

// Adds the next asteroid's position. nextTrailing() gives the positions of
// the same level again, from its first asteroid on, one a call, as the
// window's trailing edge needs them; it is never called for an asteroid
// not yet added.
// REQUIRES: position is not below the previous one.
template <typename NextTrailing>
void addPosition(FigureTracker& tracker, std::int32_t position, NextTrailing&& nextTrailing) {
    addPosition(tracker, position);
    if (tracker.window <= 0)
        return;
    if (tracker.windowStart == 0) {
        tracker.windowStart = 1;
        tracker.windowStartX = nextTrailing();
    }
    while (std::int64_t{position} - tracker.windowStartX >= tracker.window) {
        tracker.windowStartX = nextTrailing();
        ++tracker.windowStart;
    }
    const std::uint64_t inside = tracker.figures.count - tracker.windowStart + 1;
    if (inside > tracker.figures.densest)
        tracker.figures.densest = inside;
}

// Returns whether figures meet every constraint.
bool meetsConstraints(const LevelFigures& figures, const Constraints& constraints);

// Returns whether the figures are the same, the densest window included.
bool sameFigures(const LevelFigures& left, const LevelFigures& right);
