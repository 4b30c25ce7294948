// Which values the draw is defined for, and the words that refuse the
// others. levelgen refuses them after its dialogue; levelview and levelseek
// refuse them with the very same words.
#pragma once

#include "level.h"

#include <string_view>

// The first value at fault in a set of parameters, if any.
enum class ParameterProblem {
    none,
    unsupportedDistance,  // maxDistance is -1, 0 or 1
    positionOverflow,     // levelLength + |maxDistance| - 2 passes 2^31 - 1
    unsupportedSpeedX,    // maxSpeedX is 1
    unsupportedSpeedY,    // maxSpeedY is 0 or -2^31
};

// Returns ParameterProblem::none when the draw is defined for parameters,
// otherwise the first value at fault. With levelLength <= 0 nothing is
// drawn, so every value is accepted.
ParameterProblem checkParameters(const LevelParameters& parameters);

// Returns the line that refuses problem, line feed included, in
// ISO-8859-1. Empty for ParameterProblem::none.
std::string_view refusalFor(ParameterProblem problem);
