// Strict reading of a level file as levelgen writes it: every line four
// shortest decimal 32-bit integers "x y speedX speedY" separated by one
// blank and ended by a line feed, y in 0..599, x never decreasing.
#pragma once

#include "level.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The first thing wrong in a level file.
struct LevelError {
    std::int64_t lineNumber = 0;  // counted from 1
    std::string description;      // French, ISO-8859-1, no final period or line feed
};

// Reads every line of content into asteroids, in order. Returns false at
// the first line that breaks the format, with error describing it; the
// asteroids read so far are then of no use.
bool readLevel(std::string_view content, std::vector<Asteroid>& asteroids, LevelError& error);
