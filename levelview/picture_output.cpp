// The picture's destination. Signal handlers may only use what is safe in
// them, so the temporary file's folder and name are kept in static storage
// for them. The temporary file is named relative to a descriptor of its
// folder, so that its name stays short however long the picture's path is.

#include "picture_output.h"

#include "user_text.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>

namespace {

// Read and write for all before the umask, as for any ordinary new file.
constexpr mode_t createdFileMode = 0666;
constexpr mode_t permissionBits = 07777;
constexpr mode_t temporaryFileMode = 0600;  // until it is complete; then as the picture's
constexpr int mostLinks = 40;               // as the kernel follows in one lookup
constexpr int temporaryAttempts = 100;
constexpr std::string_view temporaryPrefix = ".levelview-";
constexpr std::string_view nameCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t randomCharacters = 6;

std::array<char, NAME_MAX + 1> temporaryName{};
volatile std::sig_atomic_t temporaryFolder = -1;
volatile std::sig_atomic_t temporaryExists = 0;

extern "C" void removeTemporaryAndEnd(int signal) {
    if (temporaryExists != 0)
        unlinkat(temporaryFolder, temporaryName.data(), 0);
    // The handler was reset on entry, so once it returns the signal, now
    // pending, ends the process as it would have without it.
    static_cast<void>(raise(signal));
}

// Every signal whose default action ends the process and that can be
// caught, but those that report a fault of the program itself (SIGSEGV,
// SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS): a handler would only hide them.
sigset_t endingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGABRT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2, SIGPOLL,
                             SIGPROF, SIGVTALRM, SIGXCPU, SIGXFSZ, SIGSTKFLT, SIGPWR})
        sigaddset(&signals, signal);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        sigaddset(&signals, signal);
    return signals;
}

