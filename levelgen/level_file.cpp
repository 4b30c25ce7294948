// The level file writer. Lines go straight to write(2), one call per line:
// that is the flush after every line, with no stream buffer in between
// whose errors could go unseen.

#include "level_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>

namespace {

constexpr const char* levelFileName = "level.txt";
// Read and write for all before the umask, as for any ordinary new file.
constexpr mode_t createdFileMode = 0666;

char* appendNumber(char* position, char* end, std::int32_t value) {
    // The buffer is sized for the widest values, so this cannot run short.
    return std::to_chars(position, end, value).ptr;
}

bool writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string_view formatAsteroid(const Asteroid& asteroid, LevelLineBuffer& buffer) {
    char* const begin = buffer.data();
    char* const end = begin + buffer.size();
    char* position = appendNumber(begin, end, asteroid.x);
    *position++ = ' ';
    position = appendNumber(position, end, asteroid.y);
    *position++ = ' ';
    position = appendNumber(position, end, asteroid.speedX);
    *position++ = ' ';
    position = appendNumber(position, end, asteroid.speedY);
    *position++ = '\n';
    return {begin, static_cast<std::size_t>(position - begin)};
}

bool openLevelFile(LevelFile& file) {
    file.descriptor = open(levelFileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, createdFileMode);
    return file.descriptor >= 0;
}

bool writeAsteroid(LevelFile& file, const Asteroid& asteroid) {
    LevelLineBuffer buffer;
    return writeAll(file.descriptor, formatAsteroid(asteroid, buffer));
}

bool closeLevelFile(LevelFile& file) {
    if (file.descriptor < 0)
        return true;
    const int result = close(file.descriptor);
    file.descriptor = -1;
    // close() can be where a delayed write error (a full disk, a lost
    // network file system) shows up, so its result counts.
    return result == 0;
}
