// Many seeds' levels drawn side by side, one seed a lane of a vector: the
// C library's additive generator restated over lanes, and of the draw only
// what the figures need (the gap and the stop rule, with four values taken
// per asteroid). The kernels are compiled once per instruction set; the
// best one the processor has is chosen once, at run time. Every kernel is
// tested against the scalar draw with the C library's own generator.
#pragma once

#include "level.h"
#include "level_figures.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// What a kernel needs: plain data, since the kernels share nothing else
// with the rest of the program.
struct LaneQuery {
    std::int32_t levelLength = 1;  // above 0
    std::uint32_t distance = 2;    // |maxDistance|, 2 to 2^31
    std::uint32_t multiplier = 0;  // with shift: gap = u - (((u * multiplier) >> 32) >> shift) * distance
    std::uint32_t shift = 0;
    bool keepsCount = true;                    // the figures' count is wanted; otherwise it is left 0
    bool keepsLongestGap = true;               // the figures' longest gap is wanted; otherwise it is left 0
    bool rejects = true;                       // levels are left as soon as they pass a limit below
    std::uint64_t mostAsteroids = UINT64_MAX;  // a level is rejected as soon as it has more
    std::int32_t clearStart = INT32_MIN;       // a level whose first x is below this is rejected
    std::int32_t longestGapLimit = INT32_MAX;  // a level with a longer gap is rejected
    std::int64_t window = 0;                   // units of the densest window; 0: not measured
    std::uint64_t densestLimit = UINT64_MAX;   // a level with more asteroids in one window is rejected
    std::int32_t* ring = nullptr;              // room for ringSlots positions of every lane, when window > 0
    std::size_t ringSlots = 0;                 // a power of two
    // Read between rounds of asteroids, with __atomic_load_n: once true,
    // the draw is left unfinished. nullptr: never.
    const bool* stop = nullptr;
    // Asteroids drawn by the lanes that draw longest, added as the draw
    // goes, with __atomic_fetch_add, for a progress line. nullptr: not counted.
    std::uint64_t* drawn = nullptr;
};

// The figures of one lane's level. A rejected level was left as soon as a
// limit was passed: its figures are partial, and it meets no constraints.
struct LaneFigures {
    LevelFigures figures;
    bool rejected = false;
};

enum class LaneOutcome {
    drawn,
    ringTooSmall,  // some window held ringSlots positions: draw again with a larger ring
    stopped,       // *query.stop became true: the figures are not written
};

struct LaneKernel {
    const char* name = "";  // the instruction set
    std::size_t lanes = 0;  // seeds per call
    // Draws the levels of seeds[0] to [lanes - 1], any seeds, into
    // figures[0] to [lanes - 1].
    // Its lanes draw in step, vectorsPerGroup vectors of lanesPerVector.
    LaneOutcome (*drawLevels)(const LaneQuery& query, const std::uint32_t* seeds, LaneFigures* figures) = nullptr;
    // Writes the first count values of the generator seeded with seeds[0]
    // to [lanes - 1]: values[k * lanes + lane] is the k-th value of that lane.
    void (*randomValues)(const std::uint32_t* seeds, std::size_t count, std::uint32_t* values) = nullptr;
};

// Returns the kernels this processor can run, the fastest first.
std::vector<LaneKernel> supportedLaneKernels();

// The most positions a lane's densest window is given room for: a few
// hundred KiB a group. Wider windows are measured another way.
constexpr std::size_t mostRingSlots = 4096;

// Draws the levels of seeds[0] to [kernel.lanes - 1] into figures (resized to kernel.lanes), with query and ring as the
// room for the densest window, which grows as the windows need, up to mostRingSlots positions a lane. Returns
// LaneOutcome::ringTooSmall when a window holds more, and LaneOutcome::stopped when *query.stop became true; either way
// figures are not to be used.
LaneOutcome drawLaneGroup(const LaneKernel& kernel, LaneQuery query, const std::uint32_t* seeds,
                          std::vector<std::int32_t>& ring, std::vector<LaneFigures>& figures);

// Returns the kernel named name ("generic", "avx2", "avx512") among
// kernels, or nullptr when there is none of that name.
const LaneKernel* laneKernelNamed(const std::vector<LaneKernel>& kernels, std::string_view name);

// Returns the query for parameters and constraints, without a ring: it
// keeps only the figures the constraints bound, and measures the densest
// window only when they bound it.
// REQUIRES: parameters.levelLength > 0 and checkParameters() accepts them.
LaneQuery makeLaneQuery(const LevelParameters& parameters, const Constraints& constraints);

// The kernels, defined each in its own file.
extern const LaneKernel genericLaneKernel;
#if defined(__x86_64__)
extern const LaneKernel avx2LaneKernel;
extern const LaneKernel avx512LaneKernel;
#endif
