// The figures, one position at a time.

#include "level_figures.h"

#include <algorithm>

namespace {

bool within(std::int64_t value, const Bounds& bounds) {
    return value >= bounds.lowest && value <= bounds.highest;
}

// Counts above 2^63 - 1 would need a level longer than any disk holds;
// they are pinned there so that the comparison stays sound.
std::int64_t asSigned(std::uint64_t count) {
    return static_cast<std::int64_t>(std::min<std::uint64_t>(count, INT64_MAX));
}

}  // namespace

void addPosition(FigureTracker& tracker, std::int32_t position) {
    LevelFigures& figures = tracker.figures;
    if (figures.count == 0)
        figures.firstX = position;
    else
        figures.longestGap =
            std::max(figures.longestGap, static_cast<std::int32_t>(std::int64_t{position} - figures.lastX));
    figures.lastX = position;
    ++figures.count;
}

bool meetsConstraints(const LevelFigures& figures, const Constraints& constraints) {
    return within(asSigned(figures.count), constraints.count) && within(figures.longestGap, constraints.longestGap) &&
           within(asSigned(figures.densest), constraints.densest) &&
           (figures.count == 0 || figures.firstX >= constraints.clearStart);
}

bool sameFigures(const LevelFigures& left, const LevelFigures& right) {
    return left.count == right.count && left.longestGap == right.longestGap && left.densest == right.densest &&
           (left.count == 0 || (left.firstX == right.firstX && left.lastX == right.lastX));
}
