// Faults through the real window on real files: a failure at every system call of Save, Create
// Unit and Replace in turn, a full disk and another program's changes while the name list is
// rewritten, files removed, replaced or cut short while open, folders and links where files
// belong, and folders and files that the user may not write.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

#include "data/journal.h"
#include "support/failing_files.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string textOf(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}
bool has(const std::string& text, const char* words) {
    return text.find(words) != std::string::npos;
}

struct Command {
    const char* name;
    const char* button;
    const char* unit;    // NMBu: the unit saved, or the source of Create Unit and Replace
    const char* target;  // Text9, for Replace
};
const Command kSave{"Save", "Command1", "2", nullptr};
const Command kCommands[] = {
    kSave, {"Create Unit", "CreateB", "2", nullptr}, {"Replace", "Command2", "1", "3"}};

constexpr int kSoftOfUnit2 = 2 + 73 * 2 + 3;
const std::string kNewNames = "Tiger\r\nPanther\r\nNew name\r\nKV-1\r\nSherman\r\n";

class Faults : public WindowTest {
  protected:
    // Units 0 to 3 and unit 4 short by a byte, which Create Unit completes.
    void writeFiles() {
        std::vector<Bytes> records;
        for (int n = 0; n < 5; ++n)
            records.push_back(patternRecord(n));
        records.back().pop_back();
        writeGameFiles(makeEquipmentFile(4, records),
                       nameListText({"Tiger", "Panther", "T-34", "KV-1", "Sherman"}));
    }
    // Opens the file when it is closed and types what the command is to store.
    void prepare(const Command& command) {
        if (!enabled("closeM"))
            click("open1");
        if (command.target != nullptr && !enabled("ALF"))
            trigger("MPROF");
        setText("NMBu", command.unit);
        click("ReadM");
        setText("Soft1", "77");
        setText("CASH2", "300");
        setText("NAMEu", "New name");
        if (command.target != nullptr)
            setText("Text9", command.target);
        setText("HLP1", "unset");  // Save shows the unit here once its record is on disk
        takeMessages();
    }
    std::string messages() { return takeMessages().join("\n").toStdString(); }
    std::string path(const char* name) { return folder().file(name); }
};

TEST_F(Faults, AFailureAtEveryCallOfSaveCreateAndReplaceIsReportedAndLosesNothing) {
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        writeFiles();
        const Bytes oldFile = equipmentNow();
        const std::string oldNames = namesNow();
        prepare(command);
        click(command.button);
        ASSERT_EQ(messages(), "");
        const Bytes newFile = equipmentNow();
        const std::string newNames = namesNow();
        ASSERT_NE(newNames, oldNames);
        click("closeM");
        long call = 1;
        for (bool fired = true; fired; ++call) {
            SCOPED_TRACE("failing call " + std::to_string(call));
            ASSERT_LT(call, 200) << "the command never ran out of calls to fail";
            writeFiles();
            prepare(command);
            bool unlockFailed = false;  // closing the file gives the lock back all the same
            {
                FailingFiles files;
                files.failAfter(call, data::errorIo());
                click(command.button);
                fired = files.countdownFired();
                unlockFailed = fired && files.firedCall() == FailingFiles::Call::Unlock;
            }
            const std::string said = messages();
            const Bytes now = equipmentNow();
            EXPECT_EQ(said.empty(), !fired || unlockFailed) << said;
            // No command leaves part of its work: a failed append is taken back whole.
            EXPECT_TRUE(now == oldFile || now == newFile) << "the file is neither old nor new";
            EXPECT_TRUE(namesNow() == oldNames || namesNow() == newNames) << namesNow();
            EXPECT_FALSE(fileExists(path("bck.TXT")));
            // Nothing is shown as done that is not on disk.
            if (now.size() != newFile.size() ||
                !std::equal(now.begin() + 2, now.end(), newFile.begin() + 2)) {
                EXPECT_FALSE(has(said, "were saved")) << said;
                EXPECT_EQ(text("HLP1"), "unset");
            }
            if (!fired) {
                EXPECT_EQ(now, newFile);
                EXPECT_EQ(namesNow(), newNames);
            }
            // The editor carries on: the command again, without a fault, does it all (first
            // settling a journal that the fault left behind).
            prepare(command);
            click(command.button);
            const std::string again = messages();
            EXPECT_TRUE(again.empty() || again.starts_with("An interrupted")) << again;
            const bool appendsAnother = command.button == "CreateB"s;
            EXPECT_TRUE(appendsAnother || (equipmentNow() == newFile && namesNow() == newNames));
            click("closeM");
        }
        std::printf("%s: a failure at each of its %ld system calls in turn\n", command.name,
                    call - 2);
    }
}

