// Property fuzzer for levelseek's command line: arbitrary bytes, one
// argument a line, go to its reader. A refusal must be one short line; an
// accepted request must hold together (every range in order, the window at
// least 1) and read back the same when written out again as arguments.

#include "seek_request.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t longestProblem = 200;

void require(bool holds, const char* promise) {
    if (!holds) {
        static_cast<void>(std::fprintf(stderr, "broken promise: %s\n", promise));
        std::abort();
    }
}

std::string range(const Bounds& bounds) {
    return std::to_string(bounds.lowest) + ".." + std::to_string(bounds.highest);
}

bool same(const Bounds& left, const Bounds& right) {
    return left.lowest == right.lowest && left.highest == right.highest;
}

// The request written out as arguments: every option that differs from its
// default, with its value after "=" or as the next argument.
std::vector<std::string> written(const SeekRequest& request) {
    const SeekRequest defaults;
    const Constraints& constraints = request.constraints;
    std::vector<std::string> arguments;
    if (request.seedsFrom.empty())
        arguments.push_back("--seeds=" + std::to_string(request.firstSeed) + ".." + std::to_string(request.lastSeed));
    else
        arguments.insert(arguments.end(), {"--seeds-from", request.seedsFrom, "--skip", std::to_string(request.skip)});
    if (!same(constraints.count, defaults.constraints.count))
        arguments.insert(arguments.end(), {"--count", range(constraints.count)});
    if (!same(constraints.longestGap, defaults.constraints.longestGap))
        arguments.insert(arguments.end(), {"--longest-gap", range(constraints.longestGap)});
    if (constraints.clearStart != defaults.constraints.clearStart)
        arguments.insert(arguments.end(), {"--clear-start", std::to_string(constraints.clearStart)});
    if (request.densestColumn)
        arguments.push_back(
            "--densest=" + std::to_string(constraints.window) + ":" +
            (same(constraints.densest, defaults.constraints.densest) ? "" : range(constraints.densest)));
    if (request.mostMatches != 0)
        arguments.insert(arguments.end(), {"--first", std::to_string(request.mostMatches)});
    if (request.threads != 0)
        arguments.insert(arguments.end(), {"--threads", std::to_string(request.threads)});
    if (request.csv)
        arguments.emplace_back("--csv");
    if (!request.header)
        arguments.emplace_back("--no-header");
    arguments.emplace_back("--");
    for (const std::int32_t limit :
         {request.limits.levelLength, request.limits.maxDistance, request.limits.maxSpeedX, request.limits.maxSpeedY})
        arguments.push_back(std::to_string(limit));
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> arguments;
    for (std::size_t begin = 0; begin <= input.size();) {
        const std::size_t end = std::min(input.find('\n', begin), input.size());
        arguments.push_back(input.substr(begin, end - begin));
        begin = end + 1;
    }
    SeekRequest request;
    const std::string problem = parseSeekRequest(arguments, request);
    if (!problem.empty()) {
        require(problem.size() <= longestProblem && problem.find('\n') == std::string::npos,
                "a refusal is one short line");
        return 0;
    }
    if (request.help || request.version)
        return 0;
    const Constraints& constraints = request.constraints;
    require(request.firstSeed <= request.lastSeed && request.firstSeed >= INT32_MIN && request.lastSeed <= INT32_MAX,
            "the seeds are a range of 32-bit values in order");
    require(constraints.count.lowest <= constraints.count.highest &&
                constraints.longestGap.lowest <= constraints.longestGap.highest &&
                constraints.densest.lowest <= constraints.densest.highest,
            "every range is in order");
    require(request.densestColumn == (constraints.window >= 1), "a densest window is at least one unit");
    require(request.threads <= mostThreads, "the threads are bounded");

    const std::vector<std::string> again = written(request);
    SeekRequest reread;
    require(parseSeekRequest(std::vector<std::string_view>(again.begin(), again.end()), reread).empty(),
            "a request written out is accepted");
    require(reread.firstSeed == request.firstSeed && reread.lastSeed == request.lastSeed &&
                same(reread.constraints.count, constraints.count) &&
                same(reread.constraints.longestGap, constraints.longestGap) &&
                same(reread.constraints.densest, constraints.densest) &&
                reread.constraints.clearStart == constraints.clearStart &&
                reread.constraints.window == constraints.window && reread.mostMatches == request.mostMatches &&
                reread.threads == request.threads && reread.csv == request.csv && reread.header == request.header &&
                reread.seedsFrom == request.seedsFrom && reread.skip == request.skip &&
                reread.limits.levelLength == request.limits.levelLength &&
                reread.limits.maxDistance == request.limits.maxDistance &&
                reread.limits.maxSpeedX == request.limits.maxSpeedX &&
                reread.limits.maxSpeedY == request.limits.maxSpeedY,
            "a request written out reads back the same");
    return 0;
}
