// levelview: draws a level file written by levelgen as an SVG picture, so
// that a level designer can see where it is dense, where it is empty and
// where the fast asteroids are before the game loads it. The level is read
// once, as a stream, into a summary whose size does not depend on it; only
// then is the picture laid out, written out and put in place.

#include "level_reader.h"
#include "level_summary.h"
#include "picture_layout.h"
#include "picture_output.h"
#include "svg_text.h"

#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t readChunk = std::size_t{1} << 18;
constexpr char firstPrintable = 0x20;
constexpr char deleteCharacter = 0x7F;

constexpr std::string_view usage =
    "Usage : levelview [-o IMAGE] [--] [LEVEL]\n"
    "Dessine le level LEVEL (par d\xE9"
    "faut level.txt ; - pour l'entr\xE9"
    "e standard) dans une image SVG\n"
    "\xE0 ouvrir dans un navigateur. L'image de NOM.txt est NOM.svg, \xE0 c\xF4t\xE9 ; celle de\n"
    "l'entr\xE9"
    "e standard va sur la sortie standard.\n"
    "\n"
    "  -o IMAGE   \xE9"
    "crit l'image dans IMAGE (- pour la sortie standard)\n"
    "  -h, --help affiche cette aide\n"
    "  --version  affiche la version\n"
    "  --         termine les options (pour un level dont le nom commence par -)\n"
    "\n"
    "Une image existante est remplac\xE9"
    "e d'un coup, par un fichier temporaire renomm\xE9 ;\n"
    "un lien symbolique est suivi ; un tube ou un p\xE9riph\xE9rique re\xE7oit l'image\n"
    "directement. Le level lui-m\xEAme n'est jamais \xE9"
    "cras\xE9.\n"
    "\n"
    "Le level doit avoir une ligne \"x y speedX speedY\" par asteroide, en entiers\n"
    "d\xE9"
    "cimaux sur 32 bits s\xE9par\xE9s par une espace, y de 0 \xE0 599, x jamais en baisse.\n"
    "L'image garde les proportions du level (une unit\xE9 a la m\xEAme longueur en x et\n"
    "en y), montre chaque asteroide et sa vitesse, ou des cases de densit\xE9 au-del\xE0\n"
    "de 20000 asteroides, et un profil de densit\xE9 le long du level.\n"
    "Code de sortie : 0 si l'image a \xE9t\xE9 \xE9"
    "crite, 1 sinon.\n";

struct Options {
    std::string level = "level.txt";
    std::string picture;  // empty: named after the level
    bool help = false;
    bool version = false;
};

// Returns a name as it can be shown on a terminal: control bytes escaped.
std::string shown(std::string_view name) {
    std::string result;
    for (const char character : name) {
        if (static_cast<unsigned char>(character) < firstPrintable || character == deleteCharacter) {
            std::array<char, sizeof "\\xFF"> code{};
            static_cast<void>(
                std::snprintf(code.data(), code.size(), "\\x%02X", static_cast<unsigned char>(character)));
            result += code.data();
        } else {
            result += character;
        }
    }
    return result;
}

// Returns the problem with the arguments, or an empty string.
std::string parseArguments(int argumentCount, char** arguments, Options& options) {
    const std::array<option, 3> longOptions{
        {{"help", no_argument, nullptr, 'h'}, {"version", no_argument, nullptr, 'V'}, {nullptr, 0, nullptr, 0}}};
    opterr = 0;
    for (;;) {
        const int found = getopt_long(argumentCount, arguments, ":o:h", longOptions.data(), nullptr);
        if (found == -1)
            break;
        if (found == 'h')
            options.help = true;
        else if (found == 'V')
            options.version = true;
        else if (found == 'o')
            options.picture = optarg;
        else if (found == ':')
            return "l'option -o attend le nom de l'image";
        else
            return "option inconnue : " + shown(arguments[optind - 1]);
    }
    if (argumentCount - optind > 1)
        return "un seul level \xE0 la fois";
    if (argumentCount - optind == 1)
        options.level = arguments[optind];
    return {};
}

