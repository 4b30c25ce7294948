// The options take their value from the next argument or after "=", may
// come before, between or after the limits, and "--" ends them.

#include "seek_request.h"

#include "decimal_integer.h"
#include "user_text.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t longestEchoed = 40;

struct Limit {
    std::int32_t LevelParameters::*field;
    std::string_view name;
};

const std::array<Limit, 4> limitFields{{
    {&LevelParameters::levelLength, "la longueur du level"},
    {&LevelParameters::maxDistance, "la distance max"},
    {&LevelParameters::maxSpeedX, "la vitesse horizontale maximale"},
    {&LevelParameters::maxSpeedY, "la vitesse verticale maximale"},
}};

// An argument quoted in a message is cut, so that a message stays short,
// and set apart, so that it is shown as the user's bytes and not as text.
std::string echoed(std::string_view text) {
    const bool cut = text.size() > longestEchoed;
    return markedUserBytes(text.substr(0, longestEchoed)) + (cut ? "..." : "");
}

bool looksNegative(std::string_view argument) {
    return argument.size() >= 2 && argument[0] == '-' && argument[1] >= '0' && argument[1] <= '9';
}

// Reads an integer, the whole of text, into a value from lowest to
// highest. Returns the problem, or an empty string.
std::string parseNumber(std::string_view text, std::string_view what, std::int64_t lowest, std::int64_t highest,
                        std::int64_t& value) {
    const IntegerReading reading = readInteger(text, value);
    if (reading == IntegerReading::notInteger)
        return std::string(what) + " : \"" + echoed(text) + "\" n'est pas un nombre entier";
    const bool fits = reading == IntegerReading::integer;
    if (fits && value >= lowest && value <= highest)
        return {};
    // A bound of 2^63 - 1 only says "no bound" to a reader: name the other.
    if (highest == INT64_MAX)
        return std::string(what) + " : " + echoed(text) +
               (fits ? " est inf\xE9rieur \xE0 " + std::to_string(lowest) : std::string(" est bien trop grand"));
    return std::string(what) + " : " + echoed(text) + " est hors de " + std::to_string(lowest) + " \xE0 " +
           std::to_string(highest);
}

// Reads MIN..MAX, MIN.., ..MAX or N into bounds within lowest..highest; an
// open end is lowest or highest.
std::string parseRange(std::string_view text, std::string_view what, std::int64_t lowest, std::int64_t highest,
                       Bounds& bounds) {
    const std::size_t dots = text.find("..");
    std::string problem;
    bounds = {lowest, highest};
    if (dots == std::string_view::npos) {
        problem = parseNumber(text, what, lowest, highest, bounds.lowest);
        bounds.highest = bounds.lowest;
        return problem;
    }
    const std::string_view low = text.substr(0, dots);
    const std::string_view high = text.substr(dots + 2);
    if (!low.empty())
        problem = parseNumber(low, what, lowest, highest, bounds.lowest);
    if (problem.empty() && !high.empty())
        problem = parseNumber(high, what, lowest, highest, bounds.highest);
    if (problem.empty() && bounds.lowest > bounds.highest)
        problem = std::string(what) + " : le minimum " + std::to_string(bounds.lowest) + " d\xE9passe le maximum " +
                  std::to_string(bounds.highest);
    return problem;
}

// --densest FENETRE:INTERVALLE, the range possibly empty.
std::string parseDensest(std::string_view text, SeekRequest& request) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return "--densest attend FEN\xCATRE:INTERVALLE, par exemple 100:5.. ou 100:";
    std::int64_t window = 0;
    std::string problem = parseNumber(text.substr(0, colon), "la fen\xEAtre de --densest", 1, INT32_MAX, window);
    if (!problem.empty())
        return problem;
    request.constraints.window = window;
    request.densestColumn = true;
    // A --densest given again replaces the first whole, its range too.
    request.constraints.densest = Bounds{};
    const std::string_view range = text.substr(colon + 1);
    if (range.empty())
        return {};
    return parseRange(range, "--densest", 0, INT64_MAX, request.constraints.densest);
}

// Applies one option and its value. Returns the problem, or an empty string.
std::string applyOption(std::string_view name, std::string_view value, SeekRequest& request) {
    std::int64_t number = 0;
    std::string problem;
    if (name == "--seeds") {
        Bounds seeds;
        problem = parseRange(value, "--seeds", INT32_MIN, INT32_MAX, seeds);
        request.firstSeed = seeds.lowest;
        request.lastSeed = seeds.highest;
        request.seedRange = true;
    } else if (name == "--seeds-from") {
        if (value.empty())
            return "--seeds-from attend un nom de fichier, ou - pour l'entr\xE9"
                   "e standard";
        request.seedsFrom = std::string(value);
    } else if (name == "--skip") {
        problem = parseNumber(value, "--skip", 0, INT64_MAX, number);
        request.skip = static_cast<std::uint64_t>(number);
    } else if (name == "--count") {
        problem = parseRange(value, "--count", 0, INT64_MAX, request.constraints.count);
    } else if (name == "--clear-start") {
        problem = parseNumber(value, "--clear-start", INT32_MIN, INT32_MAX, number);
        request.constraints.clearStart = number;
    } else if (name == "--longest-gap") {
        problem = parseRange(value, "--longest-gap", 0, INT32_MAX, request.constraints.longestGap);
    } else if (name == "--densest") {
        problem = parseDensest(value, request);
    } else if (name == "--first") {
        problem = parseNumber(value, "--first", 1, INT64_MAX, number);
        request.mostMatches = static_cast<std::uint64_t>(number);
    } else if (name == "--threads") {
        problem = parseNumber(value, "--threads", 1, mostThreads, number);
        request.threads = static_cast<unsigned>(number);
    }
    return problem;
}

