// The raw cost of varnel-tool's work on the files: the same files read and written with plain
// POSIX calls, the CSV formatted and parsed by hand, and the record's layout, the class and
// nationality tables and the code page written out here rather than taken from the tool.
// bench/tool_bench.cpp times it as a process of its own next to the tool, and stops when its
// export differs from the tool's by a byte. It takes the files as export writes them and as
// sound game files are (whole records); what it cannot read, it refuses with status 2.
//
//   tool_raw export EQP TXT CSV   every unit as a CSV row, the file written as a new copy
//   tool_raw import CSV EQP TXT   the rows read back into the units; what changed is written
//   tool_raw check EQP TXT        each finding on a line, then their count; status 1 with any
//   tool_raw diff OLD NEW         the changed fields of each unit that differs; status 1 with any
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kHeaderSize = 2, kRecordSize = 73;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "tool_raw: %s\n", what.c_str());
    std::exit(2);
}

// A cell in quotes, then what is wrong with it.
[[noreturn]] void failOn(std::string_view cell, const std::string& what) {
    std::string message = "\"";
    message.append(cell);
    fail(message + what);
}

void check(bool ok, const std::string& what) {
    if (!ok)
        fail(what + ": " + std::strerror(errno));
}

// ---- the tables --------------------------------------------------------------------------------

// How a column shows its field.
enum class Kind {
    Unit,         // the row's place in the file
    Name,         // the unit's line of the list, as UTF-8
    Byte,         // a byte as a number
    Class,        // the class code as a number (diff shows its name)
    ClassName,    // the class code's name
    Cost,         // 12 times the byte
    NationByte,   // one of the four nationality bytes as a number
    Nationality,  // the name of the four
    Number,       // the record's own number, a signed 16-bit word
    Spare,        // the bytes the editor gives no meaning, in hex
};

struct Column {
    std::string_view label;
    Kind kind;
    int offset;  // of the field's first byte in the record
};

// In the order export writes them.
// clang-format off
constexpr Column kColumns[] = {
    {"Unit", Kind::Unit, 0},          {"Name", Kind::Name, 0},
    {"Class", Kind::Class, 2},        {"Class name", Kind::ClassName, 2},
    {"Soft", Kind::Byte, 3},          {"Hard", Kind::Byte, 4},          {"Air Att", Kind::Byte, 5},
    {"Naval", Kind::Byte, 6},         {"Gr.Def", Kind::Byte, 7},        {"Ar.Def", Kind::Byte, 8},
    {"Cl.Def", Kind::Byte, 9},        {"Initiative", Kind::Byte, 11},   {"Range", Kind::Byte, 12},
    {"Spotting", Kind::Byte, 13},     {"RangeM", Kind::Byte, 14},       {"Move", Kind::Byte, 17},
    {"Fuel", Kind::Byte, 18},         {"Ammo", Kind::Byte, 19},         {"Cost", Kind::Cost, 21},
    {"Month", Kind::Byte, 26},        {"Year", Kind::Byte, 27},
    {"nation1", Kind::NationByte, 30}, {"nation2", Kind::NationByte, 31},
    {"nation3", Kind::NationByte, 32}, {"nation4", Kind::NationByte, 33},
    {"Nationality", Kind::Nationality, 30},
    {"sw1", Kind::Byte, 34},          {"sw2", Kind::Byte, 35},
    {"c1", Kind::Byte, 39},           {"c2", Kind::Byte, 40},           {"c3", Kind::Byte, 41},
    {"c4", Kind::Byte, 42},           {"c5", Kind::Byte, 43},           {"c6", Kind::Byte, 44},
    {"unitNumber", Kind::Number, 0},  {"Unassigned", Kind::Spare, 0},
};
// clang-format on

// The bytes the editor gives no meaning, in record order: runs of (first offset, width).
constexpr std::pair<int, int> kSpareRuns[] = {{10, 1}, {15, 2}, {20, 1}, {22, 4},
                                              {28, 2}, {36, 3}, {45, 28}};
constexpr auto kSpareBytes = [] {
    std::array<int, 41> offsets{};
    std::size_t n = 0;
    for (const auto& [first, width] : kSpareRuns) {
        for (int i = 0; i < width; ++i)
            offsets[n++] = first + i;
    }
    return offsets;
}();