// Undo of Create Unit (which cuts the file back) and Redo of Save, with a failure at each of their
// system calls in turn: both files together as before or as after, and the history still serves.
TEST_F(Faults, AFailureAtEveryCallOfUndoAndRedoLeavesBothFilesBeforeOrAfter) {
    const struct {
        const char* name;
        std::function<void()> setUp;  // from fresh files to where the action is to run
        const char* action;
    } cases[] = {
        {"Undo of Create Unit",
         [&] {
             prepare({"Create Unit", "CreateB", "2", nullptr});
             click("CreateB");
         },
         "actionUndo"},
        {"Redo of Save",
         [&] {
             prepare(kSave);
             click("Command1");
             trigger("actionUndo");
         },
         "actionRedo"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        const auto start = [&] {
            if (enabled("closeM"))
                click("closeM");
            writeFiles();
            each.setUp();
            ASSERT_EQ(messages(), "");
        };
        start();
        const std::pair<Bytes, std::string> before{equipmentNow(), namesNow()};
        trigger(each.action);
        const std::pair<Bytes, std::string> after{equipmentNow(), namesNow()};
        ASSERT_NE(after, before);
        long call = 1;
        for (bool fired = true; fired; ++call) {
            SCOPED_TRACE("failing call " + std::to_string(call));
            ASSERT_LT(call, 200) << "the action never ran out of calls to fail";
            start();
            {
                FailingFiles files;
                files.failAfter(call, data::errorIo());
                trigger(each.action);
                fired = files.countdownFired();
            }
            const std::string said = messages();
            const std::pair<Bytes, std::string> now{equipmentNow(), namesNow()};
            EXPECT_TRUE(now == before || now == after) << "the pair is neither before nor after";
            EXPECT_FALSE(fileExists(path("bck.TXT")));
            if (now == before) {
                EXPECT_FALSE(said.empty()) << "a failure that changed nothing is reported";
                // Still on the history: the action again, without a fault, does it all.
                trigger(each.action);
                EXPECT_EQ((std::pair{equipmentNow(), namesNow()}), after) << messages();
            }
        }
        std::printf("%s: a failure at each of its %ld system calls in turn\n", each.name, call - 2);
        click("closeM");
    }
}

// Acts when the editor creates the new copy of the name list, after it has read the list:
// another program changes the list, or the disk has only so many bytes left for the copy.
class AtTheCopy : public FailingFiles {
  public:
    std::function<void()> meddle;
    long diskLeft = -1;  // no limit
    data::SystemResult<int> createNew(const std::string& path, std::uint32_t permissions) override {
        if (meddle)
            std::exchange(meddle, nullptr)();
        const auto created = FailingFiles::createNew(path, permissions);
        if (path.ends_with("bck.TXT"))
            copy_ = created.value;
        return created;
    }
    data::SystemError close(int handle) override {
        if (handle == copy_)
            copy_ = -1;  // the number may come back for another file
        return FailingFiles::close(handle);
    }
    data::SystemResult<std::size_t> writeAt(int handle, const void* bytes, std::size_t size,
                                            std::int64_t offset) override {
        if (handle == copy_ && diskLeft == 0)
            return {0, data::errorNoSpace()};
        if (handle == copy_ && diskLeft > 0)
            size = std::min<std::size_t>(size, diskLeft);
        return FailingFiles::writeAt(handle, bytes, size, offset);
    }

  private:
    int copy_ = -1;
};

// Save stores the values, and when the name cannot be stored it says so and leaves the list as it
// found it: as it was, or as another program left it.
TEST_F(Faults, WhenTheNameCannotBeStoredTheListIsLeftWholeAndSaveSaysSo) {
    const std::string list = path("Equip97.txt"), bck = path("bck.TXT");
    const std::string other = "Other\r\nnames\r\n";
    struct Case {
        const char* name;
        std::function<void(AtTheCopy&)> arrange;
        const char* words;
        std::optional<std::string> left;  // the list afterwards; nullopt: there is none
    };
    const Case cases[] = {
        {"disk full, part written", [](AtTheCopy& at) { at.diskLeft = 20; }, "the disk is full",
         nameListText({"Tiger", "Panther", "T-34", "KV-1", "Sherman"})},
        {"disk full", [](AtTheCopy& at) { at.diskLeft = 0; }, "the disk is full",
         nameListText({"Tiger", "Panther", "T-34", "KV-1", "Sherman"})},
        {"list removed meanwhile", [&](AtTheCopy& at) { at.meddle = [&] { fs::remove(list); }; },
         "another program", std::nullopt},
        {"list replaced meanwhile",
         [&](AtTheCopy& at) {
             at.meddle = [&] {
                 writeFile(list + ".new", other);
                 fs::rename(list + ".new", list);
             };
         },
         "another program", other},
        {"list cut short meanwhile",
         [&](AtTheCopy& at) { at.meddle = [&] { fs::resize_file(list, 7); }; }, "another program",
         "Tiger\r\n"},
        {"list turned into a folder meanwhile",
         [&](AtTheCopy& at) {
             at.meddle = [&] {
                 fs::remove(list);
                 fs::create_directory(list);
             };
         },
         "another program", std::nullopt},
        {"bck.TXT is a folder", [&](AtTheCopy&) { fs::create_directory(bck); }, "it is a folder",
         nameListText({"Tiger", "Panther", "T-34", "KV-1", "Sherman"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFiles();
        prepare(kSave);
        {
            AtTheCopy at;
            c.arrange(at);
            click(kSave.button);
        }
        const std::string said = messages();
        EXPECT_TRUE(has(said, "were saved, but its name was not")) << said;
        EXPECT_TRUE(has(said, c.words)) << said;
        EXPECT_EQ(equipmentNow().at(kSoftOfUnit2), 77);
        EXPECT_EQ(fs::is_regular_file(list) ? std::optional(namesNow()) : std::nullopt, c.left);
        EXPECT_EQ(fs::is_directory(bck), c.name == "bck.TXT is a folder"s);
        fs::remove_all(list);
        fs::remove_all(bck);
        click("closeM");
    }
}

TEST_F(Faults, AnEquipmentFileRemovedReplacedOrCutShortWhileOpenIsNeverWritten) {
    const std::string file = path("Equip97.eqp");
    const std::string held = path("held.eqp");  // a second name for the file held open
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"removed", [&] { fs::remove(file); }},
        {"replaced",
         [&] {
             writeFile(file + ".new", Bytes(400, 7));
             fs::rename(file + ".new", file);
         }},
        {"cut short", [&] { fs::resize_file(file, 2 + 73 * 4); }},
    };
    for (const auto& [change, apply] : changes) {
        for (const Command& command : kCommands) {
            SCOPED_TRACE(change + " before "s + command.name);
            writeFiles();
            const std::string list = namesNow();
            prepare(command);
            fs::create_hard_link(file, held);
            apply();
            const Bytes heldBefore = readFile(held);
            const bool there = fileExists(file);
            const Bytes atPath = there ? equipmentNow() : Bytes();
            click(command.button);
            const std::string said = messages();
            EXPECT_TRUE(has(said, "by another program")) << said;
            EXPECT_TRUE(has(said, "nothing was changed")) << said;
            EXPECT_EQ(readFile(held), heldBefore);
            EXPECT_EQ(there ? equipmentNow() : Bytes(), atPath);
            EXPECT_EQ(fileExists(file), there);
            EXPECT_EQ(namesNow(), list);
            click("closeM");
            fs::remove(held);
        }
    }
}

// A left-over bck.TXT that is a link to another file, here the equipment file itself, is
// replaced, never written through.
TEST_F(Faults, ABckTxtLinkedToTheEquipmentFileLeavesTheEquipmentFileAlone) {
    for (const bool symbolic : {true, false}) {
        SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
        writeFiles();
        const Bytes before = equipmentNow();
        prepare(kSave);
        symbolic ? fs::create_symlink(path("Equip97.eqp"), path("bck.TXT"))
                 : fs::create_hard_link(path("Equip97.eqp"), path("bck.TXT"));
        click(kSave.button);
        EXPECT_EQ(messages(), "");
        EXPECT_EQ(namesNow(), kNewNames);
        // Save writes the first 45 bytes of unit 2 and nothing else.
        const auto outsideUnit2 = [](Bytes bytes) {
            const auto start = bytes.begin() + 2 + 73 * 2;
            return bytes.size() > 2 + 73 * 3 ? bytes.erase(start, start + 45), bytes : bytes;
        };
        const Bytes now = equipmentNow();
        EXPECT_EQ(outsideUnit2(now), outsideUnit2(before));
        EXPECT_EQ(now.size() > kSoftOfUnit2 ? now[kSoftOfUnit2] : 0, 77);
        click("closeM");
        fs::remove(path("bck.TXT"));
    }
}

// A name list field that leads to the equipment file, by its name or through a link, would have
// the list written over every unit: Open File warns, and every command that writes is refused.
TEST_F(Faults, ANameListThatIsTheEquipmentFileIsNeverWritten) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Equip97.eqp", [] {}},
        {"link.txt", [&] { fs::create_symlink(path("Equip97.eqp"), path("link.txt")); }},
        {"hard.txt", [&] { fs::create_hard_link(path("Equip97.eqp"), path("hard.txt")); }},
    };
    for (const auto& [name, make] : ways) {
        writeFiles();
        make();
        const Bytes before = equipmentNow();
        const std::string list = namesNow();
        setText("TXT", name);
        click("open1");
        const std::string atOpen = messages();
        EXPECT_TRUE(has(atOpen, "is the equipment file")) << atOpen;
        for (const Command& command : kCommands) {
            SCOPED_TRACE(name + " "s + command.name);
            prepare(command);
            click(command.button);
            const std::string said = messages();
            EXPECT_TRUE(has(said, "would overwrite every unit")) << said;
            EXPECT_TRUE(has(said, "Nothing was changed.")) << said;
            EXPECT_EQ(equipmentNow(), before);
            EXPECT_EQ(namesNow(), list);
            EXPECT_FALSE(fileExists(path("bck.TXT")));
        }
        click("closeM");
        setText("TXT", "Equip97.txt");
    }
}

