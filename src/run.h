// The dialogue's halves that can be called on their own: reading the five
// values, checking that the draw supports them, and the messages each way
// a run can fail. main() wires them to the draw and the level file.
#pragma once

#include "level.h"

#include <iosfwd>
#include <string_view>

// How a run ends. Each failure has one message and exit status 1.
enum class Failure {
    none,
    unreadableInput,
    unsupportedDistance,
    positionOverflow,
    unsupportedSpeedX,
    unsupportedSpeedY,
    cannotOpen,
    cannotWrite,
    lostOutput,
};

// Writes the five prompts to output, flushing before each read, and reads
// the five values from input into parameters. All five prompts are written
// even after a failed read. Returns true only when input is wholly good
// after the fifth read: no failed read and the end of input not reached.
bool readParameters(std::istream& input, std::ostream& output, LevelParameters& parameters);

// Returns Failure::none when the draw is defined for parameters, otherwise
// the first value at fault. With levelLength <= 0 nothing is drawn, so
// every value is accepted.
Failure checkParameters(const LevelParameters& parameters);

// Returns the line written to standard error for failure, line feed
// included, in ISO-8859-1. Empty for Failure::none.
std::string_view messageFor(Failure failure);

// Returns the process exit status for failure: 0 for none, 1 otherwise.
int exitStatusFor(Failure failure);

// The summary is this text, then the count, then summarySuffix, without a
// line end.
extern const std::string_view summaryPrefix;
extern const std::string_view summarySuffix;