constexpr const char* kClassNames[] = {
    nullptr,         "Infantry",         "Tank",       "Recon",         "Anti-tank",  "Unknown 5",
    "Fortification", "Ground Transport", "Artillery",  "Air Defense",   "Fighter",    "Bomber",
    "Unknown 12",    "Air Transport",    "Unknown 14", "Destroyer",     "Battleship", "Carrier",
    "Sea Transport", "BattleCruiser",    "Cruiser",    "Light Cruiser",
};

struct Nation {
    const char* name;
    std::uint8_t bytes[4];
};
constexpr Nation kNations[] = {
    {"Poland", {0, 0, 128, 0}},     {"Germany", {0, 128, 0, 0}},      {"USA", {0, 32, 0, 0}},
    {"Finland", {2, 0, 0, 0}},      {"Russia", {0, 0, 8, 0}},         {"France", {1, 0, 0, 0}},
    {"England", {0, 0, 1, 0}},      {"Hungary", {0, 16, 0, 0}},       {"Italy", {0, 4, 0, 0}},
    {"Nationalist", {0, 0, 0, 64}}, {"Norway", {0, 1, 0, 0}},         {"Republican", {0, 0, 0, 32}},
    {"Romania", {0, 0, 32, 0}},     {"Czechoslovakia", {8, 0, 0, 0}},
};

// The switch pairs the editor writes.
constexpr std::pair<int, int> kSwitchPairs[] = {{0, 0},   {1, 0},   {49, 0}, {65, 0},
                                                {129, 1}, {193, 1}, {241, 1}};

// Windows-1252 from 0x80 to 0x9F; every other byte is the character of its value.
constexpr char32_t kCodePageHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t characterOf(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCodePageHigh[byte - 0x80] : byte;
}

std::optional<std::uint8_t> byteOf(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<std::uint8_t>(character);
    for (int i = 0; i < 32; ++i) {
        if (kCodePageHigh[i] == character)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

bool isControl(std::uint8_t byte) {
    const char32_t character = characterOf(byte);
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

const char* classNameOf(std::uint8_t code) {
    return code >= 1 && code <= 21 ? kClassNames[code] : nullptr;
}

const char* nationalityOf(const std::uint8_t* record) {
    for (const Nation& nation : kNations) {
        if (std::memcmp(nation.bytes, record + 30, 4) == 0)
            return nation.name;
    }
    return nullptr;
}

// ---- files -------------------------------------------------------------------------------------

// A file's bytes, read whole into memory that is not cleared first.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    operator std::string_view() const { return {data.get(), size}; }
};

FileBytes readWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    check(fd >= 0 && ::fstat(fd, &info) == 0, "open " + path);
    FileBytes bytes{std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(info.st_size)),
                    0};
    for (ssize_t got = 1; got > 0 && bytes.size < static_cast<std::size_t>(info.st_size);) {
        got = ::read(fd, bytes.data.get() + bytes.size, info.st_size - bytes.size);
        check(got >= 0, "read " + path);
        bytes.size += static_cast<std::size_t>(got);
    }
    check(::close(fd) == 0, "close " + path);
    return bytes;
}

// As the tool replaces a file: a complete copy beside it with the file's permissions, flushed to
// disk, renamed over it, and the folder flushed so that the rename survives a power cut.
void replaceFile(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".new";
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
    ::unlink(temporary.c_str());  // one left by an earlier run
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    check(fd >= 0, "create " + temporary);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        check(put > 0, "write " + temporary);
        done += static_cast<std::size_t>(put);
    }
    check(::fsync(fd) == 0 && ::close(fd) == 0, "fsync " + temporary);
    check(::rename(temporary.c_str(), path.c_str()) == 0, "rename " + temporary);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    check(folderFd >= 0 && ::fsync(folderFd) == 0 && ::close(folderFd) == 0, "fsync " + folder);
}

// The units of an equipment file: whole records after the counter.
std::size_t unitsOf(std::string_view equipment, const std::string& path) {
    if (equipment.size() < kHeaderSize + kRecordSize ||
        (equipment.size() - kHeaderSize) % kRecordSize != 0) {
        fail(path + " does not hold whole records");
    }
    return (equipment.size() - kHeaderSize) / kRecordSize;
}