bool takesValue(std::string_view name) {
    constexpr std::array<std::string_view, 9> withValues{"--seeds",   "--seeds-from",  "--skip",
                                                         "--count",   "--clear-start", "--longest-gap",
                                                         "--densest", "--first",       "--threads"};
    return std::find(withValues.begin(), withValues.end(), name) != withValues.end();
}

// Reads the option at arguments[index], and its value, which may be the
// next argument (index then moves on to it).
std::string readOption(const std::vector<std::string_view>& arguments, std::size_t& index, SeekRequest& request) {
    const std::string_view argument = arguments[index];
    if (argument == "-h" || argument == "--help") {
        request.help = true;
        return {};
    }
    if (argument == "--version") {
        request.version = true;
        return {};
    }
    if (argument == "--csv") {
        request.csv = true;
        return {};
    }
    if (argument == "--no-header") {
        request.header = false;
        return {};
    }
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    if (!takesValue(name))
        return "option inconnue : " + echoed(name);
    std::string_view value;
    if (equals != std::string_view::npos)
        value = argument.substr(equals + 1);
    else if (index + 1 < arguments.size())
        value = arguments[++index];
    else
        return "l'option " + std::string(name) + " attend une valeur";
    return applyOption(name, value, request);
}

}  // namespace

const std::string_view seekUsage =
    "Usage : levelseek [OPTIONS] LONGUEUR DISTANCE VITESSE_X VITESSE_Y\n"
    "Cherche, parmi les graines de levelgen, celles dont le level remplit toutes\n"
    "les conditions donn\xE9"
    "es. LONGUEUR DISTANCE VITESSE_X VITESSE_Y sont les quatre\n"
    "limites que l'on donnerait \xE0 levelgen apr\xE8s la graine. \xC9"
    "crit une graine par\n"
    "ligne, en ordre croissant.\n"
    "\n"
    "  --seeds INTERVALLE       graines \xE0 parcourir\n"
    "                           (d\xE9"
    "faut : -2147483648..2147483647)\n"
    "  --seeds-from FICHIER     graines \xE0 examiner, une par ligne (ou la sortie\n"
    "                           --csv de levelseek), dans leur ordre ; - pour\n"
    "                           l'entr\xE9"
    "e standard\n"
    "  --skip N                 avec --seeds-from, saute les N premi\xE8res lignes,\n"
    "                           d\xE9j\xE0 examin\xE9"
    "es\n"
    "  --count INTERVALLE       nombre d'asteroides du level\n"
    "  --clear-start N          aucun asteroide n'a un x inf\xE9rieur \xE0 N\n"
    "  --longest-gap INTERVALLE plus grand \xE9"
    "cart de x entre deux asteroides voisins\n"
    "  --densest FEN\xCATRE:INTERVALLE\n"
    "                           plus grand nombre d'asteroides dont les x tiennent\n"
    "                           dans FEN\xCATRE unit\xE9s cons\xE9"
    "cutives (INTERVALLE peut\n"
    "                           \xEAtre vide : FEN\xCATRE:)\n"
    "  --first N                s'arr\xEAte apr\xE8s les N plus petites graines trouv\xE9"
    "es\n"
    "  --threads N              nombre de threads (d\xE9"
    "faut : un par processeur\n"
    "                           disponible)\n"
    "  --csv                    \xE9"
    "crit du CSV : seed,count,first_x,last_x,longest_gap,\n"
    "                           et densest_FEN\xCATRE avec --densest\n"
    "  --no-header              sans la ligne d'en-t\xEAte du CSV (pour les morceaux\n"
    "                           d'une recherche partag\xE9"
    "e, apr\xE8s le premier)\n"
    "  -h, --help               affiche cette aide\n"
    "  --version                affiche la version\n"
    "\n"
    "Un INTERVALLE est MIN..MAX, MIN.., ..MAX, .. (tout) ou un seul entier ; les\n"
    "bornes sont comprises. Un nombre n\xE9gatif est une valeur, jamais une option.\n"
    "Avec --seeds-from, une graine trouv\xE9"
    "e est \xE9"
    "crite une fois, \xE0 sa premi\xE8re place.\n"
    "Code de sortie : 0 si l'intervalle a \xE9t\xE9 parcouru (ou --first atteint), 1 en\n"
    "cas d'erreur, 128 plus le num\xE9ro du signal si SIGINT ou SIGTERM l'interrompt ;\n"
    "il dit alors sur la sortie d'erreur comment reprendre.\n";

std::string parseSeekRequest(const std::vector<std::string_view>& arguments, SeekRequest& request) {
    std::vector<std::string_view> limits;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (optionsEnded || argument.empty() || argument[0] != '-' || looksNegative(argument))
            limits.push_back(argument);
        else if (argument == "--")
            optionsEnded = true;
        else if (std::string problem = readOption(arguments, index, request); !problem.empty())
            return problem;
    }
    if (request.help || request.version)
        return {};
    if (request.seedRange && !request.seedsFrom.empty())
        return "--seeds et --seeds-from ne vont pas ensemble : une plage ou une liste de graines";
    if (request.skip != 0 && request.seedsFrom.empty())
        return "--skip ne va qu'avec --seeds-from";
    if (limits.size() != limitFields.size())
        return "il faut quatre limites, LONGUEUR DISTANCE VITESSE_X VITESSE_Y, et non " + std::to_string(limits.size());
    for (std::size_t index = 0; index < limits.size(); ++index) {
        std::int64_t value = 0;
        if (std::string problem = parseNumber(limits[index], limitFields[index].name, INT32_MIN, INT32_MAX, value);
            !problem.empty())
            return problem;
        request.limits.*limitFields[index].field = static_cast<std::int32_t>(value);
    }
    return {};
}
