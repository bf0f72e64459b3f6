#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "failing_files.h"
#include "temp_folder.h"

// A simulated power cut. RecordingFiles records every call of a command that changes what one
// folder holds; forEachCrashState builds from those calls every state the disk may be left in
// when the power fails at any moment; FileKeeper puts each such state in the folder, with every
// name naming the very file (the same inode) it named when the command ran, since the journal
// tells files apart by their identity.
//
// The disk's model:
// - A write or a cut of a file is certainly on disk once a later flush of that file was issued;
//   the creation, rename or removal of a name once a later flush of the folder was issued.
// - Of the calls not covered so, any subset may have reached the disk, whatever their order. The
//   subset is applied in the order the calls were made: where two writes cover the same bytes,
//   the system's cache holds only the later one's. A write to a file whose creation did not reach
//   the disk is lost with it, and a rename whose old name does not exist does nothing.
// - The last call before the power failed, when it is a write, may also be torn: written only up
//   to one of the 512-byte sector boundaries it spans.
//
// Every state is built from the folder as it was before the command, and states that hold the
// same names, files and bytes are checked once.
namespace varnel::test {

// A call that changes what the disk holds.
struct DiskCall {
    enum class Kind { Create, Write, Truncate, SyncFile, Rename, Remove, SyncFolder };
    Kind kind = Kind::Write;
    int file = -1;            // Create, Write, Truncate, SyncFile: the file, by its id
    std::string name;         // Create, Remove: the name; Rename: the old name
    std::string newName;      // Rename
    std::int64_t offset = 0;  // Write: where it starts; Truncate: the new length
    Bytes bytes;              // Write
};

// A file as the folder holds it: which file (its id stands for its inode) and its bytes, shared
// by the states that hold the same.
struct FileOnDisk {
    int id = -1;
    std::shared_ptr<const Bytes> bytes;
};
// Every name in the folder and the file it names.
using FolderState = std::map<std::string, FileOnDisk>;

// What a command did to the folder.
struct Recording {
    FolderState before;
    std::vector<DiskCall> calls;
    std::map<int, std::string> labels;  // each file's id: the name it was first seen under
};

// A second name, in a folder of its own, for every file a recording meets, so that its inode
// lives on after the folder's names of it are gone.
class FileKeeper {
  public:
    void keep(int id, const std::string& path);
    // Whether path names the kept file of id.
    bool holds(int id, const std::string& path) const;
    // Makes the folder hold exactly the state: every other name is removed, and each name is a
    // link to the kept file of its id, holding its bytes.
    void put(const std::string& folder, const FolderState& state);

  private:
    TempFolder store_;
    std::set<int> kept_;
};

// Passes every call to the real file layer, and records those that change what the folder holds.
// Files are told apart by an id given when they are first opened or created in the folder, which
// follows them through renames. Files outside the folder are passed through unrecorded.
class RecordingFiles : public FailingFiles {
  public:
    RecordingFiles(const std::string& folder, FileKeeper& keeper);

    // The command starts now: the calls so far are forgotten, and the folder as it is is the
    // state before it.
    void begin();
    Recording recording() const { return {before_, calls_, labels_}; }

    data::SystemResult<int> open(const std::string& path, data::OpenMode mode) override;
    data::SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) override;
    data::SystemResult<std::size_t> writeAt(int handle, const void* buffer, std::size_t size,
                                            std::int64_t offset) override;
    data::SystemError truncate(int handle, std::int64_t length) override;
    data::SystemError syncToDisk(int handle) override;
    data::SystemError close(int handle) override;
    data::SystemError rename(const std::string& from, const std::string& to) override;
    data::SystemError remove(const std::string& path) override;
    data::SystemError syncFolder(const std::string& folder) override;

  private:
    // The name of a path inside the folder; nullopt for a path elsewhere.
    std::optional<std::string> nameIn(const std::string& path) const;
    // The id of the file a name in the folder names, given when first met.
    int idOf(const std::string& name);
    int newId(const std::string& name);
    void record(DiskCall call) { calls_.push_back(std::move(call)); }
    std::optional<int> fileOf(int handle) const;

    std::string folder_;
    FileKeeper& keeper_;
    int nextId_ = 0;
    std::map<std::string, int> names_;
    std::map<int, int> handles_;
    std::map<int, std::string> labels_;
    FolderState before_;
    std::vector<DiskCall> calls_;
};

struct CrashState {
    FolderState files;
    std::size_t cut = 0;    // how many calls were made before the power failed
    bool returned = false;  // all of them: the command had returned
    std::string how;        // the cut, and which calls not yet flushed reached the disk
};

struct CrashCount {
    long explored = 0;  // states built
    long distinct = 0;  // states that differ in some name, file or byte
};

// Calls visit once for each distinct crash state of the recording, those after the command
// returned first (a state seen there is one the command must leave whole and new).
CrashCount forEachCrashState(const Recording& recording,
                             const std::function<void(const CrashState&)>& visit);

// A file's bytes, read in one go; nullopt when there is none.
std::optional<Bytes> bytesOf(const std::string& path);
// Whether the file holds exactly these bytes (nullopt: whether there is none), read a block at a
// time.
bool fileHolds(const std::string& path, const std::optional<Bytes>& bytes);
bool fileHolds(const std::string& path, const Bytes& bytes);

// The calls in words, numbered from 1 as CrashState::how numbers them, one a line, each file by
// the name it was first seen under: "3. write Equip97.eqp at 4090, 45 bytes".
std::string listCalls(const Recording& recording);

// The bytes of the file of that name in the folder; nullopt when there is none.
std::optional<Bytes> fileIn(const std::string& folder, const char* name);

// How a file compares with what it held before and after the command, in words
// ("Equip97.txt old", "Equip97.txt neither (… bytes; unlike the old from byte 12, …)").
std::string compared(const char* name, const std::optional<Bytes>& now,
                     const std::optional<Bytes>& before, const std::optional<Bytes>& after);

struct Explored {
    CrashCount count;
    long bad = 0;
    std::string reports;  // the first bad states in full, then the command's calls
};

// Puts every crash state of a recording in the folder and asks judge what is wrong there ("" when
// nothing).
Explored explore(const std::string& folder, FileKeeper& keeper, const Recording& recording,
                 const std::function<std::string(const CrashState&)>& judge);

// "Power cut in <command>: 12 crash states (40 built), 0 bad<more>", on the standard output.
void printCounts(const std::string& command, const Explored& explored, const std::string& more);

}  // namespace varnel::test
