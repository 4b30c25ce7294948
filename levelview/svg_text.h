// The text of a level's picture: an SVG document, in ISO-8859-1, made from
// a layout. It adds words, escaping and number formatting, and no geometry.
#pragma once

#include "picture_layout.h"

#include <cstdint>
#include <string>
#include <string_view>

// Returns "1 asteroide", "2 asteroides": French takes the singular below 2.
std::string countedAsteroids(std::uint64_t count);

// Returns the whole SVG document for layout, titled with name (the level's
// file name) and the asteroid count.
std::string pictureText(const PictureLayout& layout, std::string_view name);
