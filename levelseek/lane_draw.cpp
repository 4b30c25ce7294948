// Choosing a lane kernel, and the query it is given.

#include "lane_draw.h"

#include <algorithm>
#include <bit>

namespace {

constexpr int valueBits = 31;  // every value of random() is below 2^31
constexpr std::size_t firstRingSlots = 64;

std::int32_t clamped(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

std::uint64_t atLeastZero(std::int64_t value) {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(value, 0));
}

}  // namespace

std::vector<LaneKernel> supportedLaneKernels() {
    std::vector<LaneKernel> kernels;
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl"))
        kernels.push_back(avx512LaneKernel);
    if (__builtin_cpu_supports("avx2"))
        kernels.push_back(avx2LaneKernel);
#endif
    kernels.push_back(genericLaneKernel);
    return kernels;
}

LaneOutcome drawLaneGroup(const LaneKernel& kernel, LaneQuery query, const std::uint32_t* seeds,
                          std::vector<std::int32_t>& ring, std::vector<LaneFigures>& figures) {
    figures.resize(kernel.lanes);
    if (query.window > 0 && ring.size() < firstRingSlots * kernel.lanes)
        ring.resize(firstRingSlots * kernel.lanes);
    for (;;) {
        query.ring = ring.data();
        query.ringSlots = ring.size() / kernel.lanes;
        const LaneOutcome outcome = kernel.drawLevels(query, seeds, figures.data());
        if (outcome != LaneOutcome::ringTooSmall || query.ringSlots >= mostRingSlots)
            return outcome;
        ring.resize(ring.size() * 2);
    }
}

const LaneKernel* laneKernelNamed(const std::vector<LaneKernel>& kernels, std::string_view name) {
    const auto named =
        std::find_if(kernels.begin(), kernels.end(), [&](const LaneKernel& kernel) { return kernel.name == name; });
    return named != kernels.end() ? &*named : nullptr;
}

LaneQuery makeLaneQuery(const LevelParameters& parameters, const Constraints& constraints) {
    LaneQuery query;
    query.levelLength = parameters.levelLength;
    // The values are never negative, so their remainder by maxDistance is
    // their remainder by its magnitude.
    const std::int64_t distance = parameters.maxDistance;
    query.distance = static_cast<std::uint32_t>(distance < 0 ? -distance : distance);
    // Values are below 2^31, so with l = ceil(log2(distance)) and a
    // multiplier of ceil(2^(31 + l) / distance), which is below 2^32, the
    // quotient (value * multiplier) >> (31 + l) is exact.
    const auto bits = static_cast<int>(std::bit_width(query.distance - 1));
    query.multiplier =
        static_cast<std::uint32_t>(((std::uint64_t{1} << (valueBits + bits)) + query.distance - 1) / query.distance);
    query.shift = static_cast<std::uint32_t>(bits - 1);
    const Bounds every;
    query.keepsCount = constraints.count.lowest > 0 || constraints.count.highest != every.highest;
    query.keepsLongestGap = constraints.longestGap.lowest > 0 || constraints.longestGap.highest < INT32_MAX;
    query.rejects = constraints.count.highest != every.highest || query.keepsLongestGap || constraints.clearStart > 0 ||
                    constraints.densest.highest != every.highest;
    query.mostAsteroids = atLeastZero(constraints.count.highest);
    query.clearStart = clamped(constraints.clearStart);
    query.longestGapLimit = clamped(constraints.longestGap.highest);
    query.densestLimit = atLeastZero(constraints.densest.highest);
    // The densest window is measured while drawing only when it decides
    // something; for the figures alone, the matches' second draw gives it.
    if (constraints.densest.lowest > 0 || constraints.densest.highest != every.highest)
        query.window = constraints.window;
    return query;
}
