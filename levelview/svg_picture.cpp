// Draws a level as SVG. A long level is wrapped into at most maxRows bands
// so that it stays readable; asteroids are gathered into square cells of the
// picture, and cells grow until there are few enough to keep the document
// light for a browser, which is what keeps a million asteroids usable.

#include "svg_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr double plotLeft = 80;
constexpr double plotWidth = 1200;
constexpr double pictureWidth = plotLeft + plotWidth + 40;
constexpr double headerHeight = 78;
constexpr double bandHeight = 150;
constexpr double rowGap = 46;
constexpr double verticalRange = 600;
// Below this many level units, one band; above, the x scale of a band
// matches its y scale (600 units over bandHeight) until maxRows bands.
constexpr std::int64_t naturalRowSpan = 4800;
constexpr std::int64_t maxRows = 20;
constexpr double smallestCell = 3;
constexpr std::size_t mostCells = 20000;
constexpr double longestSpeedLine = 14;
constexpr double dotRadius = 2;
constexpr std::int64_t ticksPerBand = 10;
constexpr std::int64_t decimalBase = 10;
constexpr double tickLength = 6;
constexpr double labelGap = 6;    // between a band and its y labels
constexpr double labelDrop = 19;  // from a band's bottom to its x labels' baseline
constexpr double topLabelDrop = 10;
constexpr std::size_t numberWidth = 32;
constexpr char firstPrintable = 0x20;

struct Cell {
    std::uint64_t count = 0;
    double sumX = 0;  // picture coordinates
    double sumY = 0;
    double sumSpeedX = 0;  // level units
    double sumSpeedY = 0;
    const Asteroid* first = nullptr;
};

struct Layout {
    std::int64_t origin = 0;   // level x at the left of the first band
    std::int64_t rowSpan = 1;  // level units per band
    std::int64_t rows = 1;
};

// Returns the smallest of 1, 2 and 5 times a power of ten at least value.
std::int64_t niceCeiling(std::int64_t value) {
    for (std::int64_t power = 1;; power *= decimalBase) {
        for (const std::int64_t step : {1, 2, 5}) {
            if (step * power >= value)
                return step * power;
        }
    }
}

// Returns value rounded up to a multiple of a tick step that divides it
// into about ten.
std::int64_t roundedSpan(std::int64_t value) {
    const std::int64_t step = niceCeiling((value + ticksPerBand - 1) / ticksPerBand);
    return (value + step - 1) / step * step;
}

Layout layOut(const std::vector<Asteroid>& asteroids) {
    Layout layout;
    if (asteroids.empty())
        return layout;
    layout.origin = std::min<std::int64_t>(0, asteroids.front().x);
    const std::int64_t span = std::int64_t{asteroids.back().x} - layout.origin + 1;
    if (span <= naturalRowSpan)
        layout.rowSpan = roundedSpan(span);
    else
        layout.rowSpan = roundedSpan(std::max(naturalRowSpan, (span + maxRows - 1) / maxRows));
    layout.rows = (span + layout.rowSpan - 1) / layout.rowSpan;
    return layout;
}

double bandTop(std::int64_t row) {
    return headerHeight + static_cast<double>(row) * (bandHeight + rowGap);
}

std::string number(double value, int decimals = 1) {
    std::array<char, numberWidth> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%.*f", decimals, value));
    return text.data();
}

std::string escaped(std::string_view text) {
    std::string result;
    for (const char character : text) {
        switch (character) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        default:
            // Control bytes are not allowed in XML text.
            result += static_cast<unsigned char>(character) < firstPrintable ? '?' : character;
        }
    }
    return result;
}

// Gathers the asteroids into cells of cellSize picture units; returns the
// occupied cells in picture order.
std::vector<Cell> gather(const std::vector<Asteroid>& asteroids, const Layout& layout, double cellSize) {
    const auto columns = static_cast<std::size_t>(std::ceil(plotWidth / cellSize)) + 1;
    const auto cellRows = static_cast<std::size_t>(std::ceil(bandHeight / cellSize)) + 1;
    std::vector<Cell> cells(static_cast<std::size_t>(layout.rows) * columns * cellRows);
    for (const Asteroid& asteroid : asteroids) {
        const std::int64_t offset = std::int64_t{asteroid.x} - layout.origin;
        const std::int64_t row = offset / layout.rowSpan;
        const double along =
            static_cast<double>(offset - row * layout.rowSpan) * plotWidth / static_cast<double>(layout.rowSpan);
        const double down = asteroid.y * bandHeight / verticalRange;
        const std::size_t index =
            (static_cast<std::size_t>(row) * cellRows + static_cast<std::size_t>(down / cellSize)) * columns +
            static_cast<std::size_t>(along / cellSize);
        Cell& cell = cells[index];
        if (cell.count++ == 0)
            cell.first = &asteroid;
        cell.sumX += plotLeft + along;
        cell.sumY += bandTop(row) + down;
        cell.sumSpeedX += asteroid.speedX;
        cell.sumSpeedY += asteroid.speedY;
    }
    std::erase_if(cells, [](const Cell& cell) { return cell.count == 0; });
    return cells;
}