const std::uint8_t* recordOf(std::string_view equipment, std::size_t unit) {
    return reinterpret_cast<const std::uint8_t*>(equipment.data()) + kHeaderSize +
           unit * kRecordSize;
}

std::int16_t wordAt(const std::uint8_t* bytes) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8));
}

// The lines of a name list, ended by CR LF, CR alone or LF alone, with what check says of them.
struct NameLines {
    std::vector<std::string_view> names;
    std::size_t crAlone = 0, lfAlone = 0;
    bool lastUnended = false;
};

NameLines linesOf(std::string_view list) {
    NameLines lines;
    for (std::size_t at = 0; at < list.size();) {
        std::size_t end = at;
        while (end < list.size() && list[end] != '\r' && list[end] != '\n')
            ++end;
        lines.names.push_back(list.substr(at, end - at));
        if (end == list.size()) {
            lines.lastUnended = true;
            break;
        }
        if (list[end] == '\r' && end + 1 < list.size() && list[end + 1] == '\n') {
            at = end + 2;
        } else {
            ++(list[end] == '\r' ? lines.crAlone : lines.lfAlone);
            at = end + 1;
        }
    }
    return lines;
}

// ---- text --------------------------------------------------------------------------------------

// The character of UTF-8 text at `at`, moving past it; nullopt for bytes that are no UTF-8.
std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<std::uint8_t>(text[at++]);
    if (lead < 0x80)
        return lead;
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length == 0 || at + length - 1 > text.size())
        return std::nullopt;
    char32_t character = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i - 1]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        character = character << 6 | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (character < kLeast[length] || character > 0x10FFFF ||
        (character >= 0xD800 && character <= 0xDFFF)) {
        return std::nullopt;
    }
    at += length - 1;
    return character;
}

bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (!nextCharacter(text, at))
            return false;
    }
    return true;
}