// A name list whose owner may not write it keeps its names, also when root runs the editor: Open
// File says so, and Save stores the values alone.
TEST_F(Faults, ANameListMadeReadOnlyIsNeverRewritten) {
    writeFiles();
    const std::string list = namesNow();
    ::chmod(path("Equip97.txt").c_str(), 0444);
    click("open1");
    const std::string atOpen = messages();
    EXPECT_TRUE(has(atOpen, "can only be read")) << atOpen;
    prepare(kSave);
    click(kSave.button);
    const std::string said = messages();
    EXPECT_TRUE(has(said, "were saved, but its name was not")) << said;
    EXPECT_TRUE(has(said, "is read-only")) << said;
    EXPECT_EQ(equipmentNow().at(kSoftOfUnit2), 77);
    EXPECT_EQ(namesNow(), list);
    EXPECT_FALSE(fileExists(path("bck.TXT")));
}

// A full disk that takes part of the new record, or a counter that cannot follow it, leaves the
// file as it was: no part of a unit nobody created, and the window still shows the old units.
TEST_F(Faults, ACreateUnitThatFailsPartWayLeavesNoPartOfARecord) {
    class CounterFails : public FailingFiles {
      public:
        data::SystemResult<std::size_t> writeAt(int handle, const void* bytes, std::size_t size,
                                                std::int64_t offset) override {
            if (offset == 0)
                return {0, data::errorIo()};
            return FailingFiles::writeAt(handle, bytes, size, offset);
        }
    };
    for (const bool partWritten : {true, false}) {
        SCOPED_TRACE(partWritten ? "disk full after 30 bytes" : "counter write fails");
        writeFiles();
        const Bytes before = equipmentNow();
        const std::string list = namesNow();
        prepare(kCommands[1]);
        const QString highest = caption("MaxT1");
        {
            std::optional<FailingFiles> shortWrites;
            std::optional<CounterFails> counter;
            if (partWritten) {
                shortWrites.emplace();
                shortWrites->shortenWrites(30);
            } else {
                counter.emplace();
            }
            click("CreateB");
        }
        const std::string said = messages();
        EXPECT_TRUE(has(said, partWritten ? "the disk is full" : "input/output error")) << said;
        EXPECT_TRUE(has(said, "othing was changed")) << said;
        EXPECT_EQ(equipmentNow(), before);
        EXPECT_EQ(namesNow(), list);
        EXPECT_EQ(caption("MaxT1"), highest);
        EXPECT_EQ(text("HLP1"), "unset");
        click("closeM");
    }
}

