#include "data/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>
#include <vector>

namespace varnel::data {
namespace {

template <typename T>
struct Case {
    std::string text;
    std::optional<T> expected;  // nullopt: the text is refused
};

template <typename T, typename Convert>
void checkAll(const std::vector<Case<T>>& cases, Convert convert) {
    for (const Case<T>& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        EXPECT_EQ(convert(c.text), c.expected);
    }
}

const std::vector<std::string> kMalformed = {
    "",  " ",  "\t",  "abc",   "1e3", "1E3", "0x10", "1,5", "7 7", "--1", "+-1",
    ".", "-.", "- 1", "1.2.3", "7a",  "a7",  "inf",  "nan", "\n7", "7\r", "٣",
};

TEST(NumberFromText, AcceptsPlainDecimalNotation) {
    checkAll<double>({{"7", 7.0},
                      {" 7 ", 7.0},
                      {"\t7\t", 7.0},
                      {"7.", 7.0},
                      {".5", 0.5},
                      {"-0.4", -0.4},
                      {"+12.25", 12.25},
                      {"0007", 7.0},
                      {"-0", 0.0}},
                     numberFromText);
}

TEST(NumberFromText, RefusesMalformedTexts) {
    for (const std::string& text : kMalformed) {
        SCOPED_TRACE("text \"" + text + "\"");
        EXPECT_EQ(numberFromText(text), std::nullopt);
    }
}

TEST(NumberFromText, HandlesExtremelyLongDigitStrings) {
    const std::string manyZeros(10000, '0');
    EXPECT_EQ(numberFromText(manyZeros + "7"), 7.0);
    EXPECT_EQ(numberFromText("7." + manyZeros), 7.0);
    // Beyond what a double holds: refused, not infinity.
    EXPECT_EQ(numberFromText(std::string(400, '9')), std::nullopt);
    EXPECT_EQ(numberFromText("-" + std::string(400, '9')), std::nullopt);
    EXPECT_EQ(byteFromText(std::string(10000, '9')), std::nullopt);
    EXPECT_EQ(wholeNumberFromText(std::string(10000, '9')), std::nullopt);
}

TEST(NumberFromText, PointIsTheDecimalMarkWhateverTheLocale) {
    const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"};
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : commaLocales) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const std::optional<double> point = numberFromText("1.5");
    const std::optional<double> comma = numberFromText("1,5");
    const std::optional<std::uint8_t> byte = byteFromText("2.5");
    std::setlocale(LC_ALL, before.c_str());
    EXPECT_EQ(point, 1.5);
    EXPECT_EQ(comma, std::nullopt);
    EXPECT_EQ(byte, 2);
}

TEST(ByteFromText, RoundsHalfToEvenWithinZeroTo255) {
    checkAll<std::uint8_t>({{"7", 7},
                            {" 7 ", 7},
                            {"0", 0},
                            {"255", 255},
                            {"2.5", 2},
                            {"3.5", 4},
                            {"0.5", 0},
                            {"1.5", 2},
                            {"2.4999", 2},
                            {"2.5001", 3},
                            {"254.5", 254},
                            {"255.4", 255},
                            {"255.5", std::nullopt},
                            {"256", std::nullopt},
                            {"-0.4", 0},
                            {"-0.5", 0},
                            {"-0.6", std::nullopt},
                            {"-1", std::nullopt},
                            {"1000000", std::nullopt}},
                           byteFromText);
}

TEST(CostFromText, DividesByTwelveAndRoundsDown) {
    checkAll<std::uint8_t>({{"300", 25},
                            {"299", 24},
                            {"11", 0},
                            {"0", 0},
                            {"12", 1},
                            {"11.999", 0},
                            {" 3060 ", 255},
                            {"3071", 255},
                            {std::to_string(kHighestCostText), 255},
                            {"3071.999", 255},
                            {"3072", std::nullopt},
                            {"-1", std::nullopt},
                            {"-0.001", std::nullopt},
                            {"-0", 0},
                            {"100000", std::nullopt}},
                           costFromText);
}

TEST(WholeNumberFromText, RefusesFractionsAndUnsafeMagnitudes) {
    checkAll<std::int64_t>({{"7.0", 7},
                            {" 7", 7},
                            {"7.", 7},
                            {"-1", -1},
                            {"+3", 3},
                            {"-0", 0},
                            {"2.5", std::nullopt},
                            {"0.1", std::nullopt},
                            {"-32769", -32769},
                            {"9007199254740991", 9007199254740991},
                            {"-9007199254740991", -9007199254740991},
                            {"9007199254740992", std::nullopt},
                            {"1" + std::string(30, '0'), std::nullopt}},
                           wholeNumberFromText);
}

TEST(Conversions, RefuseEveryMalformedText) {
    for (const std::string& text : kMalformed) {
        SCOPED_TRACE("text \"" + text + "\"");
        EXPECT_EQ(byteFromText(text), std::nullopt);
        EXPECT_EQ(costFromText(text), std::nullopt);
        EXPECT_EQ(wholeNumberFromText(text), std::nullopt);
    }
}

}  // namespace
}  // namespace varnel::data
