// Property fuzzer for levelview's reader: arbitrary bytes, cut into chunks
// of a size the first byte chooses, go to the streaming reader. An
// independent check of the line format decides which line, if any, is the
// first bad one and what every good line holds; the reader must agree, with
// a message that stays one short line. What it accepts is summarised and
// laid out, and every promise of the picture is checked.

#include "level_reader.h"
#include "level_summary.h"
#include "picture_layout.h"
#include "picture_properties.h"
#include "svg_text.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t longestMessage = 160;

void require(bool holds, const char* promise) {
    if (!holds) {
        static_cast<void>(std::fprintf(stderr, "broken promise: %s\n", promise));
        std::abort();
    }
}

// Returns whether text is one field in shortest decimal form of a 32-bit
// integer, stored into value.
bool referenceField(std::string_view text, std::int32_t& value) {
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos ||
        (digits.size() > 1 && digits[0] == '0') || text == "-0")
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

// Reads the level by the format's rules, written out independently.
// Returns the number of the first bad line, or 0 when every line is good.
std::int64_t referenceRead(std::string_view bytes, std::vector<Asteroid>& asteroids) {
    std::int64_t lineNumber = 0;
    while (!bytes.empty()) {
        ++lineNumber;
        const std::size_t lineEnd = bytes.find('\n');
        if (lineEnd == std::string_view::npos || lineEnd == 0 || lineEnd > longestLine)
            return lineNumber;
        std::string_view line = bytes.substr(0, lineEnd);
        std::int32_t values[4] = {};
        for (std::int32_t& value : values) {
            const std::size_t blank = line.find(' ');
            const bool last = &value == &values[3];
            if ((blank == std::string_view::npos) != last || !referenceField(line.substr(0, blank), value))
                return lineNumber;
            line = last ? std::string_view() : line.substr(blank + 1);
        }
        if (values[1] < 0 || values[1] > 599 || (!asteroids.empty() && values[0] < asteroids.back().x))
            return lineNumber;
        asteroids.push_back({values[0], values[1], values[2], values[3]});
        bytes.remove_prefix(lineEnd + 1);
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t chunkSize = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    LevelReader reader;
    LevelSummary summary;
    std::vector<Asteroid> read;
    std::vector<Asteroid> batch;
    bool good = true;
    for (std::size_t at = 0; good && at < bytes.size(); at += chunkSize) {
        good = readLevelChunk(reader, bytes.substr(at, chunkSize), batch);
        read.insert(read.end(), batch.begin(), batch.end());
    }
    good = good && finishLevel(reader);

    std::vector<Asteroid> expected;
    const std::int64_t badLine = referenceRead(bytes, expected);
    require(good == (badLine == 0), "exactly the levels that break the format are refused");
    require(read.size() == expected.size(), "the good lines before the first bad one are all read");
    for (std::size_t index = 0; index < read.size(); ++index)
        require(read[index].x == expected[index].x && read[index].y == expected[index].y &&
                    read[index].speedX == expected[index].speedX && read[index].speedY == expected[index].speedY,
                "every line reads as written");
    if (!good) {
        const std::string& message = reader.error.description;
        require(reader.error.lineNumber == badLine, "the first bad line is the one reported");
        require(!message.empty() && message.size() <= longestMessage &&
                    message.find_first_of("\n\r\x1B") == std::string::npos,
                "a message is one short line");
        return 0;
    }
    for (const Asteroid& asteroid : read)
        addAsteroid(summary, asteroid);
    const PictureLayout layout = layOutPicture(summary);
    const std::string problem = pictureProblem(read, layout);
    if (!problem.empty())
        require(false, problem.c_str());
    const std::string text = pictureText(layout, "level.txt");
    require(text.ends_with("</svg>\n"), "the picture is a whole document");
    return 0;
}
