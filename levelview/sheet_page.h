// The sheet: one self-contained HTML page that shows many seeds' levels
// side by side, a thumbnail each with its figures, and each level's full
// picture within the page, opened from its thumbnail by a link to its
// anchor (plain HTML and CSS, no script). Text only: the pictures come
// made, and nothing here reads or writes a file.
#pragma once

#include "level.h"

#include <cstdint>
#include <string>
#include <vector>

// One seed's level on the sheet.
struct SheetEntry {
    std::int32_t seed = 0;
    std::uint64_t count = 0;      // asteroids
    std::int32_t firstX = 0;      // when count > 0
    std::int32_t lastX = 0;       // when count > 0
    std::int64_t longestGap = 0;  // 0 below two asteroids
    std::string columns;          // the list's other columns, as "name value" parts, any bytes; may be empty
    std::string thumbnail;        // the small picture, inline SVG in UTF-8
    std::string picture;          // the full picture, inline SVG in UTF-8
};

// The page's frame before the entries, for limits, which the title names,
// and a sheet of `seeds` seeds. UTF-8.
std::string sheetStart(const LevelParameters& limits, std::size_t seeds);

// One entry's thumbnail and full picture, the place'th of the sheet (from
// 0). UTF-8.
std::string sheetThumbnail(const SheetEntry& entry, std::size_t place);
std::string sheetPicture(const SheetEntry& entry, std::size_t place);

// Between the thumbnails and the full pictures, and the page's end.
extern const std::string_view sheetMiddle;
extern const std::string_view sheetEnd;
