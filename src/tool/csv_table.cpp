#include "csv_table.h"

#include <csv.h>

#include <memory>
#include <new>

namespace varnel::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct Collector {
    CsvTable table;
    CsvRow row;
    bool outOfMemory = false;
};

// libcsv is C: nothing may be thrown through it.
void takeField(void* field, std::size_t size, void* data) {
    auto* collector = static_cast<Collector*>(data);
    try {
        collector->row.emplace_back(static_cast<const char*>(field), size);
    } catch (const std::bad_alloc&) {
        collector->outOfMemory = true;
    }
}

void takeRowEnd(int, void* data) {
    auto* collector = static_cast<Collector*>(data);
    try {
        collector->table.rows.push_back(std::move(collector->row));
    } catch (const std::bad_alloc&) {
        collector->outOfMemory = true;
    }
    collector->row.clear();
}

// Blanks belong to the field: a name may begin or end with one.
int noBlanks(unsigned char) {
    return 0;
}

unsigned char separatorOf(std::string_view text) {
    const std::string_view firstLine = text.substr(0, text.find_first_of("\r\n"));
    const bool semicolons = firstLine.find(';') != std::string_view::npos &&
                            firstLine.find(',') == std::string_view::npos;
    return semicolons ? ';' : ',';
}

// The 1-based line on which byte offset lies; CR LF, LF and CR each end a line.
std::size_t lineAt(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++line;
        }
    }
    return line;
}

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",;\"\r\n") != std::string_view::npos ||
           (!field.empty() && (field.front() == ' ' || field.back() == ' ' ||
                               field.front() == '\t' || field.back() == '\t'));
}

}  // namespace

CsvTable parseCsvTable(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        return {{}, "there was not enough memory to read it"};
    }
    const std::unique_ptr<csv_parser, void (*)(csv_parser*)> freed(&parser, csv_free);
    csv_set_space_func(&parser, noBlanks);
    csv_set_delim(&parser, separatorOf(bytes));

    Collector collector;
    const std::size_t read =
        csv_parse(&parser, bytes.data(), bytes.size(), takeField, takeRowEnd, &collector);
    const bool finished =
        read == bytes.size() && csv_fini(&parser, takeField, takeRowEnd, &collector) == 0;
    if (collector.outOfMemory) {
        return {{}, "there was not enough memory to read it"};
    }
    if (!finished) {
        const std::size_t line = lineAt(bytes, read);
        if (csv_error(&parser) == CSV_EPARSE && read == bytes.size()) {
            collector.table.error = "row " + std::to_string(collector.table.rows.size() + 1) +
                                    " opens a quoted field that is never closed";
        } else if (csv_error(&parser) == CSV_EPARSE) {
            collector.table.error =
                "line " + std::to_string(line) +
                " has a quote inside a field that is not quoted as a whole, or text after the "
                "closing quote of a field; a field that holds a quote must be quoted as a whole, "
                "with each quote inside doubled";
        } else {
            collector.table.error = std::string("line ") + std::to_string(line) + ": " +
                                    csv_strerror(csv_error(&parser));
        }
    }
    return std::move(collector.table);
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        if (!needsQuotes(fields[i])) {
            line += fields[i];
            continue;
        }
        line += '"';
        for (const char c : fields[i]) {
            line += c;
            if (c == '"') {
                line += '"';
            }
        }
        line += '"';
    }
    return line + "\r\n";
}

}  // namespace varnel::tool
