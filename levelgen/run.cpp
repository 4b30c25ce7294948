// Reading the five values, and the texts of the run. Every
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

}  // namespace

const std::string_view summaryPrefix = "Le level a \xE9t\xE9 cr\xE9\xE9 avec ";
const std::string_view summarySuffix = " asteroides.";

bool readParameters(std::istream& input, std::ostream& output, LevelParameters& parameters, TextForm form) {
    for (const Question& question : questions) {
        if (form != nullptr)
            output << form(question.prompt) << std::flush;
        else
            output << question.prompt << std::flush;
        // A failed read leaves the stream failed, so the later reads fail at
        // once and their prompts follow one another without waiting.
        input >> parameters.*question.field;
    }
    return input.good();
}

std::string_view messageFor(Failure failure, ParameterProblem refusal) {
    switch (failure) {
    case Failure::none:
        return {};
    case Failure::unreadableInput:
        return "Erreur lors de la saisie.\n";
    case Failure::refusedParameters:
        return refusalFor(refusal);
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
