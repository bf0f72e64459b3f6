#include "csv_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

namespace varnel::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kNoMemory = "there was not enough memory to read it";
constexpr char kQuote = '"';

// The bytes that make a field need quotes wherever they stand.
constexpr std::array<bool, 256> kQuotedBytes = [] {
    std::array<bool, 256> bytes{};
    for (const unsigned char c : std::string_view(",;\"\r\n")) {
        bytes[c] = true;
    }
    return bytes;
}();

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool needsQuotes(std::string_view field) {
    if (field.empty()) {
        return false;
    }
    if (isBlank(field.front()) || isBlank(field.back())) {
        return true;
    }
    for (const char c : field) {
        if (kQuotedBytes[static_cast<unsigned char>(c)]) {
            return true;
        }
    }
    return false;
}

// Eight bytes at a time: a word with the high bit set in each byte of word that equals the byte
// whose copies fill pattern. Below the lowest byte found, no byte is marked wrongly.
constexpr std::uint64_t kOnes = 0x0101010101010101, kHighs = 0x8080808080808080;
std::uint64_t bytesEqual(std::uint64_t word, std::uint64_t pattern) {
    const std::uint64_t zeroWhereEqual = word ^ pattern;
    return (zeroWhereEqual - kOnes) & ~zeroWhereEqual & kHighs;
}

}  // namespace

struct CsvReader::State {
    enum class At {
        RowStart,       // no field of the row begun: a line end here ends no row
        FieldStart,     // after a separator
        Unquoted,       // inside a field without quotes
        Quoted,         // inside a quoted field
        QuoteInQuoted,  // after a quote inside a quoted field: the end, or the first of two
    };

    // Where a kept field of the row lies: in the piece of text being read, or, once it had to be
    // copied (its row goes on in the next piece, or a doubled quote is taken for one), in text.
    struct Place {
        const char* data;   // in the piece; null: in text from start on
        std::size_t start;  // in text
        std::size_t size;
    };

    CsvFieldHandler handler;
    std::size_t fieldLimit;

    // The separator is known once the first line shows a comma or ends; until then the text is
    // held back.
    std::optional<unsigned char> separator;
    bool firstLineHasSemicolon = false;
    std::string start;
    // What a field without quotes ends at: the separator, a quote (an error), a line end.
    std::array<bool, 256> stops{};
    std::array<std::uint64_t, 4> stopPatterns{};

    At at = At::RowStart;
    // The row being read. All keep their room from row to row.
    std::vector<Place> places;
    std::string text;
    std::size_t used = 0;  // of text
    std::vector<std::string_view> fields;
    std::size_t fieldCount = 0;     // fields begun in the row, kept or not
    bool keeping = false;           // the field being read is kept
    const char* quoteAt = nullptr;  // the last quote met in a quoted field
    std::size_t rows = 0;

    // Line ends passed so far, a CR LF counted once: for the line of an error.
    std::size_t lineEnds = 0;
    bool afterCr = false;

    std::string error;

    bool decideSeparator(std::string_view next);
    bool startParsing();
    bool parse(std::string_view piece);

    // The first byte from on that ends a field without quotes, or end.
    const char* endOfUnquoted(const char* from, const char* end) const {
        if constexpr (std::endian::native == std::endian::little) {
            for (; end - from >= 8; from += 8) {
                std::uint64_t word;
                std::memcpy(&word, from, sizeof word);
                const std::uint64_t found =
                    bytesEqual(word, stopPatterns[0]) | bytesEqual(word, stopPatterns[1]) |
                    bytesEqual(word, stopPatterns[2]) | bytesEqual(word, stopPatterns[3]);
                if (found != 0) {
                    return from + std::countr_zero(found) / 8;
                }
            }
        }
        while (from < end && !stops[static_cast<unsigned char>(*from)]) {
            ++from;
        }
        return from;
    }
    void beginField(const char* from) {
        keeping = fieldCount++ < fieldLimit;
        if (keeping) {
            places.push_back({from, used, 0});
        }
    }
    // Ends the field being read; to: where it ends in the piece.
    void endField(const char* to) {
        if (keeping) {
            Place& place = places.back();
            place.size = place.data != nullptr ? static_cast<std::size_t>(to - place.data)
                                               : used - place.start;
        }
    }
    void appendText(const char* from, std::size_t size) {
        if (text.size() - used < size) {
            text.resize(std::max(2 * text.size(), used + size));
        }
        std::memcpy(text.data() + used, from, size);
        used += size;
    }
    // Bytes of the field being read that lie in text already.
    void appendToField(const char* from, std::size_t size) {
        if (keeping && places.back().data == nullptr) {
            appendText(from, size);
        }
    }
    // Copies a place from the piece into text; to: where its bytes end.
    void moveToText(Place& place, const char* to) {
        const std::size_t size = static_cast<std::size_t>(to - place.data);
        place.start = used;
        appendText(place.data, size);
        place.data = nullptr;
        place.size = size;
    }
    void moveRowToText(const char* readingEnd);
    void endRow();
    void passLineEnd(char c) {
        lineEnds += c == '\r' || !afterCr ? 1 : 0;
        afterCr = c == '\r';
    }
    bool fail();
};