void drawBands(std::string& svg, const Layout& layout) {
    const std::int64_t tickStep = niceCeiling((layout.rowSpan + ticksPerBand - 1) / ticksPerBand);
    // Ticks land on the band's ends only when the span is a whole number of
    // steps, which roundedSpan() sees to.
    for (std::int64_t row = 0; row < layout.rows; ++row) {
        const double top = bandTop(row);
        svg += "<rect x=\"" + number(plotLeft) + "\" y=\"" + number(top) + "\" width=\"" + number(plotWidth) +
               "\" height=\"" + number(bandHeight) + "\" fill=\"#f4f6fa\" stroke=\"#8a94a6\"/>\n";
        svg += "<text x=\"" + number(plotLeft - labelGap) + "\" y=\"" + number(top + topLabelDrop) +
               "\" text-anchor=\"end\" class=\"axis\">y 0</text>\n";
        svg += "<text x=\"" + number(plotLeft - labelGap) + "\" y=\"" + number(top + bandHeight) +
               "\" text-anchor=\"end\" class=\"axis\">599</text>\n";
        const std::int64_t start = layout.origin + row * layout.rowSpan;
        std::int64_t tick = start >= 0 ? (start + tickStep - 1) / tickStep * tickStep : start / tickStep * tickStep;
        for (; tick <= start + layout.rowSpan; tick += tickStep) {
            const double along =
                plotLeft + static_cast<double>(tick - start) * plotWidth / static_cast<double>(layout.rowSpan);
            svg += "<line x1=\"" + number(along) + "\" y1=\"" + number(top + bandHeight) + "\" x2=\"" + number(along) +
                   "\" y2=\"" + number(top + bandHeight + tickLength) + "\" stroke=\"#444\"/>\n";
            svg += "<text x=\"" + number(along) + "\" y=\"" + number(top + bandHeight + labelDrop) +
                   "\" text-anchor=\"middle\" class=\"axis\">" + std::to_string(tick) + "</text>\n";
        }
    }
}

}  // namespace

std::string drawLevelPicture(std::string_view name, const std::vector<Asteroid>& asteroids) {
    const Layout layout = layOut(asteroids);
    double cellSize = smallestCell;
    std::vector<Cell> cells = gather(asteroids, layout, cellSize);
    while (cells.size() > mostCells) {
        cellSize *= 2;
        cells = gather(asteroids, layout, cellSize);
    }
    std::uint64_t crowded = 0;
    double longestSpeed = 0;
    for (const Cell& cell : cells) {
        crowded = std::max(crowded, cell.count);
        const auto count = static_cast<double>(cell.count);
        longestSpeed = std::max(longestSpeed, std::hypot(cell.sumSpeedX / count, cell.sumSpeedY / count));
    }
    const double speedScale = longestSpeed > 0 ? longestSpeedLine / longestSpeed : 0;
    const double height = bandTop(layout.rows) + 8;
    const std::string title = escaped(name) + " : " + std::to_string(asteroids.size()) + " asteroides";

    std::string svg = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(pictureWidth) + "\" height=\"" +
           number(height) + "\" viewBox=\"0 0 " + number(pictureWidth) + " " + number(height) + "\">\n";
    svg += "<title>" + title + "</title>\n";
    svg += "<style>text{font-family:sans-serif;fill:#222}.axis{font-size:11px}.note{font-size:12px}</style>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + number(plotLeft) + "\" y=\"26\" font-size=\"18\" id=\"titre\">" + title + "</text>\n";
    std::string legend =
        "x le long du level, y de 0 (haut) \xE0 599 (bas) ; le trait part de l'asteroide selon "
        "sa vitesse (speedX, speedY), le plus long mesure " +
        number(longestSpeedLine) + " px";
    svg += "<text x=\"" + number(plotLeft) + "\" y=\"46\" class=\"note\">" + legend + "</text>\n";
    if (asteroids.empty()) {
        svg += "<text x=\"" + number(plotLeft) +
               "\" y=\"64\" class=\"note\" id=\"note\">Level vide : aucun "
               "asteroide.</text>\n";
    } else if (crowded > 1) {
        svg += "<text x=\"" + number(plotLeft) +
               "\" y=\"64\" class=\"note\" id=\"note\">Points regroup\xE9s : un "
               "point par case de " +
               number(cellSize) + " px, d'autant plus fonc\xE9 qu'il regroupe d'asteroides (jusqu'\xE0 " +
               std::to_string(crowded) + "), trait de leur vitesse moyenne.</text>\n";
    }
    drawBands(svg, layout);

    std::string speedPath;
    std::string dots = "<g id=\"asteroides\" fill=\"#c0392b\">\n";
    for (const Cell& cell : cells) {
        const auto count = static_cast<double>(cell.count);
        const double centreX = cell.sumX / count;
        const double centreY = cell.sumY / count;
        speedPath += "M" + number(centreX) + " " + number(centreY) + "l" + number(cell.sumSpeedX / count * speedScale) +
                     " " + number(cell.sumSpeedY / count * speedScale);
        // Merged dots keep apart and tell their number by their shade.
        const double radius = crowded == 1 ? dotRadius : cellSize * 0.42;
        const double opacity = crowded == 1 ? 1 : 0.2 + 0.8 * count / static_cast<double>(crowded);
        const std::string label =
            cell.count == 1 ? std::to_string(cell.first->x) + " " + std::to_string(cell.first->y) + " " +
                                  std::to_string(cell.first->speedX) + " " + std::to_string(cell.first->speedY)
                            : std::to_string(cell.count) + " asteroides";
        dots += "<circle cx=\"" + number(centreX) + "\" cy=\"" + number(centreY) + "\" r=\"" + number(radius) +
                (opacity < 1 ? "\" fill-opacity=\"" + number(opacity, 2) : std::string()) + "\"><title>" + label +
                "</title></circle>\n";
    }
    dots += "</g>\n";
    // The speed lines go over the dots, so that merged dots do not hide them.
    svg += dots;
    if (!speedPath.empty())
        svg += "<path id=\"vitesses\" fill=\"none\" stroke=\"#2c3e50\" stroke-width=\"1\" d=\"" + speedPath + "\"/>\n";
    svg += "</svg>\n";
    return svg;
}