// A journal that a crash left is settled by whoever opens the file next: Open File in the window,
// and every varnel-tool command. The half-written unit is taken back and the user told so.
TEST_F(Faults, AJournalLeftBehindIsSettledByOpenFileAndByTheTool) {
    for (const bool byTheTool : {false, true}) {
        SCOPED_TRACE(byTheTool ? "varnel-tool check" : "Open File");
        writeFiles();
        const Bytes before = equipmentNow();
        const std::string file = path("Equip97.eqp");
        data::ChangeJournal journal(file, data::systemFiles().statusOfPath(file).value,
                                    "Save of unit 2");
        journal.willOverwrite(kSoftOfUnit2, {before[kSoftOfUnit2]});
        writeFile(file + "-journal", journal.bytes());
        Bytes torn = before;
        torn[kSoftOfUnit2] = 77;
        writeFile(file, torn);
        std::string said;
        if (byTheTool) {
            const std::string out = path("out.txt");
            const std::string command =
                "'" VARNEL_TOOL_PROGRAM "' check '" + file + "' 2>'" + out + "' >/dev/null";
            EXPECT_EQ(std::system(command.c_str()) == -1, false);
            said = textOf(readFile(out));
        } else {
            click("open1");
            said = messages();
            click("closeM");
        }
        EXPECT_TRUE(has(said, "An interrupted Save of unit 2 was found and taken back")) << said;
        EXPECT_EQ(equipmentNow(), before);
        EXPECT_FALSE(fileExists(file + "-journal"));
    }
}

