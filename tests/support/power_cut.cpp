#include "power_cut.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

namespace varnel::test {
namespace {

namespace fs = std::filesystem;
using Kind = DiskCall::Kind;

constexpr std::int64_t kSectorSize = 512;
// At one cut, every subset of this many unflushed calls is tried; any earlier unflushed calls
// reach the disk or not all together. The commands tested leave fewer unflushed at any moment.
constexpr std::size_t kMostFreeCalls = 12;
constexpr long kReportedStates = 5;  // bad states shown in full by explore(); the rest are counted

bool changesData(Kind kind) {
    return kind == Kind::Write || kind == Kind::Truncate;
}
bool changesNames(Kind kind) {
    return kind == Kind::Create || kind == Kind::Rename || kind == Kind::Remove;
}

DiskCall callOf(Kind kind, int file = -1, std::string name = {}, std::string newName = {}) {
    DiskCall call;
    call.kind = kind;
    call.file = file;
    call.name = std::move(name);
    call.newName = std::move(newName);
    return call;
}

std::string labelOf(int id, const std::map<int, std::string>& labels) {
    const auto found = labels.find(id);
    return found != labels.end() ? found->second : "file " + std::to_string(id);
}

std::string describeCall(const DiskCall& call, const std::map<int, std::string>& labels) {
    const std::string file = labelOf(call.file, labels);
    switch (call.kind) {
        case Kind::Create:
            return "create " + call.name;
        case Kind::Write:
            return "write " + file + " at " + std::to_string(call.offset) + ", " +
                   std::to_string(call.bytes.size()) + " bytes";
        case Kind::Truncate:
            return "cut " + file + " to " + std::to_string(call.offset) + " bytes";
        case Kind::SyncFile:
            return "flush " + file;
        case Kind::Rename:
            return "rename " + call.name + " to " + call.newName;
        case Kind::Remove:
            return "remove " + call.name;
        case Kind::SyncFolder:
            return "flush the folder";
    }
    return "?";
}

// Builds the folder a crash leaves: its names from the name calls that reached the disk, and each
// file's bytes from the data calls on it that did. A file's bytes are built once for each set of
// calls that reached it (a torn write's excepted) and shared by every state that has them.
class StateBuilder {
  public:
    explicit StateBuilder(const Recording& recording) : recording_(recording) {
        for (const auto& [name, file] : recording.before) {
            before_[file.id] = file.bytes;
        }
    }

    // The state, and a key that tells it apart from every state with other names, ids or bytes.
    std::pair<FolderState, std::string> build(const std::vector<bool>& applied,
                                              std::optional<std::size_t> torn) {
        std::map<std::string, int> names;
        for (const auto& [name, file] : recording_.before) {
            names[name] = file.id;
        }
        for (std::size_t i = 0; i < applied.size(); ++i) {
            const DiskCall& call = recording_.calls[i];
            if (!applied[i]) {
                continue;
            }
            if (call.kind == Kind::Create) {
                names[call.name] = call.file;
            } else if (call.kind == Kind::Rename) {
                if (const auto from = names.find(call.name); from != names.end()) {
                    const int id = from->second;
                    names.erase(from);
                    names[call.newName] = id;
                }
            } else if (call.kind == Kind::Remove) {
                names.erase(call.name);
            }
        }
        FolderState state;
        std::string key;
        for (const auto& [name, id] : names) {
            const Content content = contentOf(id, applied, torn);
            state[name] = {id, content.bytes};
            key += name + '\0' + std::to_string(id) + ':' + std::to_string(content.bytes->size()) +
                   ':' + std::to_string(content.digest) + '\0';
        }
        return {std::move(state), std::move(key)};
    }

  private:
    struct Content {
        std::shared_ptr<const Bytes> bytes;
        std::size_t digest = 0;
    };

