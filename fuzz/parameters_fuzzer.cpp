// Property fuzzer for the dialogue: arbitrary bytes go to the reading and the
// check of the five values, in-process. An independent reader decides what
// the bytes should have given; accepted parameters whose level is small are
// drawn and formatted, and every promise a reader of the level file relies
// on is checked. Any broken promise aborts with a line saying which.

#include "asteroid_draw.h"
#include "expected_prompts.h"
#include "level_file.h"
#include "run.h"

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// Drawing goes on only while the expected count of asteroids stays below
// this, so that every input is done in a few milliseconds.
constexpr std::int64_t largestDrawnLevel = 20000;

void require(bool holds, const char* promise) {
    if (!holds) {
        static_cast<void>(std::fprintf(stderr, "broken promise: %s\n", promise));
        std::abort();
    }
}

// Reads the five values by the rules of the dialogue, written out
// independently: white space skipped, an optional sign, decimal digits, a
// 32-bit range; a failure fails every later read; running into the end of
// input while reading marks it.
struct ReferenceReader {
    std::string_view input;
    std::size_t position = 0;
    bool failed = false;
    bool ended = false;

    std::int64_t read() {
        if (failed)
            return 0;
        while (position < input.size() && std::isspace(static_cast<unsigned char>(input[position])) != 0)
            ++position;
        bool negative = false;
        if (position < input.size() && (input[position] == '+' || input[position] == '-'))
            negative = input[position++] == '-';
        std::int64_t magnitude = 0;
        std::size_t digits = 0;
        while (position < input.size() && std::isdigit(static_cast<unsigned char>(input[position])) != 0) {
            magnitude = std::min<std::int64_t>(magnitude * 10 + (input[position++] - '0'), std::int64_t{1} << 40);
            ++digits;
        }
        ended = position == input.size();
        const std::int64_t value = negative ? -magnitude : magnitude;
        if (digits == 0 || value < INT32_MIN || value > INT32_MAX)
            failed = true;
        return value;
    }
};

ParameterProblem referenceCheck(const std::array<std::int64_t, 5>& values) {
    const std::int64_t length = values[1];
    const std::int64_t distance = values[2];
    if (length <= 0)
        return ParameterProblem::none;
    if (distance >= -1 && distance <= 1)
        return ParameterProblem::unsupportedDistance;
    if (length + (distance < 0 ? -distance : distance) - 2 > INT32_MAX)
        return ParameterProblem::positionOverflow;
    if (values[3] == 1)
        return ParameterProblem::unsupportedSpeedX;
    if (values[4] == 0 || values[4] == INT32_MIN)
        return ParameterProblem::unsupportedSpeedY;
    return ParameterProblem::none;
}

void checkOutcome(Failure failure, ParameterProblem refusal = ParameterProblem::none) {
    const std::string_view message = messageFor(failure, refusal);
    require(exitStatusFor(failure) == 1, "every failure exits with status 1");
    require(!message.empty() && message.back() == '\n' && message.find('\n') == message.size() - 1,
            "every failure writes exactly one line");
}

std::int32_t parseField(std::string_view& line) {
    const std::size_t end = line.find_first_of(" \n");
    require(end != std::string_view::npos && end > 0, "a line holds four fields");
    const std::string field(line.substr(0, end));
    require(field == std::to_string(std::strtol(field.c_str(), nullptr, 10)), "a field is a shortest decimal");
    line.remove_prefix(end + 1);
    return static_cast<std::int32_t>(std::strtol(field.c_str(), nullptr, 10));
}

void checkLevel(const LevelParameters& parameters) {
    const std::int64_t gapRange = std::abs(std::int64_t{parameters.maxDistance});
    if (parameters.levelLength > 0 && parameters.levelLength / (gapRange - 1) > largestDrawnLevel)
        return;
    std::int64_t count = 0;
    Asteroid previous;
    bool reachedTheEnd = false;
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        require(!reachedTheEnd, "no asteroid follows one at or beyond the length");
        require(asteroid.x >= previous.x, "x never decreases");
        require(asteroid.y >= 0 && asteroid.y < 600, "y is 0 to 599");
        require(std::int64_t{asteroid.x} <= std::int64_t{parameters.levelLength} + gapRange - 2,
                "the last asteroid is at most |maxDistance| - 2 beyond the length");
        reachedTheEnd = asteroid.x >= parameters.levelLength;
        LevelLineBuffer buffer;
        std::string_view line = formatAsteroid(asteroid, buffer);
        require(line.back() == '\n', "a line ends with a line feed");
        const Asteroid readBack{parseField(line), parseField(line), parseField(line), parseField(line)};
        require(line.empty(), "a line holds nothing but its four fields");
        require(readBack.x == asteroid.x && readBack.y == asteroid.y && readBack.speedX == asteroid.speedX &&
                    readBack.speedY == asteroid.speedY,
                "a line reads back to its asteroid");
        previous = asteroid;
        require(++count <= 8 * largestDrawnLevel + 1000, "the draw ends");
        return true;
    });
    require(reachedTheEnd == (parameters.levelLength > 0), "the last asteroid is at or beyond the length");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream input(bytes);
    std::ostringstream output;
    LevelParameters parameters;
    const bool readable = readParameters(input, output, parameters);
    require(output.str() == expectedPrompts, "all five prompts are written, whatever the input");

    ReferenceReader reference{bytes};
    std::array<std::int64_t, 5> values{};
    for (std::int64_t& value : values)
        value = reference.read();
    require(readable == (!reference.failed && !reference.ended), "the input check follows the reading rules");
    if (!readable) {
        checkOutcome(Failure::unreadableInput);
        return 0;
    }
    require(values == std::array<std::int64_t, 5>{parameters.seed, parameters.levelLength, parameters.maxDistance,
                                                  parameters.maxSpeedX, parameters.maxSpeedY},
            "the five values are read as written");
    const ParameterProblem refusal = checkParameters(parameters);
    require(refusal == referenceCheck(values), "exactly the unsupported parameters are refused");
    if (refusal != ParameterProblem::none) {
        checkOutcome(Failure::refusedParameters, refusal);
        return 0;
    }
    checkLevel(parameters);
    return 0;
}
