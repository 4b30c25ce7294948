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
#include "user_text.h"

#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t readChunk = std::size_t{1} << 18;
constexpr std::size_t longestEchoedOption = 20;

constexpr std::string_view usage =
    "Usage : levelview [-o IMAGE] [--] [LEVEL]\n"
    "Dessine le level LEVEL (par d\xE9"
    "faut level.txt ; - pour l'entr\xE9"
    "e standard) dans\n"
    "une image SVG \xE0 ouvrir dans un navigateur. L'image de NOM.txt est NOM.svg,\n"
    "\xE0 c\xF4t\xE9 ; celle de l'entr\xE9"
    "e standard va sur la sortie standard.\n"
    "\n"
    "  -o IMAGE   \xE9"
    "crit l'image dans IMAGE (- pour la sortie standard)\n"
    "  -h, --help affiche cette aide\n"
    "  --version  affiche la version\n"
    "  --         termine les options (pour un level dont le nom commence par -)\n"
    "\n"
    "Une image existante est remplac\xE9"
    "e d'un coup, par un fichier temporaire\n"
    "renomm\xE9 ; un lien symbolique est suivi ; un tube ou un p\xE9riph\xE9rique re\xE7oit\n"
    "l'image directement. Le level lui-m\xEAme n'est jamais \xE9"
    "cras\xE9.\n"
    "\n"
    "Le level doit avoir une ligne \"x y speedX speedY\" par asteroide, en entiers\n"
    "d\xE9"
    "cimaux sur 32 bits s\xE9par\xE9s par une espace, y de 0 \xE0 599, x jamais en\n"
    "baisse.\n"
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

// Which standard streams the process was started with: a closed one is
// opened on /dev/null at once, so that no file the program opens takes its
// number, and the program knows not to use it.
struct StandardStreams {
    bool input = true;
    bool output = true;
};

StandardStreams openStandardStreams() {
    StandardStreams streams;
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (descriptor == STDIN_FILENO)
            streams.input = false;
        if (descriptor == STDOUT_FILENO)
            streams.output = false;
        static_cast<void>(open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY));
    }
    return streams;
}

// Writes a message for the user, made of text already in the user's
// character set, with a final line feed; returns the exit status of a
// failure.
int failure(const std::string& message) {
    static_cast<void>(writeWhole(STDERR_FILENO, message + "\n"));
    return 1;
}

// A name quoted in a message: at most longestEchoedOption bytes of it.
std::string cut(std::string_view text) {
    if (text.size() <= longestEchoedOption)
        return shownName(text);
    return shownName(text.substr(0, longestEchoedOption)) + "...";
}

// Returns the problem with the arguments, already in the user's character
// set, or an empty string.
std::string parseArguments(int argumentCount, char** arguments, Options& options) {
    const std::array<option, 3> longOptions{
        {{"help", no_argument, nullptr, 'h'}, {"version", no_argument, nullptr, 'V'}, {nullptr, 0, nullptr, 0}}};
    opterr = 0;
    for (;;) {
        const int found = getopt_long(argumentCount, arguments, ":o:h", longOptions.data(), nullptr);
        if (found == -1)
            break;
        if (found == 'h') {
            options.help = true;
        } else if (found == 'V') {
            options.version = true;
        } else if (found == 'o') {
            if (*optarg == '\0')
                return forUser("l'option -o attend un nom d'image non vide");
            options.picture = optarg;
        } else if (found == ':') {
            return forUser("l'option -o attend le nom de l'image");
        } else {
            return forUser("option inconnue : ") + cut(arguments[optind - 1]);
        }
    }
    if (argumentCount - optind > 1)
        return forUser("un seul level \xE0 la fois");
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
    unreadable,  // the system could not read it; errno says why
};

// Reads the level from descriptor to its end, or to its first bad line.
Reading readSummary(int descriptor, LevelSummary& summary, LevelReader& reader, int& error) {
    std::vector<char> buffer(readChunk);
    std::vector<Asteroid> asteroids;
    for (;;) {
        const ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            return Reading::unreadable;
        }
        if (got == 0)
            return finishLevel(reader) ? Reading::whole : Reading::malformed;
        const bool good = readLevelChunk(reader, {buffer.data(), static_cast<std::size_t>(got)}, asteroids);
        for (const Asteroid& asteroid : asteroids)
            addAsteroid(summary, asteroid);
        if (!good)
            return Reading::malformed;
    }
}

std::string cannotRead(const std::string& levelName, int error) {
    return forUser("Impossible de lire le fichier ") + levelName + forUser(" : ") + reasonFor(error) + ".";
}

std::string cannotWrite(const std::string& picture, int error) {
    const std::string where =
        picture == "-" ? forUser("l'image sur la sortie standard") : forUser("l'image ") + shownName(picture);
    // A missing name in the picture's path is a missing folder: the
    // picture itself is made.
    const std::string reason = error == ENOENT ? forUser("dossier introuvable") : reasonFor(error);
    return forUser(
               "Impossible d'\xE9"
               "crire ") +
           where + forUser(" : ") + reason + ".";
}

