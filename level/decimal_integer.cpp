#include "decimal_integer.h"

#include <algorithm>
#include <charconv>
#include <limits>

IntegerReading readInteger(std::string_view text, std::int64_t& value) {
    std::string_view digits = text;
    const bool negative = digits.starts_with('-');
    if (negative || digits.starts_with('+'))
        digits.remove_prefix(1);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char character) { return character >= '0' && character <= '9'; }))
        return IntegerReading::notInteger;
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    constexpr auto largestMagnitude = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
    if (error != std::errc() || magnitude > largestMagnitude - (negative ? 0 : 1))
        return IntegerReading::tooLarge;
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return IntegerReading::integer;
}
