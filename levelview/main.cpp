// levelview: draws a level file written by levelgen as an SVG picture, so
// that a level designer can see where it is dense, where it is empty and
// where the fast asteroids are before the game loads it; or draws the level
// of five values without a file; or lays many seeds' levels side by side on
// one HTML page. A level is read, or drawn, once, as a stream, into a
// summary whose size does not depend on it; only then is the picture laid
// out, written out and put in place.

#include "asteroid_draw.h"
#include "decimal_integer.h"
#include "level_parameters.h"
#include "level_reader.h"
#include "level_summary.h"
#include "picture_layout.h"
#include "picture_output.h"
#include "seed_list.h"
#include "sheet_page.h"
#include "svg_text.h"
#include "user_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t readChunk = std::size_t{1} << 18;
constexpr std::size_t longestEchoedOption = 20;

constexpr std::size_t mostSheetSeeds = 100;
constexpr std::size_t bytesPerMegabyte = 1000000;
constexpr std::size_t largestSheet = 20 * bytesPerMegabyte;  // a page a browser opens at ease

constexpr std::string_view usage =
    "Usage : levelview [-o IMAGE] [--] [LEVEL...]\n"
    "        levelview --values GRAINE LONGUEUR DISTANCE VITESSE_X VITESSE_Y\n"
    "                  [-o IMAGE]\n"
    "        levelview --sheet LONGUEUR DISTANCE VITESSE_X VITESSE_Y [-o PAGE]\n"
    "Dessine chaque LEVEL (par d\xE9"
    "faut level.txt ; - pour l'entr\xE9"
    "e standard) dans une\n"
    "image SVG \xE0 ouvrir dans un navigateur. L'image de NOM.txt est NOM.svg,\n"
    "\xE0 c\xF4t\xE9 ; celle de l'entr\xE9"
    "e standard va sur la sortie standard.\n"
    "\n"
    "  -o IMAGE   \xE9"
    "crit l'image (ou la page) dans IMAGE, - pour la sortie standard ;\n"
    "             pour un seul level\n"
    "  --values   dessine le level que levelgen \xE9"
    "crirait pour ces cinq valeurs,\n"
    "             sans fichier de level, dans level_GRAINE_LONGUEUR_..._VITESSE_Y.svg\n"
    "  --sheet    lit des graines sur l'entr\xE9"
    "e standard, une par ligne (ou la sortie\n"
    "             --csv de levelseek), et \xE9"
    "crit une page HTML, sheet.html, qui\n"
    "             montre leurs levels c\xF4te \xE0 c\xF4te (au plus 100 graines)\n"
    "  -h, --help affiche cette aide\n"
    "  --version  affiche la version\n"
    "  --         termine les options (pour un level dont le nom commence par -)\n"
    "\n"
    "Une image existante est remplac\xE9"
    "e d'un coup, par un fichier temporaire\n"
    "renomm\xE9 ; un lien symbolique est suivi ; un tube ou un p\xE9riph\xE9rique re\xE7oit\n"
    "l'image directement. Le level lui-m\xEAme n'est jamais \xE9"
    "cras\xE9. Un nombre n\xE9gatif\n"
    "est une valeur, jamais une option.\n"
    "\n"
    "Le level doit avoir une ligne \"x y speedX speedY\" par asteroide, en entiers\n"
    "d\xE9"
    "cimaux sur 32 bits s\xE9par\xE9s par une espace, y de 0 \xE0 599, x jamais en\n"
    "baisse.\n"
    "L'image garde les proportions du level (une unit\xE9 a la m\xEAme longueur en x et\n"
    "en y), montre chaque asteroide et sa vitesse (de petits points sans vitesse\n"
    "au-del\xE0 de 20000), ou des cases de densit\xE9 quand ils sont trop serr\xE9s, et un\n"
    "profil de densit\xE9 le long du level.\n"
    "Code de sortie : 0 si chaque image a \xE9t\xE9 \xE9"
    "crite, 1 sinon.\n";

enum class Mode {
    files,   // the level files given, level.txt when none
    values,  // the level of five values, drawn here
    sheet,   // a page of seeds read from standard input
};

