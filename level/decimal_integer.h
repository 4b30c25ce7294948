// The one form of an integer that the three programs read from a person,
// in an argument, a line of a list or a column of levelseek's CSV: the
// form levelgen's dialogue reads. Pure.
#pragma once

#include <cstdint>
#include <string_view>

enum class IntegerReading {
    integer,     // value holds it
    notInteger,  // not of the form
    tooLarge,    // of the form, beyond what 64 bits hold
};

// Reads the whole of text: an optional sign, + or -, then one or more
// decimal digits, leading zeros allowed ("+7" is 7, "058" is 58, "-0" is
// 0), and nothing else, no blank either.
IntegerReading readInteger(std::string_view text, std::int64_t& value);
