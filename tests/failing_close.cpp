// Preloaded into the programs by the tests: close() of a file named
// level.txt, or named by FAILING_CLOSE_NAME, really closes it, then reports
// EIO, as a disk or network file system does when it can only say at close
// that the data was not stored; with FAILING_FSYNC set, every fsync()
// reports EIO; and with FAILING_GETRANDOM set, getrandom() reports ENOSYS,
// as on a kernel too old to have it.

#include <dlfcn.h>
#include <sys/random.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int close(int descriptor) {
    using CloseFunction = int (*)(int);
    static const auto realClose = reinterpret_cast<CloseFunction>(dlsym(RTLD_NEXT, "close"));
    std::array<char, 32> link{};
    std::array<char, 4096> target{};
    static_cast<void>(std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", descriptor));
    const ssize_t length = readlink(link.data(), target.data(), target.size());
    const char* const named = std::getenv("FAILING_CLOSE_NAME");
    const std::string ending = "/" + std::string(named != nullptr ? named : "level.txt");
    const bool levelFile =
        length > 0 && std::string_view(target.data(), static_cast<std::size_t>(length)).ends_with(ending);
    const int result = realClose(descriptor);
    if (levelFile && result == 0) {
        errno = EIO;
        return -1;
    }
    return result;
}

extern "C" int fsync(int descriptor) {
    using FsyncFunction = int (*)(int);
    static const auto realFsync = reinterpret_cast<FsyncFunction>(dlsym(RTLD_NEXT, "fsync"));
    if (std::getenv("FAILING_FSYNC") != nullptr) {
        errno = EIO;
        return -1;
    }
    return realFsync(descriptor);
}

extern "C" ssize_t getrandom(void* buffer, std::size_t length, unsigned flags) {
    using GetrandomFunction = ssize_t (*)(void*, std::size_t, unsigned);
    static const auto realGetrandom = reinterpret_cast<GetrandomFunction>(dlsym(RTLD_NEXT, "getrandom"));
    if (std::getenv("FAILING_GETRANDOM") != nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return realGetrandom(buffer, length, flags);
}
