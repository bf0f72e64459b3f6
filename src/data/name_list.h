#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The name list: a plain text file holding one unit name per line, line k holding the name of unit
// number k - 1. Names are raw bytes in the code page (code_page.h); callers convert them. The file
// is never kept open: every operation opens it by name and closes it before it returns.
//
// Reading: a line ends at CR LF, at a CR alone or at an LF alone, since lists saved by other
// editors use either. The end of the file ends the last line, so a last line without a line end
// is read in full, and a file that ends in a line end has no empty line after it. Reading never
// creates the file.
//
// Writing: every line written ends with CR LF. A change never touches the list in place: the new
// list is written in full to kTemporaryFileName in the list's folder, made to survive a power cut,
// and then renamed over the list in one step, so at any moment the list is either wholly old or
// wholly new.
namespace varnel::data {

class FileReplacement;

struct NameListStatus {
    bool exists = false;
    std::int64_t lineCount = 0;
};

// Throws Error if the list exists but cannot be read (a folder, no permission).
NameListStatus inspectNameList(const std::string& path);

// Line lineNumber (1-based) of the list; nullopt when the list is missing or has fewer lines.
// Throws Error when it cannot be read.
std::optional<std::string> readNameLine(const std::string& path, std::int64_t lineNumber);

// Puts name on line unitNumber + 1 of the list and gives the list exactly highestUnitNumber + 1
// lines: old lines 1..unitNumber, the name, old lines unitNumber + 2..highestUnitNumber + 1. A
// longer list is cut, a shorter one padded with empty lines. Requires 0 <= unitNumber <=
// highestUnitNumber, and a name without CR or LF (either would shift every later name).
//
// Throws Error, with the list left byte for byte as it was, when the list does not exist (it is
// never created), cannot be read or written, the temporary file cannot be written in full, or
// another program removed, replaced or resized the list meanwhile. A left-over temporary file is
// removed first, never written through: it may be a link to another file. The one exception: when
// only the final flush of the folder fails, the new list is in place and the Error says that the
// change may not survive a power cut.
void setName(const std::string& path, std::int64_t unitNumber, std::int64_t highestUnitNumber,
             std::string_view name);

// How a rewrite changed the list: from byte at on, the bytes before became the bytes after; every
// byte ahead of them and behind them stayed. Enough to take the rewrite back, or to make it again,
// exactly: line ends, padding lines and all.
struct ListSplice {
    std::int64_t at = 0;
    std::string before;
    std::string after;
    std::int64_t lengthBefore = 0;  // of the whole list
    std::int64_t lengthAfter() const {
        return lengthBefore - static_cast<std::int64_t>(before.size()) +
               static_cast<std::int64_t>(after.size());
    }
    bool empty() const { return before == after; }
};

// The smallest splice that turns old into now.
ListSplice spliceBetween(std::string_view old, std::string_view now);

// The first half of setName: the new list written in full beside the list and made durable, with
// every check made, ready to take the list's place by commit() and saveFolder(). Throws as
// setName does, with nothing changed. When made is given, it receives how the list changes.
std::unique_ptr<FileReplacement> prepareName(const std::string& path, std::int64_t unitNumber,
                                             std::int64_t highestUnitNumber, std::string_view name,
                                             ListSplice* made = nullptr);

// The new list that takes a splice back (backwards) or makes it again, written beside the list as
// prepareName writes it. The list must be just as the splice left it (or found it): of that
// length, with those bytes at that place. Otherwise another program has changed it since, and the
// Error thrown says so; as on any failure, nothing is changed. change names what is being done
// for messages ("undo Save of unit 5").
std::unique_ptr<FileReplacement> prepareSplice(const std::string& path, const ListSplice& splice,
                                               bool backwards, const std::string& change);

// Where setName writes the new list before it takes the list's place.
std::string temporaryPathFor(const std::string& listPath);

inline constexpr const char* kTemporaryFileName = "bck.TXT";

// Lists are read in blocks of this size, never a byte at a time.
inline constexpr std::size_t kReadBlockSize = 64 * 1024;

// What ended a line of the list.
enum class LineEnd {
    CrLf,
    CrAlone,
    LfAlone,
    None,  // the end of the file ended the last line
};

// The one reader of the list's lines, by the rule above: it hands them out one after another,
// from an open list read in blocks of kReadBlockSize (a CR at the end of one block may have its LF
// at the start of the next, so it looks across blocks for it) or from a list already in memory.
class LineReader {
  public:
    // The list's bytes in memory; they must outlive the reader.
    explicit LineReader(std::string_view bytes) : view_(bytes), atEnd_(true) {}
    // An open list. A read failure throws Error: failureMessage, the reason, then consequence.
    LineReader(int handle, std::string failureMessage, std::string consequence);

    // The next line into line, without its line end; false once the list is used up.
    bool next(std::string& line) {
        LineEnd ended;
        return next(line, ended);
    }
    // The same, and what ended the line.
    bool next(std::string& line, LineEnd& ended);
    // Passes over up to count lines without copying them; returns how many there were.
    std::int64_t skip(std::int64_t count);

  private:
    bool passLine(std::string* line, LineEnd& ended);
    // Whether an unread byte is at hand, reading the next block when the current one is used up.
    bool haveByte() { return position_ < view_.size() || readBlock(); }
    bool readBlock();

    std::string_view view_;  // the bytes at hand: the list in memory, or the block last read
    std::size_t position_ = 0;
    bool atEnd_ = false;  // nothing is left to read beyond view_
    int handle_ = -1;
    std::string failureMessage_;
    std::string consequence_;
    std::unique_ptr<char[]> block_;  // not filled: each read fills what it uses
    std::int64_t offset_ = 0;
};

}  // namespace varnel::data
