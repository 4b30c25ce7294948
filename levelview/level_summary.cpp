// The bounded summary of a level. x never decreases, so the grid only ever
// has to widen: when an asteroid falls beyond its last column, neighbouring
// columns are merged in pairs and the column width doubles.

#include "level_summary.h"

#include <algorithm>

namespace {

void widenColumns(LevelSummary& summary) {
    std::vector<GridCell>& grid = summary.grid;
    for (std::int64_t column = 0; column < gridColumns / 2; ++column) {
        for (std::int64_t row = 0; row < gridRows; ++row) {
            const GridCell left = grid[static_cast<std::size_t>(2 * column * gridRows + row)];
            const GridCell right = grid[static_cast<std::size_t>((2 * column + 1) * gridRows + row)];
            grid[static_cast<std::size_t>(column * gridRows + row)] = {
                left.count + right.count, left.sumSpeedX + right.sumSpeedX, left.sumSpeedY + right.sumSpeedY};
        }
    }
    std::fill(grid.begin() + gridColumns / 2 * gridRows, grid.end(), GridCell{});
    ++summary.columnShift;
}

}  // namespace

void addAsteroid(LevelSummary& summary, const Asteroid& asteroid) {
    if (summary.count == 0) {
        summary.origin = std::min<std::int64_t>(0, asteroid.x);
        summary.grid.assign(static_cast<std::size_t>(gridColumns * gridRows), GridCell{});
    }
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
    GridCell& cell =
        summary.grid[static_cast<std::size_t>((offset >> summary.columnShift) * gridRows + asteroid.y / gridRowHeight)];
    ++cell.count;
    cell.sumSpeedX += asteroid.speedX;
    cell.sumSpeedY += asteroid.speedY;
}
