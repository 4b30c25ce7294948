// The five prompts, as the user must see them, written out independently
// of the program's own texts so that a change there fails the checks.
#pragma once

#include <string_view>

constexpr std::string_view expectedPrompts =
    "Entrez la graine pour la g\xE9n\xE9ration du level : "
    "Entrez la longueur d\xE9sir\xE9"
    "e pour le level : "
    "Entrez la distance max entre 2 asteroides : "
    "Entrez la vitesse horizontale maximale des asteroides : "
    "Entrez la vitesse verticale maximale des asteroides : ";
