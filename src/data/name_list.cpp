#include "name_list.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "error.h"
#include "file_replacement.h"
#include "line_scan.h"
#include "system_files.h"

namespace varnel::data {
namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr std::string_view kLineEnd = "\r\n";

// The first CR or LF in [start, stop), or stop. memchr looks at many bytes in one step: a loop
// over single bytes took most of the time of a Read near the end of a long list.
const char* findLineEnd(const char* start, const char* stop) {
    const auto* lf = static_cast<const char*>(std::memchr(start, kLineFeed, stop - start));
    const char* const end = lf != nullptr ? lf : stop;
    const auto* cr = static_cast<const char*>(std::memchr(start, kCarriageReturn, end - start));
    return cr != nullptr ? cr : end;
}

// Opens an existing list; nullopt when there is none. A folder or a refused open is an Error whose
// text is failureMessage followed by the reason and then consequence.
std::optional<int> openExistingList(const std::string& path, OpenMode mode,
                                    const std::string& failureMessage,
                                    const std::string& consequence, FileStatus* found = nullptr) {
    SystemFiles& files = systemFiles();
    const auto opened = files.open(path, mode);
    if (!opened.ok()) {
        if (opened.error == errorNoSuchFile()) {
            return std::nullopt;
        }
        throw Error(failureMessage + reasonFor(opened.error) + "." + consequence);
    }
    OpenHandle file(opened.value);
    // A folder opens for reading without complaint, so only its status gives it away.
    const auto status = files.status(file.handle());
    if (!status.ok() || status.value.isFolder) {
        throw Error(failureMessage + reasonFor(status.ok() ? errorIsFolder() : status.error) + "." +
                    consequence);
    }
    if (found != nullptr) {
        *found = status.value;
    }
    return file.release();
}

void closeList(OpenHandle& file, const std::string& failureMessage,
               const std::string& consequence) {
    const SystemError error = file.close();
    if (error != 0) {
        throw Error(failureMessage + reasonFor(error) + "." + consequence);
    }
}

// The whole of an open list, read in blocks; length is its length as last seen, so that a list
// that has not changed is read into one buffer without growing it.
std::string readWhole(int handle, std::int64_t length, const std::string& failureMessage,
                      const std::string& consequence) {
    std::string whole(static_cast<std::size_t>(std::max<std::int64_t>(length, 0)) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == whole.size()) {
            whole.resize(whole.size() + kReadBlockSize);  // the list has grown meanwhile
        }
        const auto read = systemFiles().readAt(handle, whole.data() + filled, whole.size() - filled,
                                               static_cast<std::int64_t>(filled));
        if (!read.ok()) {
            throw Error(failureMessage + reasonFor(read.error) + "." + consequence);
        }
        filled += read.value;
        if (read.value == 0) {
            whole.resize(filled);
            return whole;
        }
    }
}

// The lines of old, cut or padded to highestUnitNumber + 1, with name on line unitNumber + 1 and
// every line ended by CR LF. Lines that already end so are copied in runs, not one by one.
std::string withName(std::string_view old, std::int64_t unitNumber, std::int64_t highestUnitNumber,
                     std::string_view name) {
    std::string content;
    content.reserve(old.size() + name.size() + kLineEnd.size());
    // A list that has its shape already, one CR LF line per unit, is copied in three pieces: the
    // lines before the name, the name, and the line end and lines after it.
    if (std::int64_t lines = 0; allLinesEndInCrLf(old, lines) && lines == highestUnitNumber + 1) {
        const std::size_t start = passLineEnds(old, unitNumber, false).next;
        const std::size_t end = old.find(kCarriageReturn, start);
        return content.append(old.substr(0, start)).append(name).append(old.substr(end));
    }
    std::size_t at = 0;        // where the next old line starts
    std::size_t runStart = 0;  // the first old byte not yet copied
    for (std::int64_t lineNumber = 1; lineNumber <= highestUnitNumber + 1; ++lineNumber) {
        const bool named = lineNumber == unitNumber + 1;
        if (at == old.size()) {  // a short list is padded with empty names
            content.append(old.substr(runStart, at - runStart));
            content.append(named ? name : std::string_view()).append(kLineEnd);
            runStart = at;
            continue;
        }
        const auto end = static_cast<std::size_t>(
            findLineEnd(old.data() + at, old.data() + old.size()) - old.data());
        const bool endsInCrLf = old.substr(end, 2) == kLineEnd;
        const std::size_t next = std::min(old.size(), end + (endsInCrLf ? 2 : 1));
        if (named || !endsInCrLf) {
            content.append(old.substr(runStart, at - runStart));
            content.append(named ? name : old.substr(at, end - at)).append(kLineEnd);
            runStart = next;
        }
        at = next;
    }
    return content.append(old.substr(runStart, at - runStart));
}

}  // namespace

LineReader::LineReader(int handle, std::string failureMessage, std::string consequence)
    : handle_(handle),
      failureMessage_(std::move(failureMessage)),
      consequence_(std::move(consequence)),
      block_(new char[kReadBlockSize]) {}

