#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The 8-bit code page of the game's files: unit names and the six character fields hold one byte
// per character. Every byte 0-255 stands for exactly one character and back, so any file read and
// written again keeps every byte, even one that no text editor would show.
namespace varnel::data {

char32_t characterOfByte(std::uint8_t byte);
// nullopt: the character is not in the code page.
std::optional<std::uint8_t> byteOfCharacter(char32_t character);

std::u32string decodeBytes(std::string_view bytes);
// nullopt if any character is not in the code page.
std::optional<std::string> encodeText(std::u32string_view text);
// The first character of text that the code page cannot hold, if any (for messages).
std::optional<char32_t> firstUnencodable(std::u32string_view text);

// Changes together with the table in code_page.cpp.
inline constexpr const char* kCodePageName = "Windows-1252";

}  // namespace varnel::data
