// The geometry of a level's picture, as numbers: one scale for both axes,
// the bands the level is wrapped into, where each dot or merged cell goes,
// the density profile along the level and the legends' values. Pure: no
// text and no I/O, so that every promise of the picture can be checked here.
#pragma once

#include "level_summary.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Picture units are pixels; level units are those of the level file.
struct Box {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

struct Tick {
    double x = 0;            // pixels
    std::int64_t value = 0;  // level x
};

// One stretch of the level: level x from firstX (included) to
// firstX + bandSpan (excluded) along, y from 0 (top) to 599 (bottom) down.
struct Band {
    Box area;
    std::int64_t firstX = 0;
    std::vector<Tick> ticks;  // below the band, about ten
};

// One asteroid drawn on its own.
struct Dot {
    std::size_t band = 0;
    double x = 0;  // centre, pixels
    double y = 0;
    double lineX = 0;  // end of the speed line, pixels
    double lineY = 0;
    Asteroid asteroid;
};

// The asteroids of one rectangle of a band, drawn as a shaded tile.
struct Cell {
    std::size_t band = 0;
    Box area;
    std::int64_t firstX = 0;  // the level units it covers, inclusive
    std::int64_t lastX = 0;
    std::int64_t firstY = 0;
    std::int64_t lastY = 0;
    std::uint64_t count = 0;  // asteroids in it, at least 1
    // Its density against the level's average: log2(count over
    // averageCellCount) / 2, within -1 (a quarter, or less) and 1 (four
    // times, or more).
    double shade = 0;
    double centreX = 0;  // where the mean speed line starts, pixels
    double centreY = 0;
    double lineX = 0;  // where it ends, inside the cell
    double lineY = 0;
};

// The asteroids of one stretch of x, in the profile above the bands.
struct Bar {
    Box area;
    std::int64_t firstX = 0;  // the level units it covers, inclusive
    std::int64_t lastX = 0;
    std::uint64_t count = 0;  // at least 1
};

// How large a picture is drawn: in full, or as a thumbnail, which has no
// words and fewer, smaller bands.
struct PictureSize {
    std::int64_t plotWidth = 1200;   // the widest band, pixels: 75 * 2^widestCellShift, so that cells tile it
    int widestCellShift = 4;         // cells are at most 2^widestCellShift pixels wide
    int narrowestCellShift = 2;      // and at least 2^narrowestCellShift
    std::uint64_t mostDots = 20000;  // more asteroids are merged into cells (the summary keeps no more)
    std::int64_t mostBands = 200;
    double tallestPicture = 20000;  // pixels
    double narrowestBand = 240;     // pixels, for a short level
    bool words = true;              // the title, the scale, the legends and the axes' labels
    double plotLeft = 80;           // pixels, as all below
    double rightMargin = 40;
    double profileTop = 150;
    double profileHeight = 50;
    double profileToBands = 44;  // room for the profile's axis
    double bandGap = 34;         // room for the x ticks under a band
    int mostZoom = 2;            // a short level is drawn at up to 2^mostZoom pixels a unit
};

const PictureSize fullPicture{};
const PictureSize thumbnailPicture{300, 2, 2, 2000, 6, 400, 150, false, 4, 4, 4, 24, 10, 8, 0};

struct PictureLayout {
    double width = 0;  // pixels
    double height = 0;
    bool words = true;        // the title, the scale, the legends and the axes' labels are drawn
    std::uint64_t count = 0;  // asteroids in the level

    // Header rows: the baselines of the title, the scale, the speed legend,
    // what a tick is, and the dots or cells legend.
    double titleRow = 0;
    double scaleRow = 0;
    double speedRow = 0;
    double tickRow = 0;
    double legendRow = 0;

    // The one scale, on both axes: a power of two, below 1 (pixels larger
    // than units) for a short level drawn large.
    double unitsPerPixel = 1;
    std::int64_t bandSpan = 0;  // level units along a band: the level's own extent when it fits one band
    double bandHeight = 0;      // pixels for the 600 units of y
    bool thinBands = false;     // the level is too long for readable bands at any fitting scale

    double lineTicks = 0;          // every line is the displacement (a cell's: its mean) over this many ticks
    std::int64_t legendSpeed = 0;  // the speed of the legend's sample line: a round speed near the fastest asteroid's
    double legendLength = 0;       // its length, pixels

    std::vector<Band> bands;
    std::vector<Dot> dots;       // when the asteroids are drawn one by one, in level order
    std::vector<Cell> cells;     // when they are merged, in band order
    std::int64_t cellWidth = 0;  // level units, when merged
    std::int64_t cellHeight = 0;
    std::uint64_t mostCrowded = 0;  // asteroids in the most crowded cell; each cell's line stays inside it
    double averageCellCount = 0;    // asteroids a cell over the level's extent, empty cells included

    // The profile shows the whole level at a scale of its own, the bands'
    // own when the level fits in one band, so that it lines up with it.
    Box profileArea;                  // the profile's frame, which ends with the level
    double profileUnitsPerPixel = 1;  // a power of two, at least unitsPerPixel
    std::vector<Tick> profileTicks;   // under the frame, in level x
    std::vector<Bar> profile;         // non-empty stretches only
    std::int64_t profileStretch = 0;  // level units per bar
    std::uint64_t profilePeak = 0;    // asteroids in the fullest stretch

    std::size_t endBand = 0;    // where the last asteroid lies
    double endX = 0;            // pixels
    std::int32_t endValue = 0;  // its level x
};

// Returns the layout of the picture of summary at size. An empty level has
// no band, no profile and no dot.
PictureLayout layOutPicture(const LevelSummary& summary, const PictureSize& size = fullPicture);
