#include "csv_table.h"

#include <csv.h>

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <utility>

namespace varnel::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// libcsv grows its field buffer by a fixed step. The step starts here and, between pieces of the
// text, grows to the buffer's size, so that a field of many megabytes is copied a few times as it
// grows, not once per step.
constexpr std::size_t kFieldBufferStep = 64 * 1024;

constexpr const char* kNoMemory = "there was not enough memory to read it";

// Blanks belong to the field: a name may begin or end with one.
int noBlanks(unsigned char) {
    return 0;
}

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",;\"\r\n") != std::string_view::npos ||
           (!field.empty() && (field.front() == ' ' || field.back() == ' ' ||
                               field.front() == '\t' || field.back() == '\t'));
}

}  // namespace

struct CsvReader::State {
    CsvRowHandler handler;
    std::size_t fieldLimit;
    csv_parser parser{};
    bool parserReady = false;

    // The separator is known once the first line shows a comma or ends; until then the text is
    // held back.
    std::optional<unsigned char> separator;
    bool firstLineHasSemicolon = false;
    std::string start;

    CsvRow row;
    std::size_t fieldCount = 0;
    std::size_t rows = 0;

    // Line ends in the text parsed so far; a CR is counted once the byte after it shows whether
    // it ends a line alone or begins a CR LF.
    std::size_t lineEnds = 0;
    bool afterCr = false;

    std::string error;
    bool outOfMemory = false;
    std::exception_ptr thrown;

    bool failed() const { return outOfMemory || thrown != nullptr; }
    void countLineEnds(std::string_view text);
    bool decideSeparator(std::string_view next);
    bool startParsing();
    bool parse(std::string_view text);
    bool stopped(std::size_t parsed, std::string_view text);
};

namespace {

// libcsv is C: nothing may be thrown through it.
void takeField(void* field, std::size_t size, void* data) {
    auto* state = static_cast<CsvReader::State*>(data);
    if (state->failed()) {
        return;
    }
    try {
        if (state->row.size() < state->fieldLimit) {
            state->row.emplace_back(static_cast<const char*>(field), size);
        }
        ++state->fieldCount;
    } catch (const std::bad_alloc&) {
        state->outOfMemory = true;
    }
}

void takeRowEnd(int, void* data) {
    auto* state = static_cast<CsvReader::State*>(data);
    if (!state->failed()) {
        ++state->rows;
        try {
            state->handler(state->row, state->fieldCount);
        } catch (const std::bad_alloc&) {
            state->outOfMemory = true;
        } catch (...) {
            state->thrown = std::current_exception();
        }
    }
    state->row.clear();
    state->fieldCount = 0;
}

}  // namespace

void CsvReader::State::countLineEnds(std::string_view text) {
    for (const char c : text) {
        if (afterCr && c != '\n') {
            ++lineEnds;  // a CR alone
        }
        if (c == '\n') {
            ++lineEnds;  // LF alone, or the end of CR LF
        }
        afterCr = c == '\r';
    }
}

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
    csv_set_delim(&parser, *separator);
    const std::string held = std::move(start);
    start = {};
    std::string_view text = held;
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return parse(text);
}

bool CsvReader::State::parse(std::string_view text) {
    const std::size_t parsed =
        csv_parse(&parser, text.data(), text.size(), takeField, takeRowEnd, this);
    if (thrown) {
        std::rethrow_exception(std::exchange(thrown, nullptr));
    }
    csv_set_blk_size(&parser, std::max(kFieldBufferStep, csv_get_buffer_size(&parser)));
    return !stopped(parsed, text);
}

// Sets the error when the parser stopped before the end of text, or ran out of memory.
bool CsvReader::State::stopped(std::size_t parsed, std::string_view text) {
    if (outOfMemory) {
        error = kNoMemory;
        return true;
    }
    countLineEnds(text.substr(0, parsed));
    if (parsed == text.size()) {
        return false;
    }
    const std::size_t line = 1 + lineEnds + (afterCr && text[parsed] != '\n' ? 1 : 0);
    if (csv_error(&parser) == CSV_EPARSE) {
        error = "line " + std::to_string(line) +
                " has a quote inside a field that is not quoted as a whole, or text after the "
                "closing quote of a field; a field that holds a quote must be quoted as a whole, "
                "with each quote inside doubled";
    } else if (csv_error(&parser) == CSV_ENOMEM) {
        error = kNoMemory;
    } else {
        error = "line " + std::to_string(line) + ": " + csv_strerror(csv_error(&parser));
    }
    return true;
}

CsvReader::CsvReader(CsvRowHandler handler, std::size_t fieldLimit)
    : state_(std::make_unique<State>()) {
    state_->handler = std::move(handler);
    state_->fieldLimit = fieldLimit;
    if (csv_init(&state_->parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        state_->error = kNoMemory;
        return;
    }
    state_->parserReady = true;
    csv_set_space_func(&state_->parser, noBlanks);
    csv_set_blk_size(&state_->parser, kFieldBufferStep);
}

CsvReader::~CsvReader() {
    if (state_->parserReady) {
        csv_free(&state_->parser);
    }
}

bool CsvReader::read(std::string_view bytes) {
    State& state = *state_;
    if (!state.error.empty()) {
        return false;
    }
    if (state.separator) {
        return state.parse(bytes);
    }
    const bool known = state.decideSeparator(bytes);
    try {
        state.start += bytes;
    } catch (const std::bad_alloc&) {
        state.error = kNoMemory;
        return false;
    }
    return !known || state.startParsing();
}

bool CsvReader::finish() {
    State& state = *state_;
    if (!state.error.empty()) {
        return false;
    }
    if (!state.separator) {
        // The text is one line without a comma.
        state.separator = state.firstLineHasSemicolon ? ';' : ',';
        if (!state.startParsing()) {
            return false;
        }
    }
    if (csv_fini(&state.parser, takeField, takeRowEnd, &state) == 0 && !state.failed()) {
        return true;
    }
    if (state.thrown) {
        std::rethrow_exception(std::exchange(state.thrown, nullptr));
    }
    if (state.outOfMemory || csv_error(&state.parser) == CSV_ENOMEM) {
        state.error = kNoMemory;
    } else if (csv_error(&state.parser) == CSV_EPARSE) {
        state.error =
            "row " + std::to_string(state.rows + 1) + " opens a quoted field that is never closed";
    } else {
        state.error = "line " + std::to_string(1 + state.lineEnds + (state.afterCr ? 1 : 0)) +
                      ": " + csv_strerror(csv_error(&state.parser));
    }
    return false;
}

const std::string& CsvReader::error() const {
    return state_->error;
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
