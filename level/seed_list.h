// A list of seeds as levelseek writes it and levelseek and levelview read
// it, a line at a time: one integer a line, or levelseek's --csv output,
// whose header is recognised and skipped, whose first column is the seed
// and every other column an integer. readSeedLine() and firstPlaces() are
// pure; readListLines() reads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the lines read so far say about the next ones: the first line sets
// the list's kind, plain seeds or CSV rows, and every later line must be
// of that kind.
struct SeedListReader {
    std::uint64_t lines = 0;     // lines read
    std::size_t csvColumns = 0;  // the columns of the CSV rows, once known; 0 before, and in a plain list
    bool plainSeeds = false;     // the first line was a plain seed
    bool header = false;         // the first line was the CSV header
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
// when take() returns false, and when a read interrupted by a signal finds
// stopped, when given, true. Returns 0, or the errno of a failed read (EINTR when
// stopped).
int readListLines(int descriptor, const std::function<bool(std::string_view)>& take,
                  const std::function<bool()>& stopped = {});

// The seeds of a list, each once, in the order of their first line.
struct SeedList {
    std::vector<std::int32_t> seeds;
    std::vector<bool> kept;       // for each seed line of the list, in order: whether seeds holds its seed
    std::uint64_t firstLine = 1;  // the line of the list's first seed, counted from 1 (2 below a header)
};

// Keeps of seeds, the seeds of the lines from firstLine on, in order, only
// the first place of each seed, and of those only the ones whose line is
// above skipped: the lines up to skipped were examined before, so that a
// seed seen there is not examined again. Looks at stopped() every few
// thousand seeds and gives up, returning false, when it is true. Takes
// about 8 bytes a seed beside seeds.
bool firstPlaces(std::vector<std::int32_t> seeds, std::uint64_t firstLine, std::uint64_t skipped,
                 const std::function<bool()>& stopped, SeedList& list);

// The line of list.seeds[place], counted from 1; one past the list's last
// line when place is list.seeds.size().
std::uint64_t lineOf(const SeedList& list, std::size_t place);
