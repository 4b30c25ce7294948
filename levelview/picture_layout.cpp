// The picture's geometry. One level unit is the same length on both axes:
// the level is a strip 600 units high, cut into bands of one length and
// stacked. The scale is a power of two of level units per pixel, so that
// the summary's grid columns, whose widths are powers of two, always tile
// a band exactly and no merged cell crosses a band's edge. A level that
// fits one band is drawn in a band of its own extent, at up to four pixels
// a unit, so that a short level is drawn large.

#include "picture_layout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

constexpr double titleRow = 28;
constexpr double rowStep = 22;
constexpr double emptyHeight = 110;
constexpr double narrowestWithWords = 840;  // pixels: the legends' lines fit
constexpr double readableBandHeight = 60;
constexpr std::size_t mostCells = 40000;
constexpr std::int64_t mostBars = 80;
constexpr double narrowestBarPixels = 4;
constexpr std::int64_t ticksPerBand = 10;
constexpr std::int64_t speedTicks = 10;
constexpr std::int64_t decimalBase = 10;
constexpr double unitMiddle = 0.5;    // a dot sits in the middle of its unit square
constexpr double cellLineRoom = 0.5;  // a cell's line reaches at most this share of its width or height
constexpr double shadeOctaves = 2;    // the shades run from a quarter of the average density to four times it
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

