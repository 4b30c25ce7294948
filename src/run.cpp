// Reading and checking the five values, and the texts of the run. Every
// text is ISO-8859-1: an e acute is the byte 0xE9, written as an escape.
// A hex escape runs on through following hex digits, hence the split
// literals such as "d\xE9sir\xE9" "e".

#include "run.h"

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>

namespace {

struct Question {
    std::int32_t LevelParameters::*field;
    std::string_view prompt;
};

const std::array<Question, 5> questions{{
    {&LevelParameters::seed, "Entrez la graine pour la g\xE9n\xE9ration du level : "},
    {&LevelParameters::levelLength,
     "Entrez la longueur d\xE9sir\xE9"
     "e pour le level : "},
    {&LevelParameters::maxDistance, "Entrez la distance max entre 2 asteroides : "},
    {&LevelParameters::maxSpeedX, "Entrez la vitesse horizontale maximale des asteroides : "},
    {&LevelParameters::maxSpeedY, "Entrez la vitesse verticale maximale des asteroides : "},
}};

constexpr std::int64_t largestPosition = INT32_MAX;

}  // namespace

const std::string_view summaryPrefix = "Le level a \xE9t\xE9 cr\xE9\xE9 avec ";
const std::string_view summarySuffix = " asteroides.";

bool readParameters(std::istream& input, std::ostream& output, LevelParameters& parameters) {
    for (const Question& question : questions) {
        output << question.prompt << std::flush;
        // A failed read leaves the stream failed, so the later reads fail at
        // once and their prompts follow one another without waiting.
        input >> parameters.*question.field;
    }
    return input.good();
}

Failure checkParameters(const LevelParameters& parameters) {
    if (parameters.levelLength <= 0)
        return Failure::none;
    const std::int64_t distance = parameters.maxDistance;
    // A modulus of 0 divides by zero; one of 1 or -1 makes every gap 0, so
    // the position never reaches the length.
    if (distance >= -1 && distance <= 1)
        return Failure::unsupportedDistance;
    // The last asteroid lies at most |maxDistance| - 2 beyond the length.
    const std::int64_t magnitude = distance < 0 ? -distance : distance;
    if (std::int64_t{parameters.levelLength} + magnitude - 2 > largestPosition)
        return Failure::positionOverflow;
    if (parameters.maxSpeedX == 1)
        return Failure::unsupportedSpeedX;
    // Doubled with 32-bit wrapping, both of these give a modulus of 0.
    if (parameters.maxSpeedY == 0 || parameters.maxSpeedY == INT32_MIN)
        return Failure::unsupportedSpeedY;
    return Failure::none;
}

std::string_view messageFor(Failure failure) {
    switch (failure) {
    case Failure::none:
        return {};
    case Failure::unreadableInput:
        return "Erreur lors de la saisie.\n";
    case Failure::unsupportedDistance:
        return "La distance max entre 2 asteroides doit \xEAtre au moins 2 ou au plus -2.\n";
    case Failure::positionOverflow:
        return "La longueur du level et la distance max sont trop grandes : la longueur plus la distance max "
               "sans son signe, moins 2, doit rester au plus 2147483647.\n";
    case Failure::unsupportedSpeedX:
        return "La vitesse horizontale maximale doit \xEAtre diff\xE9rente de 1.\n";
    case Failure::unsupportedSpeedY:
        return "La vitesse verticale maximale doit \xEAtre diff\xE9rente de 0 et de -2147483648.\n";
    case Failure::cannotOpen:
        return "Impossible d'ouvrir le fichier.\n";
    case Failure::cannotWrite:
        return "Impossible d'\xE9"
               "crire dans le fichier.\n";
    case Failure::lostOutput:
        return "Impossible d'\xE9"
               "crire sur la sortie standard.\n";
    }
    return {};
}

int exitStatusFor(Failure failure) {
    return failure == Failure::none ? 0 : 1;
}
