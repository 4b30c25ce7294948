// The strict level reader. Its messages go to the user as they are, so
// they say in French what is wrong and where; e acute is the byte 0xE9.
// Well-formed lines take a fast path; anything else, and a line split
// between two chunks, takes the careful path, which says what is wrong.

#include "level_reader.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr std::array<std::string_view, 4> fieldNames{"x", "y", "speedX", "speedY"};
constexpr std::int32_t verticalRange = 600;
constexpr std::int64_t decimalBase = 10;
constexpr std::size_t longestEchoedField = 20;
constexpr std::size_t longestNumber = 10;  // digits of 2147483648
constexpr std::int64_t largestMagnitude = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;

bool allowed(char character) {
    return (character >= '0' && character <= '9') || character == '-' || character == ' ';
}

// A field echoed in a message is cut, so that a message stays one short line.
std::string echoed(std::string_view field) {
    if (field.size() <= longestEchoedField)
        return std::string(field);
    return std::string(field.substr(0, longestEchoedField)) + "...";
}

std::string quoted(std::string_view text) {
    return "\"" + echoed(text) + "\"";
}

std::string forbiddenCharacter(char character) {
    // The first byte of a Windows line end: said as such, whatever follows.
    if (character == '\r')
        return "fin de ligne Windows (CRLF) : l'octet 0x0D est interdit, une ligne finit par 0x0A seul";
    std::array<char, sizeof "0xFF"> code{};
    static_cast<void>(std::snprintf(code.data(), code.size(), "0x%02X", static_cast<unsigned char>(character)));
    return "caract\xE8re interdit (octet " + std::string(code.data()) + ")";
}

// Returns the problem with one field, or an empty string when it holds the
// shortest decimal form of a 32-bit integer, stored into value.
std::string parseField(std::string_view field, std::string_view name, std::int32_t& value) {
    std::string_view digits = field;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative)
        digits.remove_prefix(1);
    bool allDigits = !digits.empty();
    for (const char character : digits)
        allDigits = allDigits && character >= '0' && character <= '9';
    if (!allDigits)
        return std::string(name) + " : " + quoted(field) + " n'est pas un nombre entier";
    if ((digits.size() > 1 && digits.front() == '0') || (negative && digits == "0"))
        return std::string(name) + " : " + quoted(field) +
               " n'est pas \xE9"
               "crit sous sa forme la plus courte (z\xE9ro en t\xEAte ou -0)";
    std::int64_t magnitude = 0;
    for (const char character : digits) {
        magnitude = magnitude * decimalBase + (character - '0');
        if (magnitude > largestMagnitude)
            break;
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < std::numeric_limits<std::int32_t>::min() ||
        signedValue > std::numeric_limits<std::int32_t>::max())
        return std::string(name) + " : " + echoed(field) + " sort des entiers sur 32 bits";
    value = static_cast<std::int32_t>(signedValue);
    return {};
}

std::string fieldCount(std::size_t count) {
    // More than four is known before the line ends, whatever follows.
    return "4 nombres sont attendus (x y speedX speedY), la ligne en a " +
           (count > fieldNames.size() ? std::string("davantage") : std::to_string(count));
}

std::string emptyField() {
    return "espace en trop : les nombres sont s\xE9par\xE9s par une seule espace";
}

std::string belowPrevious(std::int32_t position, std::int32_t previousX) {
    return "x vaut " + std::to_string(position) +
           ", moins que le x de la ligne pr\xE9"
           "c\xE9"
           "dente (" +
           std::to_string(previousX) + ")";
}

std::string outsideRange(std::int32_t vertical) {
    return "y vaut " + std::to_string(vertical) + ", hors de 0 \xE0 599";
}