// Returns the largest of 1, 2 and 5 times a power of ten at most value, and
// 1 for a value below 1.
std::int64_t niceFloor(std::int64_t value) {
    std::int64_t nice = 1;
    for (std::int64_t power = 1; power <= value; power *= decimalBase) {
        for (const std::int64_t step : {1, 2, 5}) {
            if (step * power <= value)
                nice = step * power;
        }
    }
    return nice;
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

void addBands(const LevelSummary& summary, std::int64_t bands, double bandPixels, PictureLayout& layout,
              const PictureSize& size) {
    const double bandsTop = size.profileTop + size.profileHeight + size.profileToBands;
    layout.height = bandsTop + static_cast<double>(bands) * (layout.bandHeight + size.bandGap);
    for (std::int64_t band = 0; band < bands; ++band) {
        const double top = bandsTop + static_cast<double>(band) * (layout.bandHeight + size.bandGap);
        layout.bands.push_back(
            {{size.plotLeft, top, bandPixels, layout.bandHeight}, summary.origin + band * layout.bandSpan, {}});
    }
}

// Picks the largest scale whose picture a browser handles and whose bands
// the grid's columns tile. A level that fits one band gets a band of its
// own extent, no narrower than size.narrowestBand, and may be drawn at up
// to 2^size.mostZoom pixels a unit, so that a short level is drawn large.
void chooseScale(const LevelSummary& summary, std::int64_t span, PictureLayout& layout, const PictureSize& size) {
    const double bandsTop = size.profileTop + size.profileHeight + size.profileToBands;
    const std::int64_t cellPixels = std::int64_t{1} << size.widestCellShift;
    for (int shift = -size.mostZoom;; ++shift) {
        const double perPixel = std::ldexp(1.0, shift);
        const auto bands = static_cast<std::int64_t>(
            std::ceil(static_cast<double>(span) / (static_cast<double>(size.plotWidth) * perPixel)));
        if (shift < 0 && bands > 1)
            continue;
        double bandPixels = static_cast<double>(size.plotWidth);
        if (bands == 1) {
            // Whole cells across: in pixels, and so in units.
            const double pixels = std::max(std::ceil(static_cast<double>(span) / perPixel), size.narrowestBand);
            bandPixels = std::ceil(pixels / static_cast<double>(cellPixels)) * static_cast<double>(cellPixels);
        }
        const double bandHeight = verticalRange / perPixel;
        const double height = bandsTop + static_cast<double>(bands) * (bandHeight + size.bandGap);
        if (bands <= size.mostBands && height <= size.tallestPicture &&
            summary.columnShift <= shift + size.widestCellShift) {
            layout.unitsPerPixel = perPixel;
            layout.bandSpan = static_cast<std::int64_t>(bandPixels * perPixel);
            layout.bandHeight = bandHeight;
            layout.thinBands = bandHeight < readableBandHeight;
            addBands(summary, bands, bandPixels, layout, size);
            return;
        }
    }
}

// Returns about ticksPerBand ticks at round values of level x along units
// level units from firstX, drawn perPixel units a pixel from left.
std::vector<Tick> ticksAlong(std::int64_t firstX, std::int64_t units, double perPixel, double left) {
    std::vector<Tick> ticks;
    const std::int64_t step = niceCeiling(ceilingDivide(units, ticksPerBand));
    for (std::int64_t value = firstMultiple(firstX, step); value <= firstX + units; value += step)
        ticks.push_back({left + static_cast<double>(value - firstX) / perPixel, value});
    return ticks;
}

void placeTicks(PictureLayout& layout) {
    for (Band& band : layout.bands)
        band.ticks = ticksAlong(band.firstX, layout.bandSpan, layout.unitsPerPixel, band.area.left);
}

// Returns the left edge, in pixels, of the level unit at offset from the
// origin, and the band it lies in.
double place(const PictureLayout& layout, std::int64_t offset, std::size_t& band) {
    band = static_cast<std::size_t>(offset / layout.bandSpan);
    const std::int64_t along = offset - static_cast<std::int64_t>(band) * layout.bandSpan;
    return layout.bands[band].area.left + static_cast<double>(along) / layout.unitsPerPixel;
}

void placeDots(const LevelSummary& summary, PictureLayout& layout) {
    const double perPixel = layout.unitsPerPixel;
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
void chooseCells(const LevelSummary& summary, PictureLayout& layout, const PictureSize& size, int& cellShift,
                 std::int64_t& cellRows) {
    const int scaleShift = static_cast<int>(std::lround(std::log2(layout.unitsPerPixel)));
    const auto bands = static_cast<std::uint64_t>(layout.bands.size());
    cellShift = std::max(summary.columnShift, scaleShift + size.widestCellShift);
    cellRows = 1;
    std::uint64_t mostSlots = 0;
    for (int shift = std::max(summary.columnShift, scaleShift + size.narrowestCellShift);
         shift <= scaleShift + size.widestCellShift; ++shift) {
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

void placeCells(const LevelSummary& summary, std::int64_t span, PictureLayout& layout, const PictureSize& size) {
    int cellShift = 0;
    std::int64_t cellRows = 0;
    chooseCells(summary, layout, size, cellShift, cellRows);
    layout.cellWidth = std::int64_t{1} << cellShift;
    layout.cellHeight = verticalRange / cellRows;
    const std::int64_t columnsPerCell = std::int64_t{1} << (cellShift - summary.columnShift);
    const std::int64_t gridRowsPerCell = gridRows / cellRows;
    const double perPixel = layout.unitsPerPixel;
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
            cell.area = {left, layout.bands[cell.band].area.top + static_cast<double>(cell.firstY) / perPixel,
                         static_cast<double>(layout.cellWidth) / perPixel,
                         static_cast<double>(layout.cellHeight) / perPixel};
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
    // Shades against the level's own average: the cells of its extent, from
    // the origin to the last asteroid's cell, empty ones included.
    const auto cellsAlong = static_cast<double>(ceilingDivide(span, layout.cellWidth));
    layout.averageCellCount = static_cast<double>(summary.count) / (cellsAlong * static_cast<double>(cellRows));
    for (Cell& cell : layout.cells) {
        const double octaves = std::log2(static_cast<double>(cell.count) / layout.averageCellCount);
        cell.shade = std::clamp(octaves / shadeOctaves, -1.0, 1.0);
        cell.lineX = cell.centreX + cell.lineX * layout.lineTicks / perPixel;
        cell.lineY = cell.centreY + cell.lineY * layout.lineTicks / perPixel;
    }
}

// The profile covers the whole level within the plot's width, at the
// bands' scale or, for a level of many bands, the smallest power of two
// that fits, and its frame ends with the level; its bars are whole grid
// columns, a few pixels wide at least.
void placeProfile(const LevelSummary& summary, std::int64_t span, PictureLayout& layout, const PictureSize& size) {
    double perPixel = layout.unitsPerPixel;
    while (static_cast<double>(span) / perPixel > layout.bands[0].area.width)
        perPixel *= 2;
    layout.profileUnitsPerPixel = perPixel;
    int shift = summary.columnShift;
    while (static_cast<double>(std::int64_t{1} << shift) < narrowestBarPixels * perPixel ||
           ceilingDivide(span, std::int64_t{1} << shift) > mostBars)
        ++shift;
    layout.profileStretch = std::int64_t{1} << shift;
    const std::int64_t bars = ceilingDivide(span, layout.profileStretch);
    const std::int64_t columnsPerBar = std::int64_t{1} << (shift - summary.columnShift);
    const double barWidth = static_cast<double>(layout.profileStretch) / perPixel;
    // One band: the profile lines up with it, frame and all; otherwise the
    // frame ends with the level's last bar.
    const double frameWidth =
        layout.bands.size() == 1 ? layout.bands[0].area.width : static_cast<double>(bars) * barWidth;
    layout.profileArea = {size.plotLeft, size.profileTop, frameWidth, size.profileHeight};
    layout.profileTicks =
        ticksAlong(summary.origin, static_cast<std::int64_t>(frameWidth * perPixel), perPixel, size.plotLeft);
    for (std::int64_t bar = 0; bar < bars; ++bar) {
        const std::uint64_t count = gridBlock(summary, bar * columnsPerBar, columnsPerBar, 0, gridRows).count;
        const std::int64_t firstX = summary.origin + bar * layout.profileStretch;
        if (count > 0)
            layout.profile.push_back({{size.plotLeft + static_cast<double>(bar) * barWidth, 0, barWidth, 0},
                                      firstX,
                                      firstX + layout.profileStretch - 1,
                                      count});
        layout.profilePeak = std::max(layout.profilePeak, count);
    }
    for (Bar& bar : layout.profile) {
        bar.area.height = size.profileHeight * static_cast<double>(bar.count) / static_cast<double>(layout.profilePeak);
        bar.area.top = size.profileTop + size.profileHeight - bar.area.height;
    }
}

}  // namespace

PictureLayout layOutPicture(const LevelSummary& summary, const PictureSize& size) {
    PictureLayout layout;
    layout.words = size.words;
    layout.width = size.plotLeft + static_cast<double>(size.plotWidth) + size.rightMargin;
    layout.height = emptyHeight;
    layout.count = summary.count;
    layout.titleRow = titleRow;
    layout.scaleRow = titleRow + rowStep;
    layout.speedRow = titleRow + 2 * rowStep;
    layout.tickRow = titleRow + 3 * rowStep;
    layout.legendRow = titleRow + 4 * rowStep;
    layout.lineTicks = speedTicks;
    if (summary.count == 0)
        return layout;
    const std::int64_t span = std::int64_t{summary.last.x} - summary.origin + 1;
    chooseScale(summary, span, layout, size);
    placeTicks(layout);
    if (summary.dots.empty() || summary.count > size.mostDots)
        placeCells(summary, span, layout, size);
    else
        placeDots(summary, layout);
    // The legend's line is drawn at a round speed near the fastest
    // asteroid's, so that it shows lines of the length the level has.
    layout.legendSpeed = niceFloor(summary.fastest);
    layout.legendLength = static_cast<double>(layout.legendSpeed) * layout.lineTicks / layout.unitsPerPixel;
    placeProfile(summary, span, layout, size);
    // A picture as wide as its bands, and wide enough for its words.
    layout.width = size.plotLeft + layout.bands[0].area.width + size.rightMargin;
    if (size.words)
        layout.width = std::max(layout.width, narrowestWithWords);
    layout.endValue = summary.last.x;
    layout.endX = place(layout, std::int64_t{summary.last.x} - summary.origin, layout.endBand) +
                  unitMiddle / layout.unitsPerPixel;
    return layout;
}
