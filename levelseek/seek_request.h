// levelseek's command line, read into a request. Pure: every refusal is
// returned as text for main() to write.
#pragma once

#include "level.h"
#include "level_figures.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SeekRequest {
    LevelParameters limits;              // the four limits; the seed is not used
    std::int64_t firstSeed = INT32_MIN;  // the seeds to scan, inclusive, in ascending signed order
    std::int64_t lastSeed = INT32_MAX;
    bool seedRange = false;  // --seeds was given
    std::string seedsFrom;   // --seeds-from: the file of the seeds to examine instead ("-": standard input)
    std::uint64_t skip = 0;  // --skip: the lines of that file examined before
    Constraints constraints;
    bool densestColumn = false;     // --densest was given: the CSV has its column
    std::uint64_t mostMatches = 0;  // --first; 0: every match
    unsigned threads = 0;           // 0: every processor the process may use
    bool csv = false;
    bool header = true;  // with csv: the header line comes first
    bool help = false;
    bool version = false;
};

// The most threads --threads accepts.
constexpr unsigned mostThreads = 1024;

// Reads arguments (without the program's name) into request. Returns what
// is wrong with them, in French and ISO-8859-1, without a final period, or
// an empty string. A negative number is a value, never an option. An
// argument quoted in that text stands as it was given, in bytes of any
// character set, set apart by userBytesMark (see user_text.h).
// When an option is given twice, the last one counts.
std::string parseSeekRequest(const std::vector<std::string_view>& arguments, SeekRequest& request);

// The text of levelseek --help, in ISO-8859-1.
extern const std::string_view seekUsage;
