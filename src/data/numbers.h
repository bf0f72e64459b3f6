#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Numbers in the window are text and become numbers only when used. A number text is optional
// blanks (spaces or tabs), an optional sign, decimal digits with an optional fractional part
// after a point, and optional blanks again: "7", " 7 ", "+7", "7.", ".5", "-0.4". The point is
// the decimal mark whatever the machine's locale; exponents, hexadecimal, digit grouping and
// decimal commas are not numbers here.
namespace varnel::data {

// The value of a number text, or nullopt when the text is no number. A value too large or too
// small in magnitude for a double is refused as well.
std::optional<double> numberFromText(std::string_view text);

// A byte field: rounded to the nearest whole number, a tie going to the even neighbour, then it
// must lie in 0..255. "2.5" gives 2, "3.5" gives 4, "-0.4" gives 0; "255.5" and "-0.6" are refused.
std::optional<std::uint8_t> byteFromText(std::string_view text);

// The cost: the record stores the displayed cost divided by 12 and rounded down, which must lie
// in 0..255, so texts from 0 up to but excluding 3072 are accepted. "299" gives 24.
std::optional<std::uint8_t> costFromText(std::string_view text);

// A whole number: "7.0" counts as 7, "2.5" is refused. Only magnitudes below 2^53, where every
// whole number is held exactly, are accepted.
std::optional<std::int64_t> wholeNumberFromText(std::string_view text);

// The highest cost text that the cost conversion accepts: 255 * 12 + 11.
inline constexpr int kHighestCostText = 3071;

}  // namespace varnel::data
