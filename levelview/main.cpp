// levelview: draws a level file written by levelgen as an SVG picture, so
// that a level can be seen before the game loads it. The picture is written
// to a temporary file and renamed into place, so a failed run never leaves
// a partial picture behind.

#include "level_reader.h"
#include "svg_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t readChunk = std::size_t{1} << 16;
// Read and write for all before the umask, as for any ordinary new file.
constexpr mode_t createdFileMode = 0666;

constexpr std::string_view usage =
    "Usage : levelview [LEVEL] [-o IMAGE]\n"
    "Dessine le level LEVEL (par d\xE9"
    "faut level.txt) dans une image SVG, \xE0 ouvrir\n"
    "dans un navigateur : level.svg dans le dossier du level, ou IMAGE.\n"
    "\n"
    "  -o IMAGE   \xE9"
    "crit l'image dans le fichier IMAGE\n"
    "  --help     affiche cette aide\n"
    "\n"
    "Le level doit avoir une ligne \"x y speedX speedY\" par asteroide, en entiers\n"
    "d\xE9"
    "cimaux sur 32 bits s\xE9par\xE9s par une espace, y de 0 \xE0 599, x jamais en baisse.\n"
    "Code de sortie : 0 si l'image a \xE9t\xE9 \xE9"
    "crite, 1 sinon.\n";

struct Options {
    std::filesystem::path level = "level.txt";
    std::optional<std::filesystem::path> picture;
    bool help = false;
};

// Returns the problem with the arguments, or an empty string.
std::string parseArguments(const std::vector<std::string_view>& arguments, Options& options) {
    bool levelGiven = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "-o") {
            if (++index == arguments.size())
                return "l'option -o attend le nom de l'image";
            options.picture = arguments[index];
        } else if (argument.size() > 1 && argument.front() == '-') {
            return "option inconnue : " + std::string(argument);
        } else if (levelGiven) {
            return "un seul level \xE0 la fois";
        } else {
            options.level = argument;
            levelGiven = true;
        }
    }
    return {};
}

bool readWholeFile(const std::filesystem::path& path, std::string& content) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    std::array<char, readChunk> buffer{};
    bool complete = true;
    for (;;) {
        const ssize_t got = read(descriptor, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            complete = got == 0;
            break;
        }
        content.append(buffer.data(), static_cast<std::size_t>(got));
    }
    close(descriptor);
    return complete;
}

// Writes content to a new file beside path and renames it to path, so that
// path is either the whole picture or untouched.
bool writeAtomically(const std::filesystem::path& path, std::string_view content) {
    std::string temporary = path.string() + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        return false;
    // mkstemp makes the file private; a picture is as readable as any file.
    const mode_t mask = umask(0);
    umask(mask);
    bool written = fchmod(descriptor, createdFileMode & ~mask) == 0;
    while (written && !content.empty()) {
        const ssize_t count = write(descriptor, content.data(), content.size());
        if (count < 0 && errno == EINTR)
            continue;
        written = count > 0;
        if (written)
            content.remove_prefix(static_cast<std::size_t>(count));
    }
    written = close(descriptor) == 0 && written;
    written = written && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written)
        static_cast<void>(std::remove(temporary.c_str()));
    return written;
}

// Returns the exit status; every message is written here.
int view(const Options& options) {
    std::string content;
    if (!readWholeFile(options.level, content)) {
        std::cerr << "Impossible de lire le fichier " << options.level.string() << ".\n";
        return 1;
    }
    std::vector<Asteroid> asteroids;
    LevelError error;
    if (!readLevel(content, asteroids, error)) {
        std::cerr << options.level.string() << ", ligne " << error.lineNumber << " : " << error.description << ".\n";
        return 1;
    }
    const std::filesystem::path picture = options.picture.value_or(options.level.parent_path() / "level.svg");
    if (!writeAtomically(picture, drawLevelPicture(options.level.filename().string(), asteroids))) {
        std::cerr << "Impossible d'\xE9"
                     "crire l'image "
                  << picture.string() << ".\n";
        return 1;
    }
    std::cout << "Image " << picture.string()
              << " cr\xE9\xE9"
                 "e avec "
              << asteroids.size() << " asteroides.\n";
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    Options options;
    const std::string problem = parseArguments({arguments + 1, arguments + argumentCount}, options);
    if (!problem.empty()) {
        std::cerr << "levelview : " << problem << ". Voir levelview --help.\n";
        return 1;
    }
    if (options.help) {
        std::cout << usage;
        return 0;
    }
    return view(options);
}
