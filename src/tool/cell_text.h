#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The texts of names and cells as the tool shows and writes them: read as UTF-8 one character at
// a time, names turned from the code page into UTF-8, shown on a terminal with nothing in them
// that the terminal would obey, and written to CSV so that a spreadsheet takes them for text,
// never for a formula.
namespace varnel::tool {

// The character of UTF-8 text that begins at byte at, and moves at past it; nullopt, with at
// moved past one byte, when the bytes there are no well-formed UTF-8 (a stray byte, an overlong
// form, a surrogate, a value past U+10FFFF).
std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& at);
bool isUtf8(std::string_view bytes);

// UTF-8 text as the terminal may show it: control characters (C0, DEL and C1), characters that
// turn the text's direction or break its line, and bytes that are no UTF-8 are written as \x1B or
// \u202E, so that a name can neither move the cursor nor recolour or hide what follows it.
// Everything else, backslashes included, stands as it is.
std::string shownText(std::string_view utf8);
// A cell of a CSV for a message: shown as above, in double quotes, and cut short after
// kLongestQuoted bytes so that a message stays a line whatever the cell holds.
std::string quotedCell(std::string_view utf8);
inline constexpr std::size_t kLongestQuoted = 100;

// Appends a character as UTF-8.
void appendUtf8(std::string& text, char32_t character);

// Text of the name list (bytes in the code page) as UTF-8.
std::string utf8FromCodePage(std::string_view bytes);
void appendUtf8FromCodePage(std::string& text, std::string_view bytes);
// A name of the list (bytes in the code page) for messages: as UTF-8, in quotes, with control
// characters shown as \x1B (see shownText), cut short after kLongestQuoted characters.
std::string quotedName(std::string_view name);

// A text cell (a name, a class name or a nationality) as export writes it: with one apostrophe in
// front when it begins with what a spreadsheet takes for the start of a formula (=, +, -, @, a
// tab or a CR) or with an apostrophe, so that the spreadsheet keeps it as text.
std::string guardedCell(std::string_view text);
// Whether a text cell beginning with c gets the apostrophe.
bool isFormulaStart(char c);
// What import makes of a text cell: one leading apostrophe taken off, so that every text comes
// back from export as it was.
std::string_view unguardedCell(std::string_view cell);

}  // namespace varnel::tool
