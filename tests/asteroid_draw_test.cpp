// The draw's ranges and early end, and the parameter check, in-process.
// The exact levels are pinned by the end-to-end known answers and the
// catalogue.

#include "asteroid_draw.h"
#include "level_parameters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<Asteroid> drawAll(const LevelParameters& parameters) {
    std::vector<Asteroid> level;
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        level.push_back(asteroid);
        return true;
    });
    return level;
}

struct Range {
    std::int64_t lowest;
    std::int64_t highest;
};

// Every value lies in the range, and with a few thousand asteroids both
// ends of a small range are reached.
void expectSpans(const std::vector<std::int64_t>& values, Range range, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(values.empty());
    std::int64_t lowest = values.front();
    std::int64_t highest = values.front();
    for (const std::int64_t value : values) {
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, range.lowest);
    EXPECT_EQ(highest, range.highest);
}

TEST(AsteroidDraw, KeepsEveryValueInItsRange) {
    struct Case {
        LevelParameters parameters;
        Range gap, speedX, speedY;
    };
    const Case cases[] = {
        {{1, 5000, 10, 6, 3}, {0, 9}, {1, 5}, {-3, 2}},
        {{-7, 5000, -10, 0, -3}, {0, 9}, {1, 1}, {3, 8}},
        {{99, 3000, 2, -3, 1}, {0, 1}, {1, 4}, {-1, 0}},
        {{5, 3000, 3, 2, -1}, {0, 2}, {1, 1}, {1, 2}},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.parameters.seed);
        const std::vector<Asteroid> level = drawAll(example.parameters);
        std::vector<std::int64_t> gaps, ys, speedXs, speedYs;
        std::int32_t previousX = 0;
        for (const Asteroid& asteroid : level) {
            gaps.push_back(asteroid.x - previousX);
            previousX = asteroid.x;
            ys.push_back(asteroid.y);
            speedXs.push_back(asteroid.speedX);
            speedYs.push_back(asteroid.speedY);
        }
        expectSpans(gaps, example.gap, "gap");
        expectSpans(ys, {0, 599}, "y");
        expectSpans(speedXs, example.speedX, "speedX");
        expectSpans(speedYs, example.speedY, "speedY");
    }
}

TEST(AsteroidDraw, EndsWhenTheReceiverSaysSo) {
    int calls = 0;
    generateLevel({1, 1000, 10, 6, 3}, [&](const Asteroid&) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
}

TEST(CheckParameters, RefusesExactlyWhatTheDrawCannotUse) {
    const std::int32_t largest = INT32_MAX;
    const std::int32_t smallest = INT32_MIN;
    struct Case {
        LevelParameters parameters;
        ParameterProblem expected;
    };
    const Case cases[] = {
        {{0, 5, 10, 6, 3}, ParameterProblem::none},
        {{0, 5, 2, 0, 1}, ParameterProblem::none},
        {{0, 5, -2, 2, -1}, ParameterProblem::none},
        {{0, 5, 10, smallest, largest}, ParameterProblem::none},
        {{0, 0, 0, 1, 0}, ParameterProblem::none},
        {{0, smallest, 1, 1, smallest}, ParameterProblem::none},
        {{0, 5, 0, 6, 3}, ParameterProblem::unsupportedDistance},
        {{0, 5, 1, 6, 3}, ParameterProblem::unsupportedDistance},
        {{0, 5, -1, 6, 3}, ParameterProblem::unsupportedDistance},
        {{0, 1, smallest, 6, 3}, ParameterProblem::none},
        {{0, 2, smallest, 6, 3}, ParameterProblem::positionOverflow},
        {{0, largest, 2, 6, 3}, ParameterProblem::none},
        {{0, largest, 3, 6, 3}, ParameterProblem::positionOverflow},
        {{0, largest - 10, -12, 6, 3}, ParameterProblem::none},
        {{0, largest - 10, -13, 6, 3}, ParameterProblem::positionOverflow},
        {{0, 5, 10, 1, 3}, ParameterProblem::unsupportedSpeedX},
        {{0, 5, 10, 6, 0}, ParameterProblem::unsupportedSpeedY},
        {{0, 5, 10, 6, smallest}, ParameterProblem::unsupportedSpeedY},
    };
    for (const Case& example : cases) {
        const LevelParameters& p = example.parameters;
        SCOPED_TRACE(testing::Message() << p.levelLength << ' ' << p.maxDistance << ' ' << p.maxSpeedX << ' '
                                        << p.maxSpeedY);
        EXPECT_EQ(checkParameters(p), example.expected);
    }
}

}  // namespace
