#include "journal.h"

#include <cstring>
#include <optional>
#include <utility>

#include "error.h"
#include "file_replacement.h"
#include "write_lock.h"

namespace varnel::data {
namespace {

constexpr std::string_view kMagic = "VARNEL-JOURNAL\n";
constexpr std::uint32_t kVersion = 1;
constexpr std::string_view kJournalEnding = "-journal";

// FNV-1a, 64 bits: enough to tell a journal cut short or torn by a power cut from a whole one.
std::uint64_t checksumOf(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ULL;
    }
    return hash;
}

void putNumber(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void putText(std::string& out, std::string_view text) {
    putNumber(out, text.size());
    out += text;
}

// Reads what putNumber and putText wrote; every read fails softly once the bytes run out.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    std::optional<std::uint64_t> number() {
        if (bytes_.size() - at_ < 8) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes_[at_ + i]))
                     << (8 * i);
        }
        at_ += 8;
        return value;
    }
    std::optional<std::string> text() {
        const auto size = number();
        if (!size || *size > bytes_.size() - at_) {
            return std::nullopt;
        }
        std::string value(bytes_.substr(at_, *size));
        at_ += *size;
        return value;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// A journal as read back.
struct Record {
    std::string description;
    FileIdentity equipment;
    std::int64_t length = 0;
    struct Overwrite {
        std::int64_t offset;
        std::string oldBytes;
    };
    std::vector<Overwrite> overwrites;
    struct Replacement {
        std::string target, copy;
        FileIdentity copyIdentity;
    };
    std::vector<Replacement> replacements;
};

std::optional<Record> parse(std::string_view bytes) {
    if (!bytes.starts_with(kMagic) || bytes.size() < kMagic.size() + 8) {
        return std::nullopt;
    }
    const std::string_view body = bytes.substr(0, bytes.size() - 8);
    Reader check(bytes.substr(bytes.size() - 8));
    if (check.number() != checksumOf(body)) {
        return std::nullopt;
    }
    Reader in(body.substr(kMagic.size()));
    Record record;
    const auto version = in.number();
    const auto description = in.text();
    const auto device = in.number(), inode = in.number(), length = in.number();
    const auto overwrites = in.number();
    if (version != kVersion || !description || !device || !inode || !length || !overwrites) {
        return std::nullopt;
    }
    record.description = *description;
    record.equipment = {*device, *inode};
    record.length = static_cast<std::int64_t>(*length);
    for (std::uint64_t i = 0; i < *overwrites; ++i) {
        const auto offset = in.number();
        auto old = in.text();
        if (!offset || !old) {
            return std::nullopt;
        }
        record.overwrites.push_back({static_cast<std::int64_t>(*offset), std::move(*old)});
    }
    const auto replacements = in.number();
    if (!replacements) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < *replacements; ++i) {
        auto target = in.text(), copy = in.text();
        const auto copyDevice = in.number(), copyInode = in.number();
        if (!target || !copy || !copyDevice || !copyInode) {
            return std::nullopt;
        }
        record.replacements.push_back(
            {std::move(*target), std::move(*copy), {*copyDevice, *copyInode}});
    }
    return in.atEnd() ? std::optional(std::move(record)) : std::nullopt;
}

// The whole of a file; nullopt when there is none. Throws Error when it cannot be read.
std::optional<std::string> readIfThere(const std::string& path) {
    SystemFiles& files = systemFiles();
    const auto opened = files.open(path, OpenMode::ReadOnly);
    if (!opened.ok()) {
        if (opened.error == errorNoSuchFile()) {
            return std::nullopt;
        }
        throw Error("Could not read the journal " + path + ": " + reasonFor(opened.error) + ".");
    }
    OpenHandle file(opened.value);
    std::string bytes;
    for (;;) {
        char block[64 * 1024];
        const auto read = files.readAt(file.handle(), block, sizeof block,
                                       static_cast<std::int64_t>(bytes.size()));
        if (!read.ok()) {
            throw Error("Could not read the journal " + path + ": " + reasonFor(read.error) + ".");
        }
        bytes.append(block, read.value);
        if (read.value == 0) {
            return bytes;  // a close that fails after a full read costs nothing
        }
    }
}

void require(SystemError error, const std::string& what) {
    if (error != 0) {
        throw Error("Could not " + what + ": " + reasonFor(error) + ".");
    }
}

FileIdentity identityAt(const std::string& path) {
    const auto status = systemFiles().statusOfPath(path);
    return status.ok() && status.value.exists ? status.value.identity : FileIdentity{};
}

