#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Line ends of the name list found many bytes at a time. A list of 32767 names is some 700 KB,
// and Read looks for one line near its end: looking at 64 bytes in one step, rather than calling
// memchr once or twice per line, makes that search a small part of a Read.
//
// The rule is the name list's: a CR LF pair, a CR alone and an LF alone each end one line.
namespace varnel::data {

struct PassedLineEnds {
    std::int64_t count = 0;  // line ends passed, at most the limit asked for
    // Where the bytes after the last line end passed begin: just past its CR or LF, or past the
    // LF of a CR LF pair when that LF lies in the bytes too. 0 when no line end was passed (and
    // no LF that belongs to an earlier CR).
    std::size_t next = 0;
    // The last line end passed is a CR that is the last byte: an LF at the start of the bytes
    // that follow belongs to it.
    bool endsInCr = false;
};

// Passes over up to limit line ends of bytes. afterCr: the byte before bytes was a CR, so an LF
// at their start is the second half of that line end, not one of its own.
PassedLineEnds passLineEnds(std::string_view bytes, std::int64_t limit, bool afterCr);

// Whether every line of bytes ends in CR LF, the last one included (no CR or LF stands alone);
// if so, lines is set to the number of lines.
bool allLinesEndInCrLf(std::string_view bytes, std::int64_t& lines);

}  // namespace varnel::data
