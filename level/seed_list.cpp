// A seed, and every other column of a CSV row, is an integer as every
// number a person gives the programs is (decimal_integer.h), the seed in
// the 32-bit range. A CSV row has as many columns as levelseek's header
// says (five, or six with --densest); first_x and last_x are empty for a
// level without asteroids, as levelseek writes them.

#include "seed_list.h"

#include "decimal_integer.h"
#include "user_text.h"

#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace {

constexpr std::string_view csvHeader = "seed,count,first_x,last_x,longest_gap";
constexpr std::string_view densestColumn = ",densest_";
constexpr std::size_t longestQuoted = 40;
constexpr std::size_t plainColumns = 5;
constexpr std::size_t densestColumns = 6;
// The columns after the seed, by name, and whether each may be empty.
struct Column {
    std::string_view name;
    bool mayBeEmpty;
};
constexpr std::array<Column, densestColumns - 1> laterColumns{{
    {"count", false},
    {"first_x", true},
    {"last_x", true},
    {"longest_gap", false},
    {"densest", false},
}};

bool isHeader(std::string_view line) {
    if (line == csvHeader)
        return true;
    if (!line.starts_with(csvHeader) || !line.substr(csvHeader.size()).starts_with(densestColumn))
        return false;
    const std::string_view window = line.substr(csvHeader.size() + densestColumn.size());
    return !window.empty() && std::all_of(window.begin(), window.end(),
                                          [](char character) { return character >= '0' && character <= '9'; });
}

bool readSeed(std::string_view text, std::int32_t& seed) {
    std::int64_t value = 0;
    if (readInteger(text, value) != IntegerReading::integer || value < INT32_MIN || value > INT32_MAX)
        return false;
    seed = static_cast<std::int32_t>(value);
    return true;
}

std::string quoted(std::string_view line) {
    const bool cut = line.size() > longestQuoted;
    return "\"" + markedUserBytes(line.substr(0, longestQuoted)) + (cut ? "...\"" : "\"");
}

// The name of the first column after the seed of row that is not an
// integer, or an empty view when every one is.
std::string_view notAnInteger(std::string_view row) {
    std::size_t column = 0;
    for (std::size_t comma = row.find(','); comma != std::string_view::npos; ++column) {
        const std::size_t next = row.find(',', comma + 1);
        const std::string_view value = row.substr(comma + 1, next - comma - 1);
        std::int64_t number = 0;
        const bool empty = value.empty() && laterColumns.at(column).mayBeEmpty;
        if (!empty && readInteger(value, number) != IntegerReading::integer)
            return laterColumns.at(column).name;
        comma = next;
    }
    return {};
}

// Sorts values, looking at stopped() between passes and every few thousand
// values within one: a radix sort, whose every step is short, so that a
// stop comes at once even for a list of many millions of seeds.
bool sortStoppably(std::vector<std::uint32_t>& values, const std::function<bool()>& stopped) {
    constexpr unsigned seedBits = 32;
    constexpr unsigned digitBits = 11;
    constexpr std::size_t buckets = std::size_t{1} << digitBits;
    constexpr std::uint32_t digitMask = buckets - 1;
    constexpr std::size_t between = std::size_t{1} << 16;
    std::vector<std::uint32_t> sorted(values.size());
    std::vector<std::size_t> starts(buckets);
    for (unsigned shift = 0; shift < seedBits; shift += digitBits) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const std::uint32_t value : values)
            ++starts[(value >> shift) & digitMask];
        std::size_t start = 0;
        for (std::size_t& bucket : starts)
            start += std::exchange(bucket, start);
        for (std::size_t at = 0; at < values.size(); ++at) {
            if (at % between == 0 && stopped && stopped())
                return false;
            sorted[starts[(values[at] >> shift) & digitMask]++] = values[at];
        }
        values.swap(sorted);
    }
    return true;
}

}  // namespace