bool LineReader::next(std::string& line, LineEnd& ended) {
    line.clear();
    return passLine(&line, ended);
}

std::int64_t LineReader::skip(std::int64_t count) {
    std::int64_t passed = 0;
    bool afterCr = false;  // the bytes before ended in a CR, whose LF may start the next ones
    bool inLine = false;   // bytes of a line whose end has not been passed yet
    while (passed < count && haveByte()) {
        const std::string_view rest = view_.substr(position_);
        const PassedLineEnds ends = passLineEnds(rest, count - passed, afterCr);
        passed += ends.count;
        if (passed == count) {
            position_ += ends.next;
            // The LF of a CR LF pair may start the next block.
            if (ends.endsInCr && haveByte() && view_[position_] == kLineFeed) {
                ++position_;
            }
            return passed;
        }
        inLine = ends.next < rest.size();
        afterCr = rest.back() == kCarriageReturn;
        position_ = view_.size();
    }
    return passed + (passed < count && inLine ? 1 : 0);  // the end of the file ends a last line
}

// Passes over one line, whose end may lie in a later block, appending it to line when one is
// given; false when no byte is left.
bool LineReader::passLine(std::string* line, LineEnd& ended) {
    if (!haveByte()) {
        return false;
    }
    for (;;) {
        const char* const start = view_.data() + position_;
        const char* const stop = view_.data() + view_.size();
        const char* const lineEnd = findLineEnd(start, stop);
        if (line != nullptr) {
            line->append(start, lineEnd);
        }
        position_ += static_cast<std::size_t>(lineEnd - start);
        if (lineEnd != stop) {
            ended = view_[position_++] == kLineFeed ? LineEnd::LfAlone : LineEnd::CrAlone;
            if (ended == LineEnd::CrAlone && haveByte() && view_[position_] == kLineFeed) {
                ++position_;
                ended = LineEnd::CrLf;
            }
            return true;
        }
        if (!haveByte()) {
            ended = LineEnd::None;  // the end of the file ends the last line
            return true;
        }
    }
}

bool LineReader::readBlock() {
    if (atEnd_) {
        return false;
    }
    const auto read = systemFiles().readAt(handle_, block_.get(), kReadBlockSize, offset_);
    if (!read.ok()) {
        throw Error(failureMessage_ + reasonFor(read.error) + "." + consequence_);
    }
    position_ = 0;
    view_ = std::string_view(block_.get(), read.value);
    offset_ += static_cast<std::int64_t>(read.value);
    atEnd_ = read.value == 0;
    return !atEnd_;
}

std::string temporaryPathFor(const std::string& listPath) {
    return pathInFolderOf(listPath, kTemporaryFileName);
}

NameListStatus inspectNameList(const std::string& path) {
    const std::string couldNot = "Could not read the name list " + path + ": ";
    const auto handle = openExistingList(path, OpenMode::ReadOnly, couldNot, "");
    if (!handle) {
        return {};
    }
    OpenHandle file(*handle);
    LineReader reader(file.handle(), couldNot, "");
    const NameListStatus status{true, reader.skip(std::numeric_limits<std::int64_t>::max())};
    closeList(file, couldNot, "");
    return status;
}

std::optional<std::string> readNameLine(const std::string& path, std::int64_t lineNumber) {
    const std::string couldNot = "Could not read the name list " + path + ": ";
    const auto handle = openExistingList(path, OpenMode::ReadOnly, couldNot, "");
    if (!handle) {
        return std::nullopt;
    }
    OpenHandle file(*handle);
    LineReader reader(file.handle(), couldNot, "");
    std::optional<std::string> found;
    std::string line;
    if (lineNumber >= 1 && reader.skip(lineNumber - 1) == lineNumber - 1 && reader.next(line)) {
        found = std::move(line);
    }
    closeList(file, couldNot, "");
    return found;
}

ListSplice spliceBetween(std::string_view old, std::string_view now) {
    // The lists are long and differ in a line or two: whole blocks are compared with memcmp, which
    // looks at many bytes in one step, and only the block that differs byte by byte.
    constexpr std::size_t kBlock = 256;
    const std::size_t shorter = std::min(old.size(), now.size());
    std::size_t ahead = 0;
    while (ahead + kBlock <= shorter && std::memcmp(&old[ahead], &now[ahead], kBlock) == 0) {
        ahead += kBlock;
    }
    while (ahead < shorter && old[ahead] == now[ahead]) {
        ++ahead;
    }
    const std::size_t room = shorter - ahead;  // bytes the common tail may take
    std::size_t behind = 0;
    while (behind + kBlock <= room &&
           std::memcmp(&old[old.size() - behind - kBlock], &now[now.size() - behind - kBlock],
                       kBlock) == 0) {
        behind += kBlock;
    }
    while (behind < room && old[old.size() - 1 - behind] == now[now.size() - 1 - behind]) {
        ++behind;
    }
    return {static_cast<std::int64_t>(ahead),
            std::string(old.substr(ahead, old.size() - ahead - behind)),
            std::string(now.substr(ahead, now.size() - ahead - behind)),
            static_cast<std::int64_t>(old.size())};
}