    // The file's bytes: as before the command (none for a file it created), with the data calls
    // that reached the disk applied in order, the last torn after torn bytes when given.
    Content contentOf(int id, const std::vector<bool>& applied, std::optional<std::size_t> torn) {
        const std::vector<DiskCall>& calls = recording_.calls;
        const std::size_t cut = applied.size();
        const bool tornHere = torn && calls[cut - 1].file == id;
        std::string key = std::to_string(id);
        for (std::size_t i = 0; i < cut; ++i) {
            if (applied[i] && changesData(calls[i].kind) && calls[i].file == id) {
                key += ',' + std::to_string(i);
            }
        }
        if (const auto known = memo_.find(key); known != memo_.end() && !tornHere) {
            return known->second;
        }
        const auto before = before_.find(id);
        auto bytes = before != before_.end() ? std::make_shared<Bytes>(*before->second)
                                             : std::make_shared<Bytes>();
        for (std::size_t i = 0; i < cut; ++i) {
            const DiskCall& call = calls[i];
            if (!applied[i] || call.file != id) {
                continue;
            }
            const auto offset = static_cast<std::size_t>(call.offset);
            if (call.kind == Kind::Write) {
                const std::size_t length = i + 1 == cut && torn ? *torn : call.bytes.size();
                if (bytes->size() < offset + length) {
                    bytes->resize(offset + length, 0);
                }
                std::copy_n(call.bytes.begin(), length, bytes->begin() + call.offset);
            } else if (call.kind == Kind::Truncate) {
                bytes->resize(offset, 0);
            }
        }
        const std::string_view view(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        const Content content{std::move(bytes), std::hash<std::string_view>{}(view)};
        if (!tornHere) {
            memo_[key] = content;
        }
        return content;
    }

    const Recording& recording_;
    std::map<int, std::shared_ptr<const Bytes>> before_;
    std::map<std::string, Content> memo_;
};

}  // namespace

std::optional<Bytes> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0) {
        return std::nullopt;
    }
    Bytes bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

bool fileHolds(const std::string& path, const std::optional<Bytes>& bytes) {
    return bytes ? fileHolds(path, *bytes) : !fs::exists(fs::symlink_status(path));
}

bool fileHolds(const std::string& path, const Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(64 * 1024);
    std::size_t at = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got > bytes.size() - at ||
            (got > 0 && std::memcmp(block.data(), bytes.data() + at, got) != 0)) {
            return false;
        }
        at += got;
    }
    return at == bytes.size() && in.eof();
}

void FileKeeper::keep(int id, const std::string& path) {
    std::error_code error;
    if (kept_.count(id) == 0 && fs::is_regular_file(fs::symlink_status(path, error))) {
        fs::create_hard_link(path, store_.file(std::to_string(id)));
        kept_.insert(id);
    }
}

bool FileKeeper::holds(int id, const std::string& path) const {
    std::error_code error;
    return kept_.count(id) > 0 && fs::equivalent(store_.file(std::to_string(id)), path, error);
}

void FileKeeper::put(const std::string& folder, const FolderState& state) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::remove_all(entry.path());
    }
    for (const auto& [name, file] : state) {
        const std::string kept = store_.file(std::to_string(file.id));
        // Reading a file back costs less than writing it, and most states leave most files as
        // the state before did.
        if (!fileHolds(kept, *file.bytes)) {
            writeFile(kept, *file.bytes);  // in place: the kept file stays the same file
        }
        kept_.insert(file.id);
        fs::create_hard_link(kept, fs::path(folder) / name);
    }
}

RecordingFiles::RecordingFiles(const std::string& folder, FileKeeper& keeper)
    : folder_(fs::canonical(folder).string()), keeper_(keeper) {
    begin();
}

void RecordingFiles::begin() {
    calls_.clear();
    before_.clear();
    // A name keeps its id while it names the same file; one the test wrote anew gets a new id.
    std::map<std::string, int> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        const std::string path = entry.path().string();
        const auto known = names_.find(name);
        const int id = known != names_.end() && keeper_.holds(known->second, path) ? known->second
                                                                                   : newId(name);
        names[name] = id;
        before_[name] = {id, std::make_shared<const Bytes>(bytesOf(path).value())};
    }
    names_ = names;
}

std::optional<std::string> RecordingFiles::nameIn(const std::string& path) const {
    const fs::path given(path);
    if (!given.has_filename()) {
        return std::nullopt;
    }
    std::error_code error;
    const fs::path folder =
        fs::weakly_canonical(given.has_parent_path() ? given.parent_path() : fs::path("."), error);
    if (error || folder.string() != folder_) {
        return std::nullopt;
    }
    return given.filename().string();
}

int RecordingFiles::idOf(const std::string& name) {
    const auto known = names_.find(name);
    return known != names_.end() ? known->second : names_[name] = newId(name);
}

int RecordingFiles::newId(const std::string& name) {
    const int id = nextId_++;
    labels_[id] = name;
    keeper_.keep(id, (fs::path(folder_) / name).string());
    return id;
}

std::optional<int> RecordingFiles::fileOf(int handle) const {
    const auto found = handles_.find(handle);
    return found != handles_.end() ? std::optional<int>(found->second) : std::nullopt;
}

