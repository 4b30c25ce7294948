// Replays the fuzzer's corpus without libFuzzer, so that the ordinary build
// and test run check every committed input. Arguments are files or folders.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void replay(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    static_cast<void>(std::fprintf(stderr, "replaying %s\n", path.c_str()));
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argumentCount, char** arguments) {
    std::size_t replayed = 0;
    for (int index = 1; index < argumentCount; ++index) {
        const std::filesystem::path path(arguments[index]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                files.push_back(entry.path());
        } else {
            files.push_back(path);
        }
        for (const auto& file : files) {
            replay(file);
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
