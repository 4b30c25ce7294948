// The picture's geometry. One level unit is the same length on both axes:
// the level is a strip 600 units high, cut into bands of one length and
// stacked. The scale is a power of two of level units per pixel, so that
// the summary's grid columns, whose widths are powers of two, always tile
// a band exactly and no merged cell crosses a band's edge.

#include "picture_layout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

constexpr double plotLeft = 80;
constexpr std::int64_t plotWidth = 1200;  // pixels; 1200 = 75 * 2^4
constexpr double rightMargin = 40;
constexpr double titleRow = 28;
constexpr double rowStep = 22;
constexpr double profileTop = 128;
constexpr double profileHeight = 50;
constexpr double bandsTop = 222;  // below the profile and its axis
constexpr double bandGap = 34;    // room for the x ticks under a band
constexpr double emptyHeight = 110;
constexpr double readableBandHeight = 60;
constexpr double tallestPicture = 20000;
constexpr std::int64_t mostBands = 200;
constexpr std::size_t mostCells = 40000;
constexpr std::int64_t mostBars = 80;
constexpr std::int64_t narrowestBarPixels = 4;
constexpr std::int64_t ticksPerBand = 10;
constexpr std::int64_t speedTicks = 10;
constexpr double legendPixels = 40;  // about the length of the speed legend's line
constexpr std::int64_t decimalBase = 10;
// The plot width is 75 * 2^widestCellShift pixels, so cells up to
// 2^widestCellShift pixels wide tile it; 2^narrowestCellShift is the
// narrowest cell worth drawing.
constexpr int widestCellShift = 4;
constexpr int narrowestCellShift = 2;
constexpr double unitMiddle = 0.5;    // a dot sits in the middle of its unit square
constexpr double cellLineRoom = 0.5;  // a cell's line reaches at most this share of its width or height
constexpr std::array<double, 3> niceSteps{5, 2, 1};
constexpr std::array<std::int64_t, 8> cellRowChoices{24, 12, 8, 6, 4, 3, 2, 1};  // divisors of gridRows

// Returns the smallest of 1, 2 and 5 times a power of ten at least value.
std::int64_t niceCeiling(std::int64_t value) {
    for (std::int64_t power = 1;; power *= decimalBase) {
        for (const std::int64_t step : {1, 2, 5}) {
            if (step * power >= value)
                return step * power;
        }
    }
}

std::int64_t ceilingDivide(std::int64_t dividend, std::int64_t divisor) {
    return (dividend + divisor - 1) / divisor;
}

// Returns the smallest multiple of step at least value, for either sign.
std::int64_t firstMultiple(std::int64_t value, std::int64_t step) {
    std::int64_t quotient = value / step;
    if (quotient * step < value)
        ++quotient;
    return quotient * step;
}

// Picks the largest scale whose picture a browser handles and whose bands
// the grid's columns tile.
void chooseScale(const LevelSummary& summary, std::int64_t span, PictureLayout& layout) {
    for (int shift = 0;; ++shift) {
        const std::int64_t bandSpan = plotWidth << shift;
        const std::int64_t bands = ceilingDivide(span, bandSpan);
        const double bandHeight = verticalRange / static_cast<double>(std::int64_t{1} << shift);
        const double height = bandsTop + static_cast<double>(bands) * (bandHeight + bandGap);
        if (bands <= mostBands && height <= tallestPicture && summary.columnShift <= shift + widestCellShift) {
            layout.unitsPerPixel = std::int64_t{1} << shift;
            layout.bandSpan = bandSpan;
            layout.bandHeight = bandHeight;
            layout.thinBands = bandHeight < readableBandHeight;
            layout.height = height;
            for (std::int64_t band = 0; band < bands; ++band) {
                const double top = bandsTop + static_cast<double>(band) * (bandHeight + bandGap);
                layout.bands.push_back({{plotLeft, top, static_cast<double>(plotWidth), bandHeight},
                                        summary.origin + band * bandSpan,
                                        {}});
            }
            return;
        }
    }
}

// Returns about ticksPerBand ticks at round values of level x along units
// level units from firstX, drawn perPixel units a pixel from plotLeft.
std::vector<Tick> ticksAlong(std::int64_t firstX, std::int64_t units, std::int64_t perPixel) {
    std::vector<Tick> ticks;
    const std::int64_t step = niceCeiling(ceilingDivide(units, ticksPerBand));
    for (std::int64_t value = firstMultiple(firstX, step); value <= firstX + units; value += step)
        ticks.push_back({plotLeft + static_cast<double>(value - firstX) / static_cast<double>(perPixel), value});
    return ticks;
}

