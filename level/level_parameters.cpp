// The check of the five values and its messages. Every text is ISO-8859-1:
// an e acute is the byte 0xE9, written as an escape.

#include "level_parameters.h"

#include <cstdint>

namespace {

constexpr std::int64_t largestPosition = INT32_MAX;

}  // namespace

ParameterProblem checkParameters(const LevelParameters& parameters) {
    if (parameters.levelLength <= 0)
        return ParameterProblem::none;
    const std::int64_t distance = parameters.maxDistance;
    // A modulus of 0 divides by zero; one of 1 or -1 makes every gap 0, so
    // the position never reaches the length.
    if (distance >= -1 && distance <= 1)
        return ParameterProblem::unsupportedDistance;
    // The last asteroid lies at most |maxDistance| - 2 beyond the length.
    const std::int64_t magnitude = distance < 0 ? -distance : distance;
    if (std::int64_t{parameters.levelLength} + magnitude - 2 > largestPosition)
        return ParameterProblem::positionOverflow;
    if (parameters.maxSpeedX == 1)
        return ParameterProblem::unsupportedSpeedX;
    // Doubled with 32-bit wrapping, both of these give a modulus of 0.
    if (parameters.maxSpeedY == 0 || parameters.maxSpeedY == INT32_MIN)
        return ParameterProblem::unsupportedSpeedY;
    return ParameterProblem::none;
}

std::string_view refusalFor(ParameterProblem problem) {
    switch (problem) {
    case ParameterProblem::none:
        return {};
    case ParameterProblem::unsupportedDistance:
        return "La distance max entre 2 asteroides doit \xEAtre au moins 2 ou au plus -2.\n";
    case ParameterProblem::positionOverflow:
        return "La longueur du level et la distance max sont trop grandes : la longueur plus la distance max "
               "sans son signe, moins 2, doit rester au plus 2147483647.\n";
    case ParameterProblem::unsupportedSpeedX:
        return "La vitesse horizontale maximale doit \xEAtre diff\xE9rente de 1.\n";
    case ParameterProblem::unsupportedSpeedY:
        return "La vitesse verticale maximale doit \xEAtre diff\xE9rente de 0 et de -2147483648.\n";
    }
    return {};
}