SeedLine readSeedLine(SeedListReader& reader, std::string_view line, std::int32_t& seed, std::string& problem) {
    ++reader.lines;
    const auto where = [&] { return "ligne " + std::to_string(reader.lines) + " : " + quoted(line); };
    if (reader.lines == 1 && isHeader(line)) {
        reader.csvColumns = line.size() == csvHeader.size() ? plainColumns : densestColumns;
        reader.header = true;
        return SeedLine::header;
    }
    const std::size_t columns = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
    if (reader.lines == 1 && columns == 1)
        reader.plainSeeds = true;
    if (reader.lines == 1 && (columns == plainColumns || columns == densestColumns))
        reader.csvColumns = columns;
    if (!readSeed(line.substr(0, line.find(',')), seed)) {
        problem = where() + " n'est pas une graine, un entier de -2147483648 \xE0 2147483647";
        return SeedLine::bad;
    }
    if (columns > 1 && reader.plainSeeds) {
        problem = where() + " est une ligne de CSV, dans une liste d'une graine par ligne";
        return SeedLine::bad;
    }
    if ((columns > 1 || reader.csvColumns != 0) && columns != reader.csvColumns) {
        problem = where() + " n'a pas les " +
                  std::to_string(reader.csvColumns == 0 ? plainColumns : reader.csvColumns) +
                  " colonnes du CSV de levelseek";
        return SeedLine::bad;
    }
    if (const std::string_view column = notAnInteger(line); !column.empty()) {
        problem = where() + " : la colonne " + std::string(column) + " n'est pas un nombre entier";
        return SeedLine::bad;
    }
    return SeedLine::seed;
}

bool firstPlaces(std::vector<std::int32_t> seeds, std::uint64_t firstLine, std::uint64_t skipped,
                 const std::function<bool()>& stopped, SeedList& list) {
    constexpr std::size_t between = std::size_t{1} << 16;
    // The distinct seeds in ascending order of their bits, each with a mark
    // once its first place is seen.
    std::vector<std::uint32_t> distinct(seeds.size());
    std::transform(seeds.begin(), seeds.end(), distinct.begin(),
                   [](std::int32_t seed) { return static_cast<std::uint32_t>(seed); });
    if (!sortStoppably(distinct, stopped))
        return false;
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<bool> seen(distinct.size(), false);
    list.kept.assign(seeds.size(), false);
    list.firstLine = firstLine;
    std::size_t count = 0;
    for (std::size_t at = 0; at < seeds.size(); ++at) {
        if (at % between == 0 && stopped && stopped())
            return false;
        const auto bits = static_cast<std::uint32_t>(seeds[at]);
        const auto place =
            static_cast<std::size_t>(std::lower_bound(distinct.begin(), distinct.end(), bits) - distinct.begin());
        if (seen[place])
            continue;
        seen[place] = true;
        if (firstLine + at <= skipped)
            continue;
        list.kept[at] = true;
        seeds[count++] = seeds[at];
    }
    seeds.resize(count);
    list.seeds = std::move(seeds);
    return true;
}

std::uint64_t lineOf(const SeedList& list, std::size_t place) {
    std::size_t index = 0;
    for (std::size_t found = 0; index < list.kept.size(); ++index) {
        if (list.kept[index] && found++ == place)
            break;
    }
    return list.firstLine + index;
}

int readListLines(int descriptor, const std::function<bool(std::string_view)>& take,
                  const std::function<bool()>& stopped) {
    constexpr std::size_t chunk = std::size_t{1} << 16;
    constexpr std::size_t longestLine = 4096;
    std::string pending;
    std::string buffer(chunk, '\0');
    for (;;) {
        const ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR && stopped && stopped())
            return EINTR;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0) {
            if (!pending.empty())
                take(pending);
            return 0;
        }
        pending.append(buffer.data(), static_cast<std::size_t>(got));
        std::size_t start = 0;
        for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
            if (!take(std::string_view(pending).substr(start, end - start)))
                return 0;
        }
        pending.erase(0, start);
        if (pending.size() > longestLine) {
            take(pending);
            return 0;
        }
    }
}
