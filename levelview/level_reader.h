// Strict reading of a level file as levelgen writes it: every line four
// shortest decimal 32-bit integers "x y speedX speedY" separated by one
// blank and ended by a line feed, y in 0..599, x never decreasing. The file
// is fed a chunk at a time, so that a file, a FIFO and standard input are
// read alike, in one pass and in memory that does not grow with the level.
#pragma once

#include "level.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// No valid line comes near this; a longer one is refused as soon as this
// much of it has been read, so that a file without line feeds (/dev/zero)
// cannot fill the memory.
constexpr std::size_t longestLine = 4096;

// The first thing wrong in a level file.
struct LevelError {
    std::int64_t lineNumber = 0;  // counted from 1
    std::string description;      // French, ISO-8859-1, no final period or line feed
};

// Where the reading of one level stands between two chunks.
struct LevelReader {
    std::string unfinishedLine;   // the start of a line whose line feed is still to come, at most longestLine bytes
    std::int64_t lineNumber = 0;  // lines finished so far
    std::int32_t previousX = 0;   // x of the last line read, when lineNumber > 0
    LevelError error;             // set when a read has returned false
};

// Reads the lines that chunk finishes into asteroids (cleared first), in
// order. Returns false at the first fault, with reader.error describing it;
// the reading must then stop. A fault is found as soon as it is certain:
// a forbidden byte at once, an ill-formed field, a y outside 0..599 or an x
// below the previous line's as soon as the blank after it is read, a fifth
// field as soon as it begins, a leading zero as soon as the digit after it
// is read, anything else when the line feed comes.
bool readLevelChunk(LevelReader& reader, std::string_view chunk, std::vector<Asteroid>& asteroids);

// Ends the reading at the end of the file. Returns false, with reader.error
// set, when the file ends inside a line.
bool finishLevel(LevelReader& reader);