// Returns the problem with one line (without its line feed), or an empty
// string when it holds an asteroid, stored into asteroid.
std::string parseLine(std::string_view line, Asteroid& asteroid) {
    if (line.empty())
        return "ligne vide";
    for (const char character : line.substr(0, longestLine + 1)) {
        if (!allowed(character))
            return forbiddenCharacter(character);
    }
    if (line.size() > longestLine)
        return "ligne trop longue (plus de " + std::to_string(longestLine) + " octets)";
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    for (std::size_t begin = 0;;) {
        const std::size_t blank = line.find(' ', begin);
        const std::string_view field =
            line.substr(begin, blank == std::string_view::npos ? std::string_view::npos : blank - begin);
        if (field.empty())
            return emptyField();
        if (count < fields.size())
            fields[count] = field;
        ++count;
        if (blank == std::string_view::npos)
            break;
        begin = blank + 1;
    }
    if (count != fields.size())
        return fieldCount(count);
    std::array<std::int32_t, 4> values{};
    for (std::size_t index = 0; index < fields.size(); ++index) {
        std::string problem = parseField(fields[index], fieldNames[index], values[index]);
        if (!problem.empty())
            return problem;
    }
    asteroid = {values[0], values[1], values[2], values[3]};
    if (asteroid.y < 0 || asteroid.y >= verticalRange)
        return outsideRange(asteroid.y);
    return {};
}

// Returns what is already certain to be wrong with the start of a line
// whose line feed is still to come, or an empty string: a field that a
// blank ends (ill-formed, a y outside 0..599, an x below the previous
// line's), a fifth field, an empty field, or a leading zero.
std::string certainProblem(std::string_view start, const LevelReader& reader) {
    std::size_t index = 0;
    for (std::size_t begin = 0;; begin = start.find(' ', begin) + 1, ++index) {
        const std::size_t blank = start.find(' ', begin);
        const std::string_view field = start.substr(begin, blank == std::string_view::npos ? blank : blank - begin);
        if (blank == std::string_view::npos) {
            // Unfinished: only a zero followed by a digit is already wrong.
            const std::string_view digits = field.starts_with('-') ? field.substr(1) : field;
            std::int32_t ignored = 0;
            if (index < fieldNames.size() && digits.size() >= 2 && digits[0] == '0' && digits[1] >= '0' &&
                digits[1] <= '9')
                return parseField(field, fieldNames[index], ignored);
            return {};
        }
        if (field.empty())
            return emptyField();
        if (index + 1 == fieldNames.size())
            return fieldCount(fieldNames.size() + 1);
        std::int32_t value = 0;
        if (std::string problem = parseField(field, fieldNames[index], value); !problem.empty())
            return problem;
        if (index == 1 && (value < 0 || value >= verticalRange))
            return outsideRange(value);
        if (index == 0 && reader.lineNumber > 0 && value < reader.previousX)
            return belowPrevious(value, reader.previousX);
    }
}

// Reads one shortest decimal 32-bit field and the separator that must
// follow it. Returns false for anything else, leaving the message to
// parseLine().
inline bool takeField(const char*& position, const char* end, char separator, std::int32_t& value) {
    const bool negative = position != end && *position == '-';
    if (negative)
        ++position;
    const char* const first = position;
    std::uint64_t magnitude = 0;  // wraps harmlessly on long runs of digits, which are refused below
    for (; position != end; ++position) {
        const auto digit = static_cast<unsigned>(static_cast<unsigned char>(*position) - '0');
        if (digit >= static_cast<unsigned>(decimalBase))
            break;
        magnitude = magnitude * decimalBase + digit;
    }
    const auto digits = static_cast<std::size_t>(position - first);
    if (digits == 0 || digits > longestNumber || (*first == '0' && (digits > 1 || negative)) || position == end ||
        *position != separator)
        return false;
    ++position;
    if (magnitude > static_cast<std::uint64_t>(largestMagnitude) - (negative ? 0 : 1))
        return false;
    const auto signedMagnitude = static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(negative ? -signedMagnitude : signedMagnitude);
    return true;
}

