#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/name_list.h"
#include "editor.h"

// The one way Save, Create Unit and Replace change the files: under the equipment file's write
// lock, with a journal that makes the change to both files all or nothing, also across a power
// cut. Each command says what it writes; this step does the rest in one order:
//   1. take the lock (waiting briefly for another program) and settle a journal left behind;
//   2. let the command read what it needs and say what it writes (under the lock, so nothing
//      changes between its reading and its writing);
//   3. write the new name list in full beside the list (nothing is in place yet);
//   4. write the journal: the bytes the change overwrites, the old length, the new list;
//   5. write the equipment file in place and make it durable (Create Unit's counter after its
//      record is durable);
//   6. put the new list in place (from here on a crash is finished, not taken back);
//   7. remove the journal.
namespace varnel::commands {

struct UnitChange {
    struct Write {
        std::int64_t offset;
        std::vector<std::uint8_t> bytes;
    };
    QString description;    // "Save of unit 5", for messages and the journal
    std::int64_t unit = 0;  // the unit whose values are written
    std::vector<Write> writes;
    // Written and made durable only once the writes are: the counter of Create Unit, so that it
    // never counts a record that is not on disk.
    std::optional<Write> afterwards;
    // The name stored on line unit + 1 of the list, which gets highest + 1 lines.
    std::string name;
    std::int64_t highest = 0;
    // Once the writes are durable, the file is cut back to this length (Create Unit taken back).
    std::optional<std::int64_t> cutTo;
    // Taking a change back or making it again: the list is changed by exactly this splice, in
    // place of name and highest, and a list that cannot be changed so refuses the whole change
    // (also when its new copy cannot take its place: the record is then taken back).
    struct ListEdit {
        std::string path;
        data::ListSplice splice;
        bool backwards = false;
        std::string doing;  // for messages: "undo Save of unit 5"
    };
    std::optional<ListEdit> listEdit;
};

// A change as it was made: enough to take it back and to make it again byte for byte.
struct MadeChange {
    struct Range {
        std::int64_t offset = 0;
        std::vector<std::uint8_t> before;  // the bytes that were there; fewer past the old end
        std::vector<std::uint8_t> after;
    };
    QString description;
    std::int64_t unit = 0;
    std::vector<Range> ranges;  // in the order written
    // The last range was written once the others were durable (the counter of Create Unit).
    bool lastAfterwards = false;
    std::int64_t lengthBefore = 0;
    std::int64_t lengthAfter = 0;
    std::string listPath;
    std::optional<data::ListSplice> list;  // nullopt when the list was not changed
};

enum class ChangeResult {
    Refused,     // nothing was changed; reported
    ValuesOnly,  // the values are stored, the name could not be; reported
    Done,        // both are stored (a doubt about the disk may have been reported)
};

// prepare runs under the lock and returns the change, or nullopt after reporting why there is
// none. Unless the change is refused, made (when given) receives what was done.
ChangeResult makeChange(Editor& editor, const std::function<std::optional<UnitChange>()>& prepare,
                        MadeChange* made = nullptr);

}  // namespace varnel::commands