std::unique_ptr<FileReplacement> prepareName(const std::string& path, std::int64_t unitNumber,
                                             std::int64_t highestUnitNumber, std::string_view name,
                                             ListSplice* made) {
    const std::string unit = "unit " + std::to_string(unitNumber);
    const std::string unchanged =
        " The name list was not changed; the name of " + unit + " was not stored.";
    // Messages about the temporary file name the list as well: it is the file the user knows.
    const std::string listUnchanged =
        " The name list " + path + " was not changed; the name of " + unit + " was not stored.";

    if (unitNumber < 0 || unitNumber > highestUnitNumber) {
        throw Error("Could not store the name of " + unit + " in " + path +
                    ": the unit number must lie between 0 and the highest unit number, " +
                    std::to_string(highestUnitNumber) + "." + unchanged);
    }
    if (name.find_first_of("\r\n") != std::string_view::npos) {
        throw Error("Could not store the name of " + unit + " in " + path +
                    ": a name cannot contain a line break, as each line of the list holds one "
                    "name." +
                    unchanged);
    }

    // A list made read-only stays as it is, whoever runs the editor. It is also opened for
    // writing, though only read, so that a list this user may not write is not replaced.
    const auto before = systemFiles().statusOfPath(path);
    if (!before.ok()) {
        throw Error("Could not look at the name list " + path + ": " + reasonFor(before.error) +
                    "." + listUnchanged);
    }
    refuseReadOnly(before.value, path, "the name list", listUnchanged);
    const std::string couldNotRead = "Could not open the name list " + path + ": ";
    FileStatus listStatus;
    const auto listHandle =
        openExistingList(path, OpenMode::ReadWrite, couldNotRead, unchanged, &listStatus);
    if (!listHandle) {
        throw Error("The name list " + path + " does not exist, so the name of " + unit +
                    " was not stored. Check the name list's file name; no file was created.");
    }

    // The new list in full, made from the old one read whole.
    std::string content;
    {
        OpenHandle list(*listHandle);
        const std::string old = readWhole(list.handle(), listStatus.length,
                                          "Could not read the name list " + path + ": ", unchanged);
        closeList(list, "Could not close the name list " + path + ": ", unchanged);
        content = withName(old, unitNumber, highestUnitNumber, name);
        if (made != nullptr) {
            *made = spliceBetween(old, content);
        }
    }

    ReplacementRules rules;
    rules.what = "the name list";
    rules.unchanged = listUnchanged;
    rules.temporaryPathFor = temporaryPathFor;
    rules.expected = listStatus;
    rules.done = "The name of " + unit + " was stored in " + path;
    return std::make_unique<FileReplacement>(path, content, std::move(rules));
}

std::unique_ptr<FileReplacement> prepareSplice(const std::string& path, const ListSplice& splice,
                                               bool backwards, const std::string& change) {
    const std::string couldNot = "Could not " + change + ": ";
    const std::string unchanged = " Nothing was changed.";
    const auto before = systemFiles().statusOfPath(path);
    if (!before.ok()) {
        throw Error(couldNot + "the name list " + path +
                    " could not be looked at: " + reasonFor(before.error) + "." + unchanged);
    }
    refuseReadOnly(before.value, path, "the name list", unchanged);
    FileStatus listStatus;
    const auto listHandle = openExistingList(path, OpenMode::ReadWrite,
                                             couldNot + "the name list " + path +
                                                 " could not be "
                                                 "opened: ",
                                             unchanged, &listStatus);
    if (!listHandle) {
        throw Error(couldNot + "the name list " + path + " no longer exists." + unchanged);
    }
    std::string content;
    {
        OpenHandle list(*listHandle);
        content = readWhole(list.handle(), listStatus.length,
                            couldNot + "the name list " + path + " could not be read: ", unchanged);
        closeList(list, couldNot + "the name list " + path + " could not be closed: ", unchanged);
    }
    const std::string& found = backwards ? splice.after : splice.before;
    const std::string& wanted = backwards ? splice.before : splice.after;
    const std::int64_t length = backwards ? splice.lengthAfter() : splice.lengthBefore;
    const auto at = static_cast<std::size_t>(splice.at);
    if (static_cast<std::int64_t>(content.size()) != length ||
        std::string_view(content).substr(at, found.size()) != found) {
        throw Error(couldNot + "another program has changed the name list " + path +
                    " since, and its change is kept." + unchanged);
    }
    content.replace(at, found.size(), wanted);

    ReplacementRules rules;
    rules.what = "the name list";
    rules.unchanged = unchanged;
    rules.temporaryPathFor = temporaryPathFor;
    rules.expected = listStatus;
    rules.done = "The name list " + path + " was changed";
    return std::make_unique<FileReplacement>(path, content, std::move(rules));
}

void setName(const std::string& path, std::int64_t unitNumber, std::int64_t highestUnitNumber,
             std::string_view name) {
    const auto replacement = prepareName(path, unitNumber, highestUnitNumber, name);
    replacement->commit();
    replacement->saveFolder();
}

}  // namespace varnel::data
