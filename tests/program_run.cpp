// Spawning the program under test with files for its three standard
// streams: files rather than pipes, so that no amount of output can block.

#include "program_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "levelgen-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "<missing>";
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, std::string_view content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!file.flush())
        throw std::runtime_error("cannot write " + path.string());
}

std::string utf8(std::string_view latin1) {
    std::string result;
    for (const char character : latin1) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x80) {
            result += character;
        } else {
            result += static_cast<char>(0xC0 | (byte >> 6));
            result += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return result;
}

namespace {

// Waits for child until limit; then sends it signal (SIGKILL when 0), and
// second, when not 0, a moment later, and reports whether the limit was
// reached.
bool waitWithin(pid_t child, std::chrono::milliseconds limit, int signal, int second, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::microseconds(100);
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return false;
        if (done < 0 && errno != EINTR)
            throw std::runtime_error("waitpid failed");
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    kill(child, signal != 0 ? signal : SIGKILL);
    if (second != 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        kill(child, second);
    }
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

}  // namespace

ProgramRun runProgram(const std::filesystem::path& program, const std::filesystem::path& folder, std::string_view input,
                      const std::vector<std::string>& arguments, const ProgramSetup& setup) {
    const TemporaryFolder streams;
    const auto inputPath = setup.standardInput.empty() ? streams.path / "stdin" : setup.standardInput;
    const auto outputPath = setup.standardOutput.empty() ? streams.path / "stdout" : setup.standardOutput;
    const auto errorsPath = streams.path / "stderr";
    if (setup.standardInput.empty())
        writeFile(inputPath, input);

    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = setup.environment;

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            chdir(folder.c_str()) != 0)
            _exit(127);
        if (setup.closeStandardOutput)
            close(1);
        // The program starts as from an interactive shell, whatever the
        // test runner ignores or blocks (a job started in the background
        // ignores SIGINT): the tests that want a signal ignored say so.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        // And the signals the test sends, which nohup, for one, ignores.
        for (const int sent : {setup.signalAtLimit, setup.secondSignal}) {
            if (sent != 0)
                signal(sent, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (std::string& setting : settings)
            putenv(setting.data());
        umask(022);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitWithin(child, setup.limit, setup.signalAtLimit, setup.secondSignal, status) && setup.signalAtLimit == 0)
        throw std::runtime_error(program.filename().string() + " was still running after " +
                                 std::to_string(setup.limit.count()) + " ms and was killed");
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.output = setup.standardOutput.empty() ? readFile(outputPath) : std::string();
    run.errors = readFile(errorsPath);
    return run;
}
