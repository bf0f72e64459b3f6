#include "file_replacement.h"

#include <cctype>
#include <utility>

#include "error.h"

namespace varnel::data {
namespace {

std::string capitalised(std::string text) {
    if (!text.empty()) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    return text;
}

}  // namespace

std::string followLinks(const std::string& path, const std::string& what) {
    SystemFiles& files = systemFiles();
    const auto link = files.statusOfLink(path);
    if (!link.ok()) {
        throw Error("Could not look at " + what + " " + path + ": " + reasonFor(link.error) + ".");
    }
    if (!link.value.isLink) {
        return path;
    }
    const auto resolved = files.resolveLinks(path);
    if (!resolved.ok()) {
        if (resolved.error == errorNoSuchFile()) {
            throw Error(capitalised(what) + " " + path +
                        " is a symbolic link to a file that does not exist.");
        }
        throw Error("Could not follow the symbolic link " + path + ": " +
                    reasonFor(resolved.error) + ".");
    }
    return resolved.value;
}

void refuseReadOnly(const FileStatus& status, const std::string& path, const std::string& what,
                    const std::string& unchanged) {
    // The owner's permission bits say whether the file may change, for an administrator too,
    // whom the system would let write anything.
    if (status.exists && !status.isFolder && !status.permitsWriting) {
        throw Error(capitalised(what) + " " + path +
                    " is read-only: its permissions do not let its owner write it, so it is "
                    "never rewritten." +
                    unchanged);
    }
}

bool sameFile(const std::string& first, const std::string& second) {
    SystemFiles& files = systemFiles();
    const auto a = files.statusOfPath(first);
    const auto b = files.statusOfPath(second);
    return a.ok() && b.ok() && a.value.exists && b.value.exists &&
           a.value.identity == b.value.identity;
}

FileReplacement::FileReplacement(const std::string& path, std::string_view content,
                                 ReplacementRules rules)
    : rules_(std::move(rules)), path_(path) {
    SystemFiles& files = systemFiles();
    const std::string& what = rules_.what;
    const std::string& unchanged = rules_.unchanged;
    try {
        target_ = followLinks(path, what);
    } catch (const Error& error) {
        throw Error(error.what() + unchanged);
    }

    const auto status = files.statusOfPath(target_);
    if (!status.ok()) {
        throw Error("Could not look at " + what + " " + path + ": " + reasonFor(status.error) +
                    "." + unchanged);
    }
    const FileStatus& found = status.value;
    if (!found.exists && !rules_.mayCreate) {
        throw Error(capitalised(what) + " " + path + " does not exist, and it is not created." +
                    unchanged);
    }
    if (found.isFolder) {
        throw Error("Could not replace " + what + " " + path + ": " + reasonFor(errorIsFolder()) +
                    "." + unchanged);
    }
    refuseReadOnly(found, path, what, unchanged);
    if (rules_.expected && (!found.exists || found.identity != rules_.expected->identity ||
                            found.length != rules_.expected->length)) {
        throw Error("Could not rewrite " + what + " " + path +
                    ": another program removed, replaced or changed it after it was read." +
                    unchanged);
    }

    temporaryPath_ = rules_.temporaryPathFor(target_);
    const auto atTemporary = files.statusOfLink(temporaryPath_);
    if (!atTemporary.ok()) {
        throw Error("Could not look at the temporary file " + temporaryPath_ + ": " +
                    reasonFor(atTemporary.error) + "." + unchanged);
    }
    if (atTemporary.value.exists) {
        // A file that is itself the temporary name (or another name of it) would be removed.
        if (found.exists && atTemporary.value.identity == found.identity) {
            throw Error(capitalised(what) + " " + path + " cannot be rewritten: the name \"" +
                        fileNameOf(temporaryPath_) +
                        "\" is kept for the temporary copy. Give the file another name." +
                        unchanged);
        }
        if (atTemporary.value.isFolder) {
            throw Error("Could not create the temporary file " + temporaryPath_ + ": " +
                        reasonFor(errorIsFolder()) + "." + unchanged);
        }
        // Left over from an earlier attempt, or put there by someone: removed, never written
        // through, since it may be a link to any file, the equipment file included.
        if (const SystemError error = files.remove(temporaryPath_); error != 0) {
            throw Error("Could not remove the old temporary file " + temporaryPath_ + ": " +
                        reasonFor(error) + "." + unchanged);
        }
    }

    const auto created =
        files.createNew(temporaryPath_, found.exists ? found.access.permissions : 0666);
    if (!created.ok()) {
        // Not ours to remove: something of that name appeared meanwhile.
        throw Error("Could not create the temporary file " + temporaryPath_ + ": " +
                    reasonFor(created.error) + "." + unchanged);
    }
    pending_ = true;
    int handle = created.value;
    const auto failOpen = [&](const std::string& step, SystemError error) {
        files.close(std::exchange(handle, -1));  // already failing: its result adds nothing
        failWithCopy(step + " the temporary file " + temporaryPath_, error);
    };
    if (found.exists) {
        if (const SystemError error = files.setAccess(handle, found.access); error != 0) {
            failOpen("give the permissions of " + path + " to", error);
        }
    }
    const auto written = files.writeAt(handle, content.data(), content.size(), 0);
    if (!written.ok()) {
        failOpen("write", written.error);
    }
    if (written.value != content.size()) {
        // Only a full disk makes a regular file take part of a write.
        failOpen("write all of", errorNoSpace());
    }
    if (const SystemError error = files.syncToDisk(handle); error != 0) {
        failOpen("save to disk", error);
    }
    const auto made = files.status(handle);
    if (!made.ok()) {
        failOpen("look at", made.error);
    }
    copy_ = made.value.identity;
    replaced_ = found;
    if (rules_.keepOpen) {
        handle_ = handle;
        return;
    }
    if (const SystemError error = files.close(std::exchange(handle, -1)); error != 0) {
        failWithCopy("close the temporary file " + temporaryPath_, error);
    }
}

FileReplacement::~FileReplacement() {
    if (handle_ >= 0) {
        systemFiles().close(handle_);  // only read and flushed since: nothing to report
    }
    if (pending_) {
        systemFiles().remove(temporaryPath_);  // already failing elsewhere
    }
}

void FileReplacement::failWithCopy(const std::string& what, SystemError error) {
    std::string message = "Could not " + what + ": " +
                          (error != 0 ? reasonFor(error)
                                      : "another program removed, replaced or changed " +
                                            rules_.what + " after it was read") +
                          "." + rules_.unchanged;
    pending_ = false;
    if (const SystemError removeError = systemFiles().remove(temporaryPath_); removeError != 0) {
        message += " The temporary file " + temporaryPath_ +
                   " could not be removed either: " + reasonFor(removeError) + ".";
    }
    throw Error(message);
}

void FileReplacement::commit() {
    SystemFiles& files = systemFiles();
    const std::string putInPlace =
        "put the temporary file " + temporaryPath_ + " in place of " + rules_.what + " " + path_;
    // Another program may have removed, replaced or rewritten the file since it was read: putting
    // the copy in its place would undo that program's work.
    if (rules_.expected) {
        const auto now = files.statusOfPath(target_);
        if (!now.ok()) {
            failWithCopy("look at " + rules_.what + " " + path_, now.error);
        }
        if (!now.value.exists || now.value.identity != rules_.expected->identity ||
            now.value.length != rules_.expected->length) {
            failWithCopy(putInPlace, 0);
        }
    }
    // One step: the name names either the old file or the new one, never neither.
    if (const SystemError error = files.rename(temporaryPath_, target_); error != 0) {
        failWithCopy(putInPlace, error);
    }
    pending_ = false;
}

void FileReplacement::saveFolder() const {
    const std::string folder = folderOf(target_);
    if (const SystemError error = systemFiles().syncFolder(folder); error != 0) {
        const std::string done = rules_.done.empty()
                                     ? capitalised(rules_.what) + " " + path_ + " was written"
                                     : rules_.done;
        throw NotDurableError(done + ", but the folder " + folder +
                              " could not be saved to disk: " + reasonFor(error) +
                              ". The change may not survive a power cut.");
    }
}

void replaceFile(const std::string& path, std::string_view content, ReplacementRules rules) {
    FileReplacement replacement(path, content, std::move(rules));
    replacement.commit();
    replacement.saveFolder();
}

}  // namespace varnel::data
