// The dialogue's halves that can be called on their own: reading the five
// values and the messages each way a run can fail. main() wires them to the
// check of the values, the draw and the level file.
#pragma once

#include "level.h"
#include "level_parameters.h"

#include <iosfwd>
#include <string>
#include <string_view>

// How a run ends. Each failure has one message and exit status 1.
enum class Failure {
    none,
    unreadableInput,
    refusedParameters,  // checkParameters() found a value at fault
    cannotOpen,
    cannotWrite,
    lostOutput,
};

// How a text reaches the person who reads it: nullptr for the ISO-8859-1
// bytes as they are (what scripts rely on), or a conversion into the
// character set of the user's terminal.
using TextForm = std::string (*)(std::string_view latin1Text);

// Writes the five prompts to output, in form, flushing before each read,
// and reads the five values from input into parameters. All five prompts
// are written even after a failed read. Returns true only when input is
// wholly good after the fifth read: no failed read and the end of input
// not reached.
bool readParameters(std::istream& input, std::ostream& output, LevelParameters& parameters, TextForm form = nullptr);

// Returns the line written to standard error for failure, line feed
// included, in ISO-8859-1; for Failure::refusedParameters, the line that
// refuses refusal. Empty for Failure::none.
std::string_view messageFor(Failure failure, ParameterProblem refusal = ParameterProblem::none);

// Returns the process exit status for failure: 0 for none, 1 otherwise.
int exitStatusFor(Failure failure);

// The summary is this text, then the count, then summarySuffix, without a
// line end.
extern const std::string_view summaryPrefix;
extern const std::string_view summarySuffix;