// Writes the old bytes back and restores the old length, durably.
void undoInPlace(const std::string& path, const Record& record) {
    SystemFiles& files = systemFiles();
    const auto opened = files.open(path, OpenMode::ReadWrite);
    require(opened.error, "open " + path + " to take back the interrupted change");
    const int handle = opened.value;
    SystemError error = 0;
    for (const Record::Overwrite& overwrite : record.overwrites) {
        const auto written = files.writeAt(handle, overwrite.oldBytes.data(),
                                           overwrite.oldBytes.size(), overwrite.offset);
        error = !written.ok()                                ? written.error
                : written.value != overwrite.oldBytes.size() ? errorNoSpace()
                                                             : 0;
        if (error != 0) {
            break;
        }
    }
    const auto status = error == 0 ? files.status(handle) : SystemResult<FileStatus>{};
    if (error == 0 && !status.ok()) {
        error = status.error;
    }
    if (error == 0 && status.value.length != record.length) {
        error = files.truncate(handle, record.length);
    }
    if (error == 0) {
        error = files.syncToDisk(handle);
    }
    const SystemError closeError = files.close(handle);
    require(error != 0 ? error : closeError, "write the old bytes back into " + path);
}

Recovery leftAlone(std::string message) {
    return {Recovery::Outcome::LeftAlone, std::move(message)};
}

}  // namespace

std::string journalPathFor(const std::string& equipmentPath) {
    return followLinks(equipmentPath, "the equipment file") + std::string(kJournalEnding);
}

ChangeJournal::ChangeJournal(const std::string& equipmentPath, const FileStatus& equipmentNow,
                             std::string description)
    : equipmentPath_(followLinks(equipmentPath, "the equipment file")),
      journalPath_(equipmentPath_ + std::string(kJournalEnding)),
      description_(std::move(description)),
      equipment_(equipmentNow) {}

void ChangeJournal::willOverwrite(std::int64_t offset, std::vector<std::uint8_t> oldBytes) {
    overwrites_.push_back({offset, std::move(oldBytes)});
}

void ChangeJournal::willReplace(const FileReplacement& copy) {
    // Absolute, so that whoever settles the journal finds them from any working folder.
    replacements_.push_back(
        {resolvePath(copy.target()), resolvePath(copy.temporaryPath()), copy.copy()});
}

std::string ChangeJournal::bytes() const {
    std::string out(kMagic);
    putNumber(out, kVersion);
    putText(out, description_);
    putNumber(out, equipment_.identity.device);
    putNumber(out, equipment_.identity.inode);
    putNumber(out, static_cast<std::uint64_t>(equipment_.length));
    putNumber(out, overwrites_.size());
    for (const Overwrite& overwrite : overwrites_) {
        putNumber(out, static_cast<std::uint64_t>(overwrite.offset));
        putText(out, std::string_view(reinterpret_cast<const char*>(overwrite.oldBytes.data()),
                                      overwrite.oldBytes.size()));
    }
    putNumber(out, replacements_.size());
    for (const Replacement& replacement : replacements_) {
        putText(out, replacement.target);
        putText(out, replacement.copy);
        putNumber(out, replacement.copyIdentity.device);
        putNumber(out, replacement.copyIdentity.inode);
    }
    putNumber(out, checksumOf(out));
    return out;
}

void ChangeJournal::begin() {
    const std::string nothing = " Nothing was changed.";
    // Written whole under another name and renamed into place, so that a crash while it is
    // written leaves no journal at all rather than part of one.
    ReplacementRules rules;
    rules.what = "the journal";
    rules.unchanged = nothing;
    rules.temporaryPathFor = [](const std::string& path) { return path + ".new"; };
    rules.mayCreate = true;
    const auto existing = systemFiles().statusOfLink(journalPath_);
    if (!existing.ok() || existing.value.exists) {
        throw Error("The journal " + journalPath_ +
                    " of another change is in the way, or cannot be looked at." + nothing);
    }
    try {
        replaceFile(journalPath_, bytes(), std::move(rules));
    } catch (const NotDurableError& error) {
        systemFiles().remove(journalPath_);  // not safe on disk: the change must not begin
        throw Error(error.what() + nothing);
    }
    begun_ = true;
}

void ChangeJournal::commit() {
    SystemFiles& files = systemFiles();
    begun_ = false;
    if (const SystemError error = files.remove(journalPath_); error != 0) {
        throw Error("The " + description_ + " was made, but its journal " + journalPath_ +
                    " could not be removed: " + reasonFor(error) +
                    ". Whoever opens the file next settles it.");
    }
    if (const SystemError error = files.syncFolder(folderOf(journalPath_)); error != 0) {
        throw NotDurableError("The " + description_ + " was made, but the removal of its journal " +
                              journalPath_ + " could not be saved to disk: " + reasonFor(error) +
                              ". After a power cut the change may be taken back.");
    }
}

