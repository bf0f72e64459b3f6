// A power cut at every moment of each command that writes. From the calls a command made, every
// state the disk may be left in is built (support/power_cut.h), recovered as Open File and the
// tool recover it, and must then hold the equipment file and the name list together exactly as
// before the command or exactly as after it; once the command has returned, as after it.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

#include "data/journal.h"
#include "data/name_list.h"
#include "support/power_cut.h"
#include "support/window_fixture.h"
#include "tool/cli.h"

namespace varnel::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEquipment = "Equip97.eqp";
constexpr const char* kNames = "Equip97.txt";

const char* outcomeName(data::Recovery::Outcome outcome) {
    using Outcome = data::Recovery::Outcome;
    switch (outcome) {
        case Outcome::None:
            return "no journal";
        case Outcome::Undone:
            return "undone";
        case Outcome::Completed:
            return "completed";
        case Outcome::LeftAlone:
            return "left alone";
    }
    return "?";
}

class PowerCut : public WindowTest {
  protected:
    std::string path(const char* name) const { return folder().file(name); }

    // Writes units 0..count-1, opens the file, lets prepare fill the form, and records what
    // command does to the folder.
    Recording recordWindowCommand(int count, const std::function<void()>& prepare,
                                  const std::function<void()>& command) {
        writeUnits(count, patternRecord);
        RecordingFiles files(folder().path(), keeper_);
        openAt("0");
        prepare();
        takeMessages();
        files.begin();
        command();
        EXPECT_EQ(takeMessages().join("\n"), "");
        Recording recording = files.recording();
        click("closeM");
        return recording;
    }

    // Every crash state of the recording, recovered: the pair old or new, no journal left unless
    // recovery left a torn or foreign one alone, and new once the command had returned.
    void expectOldOrNew(const std::string& command, const Recording& recording) {
        const auto inState = [](const FolderState& state, const char* name) {
            const auto file = state.find(name);
            return file != state.end() ? std::optional<Bytes>(*file->second.bytes) : std::nullopt;
        };
        const auto oldEquipment = inState(recording.before, kEquipment);
        const auto oldNames = inState(recording.before, kNames);
        const auto newEquipment = fileIn(folder().path(), kEquipment);
        const auto newNames = fileIn(folder().path(), kNames);
        ASSERT_NE(oldEquipment, newEquipment);
        ASSERT_NE(oldNames, newNames);
        const std::string journal = data::journalPathFor(path(kEquipment));
        long leftAlone = 0;
        const Explored explored =
            explore(folder().path(), keeper_, recording, [&](const CrashState& state) {
                using Outcome = data::Recovery::Outcome;
                const data::Recovery recovery = data::recoverChange(path(kEquipment));
                const bool isOld =
                    fileHolds(path(kEquipment), oldEquipment) && fileHolds(path(kNames), oldNames);
                const bool isNew =
                    fileHolds(path(kEquipment), newEquipment) && fileHolds(path(kNames), newNames);
                leftAlone += recovery.outcome == Outcome::LeftAlone;
                std::string wrong;
                if (state.returned && !isNew) {
                    wrong = "the command had returned, yet the pair is not the new one";
                } else if (!isOld && !isNew) {
                    wrong = "the pair is neither the old nor the new one";
                } else if ((recovery.outcome == Outcome::Undone && !isOld) ||
                           (recovery.outcome == Outcome::Completed && !isNew)) {
                    wrong = "recovery's outcome does not match the pair";
                } else if (fs::exists(journal) && recovery.outcome != Outcome::LeftAlone) {
                    wrong = "the journal is left after recovery";
                }
                if (wrong.empty()) {
                    return wrong;
                }
                return wrong + ": " +
                       compared(kEquipment, fileIn(folder().path(), kEquipment), oldEquipment,
                                newEquipment) +
                       ", " +
                       compared(kNames, fileIn(folder().path(), kNames), oldNames, newNames) +
                       "; recovery " + outcomeName(recovery.outcome) + " " + recovery.message;
            });
        printCounts(command, explored,
                    leftAlone > 0 ? ", " + std::to_string(leftAlone) + " journals left alone" : "");
        EXPECT_EQ(explored.bad, 0) << explored.reports;
    }

