#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "system_files.h"

// The one way a file of ours is replaced: a complete new copy is written beside it, made to
// survive a power cut, and renamed over it in one step, so that its name always names either the
// whole old content or the whole new one.
//
// The copy is made with the care a file in a shared or hostile folder needs:
// - A left-over file of the temporary name is removed first (the name itself: a link, never what
//   it points to); a folder of that name is refused.
// - The temporary file is created new, never opened through a link.
// - It gets the replaced file's permission bits, and its owner and group where the process may
//   set them, so that a private file stays private and a shared one shared.
// - A path that is a symbolic link stays that link: the file it points to is replaced, in that
//   file's own folder.
// - A file whose owner may not write it is never replaced, whoever runs the program.
namespace varnel::data {

struct ReplacementRules {
    // What the file is, for messages: "the name list".
    std::string what;
    // Appended to every refusal and failure: what was left as it was (" The name list … was not
    // changed.").
    std::string unchanged;
    // The temporary copy's path for the file at a (link-free) path, in the same folder.
    std::function<std::string(const std::string&)> temporaryPathFor;
    // Whether a missing file may be created. Otherwise it is refused.
    bool mayCreate = false;
    // When set, the file must still be this one, at this length, when the copy takes its place:
    // another program's change since it was read is never overwritten.
    std::optional<FileStatus> expected;
    // Said when everything is done but the folder could not be flushed (" The name was stored").
    std::string done;
    // Keeps the copy open after it is written, so that the caller can hold a lock on it while it
    // takes the file's place (handle()).
    bool keepOpen = false;
};

// A complete new copy of a file on disk, waiting to take the file's place. Removed again unless
// commit() succeeds.
class FileReplacement {
  public:
    // Checks the file and writes the copy in full; throws Error, with no temporary file left and
    // the file as it was, when it cannot.
    FileReplacement(const std::string& path, std::string_view content, ReplacementRules rules);
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // Renames the copy over the file; throws Error, with the file as it was, when it cannot.
    void commit();
    // Makes the rename survive a power cut; throws NotDurableError when the folder's flush fails.
    void saveFolder() const;

    // The file that is replaced: the path given, or the file its links lead to.
    const std::string& target() const { return target_; }
    const std::string& temporaryPath() const { return temporaryPath_; }
    // The file replaced as it was (exists false when it is created), and the copy.
    const FileStatus& replaced() const { return replaced_; }
    const FileIdentity& copy() const { return copy_; }
    // The copy's handle while it is kept open; -1 otherwise.
    int handle() const { return handle_; }

  private:
    [[noreturn]] void failWithCopy(const std::string& what, SystemError error);

    ReplacementRules rules_;
    std::string path_;
    std::string target_;
    std::string temporaryPath_;
    FileStatus replaced_;
    FileIdentity copy_;
    int handle_ = -1;
    bool pending_ = false;  // a temporary file of ours exists and has not taken the file's place
};

// Writes, commits and saves the folder in one go.
void replaceFile(const std::string& path, std::string_view content, ReplacementRules rules);

// The file a path leads to once its symbolic links are followed: the path itself when it is no
// link. Throws Error when a link leads nowhere.
std::string followLinks(const std::string& path, const std::string& what);

// Throws Error when status is of a file whose permission bits do not let its owner write it.
void refuseReadOnly(const FileStatus& status, const std::string& path, const std::string& what,
                    const std::string& unchanged);

// Whether two paths name the same file (after following links); false when either is missing.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace varnel::data
