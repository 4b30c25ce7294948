// The bounded summary of a level. x never decreases, so the grid only ever
// has to widen: when an asteroid falls beyond its last column, neighbouring
// columns are merged in pairs and the column width doubles.
// The grid holds the columns from the origin to the last asteroid's.

#include "level_summary.h"

#include <algorithm>
#include <cstdlib>

namespace {

void addInto(GridCell& sum, const GridCell& cell) {
    sum.count += cell.count;
    sum.sumSpeedX += cell.sumSpeedX;
    sum.sumSpeedY += cell.sumSpeedY;
}

void widenColumns(LevelSummary& summary) {
    const std::int64_t widened = (usedColumns(summary) + 1) / 2;
    for (std::int64_t column = 0; column < widened; ++column) {
        for (std::int64_t row = 0; row < gridRows; ++row)
            summary.grid[static_cast<std::size_t>(column * gridRows + row)] = gridBlock(summary, 2 * column, 2, row, 1);
    }
    summary.grid.resize(static_cast<std::size_t>(widened * gridRows));
    ++summary.columnShift;
}

}  // namespace

GridCell gridBlock(const LevelSummary& summary, std::int64_t firstColumn, std::int64_t columns, std::int64_t firstRow,
                   std::int64_t rows) {
    GridCell sum;
    const std::int64_t lastColumn = std::min(usedColumns(summary), firstColumn + columns);
    for (std::int64_t column = firstColumn; column < lastColumn; ++column) {
        for (std::int64_t row = firstRow; row < firstRow + rows; ++row)
            addInto(sum, summary.grid[static_cast<std::size_t>(column * gridRows + row)]);
    }
    return sum;
}

void addAsteroid(LevelSummary& summary, const Asteroid& asteroid) {
    if (summary.count == 0) {
        summary.origin = std::min<std::int64_t>(0, asteroid.x);
        summary.first = asteroid;
    } else {
        summary.longestGap = std::max(summary.longestGap, std::int64_t{asteroid.x} - summary.last.x);
    }
    ++summary.count;
    summary.last = asteroid;
    summary.fastest =
        std::max({summary.fastest, std::abs(std::int64_t{asteroid.speedX}), std::abs(std::int64_t{asteroid.speedY})});
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
