#include "line_scan.h"

#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnel::data {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The plain rule, one byte at a time: for the bytes the 64-byte steps leave.
void passBytewise(std::string_view bytes, std::size_t from, std::int64_t limit, bool afterCr,
                  PassedLineEnds& passed) {
    bool previousCr = afterCr;
    std::size_t i = from;
    for (; i < bytes.size() && passed.count < limit; ++i) {
        const char byte = bytes[i];
        if (byte == kCr) {
            ++passed.count;
            passed.next = i + 1;
        } else if (byte == kLf) {
            passed.count += previousCr ? 0 : 1;
            passed.next = i + 1;
        }
        previousCr = byte == kCr;
    }
    // A CR of these bytes that ended the pass takes its LF along, when the LF is at hand.
    if (previousCr && i > 0 && passed.next == i) {
        if (i < bytes.size()) {
            passed.next += bytes[i] == kLf ? 1 : 0;
        } else {
            passed.endsInCr = true;
        }
    }
}

#if defined(__SSE2__)
struct Marks {
    std::uint64_t cr, lf;
};

std::uint64_t marksOf(const char* at, char byte) {
    const __m128i wanted = _mm_set1_epi8(byte);
    std::uint64_t marks = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * i));
        marks |= static_cast<std::uint64_t>(
                     static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted))))
                 << (16 * i);
    }
    return marks;
}

// The CR and LF marks of 64 bytes, one bit a byte.
Marks marksAt(const char* at) {
    return {marksOf(at, kCr), marksOf(at, kLf)};
}
#endif

}  // namespace

PassedLineEnds passLineEnds(std::string_view bytes, std::int64_t limit, bool afterCr) {
    PassedLineEnds passed;
    std::size_t at = 0;
#if defined(__SSE2__)
    // Each step counts the line ends of 64 bytes: every CR, and every LF whose byte before is no
    // CR. The step that would reach the limit is left to the plain rule.
    std::uint64_t carry = afterCr ? 1 : 0;  // a CR just before the 64 bytes
    for (; at + 64 <= bytes.size(); at += 64) {
        const Marks marks = marksAt(bytes.data() + at);
        const std::uint64_t ends = marks.cr | (marks.lf & ~(marks.cr << 1 | carry));
        const int count = std::popcount(ends);
        if (passed.count + count >= limit) {
            break;
        }
        passed.count += count;
        if (const std::uint64_t any = marks.cr | marks.lf; any != 0) {
            passed.next = at + static_cast<std::size_t>(std::bit_width(any));
        }
        carry = marks.cr >> 63;
    }
    afterCr = at > 0 ? bytes[at - 1] == kCr : afterCr;
#endif
    passBytewise(bytes, at, limit, afterCr, passed);
    return passed;
}

bool allLinesEndInCrLf(std::string_view bytes, std::int64_t& lines) {
    std::int64_t pairs = 0;
    std::size_t at = 0;
#if defined(__SSE2__)
    // Every CR is followed by an LF and every LF follows a CR: the LF marks are the CR marks moved
    // one byte on. A CR in the last byte of a step has its LF in the first of the next.
    std::uint64_t carry = 0;
    for (; at + 64 <= bytes.size(); at += 64) {
        const Marks marks = marksAt(bytes.data() + at);
        if (marks.lf != (marks.cr << 1 | carry)) {
            return false;
        }
        pairs += std::popcount(marks.lf);
        carry = marks.cr >> 63;
    }
    if (carry != 0 && (at == bytes.size() || bytes[at] != kLf)) {
        return false;
    }
    if (carry != 0) {
        ++pairs;
        ++at;
    }
#endif
    for (; at < bytes.size(); ++at) {
        if (bytes[at] == kLf) {
            return false;  // an LF alone: one after a CR is passed with its CR
        }
        if (bytes[at] == kCr) {
            if (at + 1 == bytes.size() || bytes[at + 1] != kLf) {
                return false;
            }
            ++pairs;
            ++at;
        }
    }
    if (!bytes.empty() && bytes.back() != kLf) {
        return false;  // the last line has no line end
    }
    lines = pairs;
    return true;
}

}  // namespace varnel::data