// Looks for the end of the first line, or a comma in it, in the next piece; true once the
// separator is known.
bool CsvReader::State::decideSeparator(std::string_view next) {
    for (const char c : next) {
        if (c == ',' || c == '\r' || c == '\n') {
            separator = c != ',' && firstLineHasSemicolon ? ';' : ',';
            return true;
        }
        firstLineHasSemicolon = firstLineHasSemicolon || c == ';';
    }
    return false;
}

// Parses the text held back while the separator was unknown.
bool CsvReader::State::startParsing() {
    std::size_t i = 0;
    for (const unsigned char stop :
         {*separator, static_cast<unsigned char>(kQuote), static_cast<unsigned char>('\r'),
          static_cast<unsigned char>('\n')}) {
        stops[stop] = true;
        stopPatterns[i++] = kOnes * stop;
    }
    const std::string held = std::move(start);
    start = {};
    std::string_view piece = held;
    if (piece.starts_with(kByteOrderMark)) {
        piece.remove_prefix(kByteOrderMark.size());
    }
    return parse(piece);
}

// Copies the fields of the row that lie in the piece into text, in order, so that the field
// being read is last there and can grow: when the piece is about to go, or a doubled quote is to
// be taken for one. readingEnd: where the bytes of the field being read end so far.
void CsvReader::State::moveRowToText(const char* readingEnd) {
    const bool reading = at == At::Unquoted || at == At::Quoted || at == At::QuoteInQuoted;
    const std::size_t complete = places.size() - (reading && keeping ? 1 : 0);
    for (std::size_t i = 0; i < places.size(); ++i) {
        Place& place = places[i];
        if (place.data != nullptr) {
            moveToText(place, i < complete ? place.data + place.size : readingEnd);
        }
    }
}

void CsvReader::State::endRow() {
    fields.clear();
    for (const Place& place : places) {
        fields.emplace_back(place.data != nullptr ? place.data : text.data() + place.start,
                            place.size);
    }
    ++rows;
    const std::size_t count = fieldCount;
    places.clear();
    used = 0;
    fieldCount = 0;
    at = At::RowStart;
    handler(fields, count);
}

// The reader stops at a quote that is not where a field's quotes may stand.
bool CsvReader::State::fail() {
    error = "line " + std::to_string(1 + lineEnds) +
            " has a quote inside a field that is not quoted as a whole, or text after the "
            "closing quote of a field; a field that holds a quote must be quoted as a whole, "
            "with each quote inside doubled";
    return false;
}

