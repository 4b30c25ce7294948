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
constexpr double chanceDeviations = 3;
constexpr double comfortablePerCell = 3;
constexpr double nearlyAsMany = 0.7;  // cells, of the most there could be, to give for squarer ones  // times the
                                      // fewest: the cells' average where the level has that many
constexpr double shadeOctaves = 2;    // the shades run from a quarter of the expected count to four times it
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

// The widths of cells that tile a band exactly, bandSpan being 75 times a
// power of two: a power of two times a divisor of 75.
constexpr std::array<std::int64_t, 6> widthFactors{1, 3, 5, 15, 25, 75};

// Chooses the cells: whole columns of the summary's grid, whole rows of
// it, that tile every band; of those that a browser draws quickly and that
// are a few pixels at least (as high as a thin band), the most whose
// average count reaches three times size.fewestPerCell, or where none does
// size.fewestPerCell (so that a shade says more than chance), and of
// those nearly as many, the squarest. A level too sparse for any gets the
// largest cells.
struct CellChoice {
    std::int64_t width = 0;  // level units
    std::int64_t rows = 0;   // in the 600 units of y
    double cells = 0;        // over the level's extent
    double squareness = 0;   // the shorter side over the longer
    double area = 0;         // level units
};

// Every size of cell that tiles the bands, is a few pixels at least (as
// high as a thin band) and keeps the picture's cells few enough.
std::vector<CellChoice> cellChoices(const LevelSummary& summary, std::int64_t span, const PictureLayout& layout,
                                    const PictureSize& size) {
    std::vector<CellChoice> choices;
    const double perPixel = layout.unitsPerPixel;
    const double narrowest = std::ldexp(1.0, size.narrowestCellShift);
    const auto bands = static_cast<std::int64_t>(layout.bands.size());
    for (const std::int64_t factor : widthFactors) {
        for (std::int64_t width = factor << summary.columnShift; width <= layout.bandSpan; width *= 2) {
            if (layout.bandSpan % width != 0 || static_cast<double>(width) / perPixel < narrowest)
                continue;
            for (const std::int64_t rows : cellRowChoices) {
                const std::int64_t heightUnits = verticalRange / rows;
                const auto height = static_cast<double>(heightUnits);
                if (height / perPixel < std::min(narrowest, layout.bandHeight) ||
                    static_cast<std::uint64_t>(bands * (layout.bandSpan / width) * rows) > mostCells)
                    continue;
                const auto along = static_cast<double>(width);
                choices.push_back({width, rows, static_cast<double>(ceilingDivide(span, width) * rows),
                                   std::min(along, height) / std::max(along, height), along * height});
            }
        }
    }
    return choices;
}

void chooseCells(const LevelSummary& summary, std::int64_t span, PictureLayout& layout, const PictureSize& size,
                 std::int64_t& cellWidth, std::int64_t& cellRows) {
    const std::vector<CellChoice> choices = cellChoices(summary, span, layout, size);
    const auto count = static_cast<double>(summary.count);
    for (const double fewest : {comfortablePerCell * size.fewestPerCell, size.fewestPerCell}) {
        double most = 0;
        for (const CellChoice& choice : choices)
            most = count / choice.cells >= fewest ? std::max(most, choice.cells) : most;
        const CellChoice* best = nullptr;
        for (const CellChoice& choice : choices) {
            if (count / choice.cells >= fewest && choice.cells >= nearlyAsMany * most &&
                (best == nullptr || choice.squareness > best->squareness))
                best = &choice;
        }
        if (best != nullptr) {
            cellWidth = best->width;
            cellRows = best->rows;
            return;
        }
    }
    const auto largest =
        std::max_element(choices.begin(), choices.end(),
                         [](const CellChoice& left, const CellChoice& right) { return left.area < right.area; });
    if (largest != choices.end()) {
        cellWidth = largest->width;
        cellRows = largest->rows;
    }
}