data::SystemResult<int> RecordingFiles::open(const std::string& path, data::OpenMode mode) {
    const auto opened = FailingFiles::open(path, mode);
    if (const auto name = nameIn(path); opened.ok() && name) {
        handles_[opened.value] = idOf(*name);
    }
    return opened;
}

data::SystemResult<int> RecordingFiles::createNew(const std::string& path,
                                                  std::uint32_t permissions) {
    const auto created = FailingFiles::createNew(path, permissions);
    if (const auto name = nameIn(path); created.ok() && name) {
        const int id = names_[*name] = newId(*name);
        handles_[created.value] = id;
        record(callOf(Kind::Create, id, *name));
    }
    return created;
}

data::SystemResult<std::size_t> RecordingFiles::writeAt(int handle, const void* buffer,
                                                        std::size_t size, std::int64_t offset) {
    const auto written = FailingFiles::writeAt(handle, buffer, size, offset);
    if (const auto file = fileOf(handle); file && written.value > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        DiskCall call = callOf(Kind::Write, *file);
        call.offset = offset;
        call.bytes.assign(bytes, bytes + written.value);
        record(std::move(call));
    }
    return written;
}

data::SystemError RecordingFiles::truncate(int handle, std::int64_t length) {
    const data::SystemError error = FailingFiles::truncate(handle, length);
    if (const auto file = fileOf(handle); file && error == 0) {
        DiskCall call = callOf(Kind::Truncate, *file);
        call.offset = length;
        record(std::move(call));
    }
    return error;
}

data::SystemError RecordingFiles::syncToDisk(int handle) {
    const data::SystemError error = FailingFiles::syncToDisk(handle);
    if (const auto file = fileOf(handle); file && error == 0) {
        record(callOf(Kind::SyncFile, *file));
    }
    return error;
}

data::SystemError RecordingFiles::close(int handle) {
    handles_.erase(handle);
    return FailingFiles::close(handle);
}

data::SystemError RecordingFiles::rename(const std::string& from, const std::string& to) {
    const data::SystemError error = FailingFiles::rename(from, to);
    const auto oldName = nameIn(from);
    const auto newName = nameIn(to);
    // A file moved into the folder from elsewhere would come without its bytes: the commands
    // tested move files only within their folder.
    if (error == 0 && oldName) {
        const auto id = names_.find(*oldName);
        if (newName && id != names_.end()) {
            names_[*newName] = id->second;
            record(callOf(Kind::Rename, -1, *oldName, *newName));
        } else {
            record(callOf(Kind::Remove, -1, *oldName));
        }
        names_.erase(*oldName);
    }
    return error;
}

data::SystemError RecordingFiles::remove(const std::string& path) {
    const data::SystemError error = FailingFiles::remove(path);
    if (const auto name = nameIn(path); error == 0 && name) {
        names_.erase(*name);
        record(callOf(Kind::Remove, -1, *name));
    }
    return error;
}

data::SystemError RecordingFiles::syncFolder(const std::string& folder) {
    const data::SystemError error = FailingFiles::syncFolder(folder);
    std::error_code ignored;
    if (error == 0 && fs::weakly_canonical(folder, ignored).string() == folder_) {
        record(callOf(Kind::SyncFolder));
    }
    return error;
}

std::string listCalls(const Recording& recording) {
    std::string list;
    for (std::size_t i = 0; i < recording.calls.size(); ++i) {
        list += std::to_string(i + 1) + ". " + describeCall(recording.calls[i], recording.labels) +
                "\n";
    }
    return list;
}