void installHandlers() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    const sigset_t signals = endingSignals();
    for (int signal = 1; signal <= SIGRTMAX; ++signal) {
        if (sigismember(&signals, signal) != 1)
            continue;
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

// Holds the ending signals back while alive, so that the temporary file
// and the handlers' record of it change together.
struct SignalsHeld {
    sigset_t previous{};
    SignalsHeld() {
        const sigset_t held = endingSignals();
        sigprocmask(SIG_BLOCK, &held, &previous);
    }
    ~SignalsHeld() {
        sigprocmask(SIG_SETMASK, &previous, nullptr);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};

// Returns path with every symlink along its last component followed, even
// one that points at a name that does not exist yet.
// REQUIRES: the system follows the chain (stat() does not fail with ELOOP).
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

bool sameFile(const struct stat& left, const struct stat& right) {
    return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

// A name no other run is likely to take; one that is taken is tried again.
std::string randomName(int attempt) {
    std::array<unsigned char, randomCharacters> bytes{};
    if (getrandom(bytes.data(), bytes.size(), GRND_NONBLOCK) != static_cast<ssize_t>(bytes.size()))
        return std::string(temporaryPrefix) + std::to_string(getpid()) + "-" + std::to_string(attempt);
    std::string name(temporaryPrefix);
    for (const unsigned char byte : bytes)
        name += nameCharacters[byte % nameCharacters.size()];
    return name;
}

// Creates the temporary file in output.folder and records it for the
// signal handlers. Returns 0, or the errno of the failure.
int createTemporary(PictureOutput& output, const struct stat* replaced) {
    const SignalsHeld held;
    installHandlers();
    for (int attempt = 0; attempt < temporaryAttempts; ++attempt) {
        std::string name = randomName(attempt);
        output.descriptor =
            openat(output.folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, temporaryFileMode);
        if (output.descriptor < 0 && errno == EEXIST)
            continue;
        if (output.descriptor < 0)
            return errno;
        std::memcpy(temporaryName.data(), name.c_str(), name.size() + 1);
        temporaryFolder = output.folder;
        temporaryExists = 1;
        output.temporaryName = std::move(name);
        // A new picture is as readable as any new file; a replaced one keeps
        // its permissions, and its owner and group where the process may
        // give them, as editors that replace a file by renaming do.
        if (replaced == nullptr) {
            const mode_t mask = umask(0);
            umask(mask);
            return fchmod(output.descriptor, createdFileMode & ~mask) == 0 ? 0 : errno;
        }
        // Only a privileged process may give a file away; the others keep
        // the file as their own, which is no reason to fail.
        if (fchown(output.descriptor, replaced->st_uid, replaced->st_gid) != 0)
            errno = 0;
        return fchmod(output.descriptor, replaced->st_mode & permissionBits) == 0 ? 0 : errno;
    }
    return EEXIST;
}

void removeTemporary(PictureOutput& output) {
    if (output.temporaryName.empty())
        return;
    const SignalsHeld held;
    unlinkat(output.folder, output.temporaryName.c_str(), 0);
    temporaryExists = 0;
    output.temporaryName.clear();
}

OutputOpened opened(OutputOpening outcome, int error = 0) {
    return {outcome, error};
}

OutputOpened failedWith(PictureOutput& output, int error) {
    abandonPictureOutput(output);
    return opened(OutputOpening::failed, error);
}

// Prepares to replace, or create, the regular file that path names once
// its links are followed.
OutputOpened openReplacement(const std::string& path, PictureOutput& output) {
    const std::filesystem::path finalPath(followLinks(path));
    const std::filesystem::path folder = finalPath.parent_path();
    output.finalName = finalPath.filename().string();
    if (output.finalName.empty())
        return opened(OutputOpening::failed, EISDIR);
    output.folder = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (output.folder < 0)
        return failedWith(output, errno);
    struct stat existing {};
    const bool replacing = fstatat(output.folder, output.finalName.c_str(), &existing, 0) == 0;
    if (const int error = createTemporary(output, replacing ? &existing : nullptr); error != 0)
        return failedWith(output, error);
    return opened(OutputOpening::opened);
}

}  // namespace

OutputOpened openPictureOutput(std::string_view name, const struct stat& level, bool standardOutputOpen,
                               PictureOutput& output) {
    const std::string path(name);
    struct stat target {};
    const bool exists = name != "-" && stat(path.c_str(), &target) == 0;
    if (name != "-" && !exists && errno == ELOOP)
        return opened(OutputOpening::failed, ELOOP);
    struct stat standard {};
    const bool toStandardOutput = name == "-" || (exists && standardOutputOpen &&
                                                  fstat(STDOUT_FILENO, &standard) == 0 && sameFile(target, standard));
    if (toStandardOutput) {
        if (!standardOutputOpen)
            return opened(OutputOpening::standardOutputClosed);
        output.standardOutput = true;
        output.descriptor = STDOUT_FILENO;
        const bool isLevel = fstat(STDOUT_FILENO, &standard) == 0 && S_ISREG(standard.st_mode) &&
                             S_ISREG(level.st_mode) && sameFile(standard, level);
        return opened(isLevel ? OutputOpening::sameAsLevel : OutputOpening::opened);
    }
    if (exists && S_ISREG(target.st_mode) && S_ISREG(level.st_mode) && sameFile(target, level))
        return opened(OutputOpening::sameAsLevel);
    // A FIFO or a device is written into; so is a file that no longer has
    // a name (reached through /proc/self/fd), which has nothing to replace.
    if (exists && (!S_ISREG(target.st_mode) || target.st_nlink == 0)) {
        output.descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC | (S_ISREG(target.st_mode) ? O_TRUNC : 0));
        return output.descriptor >= 0 ? opened(OutputOpening::opened) : opened(OutputOpening::failed, errno);
    }
    return openReplacement(path, output);
}

int writePictureOutput(PictureOutput& output, std::string_view bytes) {
    return writeWhole(output.descriptor, bytes);
}

int finishPictureOutput(PictureOutput& output) {
    int error = 0;
    // Synced before the rename, so that after a power loss the name holds
    // the old picture or the new one, never an empty file.
    if (!output.temporaryName.empty() && fsync(output.descriptor) != 0)
        error = errno;
    if (output.standardOutput) {
        output.descriptor = -1;
    } else {
        if (close(output.descriptor) != 0 && error == 0)
            error = errno;
        output.descriptor = -1;
    }
    if (error == 0 && !output.temporaryName.empty()) {
        const SignalsHeld held;
        if (renameat(output.folder, output.temporaryName.c_str(), output.folder, output.finalName.c_str()) == 0) {
            temporaryExists = 0;
            output.temporaryName.clear();
            // The rename itself is made durable with its folder.
            static_cast<void>(fsync(output.folder));
        } else {
            error = errno;
        }
    }
    abandonPictureOutput(output);
    return error;
}

void abandonPictureOutput(PictureOutput& output) {
    if (output.descriptor >= 0 && !output.standardOutput)
        close(output.descriptor);
    output.descriptor = -1;
    removeTemporary(output);
    if (output.folder >= 0)
        close(output.folder);
    output.folder = -1;
}
