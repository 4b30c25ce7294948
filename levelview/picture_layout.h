// The geometry of a level's picture, as numbers: one scale for both axes,
// the bands the level is wrapped into, where each dot or merged cell goes,
// the density profile along the level and the legends' values. Pure: no
// text and no I/O, so that every promise of the picture can be checked here.
#pragma once

#include "level_summary.h"

#include <cstddef>
#include <cstdint>
#include <optional>
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

// One asteroid drawn on its own: with its speed line and its values when
// the picture has few, as a small square alone when it has many.
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
    std::uint64_t count = 0;  // asteroids in it; 0 for an empty cell of the level's extent
    double expected = 0;      // asteroids it would hold at the level's average density (less in a cell the end cuts)
    // How much denser (above 0) or sparser (below 0) than the average it is
    // beyond chance: 0 while count lies within two standard deviations of
    // expected (sqrt(expected), as for counts that fall at random);
    // otherwise log2 of count, brought two deviations nearer to expected,
    // over expected, halved: 1 is four times denser or more, -1 four times
    // sparser or less.
    double shade = 0;
    double centreX = 0;  // where the mean speed line starts, pixels
    double centreY = 0;
    double lineX = 0;  // where it ends, inside the cell
    double lineY = 0;
};

// The asteroids of one stretch of x, in the profile above the bands, its
// height their density. The last stretch ends with the level, and one that
// would cover less than half a stretch is the end of the one before.
struct Bar {
    Box area;
    std::int64_t firstX = 0;  // the level units it covers, inclusive
    std::int64_t lastX = 0;
    std::uint64_t count = 0;  // at least 1
    double density = 0;       // asteroids per 100 units of x
};

// A value of x marked on the bands: the length asked for, the end of a
// clear start.
struct Mark {
    std::size_t band = 0;
    double x = 0;  // pixels
    std::int64_t value = 0;
};

// How large a picture is drawn: in full, or as a thumbnail, which has no
// words and fewer, smaller bands.
struct PictureSize {
    std::int64_t plotWidth = 1200;   // the widest band, pixels: 75 * 2^widestCellShift, so that cells tile it
    int widestCellShift = 4;         // the summary's columns are at most 2^widestCellShift pixels wide
    int narrowestCellShift = 2;      // and cells at least 2^narrowestCellShift pixels wide and high
    std::uint64_t mostDots = 20000;  // more asteroids are drawn as small dots, without lines
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
    // Small dots, for at most this many asteroids (the most the summary
    // keeps), and as long as each has this many pixels of band on average.
    std::uint64_t mostSmallDots = ::mostDots;
    double pixelsPerSmallDot = 12;
    double fewestPerCell = 10;    // asteroids an average cell holds at least, where the level has that many
    std::size_t tickNumbers = 1;  // one tick in tickNumbers has its value written
};

const PictureSize fullPicture{};
const PictureSize thumbnailPicture{.plotWidth = 300,
                                   .widestCellShift = 2,
                                   .narrowestCellShift = 2,
                                   .mostDots = 2000,
                                   .mostBands = 6,
                                   .tallestPicture = 400,
                                   .narrowestBand = 150,
                                   .words = false,
                                   .plotLeft = 4,
                                   .rightMargin = 4,
                                   .profileTop = 4,
                                   .profileHeight = 24,
                                   .profileToBands = 22,
                                   .bandGap = 20,
                                   .mostZoom = 0,
                                   .mostSmallDots = 20000,
                                   .tickNumbers = 3};

struct PictureLayout {
    double width = 0;  // pixels
    double height = 0;
    bool words = true;            // the title, the scale, the legends and the axes' labels are drawn
    std::size_t tickNumbers = 1;  // without words, one tick in tickNumbers has its value written
    std::uint64_t count = 0;      // asteroids in the level

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
    bool smallDots = false;      // the dots are small squares, without lines or values
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
    double profilePeak = 0;           // the frame's top: the densest bar's density, twice the average at least
    double profileAverage = 0;        // the level's, asteroids per 100 units, drawn as a faint line
    double profileAverageY = 0;       // that line's height, pixels

    std::size_t endBand = 0;    // where the last asteroid lies
    double endX = 0;            // pixels
    std::int32_t endValue = 0;  // its level x

    // When the five values are known: the length asked for, and the clear
    // start before the first asteroid, when it lies beyond 0.
    std::optional<Mark> lengthMark;
    std::optional<Mark> clearStartMark;
};

// Returns the layout of the picture of summary at size. An empty level has
// no band, no profile and no dot. askedLength, when given, is the length
// the level was drawn for.
PictureLayout layOutPicture(const LevelSummary& summary, const PictureSize& size = fullPicture,
                            std::optional<std::int64_t> askedLength = std::nullopt);
