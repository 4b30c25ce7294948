// The text of a level's picture: an SVG document, in UTF-8, made from a
// layout. It adds words, escaping and number formatting, and no geometry.
#pragma once

#include "picture_layout.h"

#include <cstdint>
#include <string>
#include <string_view>

// Returns "1 asteroide", "2 asteroides": French takes the singular below 2.
std::string countedAsteroids(std::uint64_t count);

// Returns name, text as the system gives it (UTF-8 where it is, every other
// byte an ISO-8859-1 character), as XML or HTML text and attribute value:
// markup characters escaped, control characters as "?", every character
// beyond ASCII as a reference.
std::string xmlText(std::string_view name);

// How the picture's text is to be used.
struct SvgForm {
    bool document = true;  // a document of its own, with its XML declaration; otherwise inline in a page
    std::string idPrefix;  // before every id it defines, so that pictures in one page do not share one
};

// Returns the whole SVG document for layout, in UTF-8, titled with name
// (the level's file name, as the system gives it, or the values it was
// drawn from) and the asteroid count.
std::string pictureText(const PictureLayout& layout, std::string_view name, const SvgForm& form = {});
