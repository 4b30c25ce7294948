// The level line format, down to the widest values.

#include "level_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(FormatAsteroid, WritesFourShortestDecimalsAndALineFeed) {
    struct Case {
        Asteroid asteroid;
        const char* line;
    };
    const Case cases[] = {
        {{120, 347, 5, -2}, "120 347 5 -2\n"},
        {{0, 0, 0, 0}, "0 0 0 0\n"},
        {{INT32_MAX, 599, INT32_MAX, INT32_MAX}, "2147483647 599 2147483647 2147483647\n"},
        {{INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}, "-2147483648 -2147483648 -2147483648 -2147483648\n"},
    };
    for (const Case& example : cases) {
        LevelLineBuffer buffer;
        EXPECT_EQ(std::string(formatAsteroid(example.asteroid, buffer)), example.line);
    }
}

}  // namespace
