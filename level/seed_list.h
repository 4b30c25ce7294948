// A list of seeds as levelseek writes it and levelseek and levelview read
// it, a line at a time: one decimal 32-bit integer a line, or levelseek's
// --csv output, whose header is recognised and skipped and whose first
// column is the seed. readSeedLine() is pure; readListLines() reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the lines read so far say about the next ones.
struct SeedListReader {
    std::uint64_t lines = 0;     // lines read
    std::size_t csvColumns = 0;  // the columns of the CSV rows, once known; 0 before
};

enum class SeedLine {
    seed,    // a seed was read
    header,  // the CSV header: no seed
    bad,     // not a seed, nor a CSV row of the right shape
};

// Reads one line, without its line feed. For SeedLine::bad, problem says
// what is wrong, in French and ISO-8859-1, and quotes the line set apart
// by userBytesMark (see user_text.h), for forUserWithBytes().
SeedLine readSeedLine(SeedListReader& reader, std::string_view line, std::int32_t& seed, std::string& problem);

// Reads descriptor to its end and hands take() each line, without its line
// feed, the last one too when no line feed ends it; a line past 4,096
// bytes is handed over as soon as it is that long, since no seed is. Stops
// when take() returns false. Returns 0, or the errno of a failed read.
int readListLines(int descriptor, const std::function<bool(std::string_view)>& take);

// The seeds of a list, each once, in the order of their first line, and
// the line each came from (counted from 1), for a resume line.
struct SeedList {
    std::vector<std::int32_t> seeds;
    std::vector<std::uint64_t> lines;
};

// Keeps of seeds and lines only the first place of each seed, and of those
// only the ones whose line is above skipped: the lines up to skipped were
// examined before, so that a seed seen there is not examined again.
SeedList firstPlaces(std::vector<std::int32_t> seeds, std::vector<std::uint64_t> lines, std::uint64_t skipped);
