#include "name_list.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "error.h"
#include "system_files.h"

namespace varnel::data {
namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr std::string_view kLineEnd = "\r\n";

std::string reasonFor(SystemError error) {
    return systemFiles().describe(error);
}

// A handle that is closed in any case. The destructor's close is for paths that are already
// failing and reporting something else; the normal path calls close() and checks it.
class OpenFile {
  public:
    explicit OpenFile(int handle) : handle_(handle) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (handle_ >= 0) {
            systemFiles().close(handle_);
        }
    }

    int handle() const { return handle_; }
    bool isOpen() const { return handle_ >= 0; }
    SystemError close() { return systemFiles().close(std::exchange(handle_, -1)); }
    // Hands the handle over unclosed.
    int release() { return std::exchange(handle_, -1); }

  private:
    int handle_;
};

// Hands out the lines of an open list one after another, reading it in blocks. A CR at the end of
// one block may have its LF at the start of the next, so the reader looks across blocks for it.
class LineReader {
  public:
    // A read failure is reported as failureMessage, the reason, then consequence.
    LineReader(int handle, std::string failureMessage, std::string consequence)
        : handle_(handle),
          failureMessage_(std::move(failureMessage)),
          consequence_(std::move(consequence)),
          block_(kReadBlockSize) {}

    // The next line into line, without its line end; false once the file is used up.
    bool next(std::string& line) {
        line.clear();
        if (!haveByte()) {
            return false;
        }
        for (;;) {
            if (!haveByte()) {
                return true;  // the end of the file ends the last line
            }
            const char* const start = block_.data() + position_;
            const char* const stop = block_.data() + filled_;
            const char* const lineEnd = std::find_if(start, stop, [](char byte) {
                return byte == kCarriageReturn || byte == kLineFeed;
            });
            line.append(start, lineEnd);
            position_ += static_cast<std::size_t>(lineEnd - start);
            if (lineEnd == stop) {
                continue;
            }
            const char ended = block_[position_++];
            if (ended == kCarriageReturn && haveByte() && block_[position_] == kLineFeed) {
                ++position_;
            }
            return true;
        }
    }

  private:
    // Whether an unread byte is at hand, reading the next block when the current one is used up.
    bool haveByte() {
        if (position_ < filled_) {
            return true;
        }
        if (atEnd_) {
            return false;
        }
        const auto read = systemFiles().readAt(handle_, block_.data(), block_.size(), offset_);
        if (!read.ok()) {
            throw Error(failureMessage_ + reasonFor(read.error) + "." + consequence_);
        }
        position_ = 0;
        filled_ = read.value;
        offset_ += static_cast<std::int64_t>(read.value);
        atEnd_ = read.value == 0;
        return !atEnd_;
    }

    int handle_;
    std::string failureMessage_;
    std::string consequence_;
    std::vector<char> block_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    std::int64_t offset_ = 0;
    bool atEnd_ = false;
};

// Opens an existing list; nullopt when there is none. A folder or a refused open is an Error whose
// text is failureMessage followed by the reason and then consequence.
std::optional<int> openExistingList(const std::string& path, OpenMode mode,
                                    const std::string& failureMessage,
                                    const std::string& consequence, FileIdentity* identity) {
    SystemFiles& files = systemFiles();
    const auto opened = files.open(path, mode);
    if (!opened.ok()) {
        if (opened.error == errorNoSuchFile()) {
            return std::nullopt;
        }
        throw Error(failureMessage + reasonFor(opened.error) + "." + consequence);
    }
    OpenFile file(opened.value);
    // A folder opens for reading without complaint, so only its status gives it away.
    const auto status = files.status(file.handle());
    if (!status.ok() || status.value.isFolder) {
        throw Error(failureMessage + reasonFor(status.ok() ? errorIsFolder() : status.error) + "." +
                    consequence);
    }
    if (identity != nullptr) {
        *identity = status.value.identity;
    }
    return file.release();
}

void closeList(OpenFile& file, const std::string& failureMessage, const std::string& consequence) {
    const SystemError error = file.close();
    if (error != 0) {
        throw Error(failureMessage + reasonFor(error) + "." + consequence);
    }
}

}  // namespace

std::string temporaryPathFor(const std::string& listPath) {
    std::string folder = folderOf(listPath);
    if (folder.back() != systemFiles().separator()) {
        folder += systemFiles().separator();
    }
    return folder + kTemporaryFileName;
}

NameListStatus inspectNameList(const std::string& path) {
    const std::string couldNot = "Could not read the name list " + path + ": ";
    const auto handle = openExistingList(path, OpenMode::ReadOnly, couldNot, "", nullptr);
    if (!handle) {
        return {};
    }
    OpenFile file(*handle);
    LineReader reader(file.handle(), couldNot, "");
    NameListStatus status{true, 0};
    std::string line;
    while (reader.next(line)) {
        ++status.lineCount;
    }
    closeList(file, couldNot, "");
    return status;
}

