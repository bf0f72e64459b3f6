// The number conversions on arbitrary texts, against the rules worked out exactly in decimal. A
// number text is blanks (space, tab), an optional sign, digits with at most one point and at least
// one digit, blanks. The text becomes a double; a byte rounds it to the nearest whole number (a tie
// to the even one) within 0..255, the cost is it divided by 12 and rounded down within 0..255, a
// whole number must have no fraction.
#include <clocale>
#include <cmath>
#include <optional>
#include <string_view>

#include "data/numbers.h"
#include "fuzz_input.h"

namespace {

namespace data = varnel::data;

// A decimal as written: whole digits without leading zeros, fraction digits without trailing ones.
struct Decimal {
    bool negative = false;
    std::string whole, fraction;
};

std::optional<Decimal> parse(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
    text.remove_suffix(text.size() - (text.find_last_not_of(" \t") + 1));
    Decimal d;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        d.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    d.whole = text.substr(0, point);
    d.fraction = point == text.npos ? "" : text.substr(point + 1);
    const auto digits = [](const std::string& s) {
        return s.find_first_not_of("0123456789") == s.npos;
    };
    if (!digits(d.whole) || !digits(d.fraction) || d.whole.size() + d.fraction.size() == 0) {
        return std::nullopt;
    }
    d.whole.erase(0, d.whole.find_first_not_of('0'));
    d.fraction.erase(d.fraction.find_last_not_of('0') + 1);
    return d;
}

// What the rules give for +-n / scale.
struct Results {
    std::optional<std::uint8_t> byte, cost;
    std::optional<std::int64_t> whole;
};

Results rules(bool negative, std::uint64_t n, std::uint64_t scale) {
    Results r;
    const std::uint64_t q = n / scale, twice = 2 * (n % scale);
    const std::uint64_t rounded = q + (twice > scale || (twice == scale && q % 2 == 1));
    if (negative ? rounded == 0 : rounded <= 255)
        r.byte = rounded;
    if (negative ? n == 0 : n / (12 * scale) <= 255)
        r.cost = negative ? 0 : n / (12 * scale);
    if (n % scale == 0)
        r.whole = negative ? -std::int64_t(q) : std::int64_t(q);
    return r;
}

template <typename T>
bool same(const std::optional<T>& a, const std::optional<T>& b) {
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A locale with a decimal comma must change nothing.
    static const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    (void)comma;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto number = data::numberFromText(text);
    const Results got{data::byteFromText(text), data::costFromText(text),
                      data::wholeNumberFromText(text)};
    const std::optional<Decimal> d = parse(text);
    const bool none = !number && !got.byte && !got.cost && !got.whole;
    if (!d) {
        require(none, "a text outside the grammar is no number");
        return 0;
    }
    // Above about 1e308 a double overflows, below about 1e-308 it underflows (and the text is
    // refused as no number): both edges are left open.
    const bool tiny =
        d->whole.empty() && !d->fraction.empty() && d->fraction.find_first_not_of('0') >= 300;
    if (d->whole.size() > 310)
        require(none, "a number too large for a double is refused");
    if (d->whole.size() > 300 || tiny)
        return 0;
    require(number && std::signbit(*number) == d->negative, "a number text is a number");
    if (d->whole.size() + d->fraction.size() <= 19) {
        long double exact = 0, scale = 1;  // 19 digits and their scale are exact in a long double
        for (const char c : d->whole + d->fraction)
            exact = exact * 10 + (c - '0');
        for (std::size_t i = 0; i < d->fraction.size(); ++i)
            scale *= 10;
        const double magnitude = std::fabs(*number);
        const long double ulp = std::nextafter(magnitude, INFINITY) - magnitude;
        require(std::fabs(magnitude - exact / scale) <= ulp * 0.502L,
                "the double nearest the text");
    }
    if (d->whole.size() > 15) {
        require(!got.byte && !got.cost, "a byte or cost of more than 15 digits is refused");
        require(d->whole.size() < 17 || !got.whole, "a whole number of 2^53 or more is refused");
        return 0;
    }
    // The first 15 digits: so few that the double of the text lies on the same side of every
    // boundary of the rules (x.5, multiples of 12, whole numbers) as the text itself.
    const std::size_t keep = std::min(d->fraction.size(), 15 - d->whole.size());
    std::uint64_t n = 0, scale = 1;
    for (const char c : d->whole + d->fraction.substr(0, keep))
        n = n * 10 + (c - '0');
    for (std::size_t i = 0; i < keep; ++i)
        scale *= 10;
    const Results low = rules(d->negative, n, scale);
    if (keep == d->fraction.size()) {
        require(same(got.byte, low.byte) && same(got.cost, low.cost) && same(got.whole, low.whole),
                "a number of up to 15 digits converts as the rules say");
        return 0;
    }
    // More digits than a double holds: the text lies between low and high, and where the rules
    // give the same at both ends, that holds for the text.
    const Results high = rules(d->negative, n + 1, scale);
    require(!same(low.byte, high.byte) || same(got.byte, low.byte), "a long byte");
    require(!same(low.cost, high.cost) || same(got.cost, low.cost), "a long cost");
    const std::string kept = d->fraction.substr(0, keep);
    const bool nearWhole =
        kept.find_first_not_of('0') == kept.npos || kept.find_first_not_of('9') == kept.npos;
    require(nearWhole || !got.whole, "a text with a fraction is no whole number");
    return 0;
}
