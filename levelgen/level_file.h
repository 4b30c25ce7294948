// The level file: "level.txt" in the current directory, one asteroid a line
// as "x y speedX speedY\n" in shortest decimal form.
#pragma once

#include "level.h"

#include <array>
#include <cstddef>
#include <string_view>

// An open level file. Owned by the run from a successful openLevelFile()
// until closeLevelFile().
struct LevelFile {
    int descriptor = -1;  // the open file descriptor, -1 when closed
};

// Room for the longest line: four values of up to 11 characters
// ("-2147483648"), three blanks and the line feed.
constexpr std::size_t maxLevelLineLength = 4 * 11 + 3 + 1;
using LevelLineBuffer = std::array<char, maxLevelLineLength>;

// Returns the line for asteroid, line feed included, formatted into buffer.
std::string_view formatAsteroid(const Asteroid& asteroid, LevelLineBuffer& buffer);

// Creates "level.txt" in the current directory, or truncates it, and opens
// it for writing. Returns false, and leaves file closed, when it cannot.
bool openLevelFile(LevelFile& file);

// Appends the line for asteroid and hands it to the operating system at
// once, so that every finished line is on its way to the disk before the
// next asteroid is drawn. Returns false when the line could not be written.
// REQUIRES: file is open.
bool writeAsteroid(LevelFile& file, const Asteroid& asteroid);

// Releases the file. Returns false when the system reports that what was
// written could not be stored. Safe to call on a closed file.
bool closeLevelFile(LevelFile& file);
