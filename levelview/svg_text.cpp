// The SVG text of a picture. The words are French and kept in ISO-8859-1,
// as levelgen's own (e acute is the byte 0xE9, written as an escape; a hex
// escape runs on through following hex digits, hence split literals); the
// document is made in ISO-8859-1, with the level's name in character
// references, then written in UTF-8, the XML default.

#include "svg_text.h"

#include "user_text.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr char firstPrintable = 0x20;
constexpr std::size_t numberWidth = 40;
constexpr double legendGap = 8;
constexpr double labelGap = 6;
constexpr double tickLength = 5;
constexpr double tickLabelDrop = 18;
constexpr double swatchSize = 12;
constexpr int swatches = 5;
constexpr int middleSwatch = swatches / 2;  // the average's, between the sparser and the denser
constexpr double tenths = 10;
constexpr double dotRadius = 2.5;
constexpr double smallDot = 1.5;  // pixels, a small dot's side
constexpr double roomForTwoLabels = 24;
constexpr double labelCharacterWidth = 7;  // about, at the axes' font size
constexpr char32_t firstNonAscii = 0x80;
constexpr char32_t lastAscii = 0x7F;  // DEL, a control character, as are C1's
constexpr char32_t lastC1 = 0x9F;
constexpr double topLabelDrop = 9;  // from a band's or the profile's top to its top label's baseline
// A label over marks and bars stays readable on a white halo.
constexpr std::string_view haloed = " paint-order=\"stroke\" stroke=\"white\" stroke-width=\"3\"";

// Up to three decimals, without trailing zeros: positions are multiples of
// powers of two, so this is exact at every scale the layout uses.
std::string number(double value) {
    std::array<char, numberWidth> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%.3f", value));
    std::string result = text.data();
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.')
        result.pop_back();
    if (result == "-0")
        result = "0";
    return result;
}

// A number in a French sentence, with a decimal comma.
std::string frenchNumber(double value) {
    std::string result = number(value);
    if (const std::size_t point = result.find('.'); point != std::string::npos)
        result[point] = ',';
    return result;
}

// A number in French with one decimal at most: an average, a density.
std::string tenthsText(double value) {
    return frenchNumber(std::round(value * tenths) / tenths);
}

}  // namespace

std::string xmlText(std::string_view name) {
    std::string result;
    for (const char32_t character : charactersOf(name)) {
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
            // Control characters are not allowed in XML text.
            if (character < static_cast<char32_t>(firstPrintable) || (character >= lastAscii && character <= lastC1))
                result += '?';
            else if (character < firstNonAscii)
                result += static_cast<char>(character);
            else
                result += "&#" + std::to_string(static_cast<std::uint32_t>(character)) + ";";
        }
    }
    return result;
}

