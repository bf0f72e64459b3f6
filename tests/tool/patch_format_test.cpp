#include <string>
#include <vector>

#include "data/code_page.h"
#include "data/equipment_image.h"
#include "data/error.h"
#include "data/name_list_image.h"
#include "tool/cell_text.h"
#include "tool/json.h"
#include "tool/patch_format.h"
#include "tool/sha256.h"
#include "tool_fixture.h"

namespace varnel::test {
namespace {

using tool::Patch;

// Unassigned bytes as export writes them: all 41 of a whole record, the first one given.
std::string unassignedCell(const std::string& first) {
    std::string cell = first;
    for (int i = 1; i < 41; ++i) {
        cell += " 00";
    }
    return cell;
}

class PatchFormat : public ToolFiles {
  protected:
    const std::string modEqp = folder.file("Mod.eqp");
    const std::string modTxt = folder.file("Mod.txt");
    const std::string patchFile = folder.file("mod.json");

    // The patch from the demo files to the mod's files, written to patchFile.
    Patch makeAndWrite(const std::string& equipment, const std::string& names) {
        writeFile(modEqp, equipment);
        writeFile(modTxt, names);
        const Patch patch =
            tool::makePatch(data::EquipmentImage::load(eqp), data::EquipmentImage::load(modEqp),
                            data::NameListImage::load(txt), data::NameListImage::load(modTxt));
        writeFile(patchFile, tool::writePatch(patch));
        return patch;
    }