// Reads text as RFC 4180 has it, blanks kept: a field is quoted as a whole or not at all, a
// quote inside a quoted field is doubled, a line end inside quotes belongs to the field, and a
// line end where no field has begun ends no row.
bool CsvReader::State::parse(std::string_view piece) {
    const char* p = piece.data();
    const char* const end = p + piece.size();
    const char separatorChar = static_cast<char>(*separator);
    while (p < end) {
        switch (at) {
            case At::RowStart:
            case At::FieldStart: {
                const char c = *p;
                if (c == '\r' || c == '\n') {
                    passLineEnd(c);
                    if (at == At::FieldStart) {
                        beginField(p);
                        endField(p);
                        endRow();
                    }
                    ++p;
                    continue;
                }
                afterCr = false;
                if (c == separatorChar) {
                    beginField(p);
                    endField(p);
                    at = At::FieldStart;
                    ++p;
                } else if (c == kQuote) {
                    ++p;
                    beginField(p);
                    at = At::Quoted;
                } else {
                    beginField(p);
                    at = At::Unquoted;
                }
                continue;
            }
            case At::Unquoted: {
                // The fields of a row that need no quotes, one after the other.
                for (;;) {
                    const char* const stop = endOfUnquoted(p, end);
                    appendToField(p, static_cast<std::size_t>(stop - p));
                    p = stop;
                    if (p == end) {
                        break;
                    }
                    const char c = *p;
                    if (c == kQuote) {
                        return fail();
                    }
                    endField(p);
                    ++p;
                    if (c != separatorChar) {
                        passLineEnd(c);
                        endRow();
                        break;
                    }
                    if (p == end || stops[static_cast<unsigned char>(*p)]) {
                        at = At::FieldStart;
                        break;
                    }
                    beginField(p);
                }
                continue;
            }
            case At::Quoted: {
                const void* const found = std::memchr(p, kQuote, static_cast<std::size_t>(end - p));
                const char* const stop = found != nullptr ? static_cast<const char*>(found) : end;
                for (const char* c = p; c < stop; ++c) {
                    if (*c == '\r' || *c == '\n') {
                        passLineEnd(*c);
                    } else {
                        afterCr = false;
                    }
                }
                appendToField(p, static_cast<std::size_t>(stop - p));
                p = stop;
                if (p != end) {
                    quoteAt = p++;
                    at = At::QuoteInQuoted;
                    afterCr = false;
                }
                continue;
            }
            case At::QuoteInQuoted: {
                const char c = *p;
                if (c == kQuote) {
                    // Two quotes stand for one: the field is copied without the second.
                    if (keeping && places.back().data != nullptr) {
                        moveRowToText(p);
                    } else {
                        appendToField(p, 1);
                    }
                    ++p;
                    at = At::Quoted;
                } else if (c == separatorChar) {
                    endField(quoteAt);
                    ++p;
                    at = At::FieldStart;
                } else if (c == '\r' || c == '\n') {
                    endField(quoteAt);
                    passLineEnd(c);
                    ++p;
                    endRow();
                } else {
                    return fail();
                }
                continue;
            }
        }
    }
    // The piece is about to go: a field being read ends there so far, or before its last quote.
    if (at != At::RowStart) {
        moveRowToText(at == At::QuoteInQuoted ? quoteAt : end);
    }
    return true;
}

CsvReader::CsvReader(CsvFieldHandler handler, std::size_t fieldLimit)
    : state_(std::make_unique<State>()) {
    state_->handler = std::move(handler);
    state_->fieldLimit = fieldLimit;
}

CsvReader::CsvReader(CsvRowHandler handler, std::size_t fieldLimit)
    : CsvReader(
          [rowHandler = std::move(handler), row = CsvRow()](CsvFields fields,
                                                            std::size_t count) mutable {
              row.assign(fields.begin(), fields.end());
              rowHandler(row, count);
          },
          fieldLimit) {}

CsvReader::~CsvReader() = default;

bool CsvReader::read(std::string_view bytes) {
    State& state = *state_;
    if (!state.error.empty()) {
        return false;
    }
    try {
        if (state.separator) {
            return state.parse(bytes);
        }
        const bool known = state.decideSeparator(bytes);
        state.start += bytes;
        return !known || state.startParsing();
    } catch (const std::bad_alloc&) {
        state.error = kNoMemory;
        return false;
    }
}

bool CsvReader::finish() {
    State& state = *state_;
    if (!state.error.empty()) {
        return false;
    }
    try {
        if (!state.separator) {
            // The text is one line without a comma.
            state.separator = state.firstLineHasSemicolon ? ';' : ',';
            if (!state.startParsing()) {
                return false;
            }
        }
        switch (state.at) {
            case State::At::RowStart:
                break;
            case State::At::Quoted:
                state.error = "row " + std::to_string(state.rows + 1) +
                              " opens a quoted field that is never closed";
                return false;
            case State::At::FieldStart:
                state.beginField(nullptr);
                state.endField(nullptr);
                state.endRow();
                break;
            case State::At::Unquoted:
            case State::At::QuoteInQuoted:
                // The field lies in text since the last piece ended.
                state.endField(nullptr);
                state.endRow();
                break;
        }
    } catch (const std::bad_alloc&) {
        state.error = kNoMemory;
        return false;
    }
    return true;
}

const std::string& CsvReader::error() const {
    return state_->error;
}

void appendCsvField(std::string& line, std::string_view field) {
    if (!needsQuotes(field)) {
        line += field;
        return;
    }
    line += kQuote;
    for (std::size_t quote; (quote = field.find(kQuote)) != std::string_view::npos;) {
        line.append(field.substr(0, quote + 1)) += kQuote;
        field.remove_prefix(quote + 1);
    }
    line.append(field) += kQuote;
}

void quoteFieldFrom(std::string& line, std::size_t start) {
    if (!needsQuotes(std::string_view(line).substr(start))) {
        return;
    }
    const std::string field = line.substr(start);
    line.resize(start);
    appendCsvField(line, field);
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        appendCsvField(line, fields[i]);
    }
    return line + "\r\n";
}

}  // namespace varnel::tool