std::optional<std::string> readNameLine(const std::string& path, std::int64_t lineNumber) {
    const std::string couldNot = "Could not read the name list " + path + ": ";
    const auto handle = openExistingList(path, OpenMode::ReadOnly, couldNot, "", nullptr);
    if (!handle) {
        return std::nullopt;
    }
    OpenFile file(*handle);
    LineReader reader(file.handle(), couldNot, "");
    std::optional<std::string> found;
    std::string line;
    for (std::int64_t number = 1; number <= lineNumber && reader.next(line); ++number) {
        if (number == lineNumber) {
            found = line;
        }
    }
    closeList(file, couldNot, "");
    return found;
}

void setName(const std::string& path, std::int64_t unitNumber, std::int64_t highestUnitNumber,
             std::string_view name) {
    SystemFiles& files = systemFiles();
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

    // The list is opened for writing, though only read, so that a list made read-only is not
    // replaced behind its owner's back.
    const std::string couldNotRead = "Could not open the name list " + path + ": ";
    FileIdentity listIdentity;
    const auto listHandle =
        openExistingList(path, OpenMode::ReadWrite, couldNotRead, unchanged, &listIdentity);
    if (!listHandle) {
        throw Error("The name list " + path + " does not exist, so the name of " + unit +
                    " was not stored. Check the name list's file name; no file was created.");
    }

    // The new list in full. Reading stops after the lines it keeps: whatever follows is cut.
    std::string content;
    {
        OpenFile list(*listHandle);
        LineReader reader(list.handle(), "Could not read the name list " + path + ": ", unchanged);
        std::string oldLine;
        bool oldLinesLeft = true;
        for (std::int64_t lineNumber = 1; lineNumber <= highestUnitNumber + 1; ++lineNumber) {
            oldLinesLeft = oldLinesLeft && reader.next(oldLine);
            if (!oldLinesLeft) {
                oldLine.clear();  // a short list is padded with empty names
            }
            content += lineNumber == unitNumber + 1 ? name : std::string_view(oldLine);
            content += kLineEnd;
        }
        closeList(list, "Could not close the name list " + path + ": ", unchanged);
    }

    const std::string temporaryPath = temporaryPathFor(path);
    // A list that is itself called bck.TXT would be emptied by creating the temporary file.
    const auto atTemporaryPath = files.statusOfPath(temporaryPath);
    if (!atTemporaryPath.ok()) {
        throw Error("Could not look at the temporary file " + temporaryPath + ": " +
                    reasonFor(atTemporaryPath.error) + "." + listUnchanged);
    }
    if (atTemporaryPath.value.exists && atTemporaryPath.value.identity == listIdentity) {
        throw Error("The name list " + path + " cannot be rewritten: the name \"" +
                    kTemporaryFileName +
                    "\" is kept for the temporary copy of the list. Give the list another "
                    "name." +
                    unchanged);
    }

    const auto opened = files.open(temporaryPath, OpenMode::CreateTruncate);
    if (!opened.ok()) {
        // Not ours to remove: it may be a folder or someone else's file of that name.
        throw Error("Could not create the temporary file " + temporaryPath + ": " +
                    reasonFor(opened.error) + "." + listUnchanged);
    }
    OpenFile temporary(opened.value);

    // Every failure from here to the rename leaves a temporary file that this call made: close it
    // and remove it, so that the old list stands alone as it was.
    const auto failTemporary = [&](const std::string& what, SystemError error) {
        if (temporary.isOpen()) {
            temporary.close();  // already failing: its own result adds nothing
        }
        std::string message = "Could not " + what + ": " + reasonFor(error) + "." + listUnchanged;
        if (const SystemError removeError = files.remove(temporaryPath); removeError != 0) {
            message += " The temporary file " + temporaryPath +
                       " could not be removed either: " + reasonFor(removeError) + ".";
        }
        throw Error(message);
    };
    const std::string ofTemporary = " the temporary file " + temporaryPath;

    const auto written = files.writeAt(temporary.handle(), content.data(), content.size(), 0);
    if (!written.ok()) {
        failTemporary("write" + ofTemporary, written.error);
    }
    if (written.value != content.size()) {
        // Only a full disk makes a regular file take part of a write.
        failTemporary("write all of" + ofTemporary, errorNoSpace());
    }
    if (const SystemError error = files.syncToDisk(temporary.handle()); error != 0) {
        failTemporary("save to disk" + ofTemporary, error);
    }
    if (const SystemError error = temporary.close(); error != 0) {
        failTemporary("close" + ofTemporary, error);
    }
    // One step: the list's name names either the old list or the new one, never neither.
    if (const SystemError error = files.rename(temporaryPath, path); error != 0) {
        failTemporary("put" + ofTemporary + " in place of the name list " + path, error);
    }

    const std::string folder = folderOf(path);
    if (const SystemError error = files.syncFolder(folder); error != 0) {
        throw Error("The name of " + unit + " was stored in " + path + ", but the folder " +
                    folder + " could not be saved to disk: " + reasonFor(error) +
                    ". The change may not survive a power cut.");
    }
}

}  // namespace varnel::data
