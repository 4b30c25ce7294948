// A seed is an optional minus sign and decimal digits, nothing else, in
// the 32-bit range: what levelseek itself writes. A CSV row has as many
// columns as levelseek's header says (five, or six with --densest).

#include "seed_list.h"

#include "user_text.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <numeric>

namespace {

constexpr std::string_view csvHeader = "seed,count,first_x,last_x,longest_gap";
constexpr std::string_view densestColumn = ",densest_";
constexpr std::size_t longestQuoted = 40;
constexpr std::size_t plainColumns = 5;
constexpr std::size_t densestColumns = 6;

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
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char character) { return character >= '0' && character <= '9'; }))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    return error == std::errc() && end == text.data() + text.size();
}

std::string quoted(std::string_view line) {
    const bool cut = line.size() > longestQuoted;
    return "\"" + markedUserBytes(line.substr(0, longestQuoted)) + (cut ? "...\"" : "\"");
}

}  // namespace

SeedLine readSeedLine(SeedListReader& reader, std::string_view line, std::int32_t& seed, std::string& problem) {
    ++reader.lines;
    if (reader.lines == 1 && isHeader(line)) {
        reader.csvColumns = line.size() == csvHeader.size() ? plainColumns : densestColumns;
        return SeedLine::header;
    }
    const std::size_t columns = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
    if (columns > 1 && reader.csvColumns == 0 && (columns == plainColumns || columns == densestColumns))
        reader.csvColumns = columns;
    const std::string_view first = line.substr(0, line.find(','));
    if (!readSeed(first, seed)) {
        problem = "ligne " + std::to_string(reader.lines) + " : " + quoted(line) +
                  " n'est pas une graine, un entier de -2147483648 \xE0 2147483647";
        return SeedLine::bad;
    }
    if (columns > 1 && columns != reader.csvColumns) {
        problem = "ligne " + std::to_string(reader.lines) + " : " + quoted(line) + " n'a pas les " +
                  std::to_string(reader.csvColumns == 0 ? plainColumns : reader.csvColumns) +
                  " colonnes du CSV de levelseek";
        return SeedLine::bad;
    }
    if (columns == 1 && reader.csvColumns != 0) {
        problem = "ligne " + std::to_string(reader.lines) + " : " + quoted(line) + " n'a pas les " +
                  std::to_string(reader.csvColumns) + " colonnes du CSV de levelseek";
        return SeedLine::bad;
    }
    return SeedLine::seed;
}

SeedList firstPlaces(std::vector<std::int32_t> seeds, std::vector<std::uint64_t> lines, std::uint64_t skipped) {
    // The places in seed order, the first place of a seed first.
    std::vector<std::uint32_t> order(seeds.size());
    std::iota(order.begin(), order.end(), 0U);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t left, std::uint32_t right) { return seeds[left] < seeds[right]; });
    std::vector<bool> kept(seeds.size(), false);
    for (std::size_t at = 0; at < order.size(); ++at) {
        const bool first = at == 0 || seeds[order[at]] != seeds[order[at - 1]];
        kept[order[at]] = first && lines[order[at]] > skipped;
    }
    order = {};
    SeedList list;
    for (std::size_t place = 0; place < seeds.size(); ++place) {
        if (kept[place]) {
            list.seeds.push_back(seeds[place]);
            list.lines.push_back(lines[place]);
        }
    }
    return list;
}

int readListLines(int descriptor, const std::function<bool(std::string_view)>& take) {
    constexpr std::size_t chunk = std::size_t{1} << 16;
    constexpr std::size_t longestLine = 4096;
    std::string pending;
    std::string buffer(chunk, '\0');
    for (;;) {
        const ssize_t got = read(descriptor, buffer.data(), buffer.size());
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
