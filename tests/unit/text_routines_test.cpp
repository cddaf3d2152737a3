// The module links no C runtime; its own routines must behave as the C library's.
#include "module/text_routines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

namespace {

int Sign(int value) {
    return value < 0 ? -1 : value > 0;
}

const std::vector<std::string> SampleTexts = {
    "",
    "a",
    "\\",
    "Quorlenta",
    "CF_TEXT",
    "cf_text",
    "CF_TEXT ",
    "CF_TEX",
    "properties",
    "PROPERTIES",
    "Properties",
    "propertie",
    "properties\x7f",
    "\x80",
    "\xff",
    "a\xe9",
    "A\xc9",
    "\xc0\xe0",
    "[",
    "_",
    "@",
    "`",
    "{",
    "Z",
    "z",
};

} // namespace

TEST(TextRoutines, LengthMatchesStrlen) {
    for (const std::string& text : SampleTexts) {
        EXPECT_EQ(TextLength(text.c_str()), std::strlen(text.c_str()))
            << "length of \"" << text << "\"";
    }
}

TEST(TextRoutines, LengthStopsAtTheFirstZero) {
    const char text[] = "ab\0cd";
    EXPECT_EQ(TextLength(text), 2u) << "length of a text with a zero inside";
}

TEST(TextRoutines, CompareHasTheSignOfStrcmp) {
    for (const std::string& a : SampleTexts)
        for (const std::string& b : SampleTexts) {
            EXPECT_EQ(Sign(TextCompare(a.c_str(), b.c_str())),
                      Sign(std::strcmp(a.c_str(), b.c_str())))
                << "order of \"" << a << "\" and \"" << b << "\"";
        }
}

TEST(TextRoutines, CompareTreatsBytesAboveTheAsciiRangeAsUnsigned) {
    EXPECT_GT(TextCompare("\x80", "a"), 0) << "0x80 against 'a'";
    EXPECT_GT(TextCompare("\\\xad", "\\"), 0) << "a soft hyphen is a byte like any other";
}

TEST(TextRoutines, CaseInsensitiveCompareHasTheSignOfStrcasecmpInTheCLocale) {
    /* the C locale folds ASCII letters only, as the module's comparison must */
    for (const std::string& a : SampleTexts)
        for (const std::string& b : SampleTexts) {
            EXPECT_EQ(Sign(TextCompareAsciiNoCase(a.c_str(), b.c_str())),
                      Sign(strcasecmp(a.c_str(), b.c_str())))
                << "case-blind order of \"" << a << "\" and \"" << b << "\"";
        }
}

TEST(TextRoutines, CaseInsensitiveCompareFoldsNoLetterOutsideAscii) {
    EXPECT_NE(TextCompareAsciiNoCase("\xe9", "\xc9"), 0) << "0xE9 against 0xC9 (Latin-1 e acute)";
    EXPECT_NE(TextCompareAsciiNoCase("[", "{"), 0) << "'[' against '{', 0x20 apart";
    EXPECT_NE(TextCompareAsciiNoCase("@", "`"), 0) << "'@' against '`', 0x20 apart";
    EXPECT_EQ(TextCompareAsciiNoCase("pRoPeRtIeS", "PROPERTIES"), 0) << "mixed case";
}

namespace {

struct BoundedCopyCase {
    std::string source;
    std::size_t size;
};

} // namespace

TEST(TextRoutines, BoundedCopyWritesWhatStrncpyWritesAndNoMore) {
    const std::vector<BoundedCopyCase> cases = {
        {"Quorlenta", 0},
        {"Quorlenta", 1},
        {"Quorlenta", 4},
        {"Quorlenta", 9},
        {"Quorlenta", 10},
        {"Quorlenta", 32},
        {"", 0},
        {"", 5},
        {"\xff\x80", 2},
        {"\xff\x80", 3},
        {"\xff\x80", 8},
        {"a", 1},
        /* bytes after the terminator are never copied */
        {std::string("ab\0cd", 5), 5},
    };
    const std::size_t bufferSize = 40;
    for (const BoundedCopyCase& c : cases) {
        std::vector<char> mine(bufferSize, (char)0xCC);
        std::vector<char> library(bufferSize, (char)0xCC);
        char* returned = TextCopyBounded(mine.data(), c.source.c_str(), c.size);
        std::strncpy(library.data(), c.source.c_str(), c.size);
        EXPECT_EQ(returned, mine.data())
            << "returned pointer for \"" << c.source << "\", " << c.size;
        EXPECT_EQ(mine, library) << "buffer after copying \"" << c.source << "\" with size "
                                 << c.size;
    }
}

TEST(TextRoutines, BoundedCopyPadsTheRestWithZeros) {
    std::vector<char> buffer(16, (char)0xCC);
    TextCopyBounded(buffer.data(), "ab", 12);
    for (std::size_t i = 2; i < 12; ++i)
        EXPECT_EQ(buffer[i], 0) << "padding byte " << i;
    for (std::size_t i = 12; i < 16; ++i)
        EXPECT_EQ((unsigned char)buffer[i], 0xCC) << "byte " << i << " beyond the size";
}

TEST(TextRoutines, ClearMatchesMemset) {
    for (std::size_t size : {0u, 1u, 7u, 320u}) {
        std::vector<unsigned char> mine(400, 0xCC);
        std::vector<unsigned char> library(400, 0xCC);
        void* returned = MemoryClear(mine.data() + 3, size);
        std::memset(library.data() + 3, 0, size);
        EXPECT_EQ(returned, mine.data() + 3) << "returned pointer for size " << size;
        EXPECT_EQ(mine, library) << "buffer after clearing " << size << " bytes at offset 3";
    }
}
