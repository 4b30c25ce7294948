// The picture of a level: an SVG document showing the level along its
// length as horizontal bands, each asteroid a dot with a short line for its
// speed vector.
#pragma once

#include "level.h"

#include <string>
#include <string_view>
#include <vector>

// Returns the whole SVG document, in ISO-8859-1, titled with name and the
// asteroid count. Where dots would overlap (dense or very long levels) they
// are merged into one dot per square of the picture, and the picture says
// so. REQUIRES: asteroids in order of non-decreasing x.
std::string drawLevelPicture(std::string_view name, const std::vector<Asteroid>& asteroids);