// Text written at a cursor into memory set aside for all of it beforehand.
struct Cursor {
    char* at;
    void put(char c) { *at++ = c; }
    void put(std::string_view text) {
        std::memcpy(at, text.data(), text.size());
        at += text.size();
    }
    void number(int value) { at = std::to_chars(at, at + 12, value).ptr; }
    void utf8(char32_t c) {
        if (c < 0x80) {
            put(static_cast<char>(c));
        } else if (c < 0x800) {
            put(static_cast<char>(0xC0 | c >> 6));
            put(static_cast<char>(0x80 | (c & 0x3F)));
        } else {  // the code page has nothing past U+FFFF
            put(static_cast<char>(0xE0 | c >> 12));
            put(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            put(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    // A text cell: an apostrophe in front of what a spreadsheet would take for the start of a
    // formula, and in quotes when it holds a separator, a quote or a line break or begins or
    // ends with a blank.
    void text(std::string_view cell) {
        const bool guarded =
            !cell.empty() && std::string_view("=+-@\t\r'").find(cell.front()) != cell.npos;
        const auto blank = [](char c) { return c == ' ' || c == '\t'; };
        const bool quoted =
            cell.find_first_of(",;\"\r\n") != cell.npos ||
            (!cell.empty() && ((!guarded && blank(cell.front())) || blank(cell.back())));
        if (quoted)
            put('"');
        if (guarded)
            put('\'');
        for (std::size_t from = 0, quote; from < cell.size(); from = quote) {
            quote = std::min(cell.find('"', from), cell.size());
            put(cell.substr(from, quote - from));
            if (quote < cell.size()) {
                put("\"\"");
                ++quote;
            }
        }
        if (quoted)
            put('"');
    }
};

// ---- export ------------------------------------------------------------------------------------

int exportUnits(const std::string& eqpPath, const std::string& txtPath,
                const std::string& csvPath) {
    const FileBytes equipment = readWhole(eqpPath), list = readWhole(txtPath);
    const std::size_t units = unitsOf(equipment, eqpPath);
    const NameLines lines = linesOf(list);
    // At most 400 bytes a row besides the name, which grows at most sixfold: three bytes of
    // UTF-8 a character, each quote doubled.
    const auto csv = std::make_unique_for_overwrite<char[]>(units * 400 + 6 * list.size + 1024);
    Cursor out{csv.get()};
    std::string name;
    for (const Column& column : kColumns) {
        out.put(&column == kColumns ? "" : ",");
        out.put(column.label);
    }
    out.put("\r\n");
    for (std::size_t unit = 0; unit < units; ++unit) {
        const std::uint8_t* record = recordOf(equipment, unit);
        for (const Column& column : kColumns) {
            out.put(&column == kColumns ? "" : ",");
            const std::uint8_t byte = record[column.offset];
            switch (column.kind) {
                case Kind::Unit:
                    out.number(static_cast<int>(unit));
                    break;
                case Kind::Name: {
                    const std::string_view bytes =
                        unit < lines.names.size() ? lines.names[unit] : "";
                    name.resize(3 * bytes.size());
                    Cursor utf8{name.data()};
                    for (const char c : bytes)
                        utf8.utf8(characterOf(static_cast<std::uint8_t>(c)));
                    out.text(std::string_view(name.data(), utf8.at - name.data()));
                    break;
                }
                case Kind::Byte:
                case Kind::Class:
                case Kind::NationByte:
                    out.number(byte);
                    break;
                case Kind::ClassName:
                    if (const char* className = classNameOf(byte))
                        out.text(className);
                    break;
                case Kind::Cost:
                    out.number(12 * byte);
                    break;
                case Kind::Nationality: {
                    const char* nationality = nationalityOf(record);
                    out.text(nationality != nullptr ? nationality : "Unknown");
                    break;
                }
                case Kind::Number:
                    out.number(wordAt(record));
                    break;
                case Kind::Spare:
                    for (const int offset : kSpareBytes) {
                        static constexpr char kDigits[] = "0123456789ABCDEF";
                        out.put(offset == kSpareBytes[0] ? "" : " ");
                        out.put(kDigits[record[offset] >> 4]);
                        out.put(kDigits[record[offset] & 0xF]);
                    }
                    break;
            }
        }
        out.put("\r\n");
    }
    replaceFile(csvPath, std::string_view(csv.get(), out.at - csv.get()));
    return 0;
}

// ---- import ------------------------------------------------------------------------------------

// A row of CSV: its cells, each a view of the text or, when it held doubled quotes, of a copy of
// its own with them made one. Kept from row to row, so that its memory is reused.
struct CsvRow {
    std::vector<std::string_view> cells;
    std::deque<std::string> copies;  // by the cell's place; growing moves none of them
    std::size_t count = 0;
};

// Reads the next row of RFC 4180 CSV from `at`.
void nextRow(std::string_view csv, std::size_t& at, CsvRow& row) {
    row.count = 0;
    for (;;) {
        if (row.count == row.cells.size()) {
            row.cells.emplace_back();
            row.copies.emplace_back();
        }
        std::string_view& cell = row.cells[row.count++];
        if (at < csv.size() && csv[at] == '"') {
            const std::size_t start = ++at;
            std::string* copy = nullptr;
            for (;;) {
                const std::size_t quote = csv.find('"', at);
                if (quote == std::string_view::npos)
                    fail("a quoted field is never closed");
                const bool doubled = quote + 1 < csv.size() && csv[quote + 1] == '"';
                if (doubled && copy == nullptr) {
                    copy = &row.copies[row.count - 1];
                    copy->clear();
                }
                if (copy != nullptr)
                    copy->append(csv.substr(at, quote - at + (doubled ? 1 : 0)));
                at = quote + (doubled ? 2 : 1);
                if (!doubled) {
                    cell = copy != nullptr ? std::string_view(*copy)
                                           : csv.substr(start, quote - start);
                    break;
                }
            }
        } else {
            const std::size_t start = at;
            while (at < csv.size() && csv[at] != ',' && csv[at] != '\r' && csv[at] != '\n')
                ++at;
            cell = csv.substr(start, at - start);
        }
        if (at < csv.size() && csv[at] == ',') {
            ++at;
            continue;
        }
        if (at < csv.size() && csv[at] != '\r' && csv[at] != '\n')
            fail("text after the closing quote of a field");
        at += at < csv.size() && csv[at] == '\r' ? 1 : 0;
        at += at < csv.size() && csv[at] == '\n' ? 1 : 0;
        return;
    }
}

int numberIn(std::string_view cell, int lowest, int highest, std::string_view label) {
    int value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (error != std::errc() || end != cell.data() + cell.size() || value < lowest ||
        value > highest) {
        failOn(cell, "\" is no value of " + std::string(label));
    }
    return value;
}

std::string_view unguarded(std::string_view cell) {
    return cell.starts_with('\'') ? cell.substr(1) : cell;
}

// Writes the cells of one row into its unit's record and name.
void applyRow(const std::vector<const Column*>& columns, const std::vector<std::string_view>& cells,
              std::uint8_t* record, std::string& name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string_view cell = cells[i];
        switch (columns[i]->kind) {
            case Kind::Unit:
            case Kind::ClassName:
            case Kind::Nationality:
                break;
            case Kind::Name: {
                const std::string_view text = unguarded(cell);
                name.clear();
                for (std::size_t at = 0; at < text.size();) {
                    const auto character = nextCharacter(text, at);
                    const auto byte = character ? byteOf(*character) : std::nullopt;
                    if (!byte)
                        fail("a name the code page cannot hold: " + std::string(cell));
                    name += static_cast<char>(*byte);
                }
                break;
            }
            case Kind::Byte:
            case Kind::Class:
            case Kind::NationByte:
                record[columns[i]->offset] =
                    static_cast<std::uint8_t>(numberIn(cell, 0, 255, columns[i]->label));
                break;
            case Kind::Cost:
                record[columns[i]->offset] =
                    static_cast<std::uint8_t>(numberIn(cell, 0, 255 * 12 + 11, "Cost") / 12);
                break;
            case Kind::Number: {
                const int number = numberIn(cell, -32768, 32767, "unitNumber");
                record[0] = static_cast<std::uint8_t>(number & 0xFF);
                record[1] = static_cast<std::uint8_t>((number >> 8) & 0xFF);
                break;
            }
            case Kind::Spare: {
                std::size_t next = 0;
                for (std::size_t at = 0; at < cell.size(); at += 2) {
                    while (at < cell.size() && (cell[at] == ' ' || cell[at] == '\t'))
                        ++at;
                    if (at == cell.size())
                        break;
                    if (at + 2 > cell.size())
                        failOn(cell, "\" is not the unassigned bytes in hex");
                    unsigned value = 0;
                    const auto [end, error] =
                        std::from_chars(cell.data() + at, cell.data() + at + 2, value, 16);
                    if (error != std::errc() || end != cell.data() + at + 2 ||
                        next == kSpareBytes.size()) {
                        failOn(cell, "\" is not the unassigned bytes in hex");
                    }
                    record[kSpareBytes[next++]] = static_cast<std::uint8_t>(value);
                }
                if (next != kSpareBytes.size())
                    failOn(cell, "\" is not the unassigned bytes in hex");
                break;
            }
        }
    }
    // The names of class and nationality must be those of the codes as the row leaves them.
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string_view text = unguarded(cells[i]);
        const Kind kind = columns[i]->kind;
        if (text.empty() || (kind != Kind::ClassName && kind != Kind::Nationality))
            continue;
        const char* named =
            kind == Kind::ClassName ? classNameOf(record[2]) : nationalityOf(record);
        if (text != (named != nullptr ? named : kind == Kind::Nationality ? "Unknown" : ""))
            failOn(cells[i], "\" is not the name of the row's codes");
    }
}

int importUnits(const std::string& csvPath, const std::string& eqpPath,
                const std::string& txtPath) {
    const FileBytes csvFile = readWhole(csvPath), equipment = readWhole(eqpPath),
                    list = readWhole(txtPath);
    const std::size_t units = unitsOf(equipment, eqpPath);
    const std::vector<std::string_view> oldNames = linesOf(list).names;

    std::string_view csv = csvFile;
    if (csv.starts_with("\xEF\xBB\xBF"))
        csv.remove_prefix(3);
    std::size_t at = 0;
    CsvRow row;
    const std::vector<std::string_view>& cells = row.cells;
    std::vector<const Column*> columns;
    nextRow(csv, at, row);
    const std::size_t headerCells = row.count;
    std::size_t unitColumn = headerCells;
    for (std::size_t i = 0; i < headerCells; ++i) {
        const auto* found = std::find_if(std::begin(kColumns), std::end(kColumns),
                                         [&](const Column& c) { return c.label == cells[i]; });
        if (found == std::end(kColumns))
            failOn(cells[i], "\" is no column of the unit table");
        unitColumn = found->kind == Kind::Unit ? i : unitColumn;
        columns.push_back(found);
    }
    if (unitColumn == headerCells)
        fail("the CSV has no Unit column");

    // The new units are built in a copy of the file; a name that changes is kept apart.
    std::string newEquipment(equipment);
    std::vector<std::string> newNames(units);
    std::vector<bool> nameChanged(units), seen(units);
    std::string name;
    while (at < csv.size()) {
        nextRow(csv, at, row);
        const std::size_t count = row.count;
        if (std::all_of(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(count),
                        [](std::string_view cell) { return cell.empty(); })) {
            continue;  // a blank row
        }
        if (count != columns.size())
            fail("a row has " + std::to_string(count) + " fields");
        const auto unit = static_cast<std::size_t>(
            numberIn(cells[unitColumn], 0, static_cast<int>(units) - 1, "Unit"));
        if (seen[unit])
            fail("unit " + std::to_string(unit) + " has two rows");
        seen[unit] = true;
        name = unit < oldNames.size() ? oldNames[unit] : std::string_view();
        applyRow(
            columns, cells,
            reinterpret_cast<std::uint8_t*>(newEquipment.data()) + kHeaderSize + unit * kRecordSize,
            name);
        if (name != (unit < oldNames.size() ? oldNames[unit] : std::string_view())) {
            newNames[unit] = name;
            nameChanged[unit] = true;
        }
    }

    const bool listChanged =
        std::find(nameChanged.begin(), nameChanged.end(), true) != nameChanged.end();
    const bool equipmentChanged = newEquipment != std::string_view(equipment);
    if (!equipmentChanged && !listChanged) {
        std::printf("Nothing to change.\n");
        return 0;
    }
    if (equipmentChanged)
        replaceFile(eqpPath, newEquipment);
    if (listChanged) {  // one line per unit, each ended by CR LF
        std::string newList;
        for (std::size_t unit = 0; unit < units; ++unit) {
            newList += nameChanged[unit]        ? std::string_view(newNames[unit])
                       : unit < oldNames.size() ? oldNames[unit]
                                                : std::string_view();
            newList += "\r\n";
        }
        replaceFile(txtPath, newList);
    }
    std::printf("Wrote the changes.\n");
    return 0;
}

// ---- check -------------------------------------------------------------------------------------

int checkFiles(const std::string& eqpPath, const std::string& txtPath) {
    const FileBytes equipment = readWhole(eqpPath), list = readWhole(txtPath);
    const std::size_t units = unitsOf(equipment, eqpPath);
    const NameLines lines = linesOf(list);
    std::string out;
    std::size_t findings = 0;
    // A finding: where (a unit, a line of the list, or the files as a whole), then what.
    const auto finding = [&](const char* where, std::size_t number, const std::string& words) {
        out += where;
        out += *where != '\0' ? std::to_string(number) + ": " : "";
        out += words;
        out += '\n';
        ++findings;
    };
    const auto counter = reinterpret_cast<const std::uint8_t*>(equipment.data.get());
    if (wordAt(counter) != static_cast<std::int64_t>(units))
        finding("", 0, "the unit counter says " + std::to_string(wordAt(counter)));
    for (std::size_t unit = 0; unit < units; ++unit) {
        const std::uint8_t* record = recordOf(equipment, unit);
        if (wordAt(record) != static_cast<std::int64_t>(unit))
            finding("unit ", unit, "number " + std::to_string(wordAt(record)));
        if (classNameOf(record[2]) == nullptr)
            finding("unit ", unit, "class code " + std::to_string(record[2]));
        if (nationalityOf(record) == nullptr)
            finding("unit ", unit, "nationality bytes name no nationality");
        if (std::find(std::begin(kSwitchPairs), std::end(kSwitchPairs),
                      std::pair<int, int>(record[34], record[35])) == std::end(kSwitchPairs)) {
            finding(
                "unit ", unit,
                "switch bytes " + std::to_string(record[34]) + "/" + std::to_string(record[35]));
        }
        for (int offset = 39; offset < 45; ++offset) {
            if (record[offset] != 0 && isControl(record[offset]))
                finding("unit ", unit, "control character " + std::to_string(record[offset]));
        }
    }
    if (lines.names.size() != units)
        finding("", 0, "the name list has " + std::to_string(lines.names.size()) + " lines");
    if (lines.lfAlone > 0)
        finding("", 0, "lines of the name list end in LF alone");
    if (lines.crAlone > 0)
        finding("", 0, "lines of the name list end in CR alone");
    if (lines.lastUnended)
        finding("", 0, "the last line of the name list has no line end");
    for (std::size_t line = 0; line < lines.names.size(); ++line) {
        std::string_view name = lines.names[line];
        if (line == 0 && name.starts_with("\xEF\xBB\xBF")) {
            finding("name list line ", line + 1, "begins with a byte-order mark");
            name.remove_prefix(3);
        }
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return isControl(static_cast<std::uint8_t>(c)); })) {
            finding("name list line ", line + 1, "holds a control character");
        }
        if (std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }) &&
            isUtf8(name)) {
            finding("name list line ", line + 1, "looks like UTF-8");
        }
    }
    out += std::to_string(findings) + " findings\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return findings == 0 ? 0 : 1;
}