void placeTicks(PictureLayout& layout) {
    for (Band& band : layout.bands)
        band.ticks = ticksAlong(band.firstX, layout.bandSpan, layout.unitsPerPixel);
}

// Returns the left edge, in pixels, of the level unit at offset from the
// origin, and the band it lies in.
double place(const PictureLayout& layout, std::int64_t offset, std::size_t& band) {
    band = static_cast<std::size_t>(offset / layout.bandSpan);
    const std::int64_t along = offset - static_cast<std::int64_t>(band) * layout.bandSpan;
    return plotLeft + static_cast<double>(along) / static_cast<double>(layout.unitsPerPixel);
}

void placeDots(const LevelSummary& summary, PictureLayout& layout) {
    const auto perPixel = static_cast<double>(layout.unitsPerPixel);
    const auto ticks = static_cast<double>(speedTicks);
    for (const Asteroid& asteroid : summary.dots) {
        Dot dot;
        dot.asteroid = asteroid;
        dot.x = place(layout, std::int64_t{asteroid.x} - summary.origin, dot.band) + unitMiddle / perPixel;
        dot.y = layout.bands[dot.band].area.top + (asteroid.y + unitMiddle) / perPixel;
        dot.lineX = dot.x + asteroid.speedX * ticks / perPixel;
        dot.lineY = dot.y + asteroid.speedY * ticks / perPixel;
        layout.dots.push_back(dot);
    }
}

// Chooses the cells: as many as a browser draws quickly, no narrower than
// is worth drawing, and at least as tall as wide; of two as many, the squarer.
void chooseCells(const LevelSummary& summary, PictureLayout& layout, int& cellShift, std::int64_t& cellRows) {
    const int scaleShift = std::countr_zero(static_cast<std::uint64_t>(layout.unitsPerPixel));
    const auto bands = static_cast<std::uint64_t>(layout.bands.size());
    cellShift = scaleShift + widestCellShift;
    cellRows = 1;
    std::uint64_t mostSlots = 0;
    for (int shift = std::max(summary.columnShift, scaleShift + narrowestCellShift);
         shift <= scaleShift + widestCellShift; ++shift) {
        for (const std::int64_t rows : cellRowChoices) {
            const auto slots = bands * static_cast<std::uint64_t>((layout.bandSpan >> shift) * rows);
            if (verticalRange / rows >= (std::int64_t{1} << shift) && slots <= mostCells && slots >= mostSlots) {
                cellShift = shift;
                cellRows = rows;
                mostSlots = slots;
            }
        }
    }
}

void placeCells(const LevelSummary& summary, PictureLayout& layout) {
    int cellShift = 0;
    std::int64_t cellRows = 0;
    chooseCells(summary, layout, cellShift, cellRows);
    layout.cellWidth = std::int64_t{1} << cellShift;
    layout.cellHeight = verticalRange / cellRows;
    const std::int64_t columnsPerCell = std::int64_t{1} << (cellShift - summary.columnShift);
    const std::int64_t gridRowsPerCell = gridRows / cellRows;
    const auto perPixel = static_cast<double>(layout.unitsPerPixel);
    for (std::int64_t firstColumn = 0; firstColumn < usedColumns(summary); firstColumn += columnsPerCell) {
        for (std::int64_t cellRow = 0; cellRow < cellRows; ++cellRow) {
            const GridCell sum =
                gridBlock(summary, firstColumn, columnsPerCell, cellRow * gridRowsPerCell, gridRowsPerCell);
            if (sum.count == 0)
                continue;
            Cell cell;
            cell.count = sum.count;
            cell.firstX = summary.origin + (firstColumn << summary.columnShift);
            cell.lastX = cell.firstX + layout.cellWidth - 1;
            cell.firstY = cellRow * layout.cellHeight;
            cell.lastY = cell.firstY + layout.cellHeight - 1;
            const double left = place(layout, firstColumn << summary.columnShift, cell.band);
            cell.area = {
                left, layout.bands[cell.band].area.top + static_cast<double>(cellRow * layout.cellHeight) / perPixel,
                static_cast<double>(layout.cellWidth) / perPixel, static_cast<double>(layout.cellHeight) / perPixel};
            cell.centreX = cell.area.left + cell.area.width / 2;
            cell.centreY = cell.area.top + cell.area.height / 2;
            // The mean speed, for now; the line is scaled below.
            cell.lineX = sum.sumSpeedX / static_cast<double>(sum.count);
            cell.lineY = sum.sumSpeedY / static_cast<double>(sum.count);
            layout.mostCrowded = std::max(layout.mostCrowded, sum.count);
            layout.cells.push_back(cell);
        }
    }
    // The ticks of displacement: the roundest value up to speedTicks that
    // keeps every cell's line inside its cell.
    double mostTicks = static_cast<double>(speedTicks);
    for (const Cell& cell : layout.cells) {
        if (cell.lineX != 0)
            mostTicks = std::min(mostTicks, cellLineRoom * cell.area.width * perPixel / std::abs(cell.lineX));
        if (cell.lineY != 0)
            mostTicks = std::min(mostTicks, cellLineRoom * cell.area.height * perPixel / std::abs(cell.lineY));
    }
    layout.lineTicks = 0;
    for (int exponent = 0; layout.lineTicks == 0; ++exponent) {
        const double power = static_cast<double>(speedTicks) / std::pow(decimalBase, exponent + 1);
        for (const double step : niceSteps) {
            if (layout.lineTicks == 0 && step * power <= mostTicks)
                layout.lineTicks = step * power;
        }
    }
    for (Cell& cell : layout.cells) {
        cell.shade = static_cast<double>(cell.count) / static_cast<double>(layout.mostCrowded);
        cell.lineX = cell.centreX + cell.lineX * layout.lineTicks / perPixel;
        cell.lineY = cell.centreY + cell.lineY * layout.lineTicks / perPixel;
    }
}