    std::string refusalOf(const std::string& equipment) {
        try {
            makeAndWrite(equipment, demoTxt);
        } catch (const data::Error& error) {
            return error.what();
        }
        return "(made)";
    }
};

TEST_F(PatchFormat, ReadsBackWhatItMakesAndWrites) {
    // Unit 5: Soft 8 -> 12, cost 180 -> 240, its first unassigned byte 0 -> 0x1A. Unit 7: a name
    // of every byte a line of the list can hold. Two units added, the counter set past them.
    std::string equipment = withByte(withByte(withByte(demoEqp, 5, 3, 12), 5, 21, 20), 5, 10, 0x1A);
    std::string added = demoEqp.substr(2, 73);
    added[0] = 60;
    equipment += added;
    added[0] = 61;
    added[72] = '\xFF';
    equipment += added;
    equipment[0] = 70;
    std::string name = "\x80\xC4\x9F\x81\"\\";
    for (int byte = 0; byte < 256; ++byte) {
        name += byte == '\r' || byte == '\n' ? ' ' : static_cast<char>(byte);
    }
    const std::string names = withLine(demoTxt, 8, name) + "Heavy Tank B\r\nPz.Kpfw. \xC4\r\n";

    const Patch patch = makeAndWrite(equipment, names);

    const std::string written = contentOf(patchFile);
    EXPECT_NE(written.find("\n  \"unitCounter\": {\"old\": 60, \"new\": 70},\n"), std::string::npos)
        << written;
    EXPECT_NE(
        written.find("\n    {\"unit\": 5, \"fields\": {\"Soft\": {\"old\": 8, \"new\": 12}, "
                     "\"Cost\": {\"old\": 180, \"new\": 240}, \"Unassigned\": {\"old\": \"" +
                     unassignedCell("00") + "\", \"new\": \"" + unassignedCell("1A") + "\"}}},\n"),
        std::string::npos)
        << written;
    EXPECT_NE(written.find("{\"unit\": 60, \"name\": \"Heavy Tank B\", \"record\": \"3C 00 01 "),
              std::string::npos);
    EXPECT_TRUE(tool::isUtf8(written));
    EXPECT_EQ(written.find_first_of(std::string("\0\x01\x1B\r\t\x7F", 6)), std::string::npos);

    const Patch read = tool::readPatch(written, patchFile);
    EXPECT_EQ(read, patch);
    EXPECT_EQ(tool::writePatch(read), written);

    EXPECT_EQ(read.base, (tool::PatchFileFacts{4382, 958, 60, 60}));
    EXPECT_EQ(read.result, (tool::PatchFileFacts{4382 + 2 * 73,
                                                 static_cast<std::int64_t>(names.size()), 62, 70}));
    EXPECT_EQ(read.baseSha256, tool::sha256Hex(demoEqp));
    EXPECT_EQ(read.baseNameListSha256, tool::sha256Hex(demoTxt));
    EXPECT_EQ(read.counterBefore, 60);
    EXPECT_EQ(read.counterAfter, 70);
    ASSERT_EQ(read.changed.size(), 2u);
    EXPECT_EQ(read.changed[0],
              (tool::PatchUnit{5,
                               {{"Soft", "8", "12"},
                                {"Cost", "180", "240"},
                                {"Unassigned", unassignedCell("00"), unassignedCell("1A")}},
                               std::nullopt,
                               std::nullopt}));
    EXPECT_EQ(read.changed[1].unit, 7);
    EXPECT_TRUE(read.changed[1].fields.empty());
    EXPECT_EQ(read.changed[1].nameBefore, "Light Tank B");
    // The name comes back byte for byte through UTF-8 and the code page.
    ASSERT_TRUE(read.changed[1].nameAfter.has_value());
    EXPECT_EQ(read.changed[1].nameAfter->substr(0, 11), "€ÄŸ\xC2\x81\"\\");
    std::string bytes;
    for (std::size_t at = 0; at < read.changed[1].nameAfter->size();) {
        const char32_t character = *tool::nextCharacter(*read.changed[1].nameAfter, at);
        bytes += static_cast<char>(data::byteOfCharacter(character).value_or('?'));
    }
    EXPECT_EQ(bytes, name);
    ASSERT_EQ(read.added.size(), 2u);
    EXPECT_EQ(read.added[1], (tool::PatchAddedUnit{61, "Pz.Kpfw. Ä", added}));
}

TEST_F(PatchFormat, MakesNoPatchThatCannotCarryTheMod) {
    EXPECT_NE(refusalOf(demoEqp.substr(0, demoEqp.size() - 73)).find("59 units, fewer than"),
              std::string::npos);
    EXPECT_NE(refusalOf(demoEqp + "12345").find("5 bytes after its last unit"), std::string::npos);
    EXPECT_NE(refusalOf(demoEqp + demoEqp.substr(2, 72)).find("1 bytes short of a whole record"),
              std::string::npos);
    EXPECT_EQ(refusalOf(demoEqp), "(made)");
    EXPECT_TRUE(tool::readPatch(contentOf(patchFile), patchFile).changed.empty());
}

TEST_F(PatchFormat, RefusesTextsThatAreNoPatchSayingWhatAndWhere) {
    const std::string record = [] {
        std::string hex = "00";
        for (int i = 1; i < 73; ++i) {
            hex += " 00";
        }
        return hex;
    }();
    const std::string valid =
        "{\"format\": \"varnel-tool patch\", \"version\": 1,\n"
        "\"base\": {\"equipmentBytes\": 4382, \"nameListBytes\": 958, \"units\": 60, "
        "\"unitCounter\": 60, \"sha256\": \"" +
        std::string(64, 'a') + "\", \"nameListSha256\": \"" + std::string(64, 'B') +
        "\"},\n"
        "\"result\": {\"equipmentBytes\": 4455, \"nameListBytes\": 970, \"units\": 61, "
        "\"unitCounter\": 61},\n"
        "\"changed\": [\n"
        "{\"unit\": 5, \"fields\": {\"Soft\": {\"old\": 8, \"new\": 9}, \"Unassigned\": {\"old\": "
        "\"00\", \"new\": \"01\"}}},\n"
        "{\"unit\": 7, \"name\": {\"old\": \"Light Tank B\", \"new\": \"Leichter \\u00C4\"}}\n"
        "],\n"
        "\"added\": [{\"unit\": 60, \"name\": \"New\", \"record\": \"" +
        record + "\"}]}\n";
    const Patch read = tool::readPatch(valid, patchFile);
    ASSERT_EQ(read.changed.size(), 2u);
    EXPECT_EQ(read.baseNameListSha256, std::string(64, 'b'));
    EXPECT_EQ(read.changed[1].nameAfter, "Leichter Ä");

    struct Case {
        std::string from, to;  // from empty: the whole text is to
        std::string says;
    };
    const std::vector<Case> cases = {
        {"", "", "line 1, column 1: the text holds no JSON value"},
        {"", "[1, 2", "line 1, column 6: expected ',' or ']' after an element"},
        {"", std::string(65, '[') + std::string(65, ']'), "nest deeper than 64"},
        {"", "{\"format\": \"varnel-tool patch\"} x", "line 1, column 33: found 'x' after the end"},
        {"", "{\"a\": tru}", "line 1, column 7: expected the word true"},
        {"", "{\"a\": 012}", "cannot begin with 0"},
        {"", "{\"a\": \"x\ny\"}", "line 1, column 9: the byte 0x0A stands in a string"},
        {"Light Tank B", "Light \\q",
         "line 6, column 36: a backslash followed by 'q' is no escape"},
        {"Light Tank B", "\\uD83D", "\\uD83D is the first half of a surrogate pair"},
        {"Light Tank B", "\\uD83D\\u0041", "without the second half"},
        {"Light Tank B", "\\uDE00x", "\\uDE00 is the second half of a surrogate pair"},
        {"Light Tank B", "\\u12", "\\u needs four hex digits"},
        {"Light Tank B", "Tank \xC3\x28", "not UTF-8"},
        {"Light Tank B", "Tank \xED\xA0\x80", "not UTF-8"},
        {"Light Tank B", "Tank \xC0\xAF", "not UTF-8"},
        {"\"version\": 1", "\"version\": 1, \"version\": 1",
         "line 1, column 47: the object has a member \"version\" already (at line 1, column 33)"},
        {"\"varnel-tool patch\"", "\"other patch\"", "no patch of varnel-tool"},
        {"\"format\": \"varnel-tool patch\", ", "", "has no \"format\""},
        {"\"version\": 1", "\"version\": 2", "version 2, made by a later varnel-tool"},
        {"\"version\": 1", "\"version\": \"1\"", "\"version\" is the string \"1\""},
        {"\"version\": 1", "\"version\": 1.0", "\"version\" is the number 1.0"},
        {"\"version\": 1", "\"version\": 0", "which no patch has"},
        {"\"version\": 1", "\"version\": 1, \"extra\": 1", "holds no \"extra\""},
        {"\"units\": 60", "\"units\": 60.5", "\"base\" \"units\" is the number 60.5"},
        {"\"units\": 60", "\"units\": 40000", "from 0 to 32767"},
        {", \"unitCounter\": 61}", "}", "\"result\" has no \"unitCounter\""},
        {std::string(64, 'a'), std::string(63, 'a'), "64 hex digits"},
        {std::string(64, 'a'), std::string(63, 'a') + "g", "64 hex digits"},
        {"\"Soft\"", "\"Sofft\"",
         "line 5, column 24: \"Sofft\" is no field of a unit. The fields "
         "are \"Class\", \"Soft\", \"Hard\""},
        {"\"Soft\"", "\"Name\"", "goes in \"name\""},
        {"\"Soft\"", "\"Nationality\"", "is no field of a unit"},
        {"\"new\": 9", "\"new\": \"9\"", "\"new\" of field \"Soft\" of unit 5 is the string \"9\""},
        {"\"new\": 9", "\"new\": 9.5", "fraction"},
        {"\"new\": 9", "\"new\": 9e0", "fraction"},
        {"\"new\": 9", "\"new\": 9223372036854775808", "far larger than any field holds"},
        {"\"new\": 9", "\"old\": 9", "has a member \"old\" already"},
        {"\"new\": 9", "\"now\": 9", "holds no \"now\""},
        {"\"new\": \"01\"", "\"new\": 1", "the unassigned bytes in hex"},
        {"\"unit\": 7", "\"unit\": 60", "belong in \"added\""},
        {"\"unit\": 7", "\"unit\": 5", "unit 5 follows unit 5"},
        {"\"unit\": 7", "\"unit\": 3", "ascending order"},
        {"\"unit\": 5", "\"unit\": -1", "from 0 to 32766"},
        {"\"unit\": 7, ", "", "has no \"unit\""},
        {"\"Light Tank B\"", "null", "the old name of unit 7 is null"},
        {", \"new\": \"Leichter \\u00C4\"", "", "has no \"new\""},
        {"\\u00C4", "\\u4E2D", "U+4E2D, which the name list cannot hold"},
        {"\\u00C4", "\\r\\n", "holds a line break"},
        {", \"name\": {\"old\": \"Light Tank B\", \"new\": \"Leichter \\u00C4\"}", "",
         "has neither \"name\" nor \"fields\""},
        {"[{\"unit\": 60, \"name\": \"New\", \"record\": \"" + record + "\"}]", "{}",
         "\"added\" is an object"},
        {"\"unit\": 60", "\"unit\": 61", "unit 61 stands where unit 60 belongs"},
        {record, record + " 00", "holds 74 bytes; a record holds 73"},
        {record, "0" + record, "not bytes in hex"},
        {record, record.substr(3) + " GG", "not bytes in hex"},
        {"\"name\": \"New\", ", "", "added unit 60 has no \"name\""},
        {"\"units\": 61", "\"units\": 62", "the base's 60 units and the 1 added make 61"},
        {"\"units\": 61, \"unitCounter\": 61", "\"units\": 61, \"unitCounter\": 62",
         "\"unitCounter\": {\"old\": ..., \"new\": ...}"},
        {"\n\"changed\"", "\n\"unitCounter\": {\"old\": 59, \"new\": 61},\n\"changed\"",
         "\"unitCounter\" \"old\" is 59, but the base's counter"},
        {"\n\"changed\"", "\n\"unitCounter\": {\"old\": 60, \"new\": 40000},\n\"changed\"",
         "from -32768 to 32767"},
    };
    for (const Case& c : cases) {
        std::string text = c.to;
        if (!c.from.empty()) {
            text = valid;
            ASSERT_NE(text.find(c.from), std::string::npos) << c.from;
            text.replace(text.find(c.from), c.from.size(), c.to);
        }
        try {
            tool::readPatch(text, patchFile);
            ADD_FAILURE() << "read: " << text;
        } catch (const data::Error& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("Cannot read the patch " + patchFile + ": "), std::string::npos)
                << message;
            EXPECT_NE(message.find(c.says), std::string::npos) << message;
        }
    }
}

TEST_F(PatchFormat, ReadsNumbersPastAFieldsRangeExactlyForApplyingToRefuse) {
    std::string text = tool::writePatch(makeAndWrite(withByte(demoEqp, 5, 3, 12), demoTxt));
    const std::string values = "\"old\": 8, \"new\": 12";
    text.replace(text.find(values), values.size(),
                 "\"old\": -9223372036854775808, \"new\": 9223372036854775807");
    const Patch read = tool::readPatch("\xEF\xBB\xBF" + text, patchFile);
    ASSERT_EQ(read.changed.size(), 1u);
    EXPECT_EQ(
        read.changed[0].fields,
        (std::vector<tool::PatchField>{{"Soft", "-9223372036854775808", "9223372036854775807"}}));
}

TEST(JsonReader, KeepsMembersInOrderAndStringsAsUtf8) {
    const tool::JsonValue value = tool::readJson(
        " {\"z\": [null, true, false, -0, 1.5e3], \"a\": \"\\u00e9\\uD83D\\uDE00\\/\\t\", "
        "\"\": {}}\r\n");
    ASSERT_EQ(value.kind, tool::JsonKind::Object);
    ASSERT_EQ(value.members.size(), 3u);
    EXPECT_EQ(value.members[0].name, "z");
    EXPECT_EQ(value.members[1].name, "a");
    EXPECT_EQ(value.members[2].value.kind, tool::JsonKind::Object);
    const std::vector<tool::JsonValue>& items = value.members[0].value.items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].kind, tool::JsonKind::Null);
    EXPECT_TRUE(items[1].boolean);
    EXPECT_EQ(items[2].kind, tool::JsonKind::Boolean);
    EXPECT_FALSE(items[2].boolean);
    EXPECT_EQ(items[3].kind, tool::JsonKind::Integer);
    EXPECT_EQ(items[4].kind, tool::JsonKind::Number);
    EXPECT_EQ(items[4].text, "1.5e3");
    EXPECT_EQ(value.find("a")->text, "é😀/\t");
    EXPECT_EQ(value.find("missing"), nullptr);
}

TEST(JsonWriter, EscapesWhatATerminalWouldObeyAndReadsBack) {
    const std::string text = std::string("q\"b\\n\n\r\t\0\x1B\x7F", 11) + "\xC2\x81 é\xE2\x80\xA8😀";
    std::string written;
    tool::appendJsonString(written, text);
    EXPECT_EQ(written, "\"q\\\"b\\\\n\\n\\r\\t\\u0000\\u001B\\u007F\\u0081 é\\u2028😀\"");
    EXPECT_EQ(tool::readJson(written).text, text);
}

TEST(Sha256, GivesTheStandardDigests) {
    EXPECT_EQ(tool::sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(tool::sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(tool::sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(tool::sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // The 448-bit message above needs a second block for its padding; 55 bytes do not, and 64
    // bytes fill one block before the padding.
    EXPECT_EQ(tool::sha256Hex(std::string(55, 'a')),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(tool::sha256Hex(std::string(64, 'a')),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

}  // namespace
}  // namespace varnel::test
