// A power cut at every moment of a rewrite of one file, on the data layer alone: the disk states
// built from the calls of the rewrite (support/power_cut.h) show the name list old or new where
// it is replaced whole, and torn where it is written in place.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/name_list.h"
#include "data/system_files.h"
#include "support/power_cut.h"

namespace varnel::test {
namespace {

constexpr const char* kNames = "Equip97.txt";

// The name list alone: setName replaces it whole, so it is old or new in every state. An
// in-place rewrite shows that the states built include torn ones.
TEST(PowerCutOfOneFile, ANameListReplacedWholeIsOldOrNewWhereAnInPlaceRewriteIsTorn) {
    struct Case {
        const char* name;
        std::function<void(const std::string& list, const std::string& newList)> write;
        bool torn;
    };
    const Case cases[] = {
        {"setName",
         [](const std::string& list, const std::string&) {
             data::setName(list, 37, 99, "Renamed unit");
         },
         false},
        {"an in-place rewrite",
         [](const std::string& list, const std::string& newList) {
             data::SystemFiles& files = data::systemFiles();
             const int handle = files.open(list, data::OpenMode::ReadWrite).value;
             files.writeAt(handle, newList.data(), newList.size(), 0);
             files.syncToDisk(handle);
             files.close(handle);
         },
         true},
    };
    std::vector<std::string> names;
    for (int n = 0; n < 100; ++n) {
        names.push_back("Unit name " + std::to_string(n));
    }
    const std::string oldList = nameListText(names);
    names[37] = "Renamed unit";  // across the sector boundary at 512
    const std::string newList = nameListText(names);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        FileKeeper keeper;
        writeFile(folder.file(kNames), oldList);
        Recording recording;
        {
            RecordingFiles files(folder.path(), keeper);
            c.write(folder.file(kNames), newList);
            recording = files.recording();
        }
        const std::optional<Bytes> before = Bytes(oldList.begin(), oldList.end());
        const std::optional<Bytes> after = Bytes(newList.begin(), newList.end());
        ASSERT_EQ(fileIn(folder.path(), kNames), after);
        const Explored explored =
            explore(folder.path(), keeper, recording, [&](const CrashState& state) {
                const auto now = fileIn(folder.path(), kNames);
                const bool whole = now == after || (now == before && !state.returned);
                return whole ? "" : compared(kNames, now, before, after);
            });
        printCounts(c.name, explored, "");
        EXPECT_GE(explored.count.distinct, 3);
        if (c.torn) {
            EXPECT_GT(explored.bad, 0) << "no torn state was built";
        } else {
            EXPECT_EQ(explored.bad, 0) << explored.reports;
        }
    }
}

}  // namespace
}  // namespace varnel::test