CrashCount forEachCrashState(const Recording& recording,
                             const std::function<void(const CrashState&)>& visit) {
    const std::vector<DiskCall>& calls = recording.calls;
    const auto numbered = [&](std::size_t i) {
        return "#" + std::to_string(i + 1) + " " + describeCall(calls[i], recording.labels);
    };
    CrashCount count;
    StateBuilder builder(recording);
    std::set<std::string> seen;
    for (std::size_t cut = calls.size() + 1; cut-- > 0;) {
        // What the calls before the cut certainly left on disk, and what they may have.
        std::vector<bool> certain(cut, false);
        std::vector<std::size_t> unflushed;
        for (std::size_t i = 0; i < cut; ++i) {
            const DiskCall& call = calls[i];
            const auto covers = [&](const DiskCall& later) {
                return (changesData(call.kind) && later.kind == Kind::SyncFile &&
                        later.file == call.file) ||
                       (changesNames(call.kind) && later.kind == Kind::SyncFolder);
            };
            if (!changesData(call.kind) && !changesNames(call.kind)) {
                continue;
            }
            certain[i] = std::any_of(calls.begin() + static_cast<long>(i) + 1,
                                     calls.begin() + static_cast<long>(cut), covers);
            if (!certain[i]) {
                unflushed.push_back(i);
            }
        }
        const std::size_t free = std::min(unflushed.size(), kMostFreeCalls);
        const std::size_t block = unflushed.size() - free;  // the earliest, all or none
        const std::size_t choices = std::size_t{1} << (free + (block > 0 ? 1 : 0));
        for (std::size_t choice = 0; choice < choices; ++choice) {
            std::vector<bool> applied = certain;
            for (std::size_t f = 0; f < free; ++f) {
                applied[unflushed[block + f]] = (choice >> f) & 1;
            }
            for (std::size_t b = 0; b < block; ++b) {
                applied[unflushed[b]] = (choice >> free) & 1;
            }
            // The last call, when it is a write that reached the disk: whole, or torn at each
            // sector boundary it spans.
            std::vector<std::optional<std::size_t>> tears{std::nullopt};  // whole
            if (cut > 0 && applied[cut - 1] && calls[cut - 1].kind == Kind::Write) {
                const DiskCall& last = calls[cut - 1];
                const auto end = last.offset + static_cast<std::int64_t>(last.bytes.size());
                for (std::int64_t boundary = (last.offset / kSectorSize + 1) * kSectorSize;
                     boundary < end; boundary += kSectorSize) {
                    tears.push_back(static_cast<std::size_t>(boundary - last.offset));
                }
            }
            for (const auto& torn : tears) {
                auto [files, key] = builder.build(applied, torn);
                ++count.explored;
                if (!seen.insert(std::move(key)).second) {
                    continue;
                }
                CrashState state{std::move(files), cut, cut == calls.size(), {}};
                ++count.distinct;
                state.how = "power cut after " + std::to_string(cut) + " of " +
                            std::to_string(calls.size()) + " calls";
                std::string reached, lost;
                for (const std::size_t i : unflushed) {
                    (applied[i] ? reached : lost) += "\n  " + numbered(i);
                }
                state.how += "\n unflushed, yet on disk:" + (reached.empty() ? " none" : reached);
                state.how += "\n unflushed and lost:" + (lost.empty() ? " none" : lost);
                if (torn) {
                    state.how += "\n the last write torn after its first " + std::to_string(*torn) +
                                 " bytes";
                }
                visit(state);
            }
        }
    }
    return count;
}

std::optional<Bytes> fileIn(const std::string& folder, const char* name) {
    return bytesOf(folder + "/" + name);
}

std::string compared(const char* name, const std::optional<Bytes>& now,
                     const std::optional<Bytes>& before, const std::optional<Bytes>& after) {
    const std::string file = name;
    if (now == after) {
        return file + " new";
    }
    if (now == before) {
        return file + " old";
    }
    if (!now) {
        return file + " missing";
    }
    const auto firstDifference = [&](const std::optional<Bytes>& other) {
        if (!other) {
            return std::string("it did not exist");
        }
        const auto at = std::mismatch(now->begin(), now->end(), other->begin(), other->end());
        return "byte " + std::to_string(at.first - now->begin());
    };
    return file + " neither (" + std::to_string(now->size()) + " bytes; unlike the old from " +
           firstDifference(before) + ", unlike the new from " + firstDifference(after) + ")";
}

Explored explore(const std::string& folder, FileKeeper& keeper, const Recording& recording,
                 const std::function<std::string(const CrashState&)>& judge) {
    Explored explored;
    explored.count = forEachCrashState(recording, [&](const CrashState& state) {
        keeper.put(folder, state.files);
        const std::string wrong = judge(state);
        if (!wrong.empty() && ++explored.bad <= kReportedStates) {
            explored.reports += wrong + "\n " + state.how + "\n";
        }
    });
    if (explored.bad > 0) {
        explored.reports += "The command's calls:\n" + listCalls(recording);
    }
    return explored;
}

void printCounts(const std::string& command, const Explored& explored, const std::string& more) {
    std::printf("Power cut in %s: %ld crash states (%ld built), %ld bad%s\n", command.c_str(),
                explored.count.distinct, explored.count.explored, explored.bad, more.c_str());
}

}  // namespace varnel::test