std::string lostOutput(int error) {
    return forUser(
               "Impossible d'\xE9"
               "crire sur la sortie standard : ") +
           reasonFor(error) + ".";
}

// Closes the picture's output on every path, the temporary file removed
// unless the picture was put in place.
struct OutputKept {
    explicit OutputKept(PictureOutput& kept) : output(kept) {}
    ~OutputKept() {
        abandonPictureOutput(output);
    }
    OutputKept(const OutputKept&) = delete;
    OutputKept& operator=(const OutputKept&) = delete;

    PictureOutput& output;
};

// Returns the exit status; every message is written here.
int view(const Options& options, const StandardStreams& streams) {
    const std::string& level = options.level;
    const std::string picture = options.picture.empty() ? defaultPicture(level) : options.picture;
    if (level == "-" && !streams.input)
        return failure(
            forUser("levelview : l'entr\xE9"
                    "e standard est ferm\xE9"
                    "e."));
    const int descriptor = level == "-" ? STDIN_FILENO : open(level.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat levelStatus {};
    if (descriptor < 0 || fstat(descriptor, &levelStatus) != 0)
        return failure(cannotRead(shownName(level), errno));
    const std::string levelName = level == "-" ? forUser(
                                                     "entr\xE9"
                                                     "e standard")
                                               : shownName(level);
    PictureOutput output;
    const OutputKept kept(output);
    const OutputOpened opening = openPictureOutput(picture, levelStatus, streams.output, output);
    if (opening.outcome == OutputOpening::sameAsLevel)
        return failure(forUser("levelview : l'image ") + shownName(picture) +
                       forUser(" est le level lui-m\xEAme ; choisissez un autre nom avec -o."));
    if (opening.outcome == OutputOpening::standardOutputClosed)
        return failure(
            forUser("levelview : la sortie standard est ferm\xE9"
                    "e ; choisissez un nom d'image avec -o."));
    if (opening.outcome == OutputOpening::failed)
        return failure(cannotWrite(picture, opening.error));

    LevelSummary summary;
    LevelReader reader;
    int readError = 0;
    const Reading reading = readSummary(descriptor, summary, reader, readError);
    if (descriptor != STDIN_FILENO)
        close(descriptor);
    if (reading == Reading::unreadable)
        return failure(cannotRead(levelName, readError));
    if (reading == Reading::malformed)
        return failure(levelName + forUser(", ligne " + std::to_string(reader.error.lineNumber) + " : " +
                                           reader.error.description + "."));
    const std::string text = pictureText(layOutPicture(summary), std::filesystem::path(level == "-" ? "entr\xE9"
                                                                                                      "e standard"
                                                                                                    : level)
                                                                     .filename()
                                                                     .string());
    if (const int error = writePictureOutput(output, text); error != 0)
        return failure(cannotWrite(picture, error));
    if (const int error = finishPictureOutput(output); error != 0)
        return failure(cannotWrite(picture, error));
    if (output.standardOutput)
        return 0;
    // A confirmation that never reached anyone is a failure, as small Unix
    // tools hold at exit; the picture itself is complete by now.
    const std::string confirmation = forUser("Image ") + shownName(picture) +
                                     forUser(
                                         " cr\xE9\xE9"
                                         "e avec " +
                                         countedAsteroids(summary.count) + ".\n");
    if (!streams.output)
        return failure(lostOutput(EBADF));
    if (const int error = writeWhole(STDOUT_FILENO, confirmation); error != 0)
        return failure(lostOutput(error));
    if (close(STDOUT_FILENO) != 0 && errno != EBADF)
        return failure(lostOutput(errno));
    return 0;
}

// Writes the text of --help or --version; a text that never reached anyone
// is a failure.
int answer(const StandardStreams& streams, std::string_view latin1Text) {
    int error = streams.output ? writeWhole(STDOUT_FILENO, forUser(latin1Text)) : EBADF;
    if (error == 0 && close(STDOUT_FILENO) != 0 && errno != EBADF)
        error = errno;
    return error == 0 ? 0 : failure(lostOutput(error));
}

}  // namespace

int main(int argumentCount, char** arguments) {
    const StandardStreams streams = openStandardStreams();
    adoptUserLocale();
    Options options;
    const std::string problem = parseArguments(argumentCount, arguments, options);
    if (!problem.empty())
        return failure(forUser("levelview : ") + problem + forUser(". Voir levelview --help."));
    if (options.help)
        return answer(streams, usage);
    if (options.version)
        return answer(streams, "levelview " LEVELGEN_VERSION "\n");
    try {
        return view(options, streams);
    } catch (const std::bad_alloc&) {
        return failure(forUser("levelview : m\xE9moire insuffisante."));
    }
}
