// The page is laid out by CSS alone: a grid of thumbnails at least 340 px
// wide, so that a window of 1,200 px holds three across, and each full
// picture in a section shown only while the address names it (:target).

#include "sheet_page.h"

#include "svg_text.h"
#include "user_text.h"

#include <string_view>

namespace {

const TextCharset& utf8() {
    static const TextCharset charset = charsetNamed("UTF-8");
    return charset;
}

std::string inUtf8(std::string_view latin1Text) {
    return converted(utf8(), latin1Text);
}

std::string counted(std::uint64_t count) {
    return std::to_string(count) + (count < 2 ? " asteroide" : " asteroides");
}

std::string figures(const SheetEntry& entry) {
    std::string text = counted(entry.count);
    if (entry.count > 0)
        text += ", x de " + std::to_string(entry.firstX) + " \xE0 " + std::to_string(entry.lastX) +
                ", plus grand \xE9"
                "cart " +
                std::to_string(entry.longestGap);
    return text;
}

constexpr std::string_view style =
    "body{font-family:sans-serif;margin:16px;background:#eef1f5;color:#222}"
    "h1{font-size:20px;margin:0 0 12px}"
    ".planche{display:grid;grid-template-columns:repeat(auto-fill,minmax(340px,1fr));gap:14px}"
    "figure{margin:0;background:white;border:1px solid #c8cfda;border-radius:4px;padding:8px}"
    "figure svg{display:block;width:100%;height:auto}"
    "figcaption{font-size:13px;margin-top:6px;line-height:1.4}"
    "figcaption b{font-size:15px}"
    ".colonnes{color:#556}"
    ".plein{display:none}"
    ".plein:target{display:block;position:fixed;inset:0;overflow:auto;background:rgba(20,24,32,.85);padding:16px}"
    ".plein>div{background:white;border-radius:4px;padding:12px;margin:0 auto;max-width:1320px}"
    ".plein svg{display:block;max-width:100%;height:auto}"
    ".plein p{margin:0 0 8px}"
    "a{color:#1f4e79}";

}  // namespace

std::string sheetStart(const LevelParameters& limits, std::size_t seeds) {
    const std::string values = std::to_string(limits.levelLength) + " " + std::to_string(limits.maxDistance) + " " +
                               std::to_string(limits.maxSpeedX) + " " + std::to_string(limits.maxSpeedY);
    const std::string title = std::to_string(seeds) + (seeds < 2 ? " graine" : " graines") + ", limites " + values;
    return "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width\">\n<title>levelview : " +
           inUtf8(title) + "</title>\n<style>" + std::string(style) + "</style>\n</head>\n<body>\n<h1>" +
           inUtf8(title) + "</h1>\n" +
           inUtf8("<p>Chaque vignette montre le level d'une graine ; un clic l'ouvre en grand.</p>\n") +
           "<div class=\"planche\">\n";
}

std::string sheetThumbnail(const SheetEntry& entry, std::size_t place) {
    const std::string anchor = "graine-" + std::to_string(place);
    std::string html = "<figure id=\"vignette-" + std::to_string(place) + "\">\n<a href=\"#" + anchor + "\" title=\"" +
                       inUtf8("ouvrir en grand") + "\">\n" + entry.thumbnail + "</a>\n<figcaption><b>" +
                       inUtf8("graine ") + std::to_string(entry.seed) + "</b><br>" + inUtf8(figures(entry));
    if (!entry.columns.empty())
        html += "<br><span class=\"colonnes\">" + xmlText(entry.columns) + "</span>";
    return html + "</figcaption>\n</figure>\n";
}

std::string sheetPicture(const SheetEntry& entry, std::size_t place) {
    return "<section class=\"plein\" id=\"graine-" + std::to_string(place) + "\">\n<div>\n<p><a href=\"#vignette-" +
           std::to_string(place) + "\">" + inUtf8("\xD7 fermer") + "</a> &#160; <b>" + inUtf8("graine ") +
           std::to_string(entry.seed) + "</b> : " + inUtf8(figures(entry)) + "</p>\n" + entry.picture +
           "</div>\n</section>\n";
}

const std::string_view sheetMiddle = "</div>\n";
const std::string_view sheetEnd = "</body>\n</html>\n";
