// What every picture of a level promises, checked from the outside: shared
// by the tests, on generated levels, and by the reader's fuzzer, on
// whatever it accepts. Positions are sums of powers of two, so exact
// comparisons hold.
#pragma once

#include "level_summary.h"
#include "picture_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Returns the first broken promise, or an empty string. asteroids are all
// those of the level, in order.
inline std::string pictureProblem(const std::vector<Asteroid>& asteroids, const PictureLayout& layout) {
    if (layout.count != asteroids.size())
        return "the picture counts every asteroid";
    if (asteroids.empty())
        return layout.bands.empty() && layout.dots.empty() && layout.cells.empty() && layout.profile.empty()
                   ? ""
                   : "an empty level has an empty picture";
    const auto perPixel = static_cast<double>(layout.unitsPerPixel);
    std::uint64_t profileSum = 0;
    const auto profilePerPixel = static_cast<double>(layout.profileUnitsPerPixel);
    const std::int64_t extent = std::int64_t{asteroids.back().x} - layout.bands[0].firstX + 1;
    for (const Bar& bar : layout.profile) {
        const Box& frame = layout.profileArea;
        if (bar.area.left < frame.left || bar.area.left + bar.area.width > frame.left + frame.width + 1e-9 ||
            bar.area.top < frame.top || bar.area.top + bar.area.height != frame.top + frame.height)
            return "every profile bar stands in the profile's frame";
        std::uint64_t inside = 0;
        for (const Asteroid& asteroid : asteroids)
            inside += asteroid.x >= bar.firstX && asteroid.x <= bar.lastX ? 1 : 0;
        // The last stretch ends with the level and takes in a rest shorter
        // than half a stretch; a bar's height is its density.
        const std::int64_t covered = bar.lastX - bar.firstX + 1;
        const bool last = &bar == &layout.profile.back();
        if (inside != bar.count || (bar.firstX - layout.bands[0].firstX) % layout.profileStretch != 0 ||
            (!last && covered != layout.profileStretch) ||
            (last && (bar.lastX != asteroids.back().x || 2 * covered >= 3 * layout.profileStretch ||
                      (2 * covered < layout.profileStretch && covered != extent))))
            return "a profile bar counts the asteroids of its stretch of x, the last one ending with the level";
        if ((bar.area.left - frame.left) * profilePerPixel !=
                static_cast<double>(bar.firstX - layout.bands[0].firstX) ||
            bar.area.width * profilePerPixel != static_cast<double>(covered))
            return "a profile bar stands over its stretch of x at the profile's scale";
        if (std::abs(bar.density - 100.0 * static_cast<double>(bar.count) / static_cast<double>(covered)) > 1e-9 ||
            std::abs(bar.area.height - frame.height * bar.density / layout.profilePeak) > 1e-9 ||
            bar.density > layout.profilePeak)
            return "a profile bar is as high as its density, asteroids per 100 units, in a frame up to the densest";
        profileSum += bar.count;
    }
    const double average = 100.0 * static_cast<double>(asteroids.size()) / static_cast<double>(extent);
    if (std::abs(layout.profileAverage - average) > 1e-9 || layout.profilePeak < 2 * average ||
        std::abs(layout.profileAverageY -
                 (layout.profileArea.top + layout.profileArea.height * (1 - average / layout.profilePeak))) > 1e-9)
        return "the profile's average line is the level's density, the frame up to twice it at least";
    if (profileSum != asteroids.size())
        return "the profile's bars add up to the asteroid count";
    if (layout.bands.size() == 1 && layout.profileUnitsPerPixel != layout.unitsPerPixel)
        return "the profile of a level of one band is at the band's scale";
    if (layout.bands.size() > 1 &&
        layout.profileArea.width * layout.profileUnitsPerPixel >= static_cast<double>(extent) + profilePerPixel)
        return "the profile's axis ends with the level";
    // A short level is drawn large: its band is its own extent, a few
    // pixels more at most, unless that is narrower than a readable band.
    if (layout.bands.size() == 1 && layout.bands[0].area.width > 300 &&
        layout.bands[0].area.width - static_cast<double>(extent) / perPixel >= 16)
        return "a level of one band fills its band";
    for (const Band& band : layout.bands) {
        if (band.area.height * perPixel != verticalRange ||
            band.area.width * perPixel != static_cast<double>(layout.bandSpan))
            return "a band is 600 units high and bandSpan long, at one scale for both axes";
    }
    if (layout.bands.back().area.top + layout.bands.back().area.height > layout.height || layout.height > 20000 ||
        (layout.bandHeight < 60) != layout.thinBands)
        return "the picture holds its bands, stays under 20000 px, and says when its bands are thin";
    const Band& endBand = layout.bands.at(layout.endBand);
    if (layout.endValue != asteroids.back().x || asteroids.back().x < endBand.firstX ||
        asteroids.back().x >= endBand.firstX + layout.bandSpan)
        return "the end mark is at the last asteroid, in its band";
    if (!layout.dots.empty()) {
        // Small beyond 20000 in a full picture, 2000 in a thumbnail.
        if (layout.dots.size() != asteroids.size() || !layout.cells.empty() ||
            (layout.smallDots ? asteroids.size() <= 2000 : asteroids.size() > 20000) || asteroids.size() > 200000)
            return "a level is drawn either one dot per asteroid, small beyond a few thousand, or in cells";
        for (std::size_t index = 0; index < asteroids.size(); ++index) {
            const Dot& dot = layout.dots[index];
            const Asteroid& asteroid = asteroids[index];
            const Band& band = layout.bands.at(dot.band);
            const std::int64_t along = std::int64_t{asteroid.x} - band.firstX;
            if (along < 0 || along >= layout.bandSpan ||
                dot.x * perPixel - band.area.left * perPixel != static_cast<double>(along) + 0.5 ||
                (dot.y - band.area.top) * perPixel != asteroid.y + 0.5)
                return "every dot lies in its band, at its position at the picture's scale";
            if (!layout.smallDots && ((dot.lineX - dot.x) * perPixel != 10.0 * asteroid.speedX ||
                                      (dot.lineY - dot.y) * perPixel != 10.0 * asteroid.speedY))
                return "a speed line is the displacement over ten ticks at the picture's scale";
        }
        return {};
    }
    std::uint64_t cellSum = 0;
    std::set<std::pair<double, double>> corners;
    const Cell& first = layout.cells.at(0);
    const double cellsAlong = layout.bands[0].area.width / first.area.width;
    const double cellsDown = layout.bands[0].area.height / first.area.height;
    if (static_cast<double>(static_cast<std::int64_t>(cellsAlong)) != cellsAlong ||
        static_cast<double>(static_cast<std::int64_t>(cellsDown)) != cellsDown)
        return "a whole number of cells fills a band";
    for (const Cell& cell : layout.cells) {
        cellSum += cell.count;
        const Box& band = layout.bands.at(cell.band).area;
        const double columns = (cell.area.left - band.left) / cell.area.width;
        const double rows = (cell.area.top - band.top) / cell.area.height;
        if (cell.area.width != first.area.width || cell.area.height != first.area.height ||
            static_cast<double>(static_cast<std::int64_t>(columns)) != columns ||
            static_cast<double>(static_cast<std::int64_t>(rows)) != rows || columns < 0 || rows < 0 ||
            cell.area.left + cell.area.width > band.left + band.width ||
            cell.area.top + cell.area.height > band.top + band.height)
            return "the cells tile their bands, none crossing a band's edge";
        if (!corners.insert({cell.area.left, cell.area.top}).second)
            return "no two cells overlap";
        const Band& cellBand = layout.bands.at(cell.band);
        if ((cell.area.left - band.left) * perPixel != static_cast<double>(cell.firstX - cellBand.firstX) ||
            (cell.area.top - band.top) * perPixel != static_cast<double>(cell.firstY) ||
            cell.lastX - cell.firstX + 1 != layout.cellWidth || cell.lastY - cell.firstY + 1 != layout.cellHeight)
            return "a cell's ranges of x and y are those it covers";
        // Its expected count: the level's density over the part of it the
        // level covers; its shade, the departure beyond three deviations.
        const double covered =
            static_cast<double>(std::min(cell.lastX, std::int64_t{asteroids.back().x}) - cell.firstX + 1);
        const double expected = static_cast<double>(asteroids.size()) * covered *
                                static_cast<double>(layout.cellHeight) / (static_cast<double>(extent) * 600);
        const double spread = 3 * std::sqrt(expected);
        const auto counted = static_cast<double>(cell.count);
        const double shade = counted > expected + spread ? std::min(1.0, std::log2((counted - spread) / expected) / 2)
                             : counted < expected - spread
                                 ? std::max(-1.0, std::log2((counted + spread) / expected) / 2)
                                 : 0.0;
        if (cell.firstX > asteroids.back().x || std::abs(cell.expected - expected) > 1e-9 * expected ||
            std::abs(cell.shade - shade) > 1e-12)
            return "a cell of the level is shaded by its departure from its expected count beyond chance";
    }
    // Every cell of the level's extent, empty ones too, and none beyond.
    const std::int64_t extentColumns = (extent + layout.cellWidth - 1) / layout.cellWidth;
    if (static_cast<std::int64_t>(layout.cells.size()) != extentColumns * (verticalRange / layout.cellHeight))
        return "every cell of the level's extent is drawn, and none beyond its end";
    if (layout.averageCellCount < 10 && asteroids.size() >= 10 * layout.bands.size())
        return "an average cell holds 10 asteroids at least";
    if (cellSum != asteroids.size())
        return "the cells' counts add up to the asteroid count";
    const double slots = static_cast<double>((extent + layout.cellWidth - 1) / layout.cellWidth) *
                         static_cast<double>(verticalRange / layout.cellHeight);
    if (std::abs(layout.averageCellCount * slots - static_cast<double>(asteroids.size())) > 1e-6 * slots)
        return "the average is over every cell of the level's extent, empty ones included";
    // Each asteroid's point falls in one cell, which counts it and whose line
    // is the mean displacement of what it counts over ten ticks.
    struct Tally {
        std::uint64_t count = 0;
        double speedX = 0;
        double speedY = 0;
    };
    std::map<std::pair<double, double>, Tally> tallies;
    const Band& firstBand = layout.bands[0];
    for (const Asteroid& asteroid : asteroids) {
        const std::int64_t offset = std::int64_t{asteroid.x} - firstBand.firstX;
        const Band& band = layout.bands.at(static_cast<std::size_t>(offset / layout.bandSpan));
        const double along = static_cast<double>(std::int64_t{asteroid.x} - band.firstX) / perPixel;
        const double down = (asteroid.y + 0.5) / perPixel;
        Tally& tally = tallies[{band.area.left + std::floor(along / first.area.width) * first.area.width,
                                band.area.top + std::floor(down / first.area.height) * first.area.height}];
        ++tally.count;
        tally.speedX += asteroid.speedX;
        tally.speedY += asteroid.speedY;
    }
    for (const Cell& cell : layout.cells) {
        const Tally& tally = tallies[{cell.area.left, cell.area.top}];
        const auto count = static_cast<double>(tally.count);
        if (tally.count != cell.count)
            return "a cell counts the asteroids that lie in it";
        if (cell.centreX != cell.area.left + cell.area.width / 2 ||
            cell.centreY != cell.area.top + cell.area.height / 2 ||
            std::abs((cell.lineX - cell.centreX) * perPixel - layout.lineTicks * tally.speedX / count) > 1e-6 ||
            std::abs((cell.lineY - cell.centreY) * perPixel - layout.lineTicks * tally.speedY / count) > 1e-6)
            return "a cell's line runs from its centre over the mean displacement in the stated ticks";
        if (std::abs(cell.lineX - cell.centreX) > cell.area.width / 2 ||
            std::abs(cell.lineY - cell.centreY) > cell.area.height / 2)
            return "a cell's line stays inside its cell";
    }
    return {};
}