struct Options {
    Mode mode = Mode::files;
    std::vector<std::string> operands;  // level files, or the values
    std::string picture;                // empty: named after the level
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

bool looksNegative(std::string_view argument) {
    return argument.size() >= 2 && argument[0] == '-' && argument[1] >= '0' && argument[1] <= '9';
}

// Applies the option arguments[index], moving index on to its value when
// it takes the next argument. Returns the problem, or an empty string.
std::string readOption(int argumentCount, char** arguments, int& index, Options& options) {
    const std::string_view argument = arguments[index];
    if (argument == "-h" || argument == "--help") {
        options.help = true;
    } else if (argument == "--version") {
        options.version = true;
    } else if (argument == "--values" || argument == "--sheet") {
        const Mode asked = argument == "--values" ? Mode::values : Mode::sheet;
        if (options.mode != Mode::files && options.mode != asked)
            return forUser("--values et --sheet ne vont pas ensemble");
        options.mode = asked;
    } else if (argument.starts_with("-o")) {
        if (argument.size() == 2 && index + 1 == argumentCount)
            return forUser("l'option -o attend le nom de l'image");
        options.picture = argument.size() > 2 ? std::string(argument.substr(2)) : arguments[++index];
        if (options.picture.empty())
            return forUser("l'option -o attend un nom d'image non vide");
    } else {
        return forUser("option inconnue : ") + cut(argument);
    }
    return {};
}

// Returns the problem with the arguments, already in the user's character
// set, or an empty string. Options may come before, between or after the
// operands; "--" ends them, and a negative number is never one.
std::string parseArguments(int argumentCount, char** arguments, Options& options) {
    bool optionsEnded = false;
    for (int index = 1; index < argumentCount; ++index) {
        const std::string_view argument = arguments[index];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-' || looksNegative(argument))
            options.operands.emplace_back(argument);
        else if (argument == "--")
            optionsEnded = true;
        else if (std::string problem = readOption(argumentCount, arguments, index, options); !problem.empty())
            return problem;
    }
    if (options.help || options.version)
        return {};
    const bool values = options.mode == Mode::values;
    const std::size_t wanted = values ? 5 : options.mode == Mode::sheet ? 4 : 0;
    if (wanted != 0 && options.operands.size() != wanted)
        return forUser(values ? "--values attend cinq valeurs, GRAINE LONGUEUR DISTANCE VITESSE_X VITESSE_Y, et non "
                              : "--sheet attend quatre limites, LONGUEUR DISTANCE VITESSE_X VITESSE_Y, et non ") +
               std::to_string(options.operands.size());
    if (wanted == 0 && options.operands.empty())
        options.operands.emplace_back("level.txt");
    if (wanted == 0 && options.operands.size() > 1 && !options.picture.empty())
        return forUser("l'option -o ne va qu'avec un seul level");
    return {};
}

// Reads the values of --values or --sheet, in levelgen's order from
// parameters' first field (the seed for --values, the length for --sheet).
std::string readValues(const std::vector<std::string>& operands, bool withSeed, LevelParameters& parameters) {
    const std::array<std::int32_t LevelParameters::*, 5> fields{
        &LevelParameters::seed, &LevelParameters::levelLength, &LevelParameters::maxDistance,
        &LevelParameters::maxSpeedX, &LevelParameters::maxSpeedY};
    for (std::size_t index = 0; index < operands.size(); ++index) {
        const std::string& text = operands[index];
        std::int64_t value = 0;
        if (readInteger(text, value) != IntegerReading::integer || value < INT32_MIN || value > INT32_MAX)
            return forUser(withSeed ? "--values : \"" : "--sheet : \"") + cut(text) +
                   forUser("\" n'est pas un entier de 32 bits");
        parameters.*fields[index + (withSeed ? 0 : 1)] = static_cast<std::int32_t>(value);
    }
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

// Opens where a picture goes, before its level is read, so that a picture
// that cannot be written is said before the work. A sheet's page is
// refused over the list it reads as a picture over its level. Returns the
// message of a failure, or an empty string.
std::string openOutput(const std::string& picture, const struct stat& level, const StandardStreams& streams,
                       PictureOutput& output, bool page = false) {
    const OutputOpened opening = openPictureOutput(picture, level, streams.output, output);
    if (opening.outcome == OutputOpening::sameAsLevel)
        return forUser(page ? "levelview : la page " : "levelview : l'image ") + shownName(picture) +
               forUser(page ? " est la liste de graines qu'elle lit ; choisissez un autre nom avec -o."
                            : " est le level lui-m\xEAme ; choisissez un autre nom avec -o.");
    if (opening.outcome == OutputOpening::standardOutputClosed)
        return forUser(
            "levelview : la sortie standard est ferm\xE9"
            "e ; choisissez un nom d'image avec -o.");
    if (opening.outcome == OutputOpening::failed)
        return cannotWrite(picture, opening.error);
    return {};
}

// Writes text into the opened output and puts it in place, then says so
// on standard output (unless the picture went there): "Image NAME créée
// avec N asteroides." Returns the exit status.
int putInPlace(const std::string& picture, PictureOutput& output, std::string_view text,
               const std::string& confirmation, const StandardStreams& streams) {
    if (const int error = writePictureOutput(output, text); error != 0)
        return failure(cannotWrite(picture, error));
    if (const int error = finishPictureOutput(output); error != 0)
        return failure(cannotWrite(picture, error));
    if (output.standardOutput)
        return 0;
    // A confirmation that never reached anyone is a failure, as small Unix
    // tools hold at exit; the picture itself is complete by now.
    if (!streams.output)
        return failure(lostOutput(EBADF));
    if (const int error = writeWhole(STDOUT_FILENO, confirmation); error != 0)
        return failure(lostOutput(error));
    return 0;
}

std::string pictureMade(const std::string& picture, std::uint64_t count) {
    return forUser("Image ") + shownName(picture) +
           forUser(
               " cr\xE9\xE9"
               "e avec " +
               countedAsteroids(count) + ".\n");
}

// Draws one level file. Returns the exit status; every message is written here.
int viewFile(const std::string& level, const std::string& pictureOption, const StandardStreams& streams) {
    const std::string picture = pictureOption.empty() ? defaultPicture(level) : pictureOption;
    if (level == "-" && !streams.input)
        return failure(
            forUser("levelview : l'entr\xE9"
                    "e standard est ferm\xE9"
                    "e."));
    const int descriptor = level == "-" ? STDIN_FILENO : open(level.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat levelStatus {};
    if (descriptor < 0 || fstat(descriptor, &levelStatus) != 0) {
        const int error = errno;
        if (descriptor > STDIN_FILENO)
            close(descriptor);
        return failure(cannotRead(shownName(level), error));
    }
    struct Closed {
        int descriptor;
        ~Closed() {
            if (descriptor != STDIN_FILENO)
                close(descriptor);
        }
    } const closed{descriptor};
    const std::string levelName = level == "-" ? forUser(
                                                     "entr\xE9"
                                                     "e standard")
                                               : shownName(level);
    PictureOutput output;
    const OutputKept kept(output);
    if (const std::string problem = openOutput(picture, levelStatus, streams, output); !problem.empty())
        return failure(problem);

    LevelSummary summary;
    LevelReader reader;
    int readError = 0;
    const Reading reading = readSummary(descriptor, summary, reader, readError);
    if (reading == Reading::unreadable)
        return failure(cannotRead(levelName, readError));
    if (reading == Reading::malformed)
        return failure(levelName + forUser(", ligne " + std::to_string(reader.error.lineNumber) + " : " +
                                           reader.error.description + "."));
    const std::string name = std::filesystem::path(level == "-" ? "entr\xE9"
                                                                  "e standard"
                                                                : level)
                                 .filename()
                                 .string();
    return putInPlace(picture, output, pictureText(layOutPicture(summary), name), pictureMade(picture, summary.count),
                      streams);
}

// Draws the level of parameters with the C library's generator, as
// levelgen draws it, into a summary.
LevelSummary drawnSummary(const LevelParameters& parameters) {
    LevelSummary summary;
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        addAsteroid(summary, asteroid);
        return true;
    });
    return summary;
}

std::string limitsText(const LevelParameters& parameters) {
    return std::to_string(parameters.levelLength) + " " + std::to_string(parameters.maxDistance) + " " +
           std::to_string(parameters.maxSpeedX) + " " + std::to_string(parameters.maxSpeedY);
}

// Refuses the values levelgen refuses, with its very words. Returns the
// exit status, or -1 when the values are good.
int refusedLikeLevelgen(const LevelParameters& parameters) {
    const ParameterProblem problem = checkParameters(parameters);
    if (problem == ParameterProblem::none)
        return -1;
    static_cast<void>(writeWhole(STDERR_FILENO, forUser(refusalFor(problem))));
    return 1;
}

// Reads the values of --values or --sheet into parameters and refuses what
// levelgen would. Returns the exit status of a refusal, or -1.
int valuesRead(const Options& options, bool withSeed, LevelParameters& parameters) {
    if (const std::string problem = readValues(options.operands, withSeed, parameters); !problem.empty())
        return failure(forUser("levelview : ") + problem + forUser(". Voir levelview --help."));
    return refusedLikeLevelgen(parameters);
}

// Draws the level of five values, without a level file.
int viewValues(const Options& options, const StandardStreams& streams) {
    LevelParameters parameters;
    if (const int status = valuesRead(options, true, parameters); status >= 0)
        return status;
    std::string values = std::to_string(parameters.seed) + " " + limitsText(parameters);
    std::string picture = options.picture;
    if (picture.empty()) {
        picture = "level_" + values + ".svg";
        std::replace(picture.begin(), picture.end(), ' ', '_');
    }
    PictureOutput output;
    const OutputKept kept(output);
    // No level file: nothing the picture could overwrite.
    const struct stat noLevel {};
    if (const std::string problem = openOutput(picture, noLevel, streams, output); !problem.empty())
        return failure(problem);
    const LevelSummary summary = drawnSummary(parameters);
    const std::string name = "graine " + std::to_string(parameters.seed) + ", limites " + limitsText(parameters);
    return putInPlace(picture, output, pictureText(layOutPicture(summary, fullPicture, parameters.levelLength), name),
                      pictureMade(picture, summary.count), streams);
}

// The seeds of a sheet, as they are read.
struct SheetSeeds {
    SeedListReader reader;
    std::vector<std::string> names;  // the CSV header's columns after the seed, when it has one
    std::vector<std::int32_t> seeds;
    std::vector<std::string> columns;  // each seed's other columns, as "name value" parts
};

// Returns the columns of a line after its first, comma-separated.
std::vector<std::string_view> laterColumns(std::string_view line) {
    std::vector<std::string_view> columns;
    for (std::size_t comma = line.find(','); comma != std::string_view::npos;) {
        const std::size_t next = line.find(',', comma + 1);
        columns.push_back(line.substr(comma + 1, next - comma - 1));
        comma = next;
    }
    return columns;
}

// Takes one line of the list. Returns the message of a failure, or an
// empty string.
std::string takeSheetLine(SheetSeeds& sheet, std::string_view line) {
    std::int32_t seed = 0;
    std::string problem;
    const SeedLine read = readSeedLine(sheet.reader, line, seed, problem);
    if (read == SeedLine::bad)
        return forUser(
                   "levelview : l'entr\xE9"
                   "e standard, ") +
               forUserWithBytes(problem) + ".";
    if (read == SeedLine::header) {
        for (const std::string_view name : laterColumns(line))
            sheet.names.emplace_back(name);
        return {};
    }
    if (sheet.seeds.size() == mostSheetSeeds)
        return forUser("levelview : au plus " + std::to_string(mostSheetSeeds) +
                       " graines sur une page, et la liste en a davantage.");
    std::string shown;
    const std::vector<std::string_view> values = laterColumns(line);
    for (std::size_t column = 0; column < values.size(); ++column)
        shown += (shown.empty() ? "" : ", ") +
                 (column < sheet.names.size() ? sheet.names[column] + " " : std::string()) +
                 std::string(values[column]);
    sheet.seeds.push_back(seed);
    sheet.columns.push_back(shown);
    return {};
}

// Reads the seeds of the sheet from standard input, with the list's other
// columns, named by its header when it has one. Returns the message of a
// failure, or an empty string.
std::string readSheetSeeds(SheetSeeds& sheet) {
    std::string problem;
    const int error = readListLines(STDIN_FILENO, [&](std::string_view line) {
        problem = takeSheetLine(sheet, line);
        return problem.empty();
    });
    if (error != 0)
        return cannotRead(forUser("entr\xE9"
                                  "e standard"),
                          error);
    return problem;
}

// A page of thumbnails of the levels of the seeds read from standard
// input, each with its figures and its full picture within the page.
int viewSheet(const Options& options, const StandardStreams& streams) {
    LevelParameters limits;
    if (const int status = valuesRead(options, false, limits); status >= 0)
        return status;
    if (!streams.input)
        return failure(
            forUser("levelview : l'entr\xE9"
                    "e standard est ferm\xE9"
                    "e."));
    // The list read is the level of this page: a page over it is refused
    // before anything is written.
    const std::string picture = options.picture.empty() ? "sheet.html" : options.picture;
    struct stat list {};
    if (fstat(STDIN_FILENO, &list) != 0)
        return failure(cannotRead(forUser("entr\xE9"
                                          "e standard"),
                                  errno));
    PictureOutput output;
    const OutputKept kept(output);
    if (const std::string problem = openOutput(picture, list, streams, output, true); !problem.empty())
        return failure(problem);
    SheetSeeds sheet;
    if (const std::string problem = readSheetSeeds(sheet); !problem.empty())
        return failure(problem);
    const std::vector<std::int32_t>& seeds = sheet.seeds;
    const std::vector<std::string>& columns = sheet.columns;
    std::string page = sheetStart(limits, seeds.size());
    std::string pictures;
    for (std::size_t place = 0; place < seeds.size(); ++place) {
        LevelParameters parameters = limits;
        parameters.seed = seeds[place];
        const LevelSummary summary = drawnSummary(parameters);
        SheetEntry entry;
        entry.seed = parameters.seed;
        entry.count = summary.count;
        entry.firstX = summary.first.x;
        entry.lastX = summary.last.x;
        entry.longestGap = summary.longestGap;
        entry.columns = columns[place];
        const std::string name = "graine " + std::to_string(parameters.seed) + ", limites " + limitsText(limits);
        entry.thumbnail = pictureText(layOutPicture(summary, thumbnailPicture, limits.levelLength), name,
                                      {false, "v" + std::to_string(place) + "-"});
        entry.picture = pictureText(layOutPicture(summary, fullPicture, limits.levelLength), name,
                                    {false, "p" + std::to_string(place) + "-"});
        page += sheetThumbnail(entry, place);
        pictures += sheetPicture(entry, place);
        if (page.size() + pictures.size() > largestSheet)
            return failure(forUser("levelview : la page d\xE9passerait " +
                                   std::to_string(largestSheet / bytesPerMegabyte) + " Mo \xE0 la graine " +
                                   std::to_string(parameters.seed) +
                                   " ; donnez moins de graines, ou des levels plus courts."));
    }
    page += std::string(sheetMiddle) + pictures + std::string(sheetEnd);
    return putInPlace(picture, output, page,
                      forUser("Page ") + shownName(picture) +
                          forUser(" cr\xE9\xE9"
                                  "e avec " +
                                  std::to_string(seeds.size()) + (seeds.size() < 2 ? " graine.\n" : " graines.\n")),
                      streams);
}

// Every level, each to its own picture, as gzip does with its files: one
// that fails does not stop the others, and the status is 1 if any failed.
int view(const Options& options, const StandardStreams& streams) {
    if (options.mode == Mode::values)
        return viewValues(options, streams);
    if (options.mode == Mode::sheet)
        return viewSheet(options, streams);
    int status = 0;
    for (const std::string& level : options.operands)
        status = std::max(status, viewFile(level, options.picture, streams));
    return status;
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
    int status = 0;
    try {
        status = view(options, streams);
    } catch (const std::bad_alloc&) {
        return failure(forUser("levelview : m\xE9moire insuffisante."));
    }
    // The confirmations, stored or not, are known only once standard output
    // is closed.
    if (status == 0 && streams.output && close(STDOUT_FILENO) != 0 && errno != EBADF)
        return failure(lostOutput(errno));
    return status;
}