    // Reads a unit and types over its Soft and its name.
    void readAndType(const char* unit, const char* soft, const char* name) {
        setText("NMBu", unit);
        click("ReadM");
        if (soft != nullptr) {
            setText("Soft1", soft);
        }
        if (name != nullptr) {
            setText("NAMEu", name);
        }
    }

    FileKeeper keeper_;
};

// Unit 56's record lies at offsets 4090..4162, across the 4 KiB page at 4096.
TEST_F(PowerCut, SaveOfAUnitAcrossAPageBoundary) {
    const Recording recording = recordWindowCommand(
        60, [&] { readAndType("56", "77", "Renamed unit"); }, [&] { click("Command1"); });
    expectOldOrNew("Save of unit 56", recording);
}

TEST_F(PowerCut, CreateUnit) {
    const Recording recording = recordWindowCommand(
        60, [&] { readAndType("56", "77", "Created unit"); }, [&] { click("CreateB"); });
    expectOldOrNew("Create Unit", recording);
}

TEST_F(PowerCut, ReplaceInProfiMode) {
    const Recording recording = recordWindowCommand(
        60,
        [&] {
            trigger("MPROF");
            readAndType("3", nullptr, nullptr);
            setText("Text9", "56");
        },
        [&] { click("Command2"); });
    expectOldOrNew("Replace of unit 56 by unit 3", recording);
}

// The new unit is 32766, the last the counter can count but one.
TEST_F(PowerCut, CreateUnitAt32766Units) {
    const Recording recording = recordWindowCommand(
        32766, [&] { readAndType("32765", "77", "Created unit"); }, [&] { click("CreateB"); });
    expectOldOrNew("Create Unit at 32766 units", recording);
}

// Undo cuts off the record that Create Unit appended, after putting the counter back.
TEST_F(PowerCut, UndoOfCreateUnit) {
    const Recording recording = recordWindowCommand(
        60,
        [&] {
            readAndType("56", "77", "Created unit");
            click("CreateB");
        },
        [&] { trigger("actionUndo"); });
    expectOldOrNew("Undo of Create Unit", recording);
}

TEST_F(PowerCut, RedoOfSave) {
    const Recording recording = recordWindowCommand(
        60,
        [&] {
            readAndType("56", "77", "Renamed unit");
            click("Command1");
            trigger("actionUndo");
        },
        [&] { trigger("actionRedo"); });
    expectOldOrNew("Redo of Save", recording);
}

TEST_F(PowerCut, ImportOfSeveralUnitsAndNames) {
    writeUnits(60, patternRecord);
    const TempFolder elsewhere;
    const std::string csv = elsewhere.file("units.csv");
    std::ostringstream out, err;
    ASSERT_EQ(tool::runTool({"export", path(kEquipment), "-o", csv}, out, err), 0) << err.str();
    // New Soft values and names for three units, across the file.
    const Bytes exported = readFile(csv);
    std::istringstream rows(std::string(exported.begin(), exported.end()));
    std::string changed, row;
    for (int line = 0; std::getline(rows, row); ++line) {
        const int unit = line - 1;
        if (unit == 5 || unit == 30 || unit == 56) {
            std::vector<std::string> cells;
            std::stringstream cellsOf(row);
            for (std::string cell; std::getline(cellsOf, cell, ',');) {
                cells.push_back(cell);
            }
            ASSERT_GT(cells.size(), 4u) << row;
            cells[1] = "Imported " + std::to_string(unit);
            cells[4] = std::to_string(200 + unit % 50);
            row.clear();
            for (const std::string& cell : cells) {
                row += (row.empty() ? "" : ",") + cell;
            }
        }
        changed += row + "\n";
    }
    writeFile(csv, changed);
    Recording recording;
    {
        RecordingFiles files(folder().path(), keeper_);
        std::ostringstream importOut, importErr;
        ASSERT_EQ(tool::runTool({"import", csv, path(kEquipment)}, importOut, importErr), 0)
            << importErr.str() << importOut.str();
        recording = files.recording();
    }
    expectOldOrNew("varnel-tool import", recording);
}

}  // namespace
}  // namespace varnel::test