// The picture's default name: NAME.txt gives NAME.svg beside it, any other
// name gets .svg added, and standard input's picture goes to standard output.
std::string defaultPicture(const std::string& level) {
    if (level == "-")
        return "-";
    const std::string_view extension = ".txt";
    const std::size_t slash = level.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (level.size() > base + extension.size() && level.ends_with(extension))
        return level.substr(0, level.size() - extension.size()) + ".svg";
    return level + ".svg";
}

enum class Reading {
    whole,       // read to its end, every line good
    malformed,   // stopped at the first bad line
    unreadable,  // the system could not read it
};

// Reads the level from descriptor to its end, or to its first bad line.
Reading readSummary(int descriptor, LevelSummary& summary, LevelReader& reader) {
    std::vector<char> buffer(readChunk);
    std::vector<Asteroid> asteroids;
    for (;;) {
        const ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Reading::unreadable;
        if (got == 0)
            return finishLevel(reader) ? Reading::whole : Reading::malformed;
        const bool good = readLevelChunk(reader, {buffer.data(), static_cast<std::size_t>(got)}, asteroids);
        for (const Asteroid& asteroid : asteroids)
            addAsteroid(summary, asteroid);
        if (!good)
            return Reading::malformed;
    }
}

// Writes a message for the user; returns the exit status of a failure.
int failure(const std::string& message) {
    std::cerr << message << '\n';
    return 1;
}

std::string cannotWrite(const std::string& picture) {
    return picture == "-" ? "Impossible d'\xE9"
                            "crire l'image sur la sortie standard."
                          : "Impossible d'\xE9"
                            "crire l'image " +
                                shown(picture) + ".";
}

// Returns the exit status; every message is written here.
int view(const Options& options) {
    const std::string& level = options.level;
    const std::string picture = options.picture.empty() ? defaultPicture(level) : options.picture;
    const int descriptor = level == "-" ? STDIN_FILENO : open(level.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat levelStatus {};
    if (descriptor < 0 || fstat(descriptor, &levelStatus) != 0)
        return failure("Impossible de lire le fichier " + shown(level) + ".");
    const std::string levelName = level == "-" ? "entr\xE9"
                                                 "e standard"
                                               : level;
    PictureOutput output;
    const OutputOpening opening = openPictureOutput(picture, levelStatus, output);
    if (opening == OutputOpening::sameAsLevel)
        return failure("levelview : l'image " + shown(picture) +
                       " est le level lui-m\xEAme ; choisissez un autre nom avec -o.");
    if (opening == OutputOpening::failed)
        return failure(cannotWrite(picture));

    LevelSummary summary;
    LevelReader reader;
    const Reading reading = readSummary(descriptor, summary, reader);
    if (descriptor != STDIN_FILENO)
        close(descriptor);
    if (reading != Reading::whole) {
        abandonPictureOutput(output);
        if (reading == Reading::unreadable)
            return failure("Impossible de lire le fichier " + shown(levelName) + ".");
        return failure(shown(levelName) + ", ligne " + std::to_string(reader.error.lineNumber) + " : " +
                       reader.error.description + ".");
    }
    const std::string text = pictureText(layOutPicture(summary), std::filesystem::path(levelName).filename().string());
    if (!writePictureOutput(output, text)) {
        abandonPictureOutput(output);
        return failure(cannotWrite(picture));
    }
    if (!finishPictureOutput(output))
        return failure(cannotWrite(picture));
    if (output.standardOutput)
        return 0;
    std::cout << "Image " << shown(picture)
              << " cr\xE9\xE9"
                 "e avec "
              << countedAsteroids(summary.count) << ".\n";
    // A confirmation that never reached anyone is a failure, as small Unix
    // tools hold at exit; the picture itself is complete by now.
    if (!std::cout.flush() || (close(STDOUT_FILENO) != 0 && errno != EBADF))
        return failure(
            "Impossible d'\xE9"
            "crire sur la sortie standard.");
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    Options options;
    const std::string problem = parseArguments(argumentCount, arguments, options);
    if (!problem.empty())
        return failure("levelview : " + problem + ". Voir levelview --help.");
    if (options.help || options.version) {
        if (options.help)
            std::cout << usage;
        else
            std::cout << "levelview " LEVELGEN_VERSION "\n";
        return 0;
    }
    try {
        return view(options);
    } catch (const std::bad_alloc&) {
        return failure("levelview : m\xE9moire insuffisante.");
    }
}