namespace {

// A number of ticks, which may be a small decimal fraction, in French,
// which takes the singular below 2.
std::string ticksText(double ticks) {
    std::array<char, numberWidth> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%.10g", ticks));
    std::string result = text.data();
    if (const std::size_t point = result.find('.'); point != std::string::npos)
        result[point] = ',';
    return result + (ticks < 2 ? " tick" : " ticks");
}

std::string units(std::int64_t count) {
    return std::to_string(count) + (count < 2 ? " unit\xE9" : " unit\xE9s");
}

// "1 px pour 4 unités", or for a level drawn large, "4 px pour 1 unité".
std::string scaleText(double unitsPerPixel) {
    if (unitsPerPixel >= 1)
        return "1 px pour " + units(std::llround(unitsPerPixel));
    return number(1 / unitsPerPixel) + " px pour 1 unit\xE9";
}

// A cell's colour for its shade: blue where the level is sparser than its
// average, red where it is denser, near white at the average.
std::string shadeColour(double shade) {
    constexpr std::array<double, 3> average{247, 247, 247};
    constexpr std::array<double, 3> sparse{33, 102, 172};
    constexpr std::array<double, 3> dense{178, 24, 43};
    const std::array<double, 3>& far = shade < 0 ? sparse : dense;
    const double weight = std::abs(shade);
    std::array<char, sizeof "#ffffff"> colour{};
    const auto channel = [&](std::size_t index) {
        return static_cast<unsigned>(std::lround(average[index] + (far[index] - average[index]) * weight));
    };
    static_cast<void>(std::snprintf(colour.data(), colour.size(), "#%02x%02x%02x", channel(0), channel(1), channel(2)));
    return colour.data();
}

std::string attribute(std::string_view name, double value) {
    return " " + std::string(name) + "=\"" + number(value) + "\"";
}

std::string rectangle(const Box& box) {
    return "<rect" + attribute("x", box.left) + attribute("y", box.top) + attribute("width", box.width) +
           attribute("height", box.height);
}

std::string text(double left, double baseline, std::string_view words, std::string_view extra = "") {
    return "<text" + attribute("x", left) + attribute("y", baseline) + std::string(extra) + ">" + std::string(words) +
           "</text>\n";
}

std::string header(const PictureLayout& layout, std::string_view name, bool document) {
    const std::string title = xmlText(name) + " : " + countedAsteroids(layout.count);
    const double left = layout.bands.empty() ? labelGap * 2 : layout.profileArea.left;
    std::string svg = document ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" : "";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\"" + attribute("width", layout.width) +
           attribute("height", layout.height) + " viewBox=\"0 0 " + number(layout.width) + " " + number(layout.height) +
           "\">\n";
    svg += "<title>" + title + "</title>\n";
    // Sizes in the style sheet, which would win over attributes.
    svg +=
        "<style>text{font-family:sans-serif;font-size:12px;fill:#222}.axe{font-size:11px}.titre{font-size:18px}"
        "</style>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    if (!layout.words)
        return svg;
    svg += text(left, layout.titleRow, title, " class=\"titre\" id=\"titre\"");
    if (layout.bands.empty()) {
        svg += text(left, layout.scaleRow, "Level vide : aucun asteroide.", " id=\"note\"");
        return svg;
    }
    std::string scale =
        "\xC9"
        "chelle : " +
        scaleText(layout.unitsPerPixel) + ", en x comme en y ; une bande couvre " + units(layout.bandSpan) +
        " de x et les 600 de y (0 en haut).";
    // Said in few words, so that the line stays inside the widest picture.
    if (layout.thinBands)
        scale += " Level trop long pour des bandes de 60 px : elles en font " + frenchNumber(layout.bandHeight) + ".";
    svg += text(left, layout.scaleRow, scale, " id=\"echelle\"");
    if (layout.smallDots)
        return svg;
    svg += "<line" + attribute("x1", left) + attribute("y1", layout.speedRow - 4) +
           attribute("x2", left + layout.legendLength) + attribute("y2", layout.speedRow - 4) +
           " class=\"vitesse\" stroke=\"#7f8fa6\" stroke-width=\"1.5\"/>\n";
    const std::string lines = layout.cells.empty()
                                  ? "chaque trait montre le d\xE9placement d'un asteroide en "
                                  : "le trait de chaque case montre le d\xE9placement moyen de ses asteroides en ";
    svg += text(left + layout.legendLength + legendGap, layout.speedRow,
                "vitesse " + std::to_string(layout.legendSpeed) + " : " + lines + ticksText(layout.lineTicks) +
                    ", \xE0 l'\xE9"
                    "chelle du dessin.",
                " id=\"legende-vitesse\"");
    svg += text(left, layout.tickRow,
                "Un tick est un pas du jeu : chaque asteroide y avance de speedX unit\xE9s en x et de speedY en y.",
                " id=\"legende-tick\"");
    return svg;
}

std::string dotsLegend(const PictureLayout& layout) {
    const double left = layout.profileArea.left;
    // Small dots have no lines: their legend takes the speed's row.
    if (layout.smallDots)
        return rectangle({left + dotRadius - smallDot / 2, layout.speedRow - 4 - smallDot / 2, smallDot, smallDot}) +
               " fill=\"#c0392b\"/>\n" +
               text(left + legendGap * 2, layout.speedRow,
                    "un petit point par asteroide, sans trait ni valeurs : le level en a trop pour les montrer.",
                    " id=\"legende\"");
    return "<circle" + attribute("cx", left + dotRadius) + attribute("cy", layout.legendRow - 4) +
           attribute("r", dotRadius) + " fill=\"#c0392b\"/>\n" +
           text(left + legendGap * 2, layout.legendRow,
                "un point par asteroide ; la souris sur un point montre sa ligne et ses valeurs.", " id=\"legende\"");
}

std::string cellsLegend(const PictureLayout& layout) {
    const double left = layout.profileArea.left;
    std::string svg;
    for (int swatch = 0; swatch < swatches; ++swatch) {
        const double shade = static_cast<double>(swatch - middleSwatch) / middleSwatch;
        svg += rectangle({left + swatch * swatchSize, layout.legendRow - swatchSize + 2, swatchSize, swatchSize}) +
               " fill=\"" + shadeColour(shade) + "\"/>\n";
    }
    svg += text(left + swatches * swatchSize + legendGap, layout.legendRow,
                "cases de " + std::to_string(layout.cellWidth) + " \xD7 " + std::to_string(layout.cellHeight) +
                    " unit\xE9s, " + tenthsText(layout.averageCellCount) +
                    " asteroides en moyenne ; blanc : la moyenne, au hasard pr\xE8s ; rouge : plus dense, plus "
                    "d'obstacles pour le joueur ; bleu : plus clairsem\xE9.",
                " id=\"legende\"");
    return svg;
}

// A tick under an axis, its label kept inside the picture: a label that
// would pass its right edge ends at its tick, one that would pass its left
// edge starts there.
std::string tickMark(const Tick& tick, double axis, double pictureWidth, bool words) {
    const std::string label = std::to_string(tick.value);
    const double halfLabel = labelCharacterWidth * static_cast<double>(label.size()) / 2;
    const bool ending = tick.x + halfLabel > pictureWidth - labelGap;
    const bool starting = tick.x - halfLabel < 0;
    std::string mark = "<line" + attribute("x1", tick.x) + attribute("y1", axis) + attribute("x2", tick.x) +
                       attribute("y2", axis + tickLength) + " stroke=\"#444\"/>\n";
    if (!words)
        return mark;
    const std::string_view anchor = ending ? "end" : starting ? "start" : "middle";
    return mark +
           text(tick.x, axis + tickLabelDrop, label, " text-anchor=\"" + std::string(anchor) + "\" class=\"axe\"");
}

// The ticks of an axis: every one with its value where the picture has
// words; otherwise one in every, so that a thumbnail still says where it is.
std::string tickMarks(const std::vector<Tick>& ticks, double axis, const PictureLayout& layout) {
    std::string svg;
    for (std::size_t index = 0; index < ticks.size(); ++index)
        svg += tickMark(ticks[index], axis, layout.width, layout.words || index % layout.tickNumbers == 0);
    return svg;
}

std::string profile(const PictureLayout& layout) {
    const Box& frame = layout.profileArea;
    std::string svg;
    if (layout.words) {
        svg += text(frame.left, frame.top - labelGap,
                    "Asteroides par 100 unit\xE9s de x, en tranches de " + units(layout.profileStretch) +
                        ", sur tout le level, \xE0 " + scaleText(layout.profileUnitsPerPixel) +
                        " ; trait : la moyenne du level, " + tenthsText(layout.profileAverage) + ".",
                    " id=\"profil-titre\"");
        svg += text(frame.left - labelGap, frame.top + topLabelDrop, tenthsText(layout.profilePeak),
                    " text-anchor=\"end\" class=\"axe\" id=\"profil-max\"");
        svg += text(frame.left - labelGap, frame.top + frame.height, "0", " text-anchor=\"end\" class=\"axe\"");
    }
    svg += "<g id=\"profil\" fill=\"#5d7fa3\">\n";
    for (const Bar& bar : layout.profile)
        svg += rectangle(bar.area) + "><title>x de " + std::to_string(bar.firstX) + " \xE0 " +
               std::to_string(bar.lastX) + " : " + countedAsteroids(bar.count) + ", " + tenthsText(bar.density) +
               " par 100 unit\xE9s</title></rect>\n";
    svg += "</g>\n";
    svg += "<line" + attribute("x1", frame.left) + attribute("y1", layout.profileAverageY) +
           attribute("x2", frame.left + frame.width) + attribute("y2", layout.profileAverageY) +
           " id=\"profil-moyenne\" stroke=\"#e67e22\" stroke-width=\"1\" stroke-opacity=\"0.8\" "
           "stroke-dasharray=\"3 2\"/>\n";
    svg += rectangle(frame) + " fill=\"none\" stroke=\"#8a94a6\"/>\n";
    svg += tickMarks(layout.profileTicks, frame.top + frame.height, layout);
    return svg;
}

std::string bandFrame(const PictureLayout& layout, std::size_t index) {
    const Box& area = layout.bands[index].area;
    const double bottom = area.top + area.height;
    std::string svg = "<clipPath id=\"bande" + std::to_string(index) + "\">" + rectangle(area) + "/></clipPath>\n";
    // Every cell of the level is drawn, the empty ones too: what shows the
    // background, grey, lies beyond the level's end.
    svg += rectangle(area) + " fill=\"" + (layout.cells.empty() ? "#f4f6fa" : "#d5d9e0") + "\" stroke=\"#8a94a6\"/>\n";
    if (layout.words && area.height >= roomForTwoLabels) {
        svg += text(area.left - labelGap, area.top + topLabelDrop, "y 0", " text-anchor=\"end\" class=\"axe\"");
        svg += text(area.left - labelGap, bottom, "599", " text-anchor=\"end\" class=\"axe\"");
    } else if (layout.words) {
        svg += text(area.left - labelGap, bottom, "y", " text-anchor=\"end\" class=\"axe\"");
    }
    svg += tickMarks(layout.bands[index].ticks, bottom, layout);
    return svg;
}

std::string line(double fromX, double fromY, double toX, double toY) {
    return "M" + number(fromX) + " " + number(fromY) + "L" + number(toX) + " " + number(toY);
}

// What lies inside one band, clipped to it: speed lines under the dots so
// that the dots stay visible, and merged cells under their mean lines.
std::string bandContent(const PictureLayout& layout, std::size_t index, std::size_t& nextDot, std::size_t& nextCell) {
    std::string shapes;
    std::string lines;
    for (; nextCell < layout.cells.size() && layout.cells[nextCell].band == index; ++nextCell) {
        const Cell& cell = layout.cells[nextCell];
        shapes += rectangle(cell.area) + " fill=\"" + shadeColour(cell.shade) + "\"><title>x de " +
                  std::to_string(cell.firstX) + " \xE0 " + std::to_string(cell.lastX) + ", y de " +
                  std::to_string(cell.firstY) + " \xE0 " + std::to_string(cell.lastY) + " : " +
                  countedAsteroids(cell.count) + "</title></rect>\n";
        lines += line(cell.centreX, cell.centreY, cell.lineX, cell.lineY);
    }
    for (; layout.smallDots && nextDot < layout.dots.size() && layout.dots[nextDot].band == index; ++nextDot) {
        const Dot& dot = layout.dots[nextDot];
        lines += "M" + number(dot.x - smallDot / 2) + " " + number(dot.y - smallDot / 2) + "h1.5v1.5h-1.5z";
    }
    if (layout.smallDots)
        return lines.empty() ? std::string()
                             : "<path clip-path=\"url(#bande" + std::to_string(index) + ")\" fill=\"#c0392b\" d=\"" +
                                   lines + "\"/>\n";
    for (; nextDot < layout.dots.size() && layout.dots[nextDot].band == index; ++nextDot) {
        const Dot& dot = layout.dots[nextDot];
        const Asteroid& asteroid = dot.asteroid;
        shapes += "<circle" + attribute("cx", dot.x) + attribute("cy", dot.y) + attribute("r", dotRadius) +
                  "><title>ligne " + std::to_string(nextDot + 1) + " : x " + std::to_string(asteroid.x) + ", y " +
                  std::to_string(asteroid.y) + ", speedX " + std::to_string(asteroid.speedX) + ", speedY " +
                  std::to_string(asteroid.speedY) + "</title></circle>\n";
        lines += line(dot.x, dot.y, dot.lineX, dot.lineY);
    }
    if (shapes.empty())
        return {};
    const std::string clip = " clip-path=\"url(#bande" + std::to_string(index) + ")\"";
    if (!layout.cells.empty())
        return "<g" + clip + ">\n" + shapes + "</g>\n" + "<path" + clip +
               " fill=\"none\" stroke=\"#333\" stroke-width=\"1\" d=\"" + lines + "\"/>\n";
    return "<path" + clip + " fill=\"none\" stroke=\"#7f8fa6\" stroke-width=\"1\" d=\"" + lines + "\"/>\n" + "<g" +
           clip + " fill=\"#c0392b\">\n" + shapes + "</g>\n";
}

// The end of the level: drawn under the asteroids, so that it never hides
// one, with its label above the band.
std::string endMarker(const PictureLayout& layout) {
    const Box& band = layout.bands[layout.endBand].area;
    std::string svg = "<line" + attribute("x1", layout.endX) + attribute("y1", band.top) +
                      attribute("x2", layout.endX) + attribute("y2", band.top + band.height) +
                      " stroke=\"#e67e22\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"/>\n";
    if (!layout.words)
        return svg;
    // The label reads away from the band's nearer end, so that it stays in the picture.
    const bool leftward = layout.endX > band.left + band.width / 2;
    return svg + text(layout.endX + (leftward ? -labelGap : labelGap) / 2, band.top - labelGap / 2,
                      "fin : dernier asteroide en x = " + std::to_string(layout.endValue),
                      leftward ? " text-anchor=\"end\" class=\"axe\" id=\"fin\"" : " class=\"axe\" id=\"fin\"");
}

// The length asked for, and the clear start before the first asteroid,
// when the picture knows them: drawn over the asteroids, faint, with their
// labels inside the band on a halo.
std::string marks(const PictureLayout& layout) {
    if (!layout.lengthMark)
        return {};
    std::string svg = "<g id=\"reperes\">\n";
    if (layout.clearStartMark) {
        const Mark& start = *layout.clearStartMark;
        const Box& first = layout.bands[0].area;
        // A clear start that runs past its first band is marked in that one.
        const double right = start.band == 0 ? start.x : first.left + first.width;
        svg += rectangle({first.left, first.top, right - first.left, first.height}) +
               " id=\"depart\" fill=\"#27ae60\" fill-opacity=\"0.12\"/>\n";
        if (layout.words && first.height >= roomForTwoLabels)
            svg += text(first.left + labelGap / 2, first.top + topLabelDrop + 2,
                        "d\xE9part d\xE9gag\xE9 : aucun asteroide avant x = " + std::to_string(start.value),
                        std::string(" class=\"axe\"") + std::string(haloed));
    }
    const Mark& length = *layout.lengthMark;
    const Box& band = layout.bands[length.band].area;
    svg += "<line" + attribute("x1", length.x) + attribute("y1", band.top) + attribute("x2", length.x) +
           attribute("y2", band.top + band.height) +
           " id=\"longueur\" stroke=\"#8e44ad\" stroke-width=\"1.5\" stroke-dasharray=\"2 2\"/>\n";
    if (layout.words && band.height >= roomForTwoLabels) {
        const bool leftward = length.x > band.left + band.width / 2;
        svg +=
            text(length.x + (leftward ? -labelGap : labelGap) / 2, band.top + band.height - labelGap / 2,
                 "longueur demand\xE9"
                 "e : " +
                     std::to_string(length.value),
                 std::string(leftward ? " text-anchor=\"end\" class=\"axe\"" : " class=\"axe\"") + std::string(haloed));
    }
    return svg + "</g>\n";
}

// Gives every id the picture defines, and every reference to one, prefix.
std::string withIdPrefix(std::string svg, std::string_view prefix) {
    if (prefix.empty())
        return svg;
    for (const std::string_view marker : {std::string_view("id=\""), std::string_view("url(#")}) {
        for (std::size_t at = svg.find(marker); at != std::string::npos;
             at = svg.find(marker, at + marker.size() + prefix.size()))
            svg.insert(at + marker.size(), prefix);
    }
    return svg;
}

}  // namespace

std::string countedAsteroids(std::uint64_t count) {
    return std::to_string(count) + (count < 2 ? " asteroide" : " asteroides");
}

std::string pictureText(const PictureLayout& layout, std::string_view name, const SvgForm& form) {
    std::string svg = header(layout, name, form.document);
    if (!layout.bands.empty()) {
        if (layout.words)
            svg += layout.cells.empty() ? dotsLegend(layout) : cellsLegend(layout);
        svg += profile(layout);
        std::size_t nextDot = 0;
        std::size_t nextCell = 0;
        for (std::size_t index = 0; index < layout.bands.size(); ++index) {
            svg += bandFrame(layout, index);
            if (index == layout.endBand)
                svg += endMarker(layout);
            svg += bandContent(layout, index, nextDot, nextCell);
        }
        svg += marks(layout);
    }
    svg += "</svg>\n";
    static const TextCharset utf8 = charsetNamed("UTF-8");
    return converted(utf8, withIdPrefix(svg, form.idPrefix));
}