// Reads a well-formed line, line feed included, from the start of text into
// reader and asteroids, and returns its length; returns 0 for anything else.
inline std::size_t takeLineQuickly(LevelReader& reader, std::string_view text, std::vector<Asteroid>& asteroids) {
    const char* position = text.data();
    const char* const end = position + text.size();
    Asteroid asteroid;
    if (!takeField(position, end, ' ', asteroid.x) || !takeField(position, end, ' ', asteroid.y) ||
        !takeField(position, end, ' ', asteroid.speedX) || !takeField(position, end, '\n', asteroid.speedY) ||
        asteroid.y < 0 || asteroid.y >= verticalRange || (reader.lineNumber > 0 && asteroid.x < reader.previousX))
        return 0;
    ++reader.lineNumber;
    reader.previousX = asteroid.x;
    asteroids.push_back(asteroid);
    return static_cast<std::size_t>(position - text.data());
}

bool fail(LevelReader& reader, std::int64_t lineNumber, std::string description) {
    reader.error = {lineNumber, std::move(description)};
    return false;
}

// Takes one whole line (without its line feed) into asteroids.
bool takeLine(LevelReader& reader, std::string_view line, std::vector<Asteroid>& asteroids) {
    const std::int64_t lineNumber = reader.lineNumber + 1;
    Asteroid asteroid;
    if (std::string problem = parseLine(line, asteroid); !problem.empty())
        return fail(reader, lineNumber, std::move(problem));
    if (reader.lineNumber > 0 && asteroid.x < reader.previousX)
        return fail(reader, lineNumber, belowPrevious(asteroid.x, reader.previousX));
    reader.lineNumber = lineNumber;
    reader.previousX = asteroid.x;
    asteroids.push_back(asteroid);
    return true;
}

// Keeps the start of a line until its line feed comes. Whatever is already
// certain to be wrong with it is reported now rather than at its end; when
// part ends the line, the whole line is judged next instead.
bool keepUnfinished(LevelReader& reader, std::string_view part, bool endsLine) {
    const std::size_t room = longestLine + 1 - reader.unfinishedLine.size();
    const std::string_view kept = part.substr(0, room);
    for (const char character : kept) {
        if (!allowed(character))
            return fail(reader, reader.lineNumber + 1, forbiddenCharacter(character));
    }
    reader.unfinishedLine.append(kept);
    if (reader.unfinishedLine.size() > longestLine) {
        Asteroid ignored;
        return fail(reader, reader.lineNumber + 1, parseLine(reader.unfinishedLine, ignored));
    }
    if (endsLine)
        return true;
    if (std::string problem = certainProblem(reader.unfinishedLine, reader); !problem.empty())
        return fail(reader, reader.lineNumber + 1, std::move(problem));
    return true;
}

}  // namespace

bool readLevelChunk(LevelReader& reader, std::string_view chunk, std::vector<Asteroid>& asteroids) {
    asteroids.clear();
    while (!chunk.empty()) {
        if (reader.unfinishedLine.empty()) {
            if (const std::size_t length = takeLineQuickly(reader, chunk, asteroids); length > 0) {
                chunk.remove_prefix(length);
                continue;
            }
        }
        const void* const found = std::memchr(chunk.data(), '\n', chunk.size());
        if (found == nullptr)
            return keepUnfinished(reader, chunk, false);
        const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - chunk.data());
        if (reader.unfinishedLine.empty()) {
            if (!takeLine(reader, chunk.substr(0, length), asteroids))
                return false;
        } else {
            if (!keepUnfinished(reader, chunk.substr(0, length), true))
                return false;
            std::string line;
            line.swap(reader.unfinishedLine);
            if (!takeLine(reader, line, asteroids))
                return false;
        }
        chunk.remove_prefix(length + 1);
    }
    return true;
}

bool finishLevel(LevelReader& reader) {
    if (reader.unfinishedLine.empty())
        return true;
    Asteroid ignored;
    std::string problem = parseLine(reader.unfinishedLine, ignored);
    if (problem.empty())
        problem = "la derni\xE8re ligne ne se termine pas par un saut de ligne";
    return fail(reader, reader.lineNumber + 1, std::move(problem));
}