// Permission bits do not stop root, so the save driver runs as the unprivileged user "nobody".
TEST(Unprivileged, AFolderOrFileTheUserMayNotWriteIsReportedAndKeptAsItWas) {
    struct Case {
        const char* name;
        mode_t folderMode, fileMode;
        const char* words;
        bool valuesSaved;
    };
    // The journal lies beside the equipment file: where the folder may not be written, no change
    // can be made safe, and none is made.
    const Case cases[] = {{"folder not writable", 0555, 0666, "permission was denied", false},
                          {"file not writable", 0755, 0444, "can only be read", false}};
    // A copy of the driver where that user may run it, without leak checks: the suppressions
    // file may lie where that user cannot read it.
    const TempFolder programs;
    const std::string driver = programs.file("save_driver");
    fs::copy_file(SAVE_DRIVER, driver);
    ::chmod(programs.path().c_str(), 0755);
    const std::string asUser =
        "env -u LSAN_OPTIONS ASAN_OPTIONS=detect_leaks=0 " +
        (::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups "s : ""s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const Bytes equipment = writeUnitFiles(folder, 8, patternRecord);
        ::chmod(folder.file("Equip97.eqp").c_str(), c.fileMode);
        ::chmod(folder.file("Equip97.txt").c_str(), 0666);
        ::chmod(folder.path().c_str(), c.folderMode);
        const std::string command = asUser + driver + " " + folder.path() + " save 0 1 2>&1";
        std::string output;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[1024];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        const int status = ::pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << output;
        EXPECT_TRUE(has(output, c.words)) << output;
        EXPECT_EQ(has(output, "were saved"), c.valuesSaved) << output;
        EXPECT_EQ(textOf(readFile(folder.file("Equip97.txt"))), nameListText(unitNames(8)));
        EXPECT_FALSE(fileExists(folder.file("bck.TXT")));
        const Bytes now = readFile(folder.file("Equip97.eqp"));
        EXPECT_EQ(now == equipment, !c.valuesSaved);
        EXPECT_EQ(now.at(2 + 73 * 5 + 3), c.valuesSaved ? 1 : equipment.at(2 + 73 * 5 + 3));
    }
}

}  // namespace
}  // namespace varnel::test
