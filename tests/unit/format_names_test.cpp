// The table of predefined formats and its two lookups.
#include "clipboard_fs/format_names.h"
#include "tests/unit/module_fixture.h"

#include <string>
#include <vector>

namespace {

class FormatNamesTest : public ModuleTest {};

struct Row {
    UINT id;
    std::string name;
};

const std::vector<Row> ExpectedRows = {
    {1, "CF_TEXT"},
    {2, "CF_BITMAP"},
    {3, "CF_METAFILEPICT"},
    {4, "CF_SYLK"},
    {5, "CF_DIF"},
    {6, "CF_TIFF"},
    {7, "CF_OEMTEXT"},
    {8, "CF_DIB"},
    {9, "CF_PALETTE"},
    {10, "CF_PENDATA"},
    {11, "CF_RIFF"},
    {12, "CF_WAVE"},
    {13, "CF_UNICODETEXT"},
    {14, "CF_ENHMETAFILE"},
    {15, "CF_HDROP"},
    {16, "CF_LOCALE"},
    {17, "CF_DIBV5"},
    {0x80, "CF_OWNERDISPLAY"},
    {0x81, "CF_DSPTEXT"},
    {0x82, "CF_DSPBITMAP"},
    {0x83, "CF_DSPMETAFILEPICT"},
    {0x8E, "CF_DSPENHMETAFILE"},
};

} // namespace

TEST_F(FormatNamesTest, TableHoldsThePredefinedFormatsInOrderThenTheEndMarker) {
    for (std::size_t i = 0; i < ExpectedRows.size(); ++i) {
        EXPECT_EQ(StandardFormatNames[i].id, ExpectedRows[i].id) << "id of row " << i;
        ASSERT_NE(StandardFormatNames[i].name, nullptr) << "name of row " << i;
        EXPECT_EQ(std::string(StandardFormatNames[i].name), ExpectedRows[i].name)
            << "name of row " << i;
    }
    EXPECT_EQ(StandardFormatNames[ExpectedRows.size()].id, 0u) << "id of the row after the 22nd";
}

TEST_F(FormatNamesTest, FindByIdGivesTheRowOfEveryPredefinedId) {
    for (std::size_t i = 0; i < ExpectedRows.size(); ++i) {
        EXPECT_EQ(FindFormatById(ExpectedRows[i].id), &StandardFormatNames[i])
            << "row found for id " << ExpectedRows[i].id;
    }
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls made by FindFormatById";
}

TEST_F(FormatNamesTest, FindByIdGivesNoneForOtherIds) {
    for (UINT id : {0u, 18u, 0x7Fu, 0x84u, 0x8Du, 0x8Fu, 0x200u, 0x2FFu, 0xC000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(FindFormatById(id), nullptr) << "row found for id " << id;
    }
}

TEST_F(FormatNamesTest, FindByNameGivesTheRowOfEveryPredefinedName) {
    for (std::size_t i = 0; i < ExpectedRows.size(); ++i) {
        EXPECT_EQ(FindFormatByName(ExpectedRows[i].name.c_str()), &StandardFormatNames[i])
            << "row found for " << ExpectedRows[i].name;
    }
}

TEST_F(FormatNamesTest, FindByNameCountsCaseAndEveryByte) {
    for (const char* name : {"cf_text", "Cf_Text", "CF_TEXT ", " CF_TEXT", "CF_TEX", "CF_", "",
                             "\\CF_TEXT", "Rich Text Format"}) {
        EXPECT_EQ(FindFormatByName(name), nullptr) << "row found for \"" << name << "\"";
    }
}

TEST_F(FormatNamesTest, FindByNameComparesWithLstrcmpFromTheFirstRowUntilItMatches) {
    std::string wanted = "CF_DIB";
    FindFormatByName(wanted.c_str());
    std::vector<Standin::Call> compares = Standin::CallsNamed("lstrcmpA");
    ASSERT_EQ(compares.size(), 8u) << "lstrcmpA calls to find the 8th row";
    for (std::size_t i = 0; i < compares.size(); ++i) {
        EXPECT_EQ(compares[i].raw[0], (std::uintptr_t)StandardFormatNames[i].name)
            << "first text of lstrcmpA call " << i;
        EXPECT_EQ(compares[i].raw[1], (std::uintptr_t)wanted.c_str())
            << "second text of lstrcmpA call " << i;
    }
    EXPECT_EQ(Standin::Current.calls.size(), compares.size())
        << "platform calls other than lstrcmpA";
}

TEST_F(FormatNamesTest, FindByNameStopsBeforeTheEndMarker) {
    EXPECT_EQ(FindFormatByName("no such format"), nullptr) << "row found for an unknown name";
    std::vector<Standin::Call> compares = Standin::CallsNamed("lstrcmpA");
    ASSERT_EQ(compares.size(), 22u) << "lstrcmpA calls for a name that matches no row";
    EXPECT_EQ(compares.back().text, "lstrcmpA(\"CF_DSPENHMETAFILE\", \"no such format\")")
        << "last comparison";
}
