#include "data/code_page.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace varnel::data {
namespace {

using namespace std::string_literals;

TEST(CodePage, EveryByteRoundTripsThroughADistinctCharacter) {
    std::set<char32_t> seen;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t character = characterOfByte(static_cast<std::uint8_t>(byte));
        EXPECT_TRUE(seen.insert(character).second) << "byte " << byte;
        EXPECT_EQ(byteOfCharacter(character), byte) << "byte " << byte;
    }
}

TEST(CodePage, KnownMappings) {
    const std::pair<int, char32_t> mappings[] = {
        {0x00, U'\0'},
        {0x41, U'A'},
        {0x7F, 0x7F},
        {0x80, U'€'},
        {0x8A, U'Š'},
        {0x99, U'™'},
        {0x9F, U'Ÿ'},
        {0xA0, 0xA0},
        {0xE9, U'é'},
        {0xFF, U'ÿ'},
        // The bytes left undefined keep their own value, so they survive a rewrite.
        {0x81, 0x81},
        {0x8D, 0x8D},
        {0x8F, 0x8F},
        {0x90, 0x90},
        {0x9D, 0x9D},
    };
    for (const auto& [byte, character] : mappings) {
        EXPECT_EQ(characterOfByte(static_cast<std::uint8_t>(byte)), character) << "byte " << byte;
    }
    EXPECT_STREQ(kCodePageName, "Windows-1252");
}

TEST(CodePage, CharactersOutsideAreRefused) {
    // U+0080 is the C1 control that Windows-1252 puts the euro sign in place of.
    for (char32_t character : {char32_t{0x80}, char32_t{0x9F}, char32_t{0x100}, U'中',
                               char32_t{0x1F600}, char32_t{0x110000}}) {
        EXPECT_EQ(byteOfCharacter(character), std::nullopt)
            << std::hex << static_cast<std::uint32_t>(character);
    }
}

TEST(CodePage, TextConvertsBothWaysOrNotAtAll) {
    const std::string bytes = "Panzer \xC4\x80\x00\xFF"s;
    const std::u32string text = U"Panzer Ä€\0ÿ"s;
    EXPECT_EQ(decodeBytes(bytes), text);
    EXPECT_EQ(encodeText(text), bytes);
    EXPECT_EQ(encodeText(U""), std::string());

    EXPECT_EQ(encodeText(U"Tiger Ā"), std::nullopt);
    EXPECT_EQ(firstUnencodable(U"T-34 中ĀB"), U'中');
    EXPECT_EQ(firstUnencodable(U"Sherman Ÿ€"), std::nullopt);
}

}  // namespace
}  // namespace varnel::data
