// The bounded summary of a level. x never decreases, so the grid only ever
// has to widen: when an asteroid falls beyond its last column, neighbouring
// columns are merged in pairs and the column width doubles.
// The grid holds the columns from the origin to the last asteroid's.

#include "level_summary.h"

#include <algorithm>

namespace {

void widenColumns(LevelSummary& summary) {
    std::vector<GridCell>& grid = summary.grid;
    const auto columns = static_cast<std::int64_t>(grid.size()) / gridRows;
    const std::int64_t widened = (columns + 1) / 2;
    for (std::int64_t column = 0; column < widened; ++column) {
        for (std::int64_t row = 0; row < gridRows; ++row) {
            const GridCell left = grid[static_cast<std::size_t>(2 * column * gridRows + row)];
            const GridCell right = 2 * column + 1 < columns
                                       ? grid[static_cast<std::size_t>((2 * column + 1) * gridRows + row)]
                                       : GridCell{};
            grid[static_cast<std::size_t>(column * gridRows + row)] = {
                left.count + right.count, left.sumSpeedX + right.sumSpeedX, left.sumSpeedY + right.sumSpeedY};
        }
    }
    grid.resize(static_cast<std::size_t>(widened * gridRows));
    ++summary.columnShift;
}

}  // namespace

void addAsteroid(LevelSummary& summary, const Asteroid& asteroid) {
    if (summary.count == 0)
        summary.origin = std::min<std::int64_t>(0, asteroid.x);
    ++summary.count;
    summary.last = asteroid;
    if (summary.count <= mostDots) {
        summary.dots.push_back(asteroid);
    } else if (!summary.dots.empty()) {
        summary.dots.clear();
        summary.dots.shrink_to_fit();
    }
    const std::int64_t offset = std::int64_t{asteroid.x} - summary.origin;
    while ((offset >> summary.columnShift) >= gridColumns)
        widenColumns(summary);
    // The grid grows with the level up to its full width, so that a small
    // level costs little.
    const std::int64_t column = offset >> summary.columnShift;
    if (summary.grid.size() < static_cast<std::size_t>((column + 1) * gridRows))
        summary.grid.resize(static_cast<std::size_t>((column + 1) * gridRows));
    GridCell& cell = summary.grid[static_cast<std::size_t>(column * gridRows + asteroid.y / gridRowHeight)];
    ++cell.count;
    cell.sumSpeedX += asteroid.speedX;
    cell.sumSpeedY += asteroid.speedY;
}
