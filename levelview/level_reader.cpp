// The strict level reader. Its messages go to the user as they are, so
// they say in French what is wrong and where; e acute is the byte 0xE9.

#include "level_reader.h"

#include <array>
#include <cstdio>
#include <limits>

namespace {

constexpr std::array<std::string_view, 4> fieldNames{"x", "y", "speedX", "speedY"};
constexpr std::int32_t verticalRange = 600;
constexpr std::int64_t decimalBase = 10;

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
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
        if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            break;
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < std::numeric_limits<std::int32_t>::min() ||
        signedValue > std::numeric_limits<std::int32_t>::max())
        return std::string(name) + " : " + std::string(field) + " sort des entiers sur 32 bits";
    value = static_cast<std::int32_t>(signedValue);
    return {};
}

// Returns the problem with one line (without its line feed), or an empty
// string when it holds an asteroid, stored into asteroid.
std::string parseLine(std::string_view line, Asteroid& asteroid) {
    if (line.empty())
        return "ligne vide";
    for (const char character : line) {
        if ((character < '0' || character > '9') && character != '-' && character != ' ') {
            std::array<char, sizeof "0xFF"> code{};
            static_cast<void>(std::snprintf(code.data(), code.size(), "0x%02X", static_cast<unsigned char>(character)));
            return "caract\xE8re interdit (octet " + std::string(code.data()) + ")";
        }
    }
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    for (std::size_t begin = 0;;) {
        const std::size_t blank = line.find(' ', begin);
        const std::string_view field =
            line.substr(begin, blank == std::string_view::npos ? std::string_view::npos : blank - begin);
        if (field.empty())
            return "espace en trop : les nombres sont s\xE9par\xE9s par une seule espace";
        if (count < fields.size())
            fields[count] = field;
        ++count;
        if (blank == std::string_view::npos)
            break;
        begin = blank + 1;
    }
    if (count != fields.size())
        return "4 nombres sont attendus (x y speedX speedY), la ligne en a " + std::to_string(count);
    std::array<std::int32_t, 4> values{};
    for (std::size_t index = 0; index < fields.size(); ++index) {
        std::string problem = parseField(fields[index], fieldNames[index], values[index]);
        if (!problem.empty())
            return problem;
    }
    asteroid = {values[0], values[1], values[2], values[3]};
    if (asteroid.y < 0 || asteroid.y >= verticalRange)
        return "y vaut " + std::to_string(asteroid.y) + ", hors de 0 \xE0 599";
    return {};
}

}  // namespace

bool readLevel(std::string_view content, std::vector<Asteroid>& asteroids, LevelError& error) {
    asteroids.clear();
    std::int64_t lineNumber = 0;
    while (!content.empty()) {
        ++lineNumber;
        const std::size_t end = content.find('\n');
        Asteroid asteroid;
        std::string problem = parseLine(content.substr(0, end), asteroid);
        if (problem.empty() && end == std::string_view::npos)
            problem = "la derni\xE8re ligne ne se termine pas par un saut de ligne";
        if (problem.empty() && !asteroids.empty() && asteroid.x < asteroids.back().x)
            problem = "x vaut " + std::to_string(asteroid.x) +
                      ", moins que le x de la ligne pr\xE9"
                      "c\xE9"
                      "dente (" +
                      std::to_string(asteroids.back().x) + ")";
        if (!problem.empty()) {
            error = {lineNumber, std::move(problem)};
            return false;
        }
        asteroids.push_back(asteroid);
        content.remove_prefix(end + 1);
    }
    return true;
}
