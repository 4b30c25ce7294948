// The figures of one level that a designer may ask for, and the test of a
// level against the constraints on them. Fed one position at a time, in
// memory that does not grow with the level: only the positions inside the
// densest-window are kept. Pure, and shared by every way of drawing.
#pragma once

#include <cstdint>
#include <deque>

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
    std::int64_t window;                // 0: the densest window is not measured
    std::deque<std::int32_t> inWindow;  // the positions within window units of the last one
};

// Adds the next asteroid's position. REQUIRES: position is not below the
// previous one.
void addPosition(FigureTracker& tracker, std::int32_t position);

// Returns whether figures meet every constraint.
bool meetsConstraints(const LevelFigures& figures, const Constraints& constraints);

// Returns whether the figures are the same, the densest window included.
bool sameFigures(const LevelFigures& left, const LevelFigures& right);