// A cell's shade: its count against the count expected at the level's
// average, beyond what chance gives: three standard deviations, which a
// picture of 40,000 cells of a uniform level passes in about a hundred.
double shadeOf(std::uint64_t count, double expected) {
    const double spread = chanceDeviations * std::sqrt(expected);
    const auto counted = static_cast<double>(count);
    if (counted > expected + spread)
        return std::min(1.0, std::log2((counted - spread) / expected) / shadeOctaves);
    if (counted < expected - spread)
        return std::max(-1.0, std::log2((counted + spread) / expected) / shadeOctaves);
    return 0;
}

// Every cell of the level's extent, from the origin to the last asteroid's
// cell, empty ones included; none beyond.
void placeCells(const LevelSummary& summary, std::int64_t span, PictureLayout& layout, const PictureSize& size) {
    std::int64_t cellRows = 1;
    layout.cellWidth = layout.bandSpan;
    chooseCells(summary, span, layout, size, layout.cellWidth, cellRows);
    layout.cellHeight = verticalRange / cellRows;
    const std::int64_t columnsPerCell = layout.cellWidth >> summary.columnShift;
    const std::int64_t gridRowsPerCell = gridRows / cellRows;
    const double perPixel = layout.unitsPerPixel;
    // Asteroids per unit of the level's extent, on both axes.
    const double density = static_cast<double>(summary.count) / (static_cast<double>(span) * verticalRange);
    for (std::int64_t firstColumn = 0; firstColumn < usedColumns(summary); firstColumn += columnsPerCell) {
        const std::int64_t firstX = firstColumn << summary.columnShift;
        const auto inside = static_cast<double>(std::min(layout.cellWidth, span - firstX));
        for (std::int64_t cellRow = 0; cellRow < cellRows; ++cellRow) {
            const GridCell sum =
                gridBlock(summary, firstColumn, columnsPerCell, cellRow * gridRowsPerCell, gridRowsPerCell);
            Cell cell;
            cell.count = sum.count;
            cell.expected = density * inside * static_cast<double>(layout.cellHeight);
            cell.shade = shadeOf(cell.count, cell.expected);
            cell.firstX = summary.origin + firstX;
            cell.lastX = cell.firstX + layout.cellWidth - 1;
            cell.firstY = cellRow * layout.cellHeight;
            cell.lastY = cell.firstY + layout.cellHeight - 1;
            const double left = place(layout, firstX, cell.band);
            cell.area = {left, layout.bands[cell.band].area.top + static_cast<double>(cell.firstY) / perPixel,
                         static_cast<double>(layout.cellWidth) / perPixel,
                         static_cast<double>(layout.cellHeight) / perPixel};
            cell.centreX = cell.area.left + cell.area.width / 2;
            cell.centreY = cell.area.top + cell.area.height / 2;
            // The mean speed, for now; the line is scaled below.
            const double counted = std::max(1.0, static_cast<double>(sum.count));
            cell.lineX = sum.sumSpeedX / counted;
            cell.lineY = sum.sumSpeedY / counted;
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
    const auto cellsAlong = static_cast<double>(ceilingDivide(span, layout.cellWidth));
    layout.averageCellCount = static_cast<double>(summary.count) / (cellsAlong * static_cast<double>(cellRows));
    for (Cell& cell : layout.cells) {
        cell.lineX = cell.centreX + cell.lineX * layout.lineTicks / perPixel;
        cell.lineY = cell.centreY + cell.lineY * layout.lineTicks / perPixel;
    }
}

// The profile covers the whole level within the plot's width, at the
// bands' scale or, for a level of many bands, the smallest power of two
// that fits, and its frame ends with the level; its bars are whole grid
// columns, a few pixels wide at least, the last one ending with the level
// (and taking in a rest shorter than half a bar), each as high as its
// density, so that a bar the end cuts short is not a false drop.
void placeProfile(const LevelSummary& summary, std::int64_t span, PictureLayout& layout, const PictureSize& size) {
    constexpr double perHundred = 100;
    double perPixel = layout.unitsPerPixel;
    while (static_cast<double>(span) / perPixel > layout.bands[0].area.width)
        perPixel *= 2;
    layout.profileUnitsPerPixel = perPixel;
    int shift = summary.columnShift;
    while (static_cast<double>(std::int64_t{1} << shift) < narrowestBarPixels * perPixel ||
           ceilingDivide(span, std::int64_t{1} << shift) > mostBars)
        ++shift;
    layout.profileStretch = std::int64_t{1} << shift;
    std::int64_t bars = ceilingDivide(span, layout.profileStretch);
    if (bars > 1 && 2 * (span - (bars - 1) * layout.profileStretch) < layout.profileStretch)
        --bars;
    const std::int64_t columnsPerBar = std::int64_t{1} << (shift - summary.columnShift);
    // One band: the profile lines up with it, frame and all; otherwise the
    // frame ends with the level.
    const double frameWidth =
        layout.bands.size() == 1 ? layout.bands[0].area.width : std::ceil(static_cast<double>(span) / perPixel);
    layout.profileArea = {size.plotLeft, size.profileTop, frameWidth, size.profileHeight};
    layout.profileTicks =
        ticksAlong(summary.origin, static_cast<std::int64_t>(frameWidth * perPixel), perPixel, size.plotLeft);
    for (std::int64_t bar = 0; bar < bars; ++bar) {
        const std::int64_t first = bar * layout.profileStretch;
        const std::int64_t covered = bar + 1 == bars ? span - first : layout.profileStretch;
        const std::int64_t columns = bar + 1 == bars ? usedColumns(summary) - bar * columnsPerBar : columnsPerBar;
        const std::uint64_t count = gridBlock(summary, bar * columnsPerBar, columns, 0, gridRows).count;
        const double density = perHundred * static_cast<double>(count) / static_cast<double>(covered);
        if (count > 0)
            layout.profile.push_back(
                {{size.plotLeft + static_cast<double>(first) / perPixel, 0, static_cast<double>(covered) / perPixel, 0},
                 summary.origin + first,
                 summary.origin + first + covered - 1,
                 count,
                 density});
        layout.profilePeak = std::max(layout.profilePeak, density);
    }
    // The frame rises to twice the average at least, so that a bar's
    // departure from the average line reads at a glance.
    layout.profileAverage = perHundred * static_cast<double>(summary.count) / static_cast<double>(span);
    layout.profilePeak = std::max(layout.profilePeak, 2 * layout.profileAverage);
    for (Bar& bar : layout.profile) {
        bar.area.height = size.profileHeight * bar.density / layout.profilePeak;
        bar.area.top = size.profileTop + size.profileHeight - bar.area.height;
    }
    layout.profileAverageY = size.profileTop + size.profileHeight * (1 - layout.profileAverage / layout.profilePeak);
}

// Whether every asteroid can be drawn as a dot, readably: a few, drawn
// whole, or more, as small dots, while each has pixels enough around it.
bool dotsReadable(const LevelSummary& summary, const PictureLayout& layout, const PictureSize& size) {
    if (summary.dots.size() != summary.count)
        return false;
    if (summary.count <= size.mostDots)
        return true;
    const double bandPixels = static_cast<double>(layout.bands.size()) * layout.bands[0].area.width * layout.bandHeight;
    return summary.count <= size.mostSmallDots &&
           static_cast<double>(summary.count) * size.pixelsPerSmallDot <= bandPixels;
}

// The length asked for, in the band where it lies, and the clear start
// before the first asteroid.
void placeMarks(const LevelSummary& summary, std::optional<std::int64_t> askedLength, PictureLayout& layout) {
    const auto mark = [&](std::int64_t value) {
        Mark placed;
        placed.value = value;
        placed.x = place(layout, value - summary.origin, placed.band);
        return placed;
    };
    if (!askedLength || *askedLength <= summary.origin || *askedLength > summary.last.x)
        return;
    layout.lengthMark = mark(*askedLength);
    if (summary.first.x > 0 && summary.origin == 0)
        layout.clearStartMark = mark(summary.first.x);
}

}  // namespace

PictureLayout layOutPicture(const LevelSummary& summary, const PictureSize& size,
                            std::optional<std::int64_t> askedLength) {
    PictureLayout layout;
    layout.words = size.words;
    layout.tickNumbers = size.tickNumbers;
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
    if (dotsReadable(summary, layout, size)) {
        placeDots(summary, layout);
        layout.smallDots = summary.count > size.mostDots;
    } else {
        placeCells(summary, span, layout, size);
    }
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
    placeMarks(summary, askedLength, layout);
    return layout;
}
