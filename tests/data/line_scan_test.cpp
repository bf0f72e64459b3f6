// Line ends counted many bytes at a time against the plain rule, byte by byte, with line ends at
// every place of a step and across steps.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "data/line_scan.h"

namespace varnel::data {
namespace {

// The rule written out plainly: the line ends of bytes, where each begins and ends.
struct LineEndAt {
    std::size_t start, next;  // its first byte; the first byte after it
};
std::vector<LineEndAt> lineEndsOf(const std::string& bytes, bool afterCr) {
    std::vector<LineEndAt> ends;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && ((i == 0 && afterCr) || (i > 0 && bytes[i - 1] == '\r'))) {
            continue;  // the second half of a CR LF
        }
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            const bool pair = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
            ends.push_back({i, i + (pair ? 2 : 1)});
        }
    }
    return ends;
}

TEST(LineScan, PassesTheLineEndsThePlainRuleFinds) {
    std::mt19937 random(5);
    const char alphabet[] = {'a', '\r', '\n', 'b'};
    for (int round = 0; round < 400; ++round) {
        std::string bytes(random() % 200, 'x');
        for (char& byte : bytes) {
            byte = alphabet[random() % 4];
        }
        for (const bool afterCr : {false, true}) {
            const std::vector<LineEndAt> ends = lineEndsOf(bytes, afterCr);
            for (std::int64_t limit = 1; limit <= static_cast<std::int64_t>(ends.size()) + 1;
                 ++limit) {
                SCOPED_TRACE(testing::Message() << "round " << round << ", limit " << limit);
                const PassedLineEnds passed = passLineEnds(bytes, limit, afterCr);
                const auto count = std::min<std::int64_t>(limit, ends.size());
                ASSERT_EQ(passed.count, count);
                // Past the last end passed, or past a lone leading LF of an earlier CR.
                std::size_t next = count > 0 ? ends[count - 1].next : 0;
                if (count == 0 && afterCr && !bytes.empty() && bytes[0] == '\n') {
                    next = 1;
                }
                if (count == static_cast<std::int64_t>(ends.size()) && count < limit) {
                    // Every end passed: the bytes after the last one hold no line end, but may
                    // start with the LF of its CR when that CR ended the bytes before.
                    next = std::max(next, bytes.find_last_of("\r\n") + 1);
                    if (bytes.find_last_of("\r\n") == std::string::npos) {
                        next = 0;
                    }
                }
                ASSERT_EQ(passed.next, next);
                ASSERT_EQ(passed.endsInCr, count > 0 && bytes[ends[count - 1].start] == '\r' &&
                                               ends[count - 1].start + 1 == bytes.size());
            }
        }
    }
}

TEST(LineScan, TellsAListOfCrLfLinesFromAnyOther) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        std::int64_t lines = random() % 40;
        for (std::int64_t line = 0; line < lines; ++line) {
            bytes += std::string(random() % 70, 'n') + "\r\n";
        }
        std::int64_t counted = -1;
        ASSERT_TRUE(allLinesEndInCrLf(bytes, counted)) << round;
        EXPECT_EQ(counted, lines);
        if (bytes.empty()) {
            continue;
        }
        // One byte changed anywhere: a CR or LF alone, or a last line without its end.
        std::string spoiled = bytes;
        const std::size_t at = random() % spoiled.size();
        spoiled[at] = spoiled[at] == 'n' ? (random() % 2 ? '\r' : '\n') : 'n';
        EXPECT_FALSE(allLinesEndInCrLf(spoiled, counted)) << round << " at " << at;
        EXPECT_FALSE(allLinesEndInCrLf(bytes + "tail", counted));
    }
}

}  // namespace
}  // namespace varnel::data
