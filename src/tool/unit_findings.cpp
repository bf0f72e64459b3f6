#include "unit_findings.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <set>
#include <utility>

#include "cell_text.h"
#include "data/code_page.h"
#include "data/code_tables.h"
#include "unit_columns.h"

namespace varnel::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The stored bytes of width bytes of the record from the field on.
std::string bytesOf(const data::Unit& record, const data::RecordField& first, int width) {
    const auto from = record.bytes().begin() + first.offset;
    return std::string(from, from + width);
}

// Every switch pair that the window's Save can write: each tick of the five boxes with each
// class name, and with a name that matches no class; in order, for the message.
const std::set<std::pair<int, int>>& pairsSaveWrites() {
    static const std::set<std::pair<int, int>> pairs = [] {
        std::set<std::pair<int, int>> found;
        std::vector<std::string> names{""};
        for (const data::ClassEntry& entry : data::classTable()) {
            names.emplace_back(entry.name);
        }
        for (int ticks = 0; ticks < 32; ++ticks) {
            const data::SwitchBoxes boxes{(ticks & 1) != 0, (ticks & 2) != 0, (ticks & 4) != 0,
                                          (ticks & 8) != 0, (ticks & 16) != 0};
            for (const std::string& name : names) {
                const data::SwitchPair pair = data::switchBytesFor(boxes, name);
                found.emplace(pair.sw1, pair.sw2);
            }
        }
        return found;
    }();
    return pairs;
}

// The same pairs, looked up by the two bytes at once.
bool saveWrites(data::SwitchPair pair) {
    static const std::bitset<65536> written = [] {
        std::bitset<65536> bits;
        for (const auto& [sw1, sw2] : pairsSaveWrites()) {
            bits.set(static_cast<std::size_t>(sw1 << 8 | sw2));
        }
        return bits;
    }();
    return written.test(static_cast<std::size_t>(pair.sw1 << 8 | pair.sw2));
}

std::string pairList() {
    std::string list;
    for (const auto& [sw1, sw2] : pairsSaveWrites()) {
        list += (list.empty() ? "" : ", ") + std::to_string(sw1) + "/" + std::to_string(sw2);
    }
    return list;
}

// A control character, or one of the bytes the code page leaves undefined: the window cannot
// show it and the game will not print it.
constexpr bool isControlCharacter(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

// The same for every byte at once, as names are looked at byte by byte.
const std::array<bool, 256>& controlBytes() {
    static const std::array<bool, 256> bytes = [] {
        std::array<bool, 256> control{};
        for (std::size_t byte = 0; byte < control.size(); ++byte) {
            control[byte] =
                isControlCharacter(data::characterOfByte(static_cast<std::uint8_t>(byte)));
        }
        return control;
    }();
    return bytes;
}

bool isControl(std::uint8_t byte) {
    return controlBytes()[byte];
}

std::string hexByte(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

}  // namespace

std::vector<UnitFinding> recordFindings(std::int64_t unit, const data::Unit& record) {
    namespace field = data::field;
    std::vector<UnitFinding> found;
    const std::int16_t stored = record.number();
    if (stored != unit) {
        found.push_back({"unitNumber",
                         bytesOf(record, field::kUnitNumber, field::kUnitNumber.width),
                         "its record gives its number as " + std::to_string(stored) + "."});
    }
    const std::uint8_t unitClass = record.unitClass();
    if (!className(unitClass)) {
        found.push_back(
            {"Class", bytesOf(record, field::kClass, field::kClass.width),
             "class code " + std::to_string(unitClass) + " is none of the classes 1 to 21."});
    }
    // A nationality is one bit of one of the four bytes; anything else names no nationality,
    // shows as "Unknown" in the editor and is written as four 0 bytes by a Save in Profi mode.
    const data::NationBytes nation = record.nation();
    if (!nationalityName(nation)) {
        found.push_back({"Nationality", bytesOf(record, field::kNation1, data::kNationByteCount),
                         "the nationality bytes " + std::to_string(nation[0]) + ", " +
                             std::to_string(nation[1]) + ", " + std::to_string(nation[2]) + ", " +
                             std::to_string(nation[3]) + " name no nationality."});
    }
    const data::SwitchPair switches = record.switches();
    if (!saveWrites(switches)) {
        found.push_back({"sw1/sw2", bytesOf(record, field::kSw1, 2),
                         "the switch bytes " + std::to_string(switches.sw1) + "/" +
                             std::to_string(switches.sw2) + " are no pattern the editor writes (" +
                             pairList() + ")."});
    }
    for (const data::RecordField& row : data::kRecordFields) {
        const std::uint8_t code = row.kind == data::FieldKind::Character ? record.byte(row) : 0;
        if (code != 0 && isControl(code)) {
            const std::string label = row.label;
            found.push_back({label, std::string(1, static_cast<char>(code)),
                             "character code " + label + " is " + std::to_string(code) +
                                 ", a control character the window cannot show or type."});
        }
    }
    return found;
}

std::vector<UnitFinding> nameFindings(std::string_view name, bool firstLine) {
    std::vector<UnitFinding> found;
    const bool byteOrderMark = firstLine && name.starts_with(kByteOrderMark);
    const std::string_view text = byteOrderMark ? name.substr(kByteOrderMark.size()) : name;
    const std::array<bool, 256>& control = controlBytes();
    const char* controlByte = nullptr;
    bool wide = false;
    for (const char& c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (controlByte == nullptr && control[byte]) {
            controlByte = &c;
        }
        wide = wide || byte >= 0x80;
    }
    const bool looksLikeUtf8 = wide && isUtf8(text);
    if (!byteOrderMark && controlByte == nullptr && !looksLikeUtf8) {
        return found;
    }
    const std::string value(name);
    if (byteOrderMark) {
        found.push_back({"Name", value,
                         " begins with a UTF-8 byte-order mark: three bytes the game shows as "
                         "\"\xC3\xAF\xC2\xBB\xC2\xBF\"."});
    }
    if (controlByte != nullptr) {
        found.push_back({"Name", value,
                         " holds the byte " + hexByte(static_cast<std::uint8_t>(*controlByte)) +
                             ", which the " + data::kCodePageName +
                             " code page gives no printable character."});
    }
    if (looksLikeUtf8) {
        found.push_back({"Name", value,
                         ", " + quotedName(text) +
                             ", looks like UTF-8 text, which the game shows as it stands: the "
                             "list holds " +
                             data::kCodePageName + "."});
    }
    return found;
}

}  // namespace varnel::tool