// The profile covers the whole level within the plot's width, at the
// bands' scale or, for a level of many bands, the smallest power of two
// that fits; its bars are whole grid columns, a few pixels wide at least.
void placeProfile(const LevelSummary& summary, std::int64_t span, PictureLayout& layout) {
    std::int64_t perPixel = layout.unitsPerPixel;
    while (ceilingDivide(span, perPixel) > plotWidth)
        perPixel *= 2;
    layout.profileUnitsPerPixel = perPixel;
    int shift = summary.columnShift;
    while ((std::int64_t{1} << shift) < narrowestBarPixels * perPixel ||
           ceilingDivide(span, std::int64_t{1} << shift) > mostBars)
        ++shift;
    layout.profileStretch = std::int64_t{1} << shift;
    const std::int64_t bars = ceilingDivide(span, layout.profileStretch);
    const std::int64_t columnsPerBar = std::int64_t{1} << (shift - summary.columnShift);
    const double barWidth = static_cast<double>(layout.profileStretch) / static_cast<double>(perPixel);
    layout.profileArea = {plotLeft, profileTop, static_cast<double>(plotWidth), profileHeight};
    layout.profileTicks = ticksAlong(summary.origin, plotWidth * perPixel, perPixel);
    for (std::int64_t bar = 0; bar < bars; ++bar) {
        const std::uint64_t count = gridBlock(summary, bar * columnsPerBar, columnsPerBar, 0, gridRows).count;
        const std::int64_t firstX = summary.origin + bar * layout.profileStretch;
        if (count > 0)
            layout.profile.push_back({{plotLeft + static_cast<double>(bar) * barWidth, 0, barWidth, 0},
                                      firstX,
                                      firstX + layout.profileStretch - 1,
                                      count});
        layout.profilePeak = std::max(layout.profilePeak, count);
    }
    for (Bar& bar : layout.profile) {
        bar.area.height = profileHeight * static_cast<double>(bar.count) / static_cast<double>(layout.profilePeak);
        bar.area.top = profileTop + profileHeight - bar.area.height;
    }
}

}  // namespace

PictureLayout layOutPicture(const LevelSummary& summary) {
    PictureLayout layout;
    layout.width = plotLeft + static_cast<double>(plotWidth) + rightMargin;
    layout.height = emptyHeight;
    layout.count = summary.count;
    layout.titleRow = titleRow;
    layout.scaleRow = titleRow + rowStep;
    layout.speedRow = titleRow + 2 * rowStep;
    layout.legendRow = titleRow + 3 * rowStep;
    layout.lineTicks = speedTicks;
    if (summary.count == 0)
        return layout;
    const std::int64_t span = std::int64_t{summary.last.x} - summary.origin + 1;
    chooseScale(summary, span, layout);
    placeTicks(layout);
    if (summary.dots.empty())
        placeCells(summary, layout);
    else
        placeDots(summary, layout);
    const auto perPixel = static_cast<double>(layout.unitsPerPixel);
    layout.legendSpeed = niceCeiling(static_cast<std::int64_t>(std::ceil(legendPixels * perPixel / layout.lineTicks)));
    layout.legendLength = static_cast<double>(layout.legendSpeed) * layout.lineTicks / perPixel;
    placeProfile(summary, span, layout);
    layout.endValue = summary.last.x;
    layout.endX = place(layout, std::int64_t{summary.last.x} - summary.origin, layout.endBand) +
                  unitMiddle / static_cast<double>(layout.unitsPerPixel);
    return layout;
}
