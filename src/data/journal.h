#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system_files.h"

// The journal that makes a change to the equipment file and its name list all or nothing, also
// across a power cut. Before the first byte of either file changes, a journal file beside the
// equipment file records what the change will overwrite (the old bytes, the old length) and which
// new copies will take the place of which files; it carries a checksum and is made durable, its
// folder too. Then the change is made and made durable, and removing the journal durably ends it.
//
// Whoever finds a journal (Open File, every varnel-tool command, and every write command before
// its own) settles it: while no new copy has yet taken its file's place, the old bytes are written
// back and the old length restored, so both files are as before; once one has, the change got past
// its point of no return with every in-place write already durable, so the copies still waiting
// are put in place, and both files are as after. A journal that is torn (its checksum fails) or
// that belongs to another file is left alone with a message: acting on it could only do harm.
namespace varnel::data {

class EquipmentFile;
class FileReplacement;

// "<equipment file>-journal", beside the file its path leads to. No file of the game or of ours
// ends so.
std::string journalPathFor(const std::string& equipmentPath);

class ChangeJournal {
  public:
    // A change to the equipment file at path, whose status is now as given. description names it
    // for messages ("Save of unit 5").
    ChangeJournal(const std::string& equipmentPath, const FileStatus& equipmentNow,
                  std::string description);
    ChangeJournal(const ChangeJournal&) = delete;
    ChangeJournal& operator=(const ChangeJournal&) = delete;

    // The change will overwrite these bytes (their old values) of the equipment file.
    void willOverwrite(std::int64_t offset, std::vector<std::uint8_t> oldBytes);
    // The change will put this complete copy in place of its file.
    void willReplace(const FileReplacement& copy);

    // Writes the journal and makes it durable; throws Error with nothing changed when it cannot.
    void begin();
    // Ends the change: the journal is removed, durably. Throws NotDurableError when the removal
    // may not survive a power cut (recovery then finds the change complete, or undoes the part
    // that no copy has made final).
    void commit();
    bool begun() const { return begun_; }

    // The journal's bytes: what begin() writes.
    std::string bytes() const;

  private:
    struct Overwrite {
        std::int64_t offset;
        std::vector<std::uint8_t> oldBytes;
    };
    struct Replacement {
        std::string target, copy;
        FileIdentity copyIdentity;
    };
    std::string equipmentPath_, journalPath_, description_;
    FileStatus equipment_;
    std::vector<Overwrite> overwrites_;
    std::vector<Replacement> replacements_;
    bool begun_ = false;
};

// What settling a journal did.
struct Recovery {
    enum class Outcome {
        None,       // no journal
        Undone,     // the interrupted change was taken back: both files as before it
        Completed,  // the interrupted change was finished: both files as after it
        LeftAlone,  // a torn or foreign journal, or one that could not be settled; see message
    };
    Outcome outcome = Outcome::None;
    std::string message;  // for the user, when outcome is not None
};

// Settles the journal of the equipment file at path, if there is one. The caller holds the
// file's write lock (or knows no other program can write it). Never throws: a failure is a
// LeftAlone outcome whose message says what is left.
Recovery recoverChangeUnderLock(const std::string& equipmentPath);

// The same, taking the file's write lock for the time it takes (waiting briefly for another
// holder). A file its owner may not write is not touched: its journal is reported, not settled.
Recovery recoverChange(const std::string& equipmentPath);

}  // namespace varnel::data
