// The name list reader and the rewrite on arbitrary bytes. Input: the highest unit (2 bytes), the
// unit whose name is set (2 bytes), a shape byte, the name, then the old list itself.
#include <utility>

#include "data/error.h"
#include "data/name_list.h"
#include "data/system_files.h"
#include "fuzz_input.h"
#include "support/temp_folder.h"

namespace {

using namespace varnel;

// The lines of a list by the plain rule: CR LF, CR alone and LF alone each end a line, and the end
// of the file ends a last line that has no line end of its own.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
        lines.push_back(std::exchange(line, {}));
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

// What the reader hands out, and the bytes its lines and line ends make up again.
struct ReadLines {
    std::vector<std::string> lines;
    std::string bytes;
};

const char* bytesOf(data::LineEnd ended) {
    switch (ended) {
        case data::LineEnd::CrLf:
            return "\r\n";
        case data::LineEnd::CrAlone:
            return "\r";
        case data::LineEnd::LfAlone:
            return "\n";
        case data::LineEnd::None:
            break;
    }
    return "";
}

ReadLines readAll(data::LineReader& reader) {
    ReadLines read;
    std::string line;
    data::LineEnd ended;
    while (reader.next(line, ended)) {
        require(read.lines.empty() || read.bytes.back() == '\r' || read.bytes.back() == '\n',
                "only the last line is ended by the end of the file");
        read.bytes += line + bytesOf(ended);
        read.lines.push_back(line);
    }
    return read;
}

std::string contentOf(const std::string& path) {
    const test::Bytes bytes = test::readFile(path);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const test::TempFolder folder;
    const std::string list = folder.file("Equip97.txt");
    FuzzInput input(data, size);
    const std::int64_t highest = (input.byte() | input.byte() << 8) % 600;
    const std::int64_t unit = (input.byte() | input.byte() << 8) % (highest + 1);
    const std::uint8_t shape = input.byte();
    const std::string name = input.bytes(shape % 16);
    std::string before = input.rest();
    if ((shape & 0xC0) == 0xC0) {
        // One long first line, so that the fuzzed bytes lie across the end of the first read block.
        before.insert(0, std::string(data::kReadBlockSize - 1 - (shape >> 4 & 3), 'x'));
    } else if ((shape & 0xE0) == 0x20) {
        // A list that has its shape already, one CR LF line per unit, which a rewrite copies in
        // pieces.
        const std::vector<std::string> given = linesOf(before);
        before.clear();
        for (std::int64_t i = 0; i <= highest; ++i) {
            before += (i < static_cast<std::int64_t>(given.size()) ? given[i] : "") + "\r\n";
        }
    }
    test::writeFile(list, before);

    const std::vector<std::string> lines = linesOf(before);
    const auto count = static_cast<std::int64_t>(lines.size());
    // The one reader, over the bytes in memory and over the file in blocks, gives the lines the
    // rule gives, and line ends that make up the bytes again.
    data::LineReader inMemory(before);
    const ReadLines fromMemory = readAll(inMemory);
    require(fromMemory.lines == lines && fromMemory.bytes == before,
            "the lines in memory are those the rule gives");
    {
        data::OpenHandle file(data::systemFiles().open(list, data::OpenMode::ReadOnly).value);
        data::LineReader inBlocks(file.handle(), "", "");
        const ReadLines fromFile = readAll(inBlocks);
        require(fromFile.lines == lines && fromFile.bytes == before,
                "the lines of the file are those the rule gives");
    }
    // Passing over lines finds each line, whatever the place of the line ends in the bytes.
    for (std::int64_t number = 0; number <= count; number = number < 64 ? number + 1 : number * 2) {
        data::LineReader reader(before);
        std::string line;
        require(reader.skip(number) == number && reader.next(line) == (number < count) &&
                    (number == count || line == lines[number]),
                "passing over lines leads to the next line");
    }
    const data::NameListStatus status = data::inspectNameList(list);
    require(status.exists && status.lineCount == count, "the list holds the lines the rule gives");
    for (const std::int64_t number :
         {std::int64_t{1}, unit + 1, std::max<std::int64_t>(count, 1), count + 1}) {
        const auto line = data::readNameLine(list, number);
        require(number <= count ? line == lines[number - 1] : !line,
                "a line reads as the rule gives");
    }

    bool refused = false;
    try {
        data::setName(list, unit, highest, name);
    } catch (const data::Error&) {
        refused = true;
    }
    const bool lineBreak = name.find_first_of("\r\n") != std::string::npos;
    require(refused == lineBreak, "only a name with a line break is refused");
    std::string expected = before;
    if (!lineBreak) {
        expected.clear();
        for (std::int64_t i = 0; i <= highest; ++i) {
            expected += i == unit ? name : i < count ? lines[i] : std::string();
            expected += "\r\n";
        }
    }
    require(contentOf(list) == expected,
            "the list holds exactly H + 1 lines: the name on its line, every other line as before");
    require(!test::fileExists(data::temporaryPathFor(list)), "no temporary file is left");
    return 0;
}
