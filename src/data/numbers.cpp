#include "numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "record_layout.h"

namespace varnel::data {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Rounds to the nearest whole number, a tie going to the even neighbour. Done by hand rather
// than through the floating-point rounding mode, which other code could have changed.
double roundHalfToEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;  // exact for every double
    if (fraction > 0.5) {
        return below + 1.0;
    }
    if (fraction < 0.5) {
        return below;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

constexpr double kLargestSafeWhole = 9007199254740992.0;  // 2^53

// Digits that every whole number below 2^53 can have, and no more: such a text is held exactly
// both as a double and as an integer, so the two give the same result.
constexpr std::size_t kExactDigits = 15;

// The value of a text of one to five digits and nothing else, which is what nearly every cell
// holds; -1 for any other text.
std::int32_t shortDigits(std::string_view text) {
    if (text.empty() || text.size() > 5) {
        return -1;
    }
    std::int32_t value = 0;
    for (const char c : text) {
        const auto digit = static_cast<unsigned char>(c - '0');
        if (digit > 9) {
            return -1;
        }
        value = value * 10 + digit;
    }
    return value;
}

// The value of a text of blanks, an optional sign and plain decimal digits (no point); nullopt
// for any other text, which the double parser then takes. A negative zero is zero.
std::optional<std::int64_t> plainWholeNumber(std::string_view text) {
    if (const std::int32_t digits = shortDigits(text); digits >= 0) {
        return digits;
    }
    const char* from = text.data();
    const char* to = from + text.size();
    while (from < to && isBlank(*from)) {
        ++from;
    }
    while (to > from && isBlank(to[-1])) {
        --to;
    }
    const bool negative = from < to && *from == '-';
    from += from < to && (negative || *from == '+') ? 1 : 0;
    if (from == to || to - from > static_cast<std::ptrdiff_t>(kExactDigits)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; from < to; ++from) {
        const auto digit = static_cast<unsigned char>(*from - '0');
        if (digit > 9) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<double> numberFromText(std::string_view text) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The rest must be digits with at most one point and at least one digit. Checked here, since
    // the parser below would also take "inf", "nan" and stop early at an exponent.
    bool seenPoint = false;
    bool seenDigit = false;
    for (const char c : text) {
        if (isDigit(c)) {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::uint8_t> byteFromText(std::string_view text) {
    if (const std::int32_t digits = shortDigits(text); digits >= 0) {
        return digits <= 255 ? std::optional<std::uint8_t>(digits) : std::nullopt;
    }
    if (const auto whole = plainWholeNumber(text)) {
        return *whole >= 0 && *whole <= 255 ? std::optional<std::uint8_t>(*whole) : std::nullopt;
    }
    const std::optional<double> number = numberFromText(text);
    if (!number) {
        return std::nullopt;
    }
    // Anything outside this span cannot round into 0..255; checking first keeps huge values
    // away from the rounding.
    if (!(*number >= -1.0 && *number <= 256.0)) {
        return std::nullopt;
    }
    const double rounded = roundHalfToEven(*number);
    if (rounded < 0.0 || rounded > 255.0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(rounded);
}

std::optional<std::uint8_t> costFromText(std::string_view text) {
    if (const auto whole = plainWholeNumber(text)) {
        // Division rounds toward zero; -11 to -1 would give 0 where the rule's floor gives -1.
        return *whole >= 0 && *whole <= kHighestCostText
                   ? std::optional<std::uint8_t>(*whole / layout::kCostUnit)
                   : std::nullopt;
    }
    const std::optional<double> number = numberFromText(text);
    if (!number) {
        return std::nullopt;
    }
    if (!(*number >= -layout::kCostUnit && *number <= 256.0 * layout::kCostUnit)) {
        return std::nullopt;
    }
    // The quotient of the division may round up to the next whole number (or down past it) when
    // the text lies just below a multiple of 12; correct it so that the result is exactly the
    // whole number not above value / 12. Multiples of 12 in this span are exact doubles.
    double units = std::floor(*number / layout::kCostUnit);
    if (units * layout::kCostUnit > *number) {
        units -= 1.0;
    } else if ((units + 1.0) * layout::kCostUnit <= *number) {
        units += 1.0;
    }
    if (units < 0.0 || units > 255.0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(units);
}

std::optional<std::int64_t> wholeNumberFromText(std::string_view text) {
    if (const auto whole = plainWholeNumber(text)) {
        return whole;
    }
    const std::optional<double> number = numberFromText(text);
    if (!number || !(std::fabs(*number) < kLargestSafeWhole)) {
        return std::nullopt;
    }
    if (std::trunc(*number) != *number) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*number);
}

}  // namespace varnel::data