Recovery recoverChangeUnderLock(const std::string& equipmentPath) {
    SystemFiles& files = systemFiles();
    std::string path, journal;
    std::optional<std::string> bytes;
    try {
        path = resolvePath(followLinks(equipmentPath, "the equipment file"));
        journal = path + std::string(kJournalEnding);
        bytes = readIfThere(journal);
    } catch (const Error& error) {
        return leftAlone(error.what());
    }
    if (!bytes) {
        return {};
    }
    const std::string refused =
        " Save, Create Unit, Replace and varnel-tool import refuse to change the file while it "
        "is there.";
    const auto record = parse(*bytes);
    if (!record) {
        return leftAlone(
            "The journal " + journal +
            " is incomplete or damaged, so it was left alone. A change "
            "writes its journal in full before it touches a file, so the change that left this one "
            "never began: " +
            path +
            " and its name list are as they were. Remove the journal once you have looked "
            "at both files." +
            refused);
    }
    const FileIdentity now = identityAt(path);
    bool ours = now == record->equipment;
    for (const Record::Replacement& replacement : record->replacements) {
        ours = ours || (replacement.target == path && replacement.copyIdentity == now);
    }
    if (!ours) {
        return leftAlone("The journal " + journal + " belongs to another file than " + path +
                         " (the file was replaced or copied since), so it was left alone. Remove "
                         "it once you have looked at the files." +
                         refused);
    }

    bool pastNoReturn = false;
    for (const Record::Replacement& replacement : record->replacements) {
        pastNoReturn = pastNoReturn || identityAt(replacement.target) == replacement.copyIdentity;
    }
    const std::string what = "An interrupted " + record->description + " ";
    try {
        if (pastNoReturn) {
            for (const Record::Replacement& replacement : record->replacements) {
                if (identityAt(replacement.target) == replacement.copyIdentity) {
                    continue;
                }
                if (identityAt(replacement.copy) != replacement.copyIdentity) {
                    return leftAlone(what + "could not be finished: the new copy " +
                                     replacement.copy + " of " + replacement.target +
                                     " is gone. The journal " + journal + " was left." + refused);
                }
                require(files.rename(replacement.copy, replacement.target),
                        "put " + replacement.copy + " in place of " + replacement.target);
                require(files.syncFolder(folderOf(replacement.target)),
                        "save to disk the folder of " + replacement.target);
            }
        } else {
            undoInPlace(path, *record);
            for (const Record::Replacement& replacement : record->replacements) {
                if (identityAt(replacement.copy) == replacement.copyIdentity) {
                    require(files.remove(replacement.copy), "remove " + replacement.copy);
                }
            }
        }
        require(files.remove(journal), "remove the journal " + journal);
        require(files.syncFolder(folderOf(journal)), "save to disk the folder of " + journal);
    } catch (const Error& error) {
        return leftAlone(what + "could not be settled: " + error.what() + " The journal " +
                         journal + " stays, to be settled at the next try." + refused);
    }
    if (pastNoReturn) {
        return {Recovery::Outcome::Completed,
                what + "was found and finished: " + path + " and its name list now hold it whole."};
    }
    return {Recovery::Outcome::Undone,
            what + "was found and taken back: " + path + " and its name list are as before it."};
}

Recovery recoverChange(const std::string& equipmentPath) {
    SystemFiles& files = systemFiles();
    std::string path;
    try {
        path = followLinks(equipmentPath, "the equipment file");
    } catch (const Error& error) {
        return leftAlone(error.what());
    }
    const std::string journal = path + std::string(kJournalEnding);
    const auto atJournal = files.statusOfPath(journal);
    if (atJournal.ok() && !atJournal.value.exists) {
        return {};
    }
    const auto status = files.statusOfPath(path);
    if (status.ok() && status.value.exists && !status.value.permitsWriting) {
        return leftAlone("The journal " + journal + " of an interrupted change lies beside " +
                         path +
                         ", which can only be read, so the change was not settled: the file may "
                         "hold part of it. Make the file writable and open it again to settle it.");
    }
    const auto opened = files.open(path, OpenMode::ReadWrite);
    if (!opened.ok()) {
        return leftAlone("Could not open " + path + " to settle the journal " + journal + ": " +
                         reasonFor(opened.error) + ".");
    }
    const OpenHandle file(opened.value);
    try {
        const WriteLock lock(file.handle(), path);
        return recoverChangeUnderLock(path);
    } catch (const Error& error) {
        return leftAlone(error.what());
    }
}

}  // namespace varnel::data