// ---- diff --------------------------------------------------------------------------------------

std::string shown(const Column& column, const std::uint8_t* record) {
    switch (column.kind) {
        case Kind::Class: {
            const char* className = classNameOf(record[2]);
            return className != nullptr ? className : "code " + std::to_string(record[2]);
        }
        case Kind::Nationality: {
            const char* nationality = nationalityOf(record);
            return nationality != nullptr
                       ? nationality
                       : "Unknown (" + std::to_string(record[30]) + ", " +
                             std::to_string(record[31]) + ", " + std::to_string(record[32]) + ", " +
                             std::to_string(record[33]) + ")";
        }
        case Kind::Cost:
            return std::to_string(12 * record[column.offset]);
        case Kind::Number:
            return std::to_string(wordAt(record));
        case Kind::Spare: {
            std::string hex;
            for (const int offset : kSpareBytes) {
                char two[4];
                std::snprintf(two, sizeof two, "%02X", record[offset]);
                hex += hex.empty() ? "" : " ";
                hex += two;
            }
            return hex;
        }
        default:
            return std::to_string(record[column.offset]);
    }
}

int diffFiles(const std::string& oldPath, const std::string& newPath) {
    const FileBytes before = readWhole(oldPath), after = readWhole(newPath);
    const std::size_t oldUnits = unitsOf(before, oldPath), newUnits = unitsOf(after, newPath);
    const std::size_t common = std::min(oldUnits, newUnits);
    std::string out;
    for (std::size_t unit = 0; unit < common; ++unit) {
        const std::uint8_t *was = recordOf(before, unit), *now = recordOf(after, unit);
        if (std::memcmp(was, now, kRecordSize) == 0)
            continue;
        out += "unit " + std::to_string(unit) + ":\n";
        // The class and the nationality by name; the row's own number and names not at all.
        for (const Column& column : kColumns) {
            const Kind kind = column.kind;
            if (kind == Kind::Unit || kind == Kind::Name || kind == Kind::ClassName ||
                kind == Kind::NationByte) {
                continue;
            }
            const std::string a = shown(column, was), b = shown(column, now);
            if (a != b)
                out += "    " + std::string(column.label) + ": " + a + " -> " + b + "\n";
        }
    }
    for (std::size_t unit = common; unit < std::max(oldUnits, newUnits); ++unit)
        out += "unit " + std::to_string(unit) + (unit < newUnits ? ": added\n" : ": removed\n");
    const auto oldCounter = wordAt(recordOf(before, 0) - kHeaderSize);
    const auto newCounter = wordAt(recordOf(after, 0) - kHeaderSize);
    if (oldCounter != newCounter)
        out +=
            "unitCount: " + std::to_string(oldCounter) + " -> " + std::to_string(newCounter) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return out.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    const std::string job = a.empty() ? "" : a[0];
    if (job == "export" && a.size() == 4)
        return exportUnits(a[1], a[2], a[3]);
    if (job == "import" && a.size() == 4)
        return importUnits(a[1], a[2], a[3]);
    if (job == "check" && a.size() == 3)
        return checkFiles(a[1], a[2]);
    if (job == "diff" && a.size() == 3)
        return diffFiles(a[1], a[2]);
    std::fprintf(stderr,
                 "usage: tool_raw export EQP TXT CSV | import CSV EQP TXT | check EQP TXT | "
                 "diff OLD NEW\n");
    return 2;
}
