// The text of a level's picture: an SVG document, in UTF-8, made from a
// layout. It adds words, escaping and number formatting, and no geometry.
#pragma once

#include "picture_layout.h"

#include <cstdint>
#include <string>
#include <string_view>

// Returns "1 asteroide", "2 asteroides": French takes the singular below 2.
std::string countedAsteroids(std::uint64_t count);

// Returns the whole SVG document for layout, in UTF-8, titled with name
// (the level's file name, as the system gives it) and the asteroid count.
std::string pictureText(const PictureLayout& layout, std::string_view name);
