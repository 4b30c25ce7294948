// Everything the picture needs to know of a level, gathered one asteroid at
// a time in memory that does not depend on the level's size: the asteroids
// themselves while there are few enough to draw one by one, and always a
// grid of counts and speed sums whose columns widen as the level grows.
#pragma once

#include "level.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Past this many asteroids the picture merges them into cells: the most
// that a browser draws as small dots within a couple of seconds.
constexpr std::size_t mostDots = 200000;
// The grid: columns along x, each 2^columnShift level units wide, and rows
// that split the 600 units of y evenly.
constexpr std::int64_t gridColumns = 16384;
constexpr std::int64_t gridRows = 24;
constexpr std::int32_t verticalRange = 600;
constexpr std::int32_t gridRowHeight = verticalRange / gridRows;

struct GridCell {
    std::uint64_t count = 0;  // asteroids in the cell
    double sumSpeedX = 0;     // sums of their speeds, in level units per tick
    double sumSpeedY = 0;
};

struct LevelSummary {
    std::uint64_t count = 0;      // asteroids read
    std::int64_t origin = 0;      // level x at the grid's left edge: 0, or the first x when it is negative
    Asteroid first;               // the first asteroid read, when count > 0
    Asteroid last;                // the last asteroid read, when count > 0
    std::int64_t longestGap = 0;  // the largest x[i] - x[i-1]; 0 below two asteroids
    std::int64_t fastest = 0;     // the largest |speedX| or |speedY| read
    std::vector<Asteroid> dots;   // every asteroid while count <= mostDots, none after
    int columnShift = 0;          // grid columns are 2^columnShift level units wide
    std::vector<GridCell> grid;   // up to gridColumns * gridRows cells, column after column, to the last asteroid's
};

// Returns the number of grid columns the level covers, from the origin to
// the last asteroid's.
inline std::int64_t usedColumns(const LevelSummary& summary) {
    return static_cast<std::int64_t>(summary.grid.size()) / gridRows;
}

// Returns the sum of the grid cells in `columns` columns from firstColumn
// and `rows` rows from firstRow; columns beyond usedColumns() are empty.
GridCell gridBlock(const LevelSummary& summary, std::int64_t firstColumn, std::int64_t columns, std::int64_t firstRow,
                   std::int64_t rows);

// Adds one asteroid. REQUIRES: asteroid.x is not below the x of the
// asteroid added before it, and asteroid.y is in 0..599.
void addAsteroid(LevelSummary& summary, const Asteroid& asteroid);
