// The picture's destination. Signal handlers may only use what is safe in
// them, so the temporary file's name is kept in static storage for them.

#include "picture_output.h"

#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// Read and write for all before the umask, as for any ordinary new file.
constexpr mode_t createdFileMode = 0666;
constexpr mode_t permissionBits = 07777;
constexpr int mostLinks = 40;  // as the kernel allows in one lookup
constexpr std::array<int, 3> interruptions{SIGINT, SIGTERM, SIGHUP};

std::array<char, PATH_MAX> temporaryName{};
volatile std::sig_atomic_t temporaryExists = 0;

extern "C" void removeTemporaryAndEnd(int signal) {
    if (temporaryExists != 0)
        unlink(temporaryName.data());
    // The handler was reset on entry, so once it returns the signal, now
    // pending, ends the process as it would have without it.
    static_cast<void>(raise(signal));
}

void installHandlers() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (const int signal : interruptions) {
        struct sigaction previous {};
        // A signal the caller chose to ignore stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndEnd;
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigemptyset(&action.sa_mask);
        static_cast<void>(sigaction(signal, &action, nullptr));
    }
}

// Holds SIGINT, SIGTERM and SIGHUP back while alive, so that the temporary
// file and the handlers' record of it change together.
struct InterruptionsHeld {
    sigset_t previous{};
    InterruptionsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : interruptions)
            sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &previous);
    }
    ~InterruptionsHeld() {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
    }
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
};

// Returns path with every symlink along its last component followed, even
// one that points at a name that does not exist yet.
std::string followLinks(std::string path) {
    for (int step = 0; step < mostLinks; ++step) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        std::array<char, PATH_MAX> target{};
        const ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
        if (length < 0)
            return path;
        const std::filesystem::path next(std::string(target.data(), static_cast<std::size_t>(length)));
        path = next.is_absolute() ? next.string() : (std::filesystem::path(path).parent_path() / next).string();
    }
    return path;
}

bool createTemporary(PictureOutput& output) {
    std::filesystem::path folder = std::filesystem::path(output.finalPath).parent_path();
    // A short fixed name, so that any valid name of the picture works.
    std::string name = ((folder.empty() ? std::filesystem::path(".") : folder) / ".levelview-XXXXXX").string();
    if (name.size() >= temporaryName.size())
        return false;
    struct stat existing {};
    const bool replacing = stat(output.finalPath.c_str(), &existing) == 0;
    const InterruptionsHeld held;
    installHandlers();
    output.descriptor = mkostemp(name.data(), O_CLOEXEC);
    if (output.descriptor < 0)
        return false;
    std::memcpy(temporaryName.data(), name.c_str(), name.size() + 1);
    temporaryExists = 1;
    output.temporaryPath = name;
    // mkstemp makes the file private; a new picture is as readable as any
    // file, and a replaced one keeps its permissions.
    const mode_t mask = umask(0);
    umask(mask);
    const mode_t mode = replacing ? existing.st_mode & permissionBits : createdFileMode & ~mask;
    return fchmod(output.descriptor, mode) == 0;
}

bool sameFile(const struct stat& left, const struct stat& right) {
    return S_ISREG(left.st_mode) && left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

void removeTemporary(PictureOutput& output) {
    if (output.temporaryPath.empty())
        return;
    const InterruptionsHeld held;
    unlink(output.temporaryPath.c_str());
    temporaryExists = 0;
    output.temporaryPath.clear();
}

}  // namespace

OutputOpening openPictureOutput(std::string_view name, const struct stat& level, PictureOutput& output) {
    struct stat target {};
    if (name == "-") {
        output.standardOutput = true;
        output.descriptor = STDOUT_FILENO;
        return fstat(STDOUT_FILENO, &target) == 0 && sameFile(target, level) ? OutputOpening::sameAsLevel
                                                                             : OutputOpening::opened;
    }
    const std::string path(name);
    const bool exists = stat(path.c_str(), &target) == 0;
    if (exists && sameFile(target, level))
        return OutputOpening::sameAsLevel;
    if (exists && !S_ISREG(target.st_mode)) {
        output.descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC);
        return output.descriptor >= 0 ? OutputOpening::opened : OutputOpening::failed;
    }
    output.finalPath = followLinks(path);
    if (createTemporary(output))
        return OutputOpening::opened;
    abandonPictureOutput(output);
    return OutputOpening::failed;
}

bool writePictureOutput(PictureOutput& output, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(output.descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool finishPictureOutput(PictureOutput& output) {
    bool stored = close(output.descriptor) == 0;
    output.descriptor = -1;
    if (stored && !output.temporaryPath.empty()) {
        const InterruptionsHeld held;
        stored = std::rename(output.temporaryPath.c_str(), output.finalPath.c_str()) == 0;
        if (stored) {
            temporaryExists = 0;
            output.temporaryPath.clear();
        }
    }
    if (!stored)
        removeTemporary(output);
    return stored;
}

void abandonPictureOutput(PictureOutput& output) {
    if (output.descriptor >= 0 && !output.standardOutput)
        close(output.descriptor);
    output.descriptor = -1;
    removeTemporary(output);
}
