// The root directory: FsFindFirst, FsFindNext and FsFindClose over the stand-in clipboard.
#include "clipboard_fs/format_names.h"
#include "clipboard_fs/listing.h"
#include "module/host_contract.h"
#include "tests/unit/module_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using Standin::BytesOf;

const HANDLE Refused = INVALID_HANDLE_VALUE;
const UINT UnnamedFormat = 0xC0FF; // neither a table row nor a registered name
const UINT PaletteFormat = 9;

struct Entry {
    std::string name;
    DWORD sizeHigh;
    DWORD sizeLow;
};

bool operator==(const Entry& a, const Entry& b) {
    return a.name == b.name && a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow;
}

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << "{\"" << entry.name << "\", " << entry.sizeHigh << ", " << entry.sizeLow << "}";
}

class ListingTest : public ModuleTest {
  protected:
    char root[2] = "\\";

    HANDLE FindFirst(WIN32_FIND_DATAA& record) {
        return FsFindFirst(root, &record);
    }

    static Entry EntryOf(const WIN32_FIND_DATAA& record) {
        return Entry{record.cFileName, record.nFileSizeHigh, record.nFileSizeLow};
    }

    // a whole listing as the host runs it, with one record for every call
    std::vector<Entry> ListAll() {
        std::vector<Entry> entries;
        WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
        HANDLE search = FindFirst(record);
        if (search == Refused)
            return entries;
        EXPECT_EQ(search, ListingHandle) << "FsFindFirst handle";
        entries.push_back(EntryOf(record));
        while (FsFindNext(search, &record))
            entries.push_back(EntryOf(record));
        EXPECT_EQ(FsFindClose(search), 0) << "FsFindClose result";
        return entries;
    }
};

} // namespace

TEST_F(ListingTest, PathsOtherThanTheRootAreRefusedWithoutTouchingAnything) {
    Standin::AddFormat(CF_TEXT, BytesOf("hi"));
    PluginState.currentFormat = 42;
    for (const char* path : {"", "\\\\", "\\CF_TEXT", "/", "\\ ", " \\", "a", "\\\xad", "\\."}) {
        Standin::Current.calls.clear();
        WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
        EXPECT_EQ(FsFindFirst((char*)path, &record), Refused) << "FsFindFirst(\"" << path << "\")";
        EXPECT_TRUE(AllBytesAre(&record, sizeof(record), 0xCC))
            << "record changed for path \"" << path << "\"";
        EXPECT_TRUE(Standin::Current.calls.empty())
            << "platform calls for path \"" << path << "\", first: "
            << (Standin::Current.calls.empty() ? "" : Standin::Current.calls[0].text);
    }
    EXPECT_EQ(PluginState.currentFormat, 42u) << "cursor after refused paths";
    EXPECT_TRUE(Standin::Current.messageBoxes.empty()) << "message boxes shown";
}

TEST_F(ListingTest, NullPathOrRecordIsRefusedWithoutTouchingAnything) {
    Standin::AddFormat(CF_TEXT, BytesOf("hi"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    EXPECT_EQ(FsFindFirst(nullptr, &record), Refused) << "FsFindFirst with a null path";
    EXPECT_TRUE(AllBytesAre(&record, sizeof(record), 0xCC)) << "record changed for a null path";
    EXPECT_EQ(FsFindFirst(root, nullptr), Refused) << "FsFindFirst with a null record";
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls for null arguments";
    EXPECT_TRUE(Standin::Current.messageBoxes.empty()) << "message boxes shown";
}

namespace {

struct FindFirstPath {
    const char* title;
    std::function<void()> setUp;
    const char* path; // null for a null path
    bool listed;
};

} // namespace

TEST_F(ListingTest, EveryWayOutOfFindFirstLeavesTheClipboardEitherHeldForTheListingOrFree) {
    const std::vector<FindFirstPath> paths = {
        {"non-root path", [] { Standin::AddFormat(CF_TEXT, BytesOf("x")); }, "\\x", false},
        {"null path", [] { Standin::AddFormat(CF_TEXT, BytesOf("x")); }, nullptr, false},
        {"open fails", [] { Standin::Current.openFails = true; }, "\\", false},
        {"no formats", [] {}, "\\", false},
        {"one format", [] { Standin::AddFormat(CF_TEXT, BytesOf("x")); }, "\\", true},
        {"format without data", [] { Standin::AddFormatWithoutData(CF_BITMAP); }, "\\", true},
        {"unnamed format", [] { Standin::AddFormat(UnnamedFormat, BytesOf("x")); }, "\\", true},
    };
    for (const FindFirstPath& p : paths) {
        SetUp();
        p.setUp();
        WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
        HANDLE search = FsFindFirst((char*)p.path, &record);
        EXPECT_EQ(search, p.listed ? ListingHandle : Refused) << p.title << ": FsFindFirst result";
        EXPECT_EQ(Standin::Current.held, p.listed) << p.title << ": clipboard held afterwards";
        int opened = Standin::CountCalls("OpenClipboard") - (Standin::Current.openFails ? 1 : 0);
        int closed = Standin::CountCalls("CloseClipboard");
        EXPECT_EQ(opened - closed, p.listed ? 1 : 0) << p.title << ": opens less closes";
        EXPECT_LE(Standin::CountCalls("OpenClipboard"), 1) << p.title << ": OpenClipboard calls";
        if (p.listed) {
            EXPECT_EQ(FsFindClose(search), 0) << p.title << ": FsFindClose result";
            EXPECT_FALSE(Standin::Current.held) << p.title << ": clipboard held after FsFindClose";
            EXPECT_EQ(Standin::CountCalls("CloseClipboard"), 1)
                << p.title << ": CloseClipboard calls";
        }
    }
}

// the one box a failed FsFindFirst shows: no owner, OK alone, the module's caption
static void ExpectOneMessageBox(const char* text, bool clipboardHeld) {
    ASSERT_EQ(Standin::Current.messageBoxes.size(), 1u) << "message boxes shown";
    const Standin::MessageBoxShown& box = Standin::Current.messageBoxes[0];
    EXPECT_EQ(box.owner, nullptr) << "message box owner";
    EXPECT_EQ(box.text, text) << "message box text";
    EXPECT_EQ(box.caption, "Tabrinox") << "message box caption";
    EXPECT_EQ(box.style, (UINT)MB_OK) << "message box style";
    EXPECT_EQ(box.clipboardHeld, clipboardHeld) << "clipboard held while the message was up";
}

TEST_F(ListingTest, ClipboardThatCannotBeOpenedIsReportedInAnOkBoxWithoutOwner) {
    Standin::AddFormat(CF_TEXT, BytesOf("hi"));
    Standin::Current.openFails = true;
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    EXPECT_EQ(FindFirst(record), Refused) << "FsFindFirst result";
    EXPECT_TRUE(AllBytesAre(&record, sizeof(record), 0)) << "record not all zero";
    ExpectOneMessageBox("Cannot Open Clipboard", false);
    EXPECT_EQ(Standin::CallTexts(),
              (std::vector<std::string>{
                  "OpenClipboard(0x0)",
                  "MessageBoxA(0x0, \"Cannot Open Clipboard\", \"Tabrinox\", 0x0)"}))
        << "platform calls";
}

TEST_F(ListingTest, EmptyClipboardIsReportedWhileHeldThenReleased) {
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    EXPECT_EQ(FindFirst(record), Refused) << "FsFindFirst result";
    EXPECT_TRUE(AllBytesAre(&record, sizeof(record), 0)) << "record not all zero";
    ExpectOneMessageBox("No Clipboard Formats", true);
    EXPECT_FALSE(Standin::Current.held) << "clipboard held afterwards";
    EXPECT_EQ(
        Standin::CallTexts(),
        (std::vector<std::string>{"OpenClipboard(0x0)", "EnumClipboardFormats(0)",
                                  "MessageBoxA(0x0, \"No Clipboard Formats\", \"Tabrinox\", 0x0)",
                                  "CloseClipboard()"}))
        << "platform calls";
}

TEST_F(ListingTest, EntriesComeInEnumerationOrderWithTableNamesAndBlockSizes) {
    Standin::AddFormat(CF_UNICODETEXT, Standin::Bytes(12, 'u'));
    Standin::AddFormat(CF_LOCALE, Standin::Bytes(4, 'l'));
    Standin::AddFormat(CF_TEXT, Standin::Bytes(6, 't'));
    Standin::AddFormat(CF_OEMTEXT, Standin::Bytes(7, 'o'));
    EXPECT_EQ(ListAll(), (std::vector<Entry>{{"CF_UNICODETEXT", 0, 12},
                                             {"CF_LOCALE", 0, 4},
                                             {"CF_TEXT", 0, 6},
                                             {"CF_OEMTEXT", 0, 7}}))
        << "entries listed";
}

TEST_F(ListingTest, RegisteredFormatsListUnderTheirNamesExactlyAsThePlatformWritesThem) {
    const std::string longest(259, 'n');
    const std::string tooLong(300, 'm');
    Standin::AddRegisteredFormat("Rich Text Format", Standin::Bytes(3, 'r'));
    Standin::AddRegisteredFormat("  two  blanks  ", Standin::Bytes(1, 'b'));
    Standin::AddRegisteredFormat("a:b/c*d?e<f>g|h\"i\\j", Standin::Bytes(2, 'c'));
    Standin::AddRegisteredFormat("Caf\xe9 \x80\xff", Standin::Bytes(5, 'h'));
    Standin::AddRegisteredFormat(longest, Standin::Bytes(8, 'l'));
    Standin::AddRegisteredFormat(tooLong, Standin::Bytes(9, 'm'));
    EXPECT_EQ(ListAll(), (std::vector<Entry>{{"Rich Text Format", 0, 3},
                                             {"  two  blanks  ", 0, 1},
                                             {"a:b/c*d?e<f>g|h\"i\\j", 0, 2},
                                             {"Caf\xe9 \x80\xff", 0, 5},
                                             {longest, 0, 8},
                                             {std::string(259, 'm'), 0, 9}}))
        << "entries listed";
}

TEST_F(ListingTest, NameQueryTargetsTheRecordWithTheLimitOfMaxPath) {
    UINT id = Standin::AddRegisteredFormat("Rich Text Format", BytesOf("r")).id;
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    std::vector<Standin::Call> queries = Standin::CallsNamed("GetClipboardFormatNameA");
    ASSERT_EQ(queries.size(), 1u) << "name queries";
    EXPECT_EQ(queries[0].raw[0], id) << "format id queried";
    EXPECT_EQ(queries[0].raw[1], (std::uintptr_t)record.cFileName) << "query target";
    EXPECT_EQ(queries[0].raw[2], 260u) << "query capacity";
}

TEST_F(ListingTest, TableNamesAreCopiedWithLstrcpyIntoTheRecord) {
    Standin::AddFormat(CF_TEXT, BytesOf("t"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    std::vector<Standin::Call> copies = Standin::CallsNamed("lstrcpyA");
    ASSERT_EQ(copies.size(), 1u) << "lstrcpyA calls";
    EXPECT_EQ(copies[0].raw[0], (std::uintptr_t)record.cFileName) << "lstrcpyA target";
    EXPECT_EQ(copies[0].raw[1], (std::uintptr_t)StandardFormatNames[0].name) << "lstrcpyA source";
    EXPECT_EQ(Standin::CountCalls("GetClipboardFormatNameA"), 0) << "name queries for a table id";
}

TEST_F(ListingTest, FirstEntryHasClearedFieldsAndTheTimeMarker) {
    Standin::AddFormatWithoutData(CF_BITMAP);
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    EXPECT_STREQ(record.cFileName, "CF_BITMAP") << "entry name";
    EXPECT_EQ(record.dwFileAttributes, 0u) << "attributes";
    EXPECT_EQ(record.ftCreationTime.dwLowDateTime, 0u) << "creation time, low";
    EXPECT_EQ(record.ftCreationTime.dwHighDateTime, 0u) << "creation time, high";
    EXPECT_EQ(record.ftLastAccessTime.dwLowDateTime, 0u) << "access time, low";
    EXPECT_EQ(record.ftLastAccessTime.dwHighDateTime, 0u) << "access time, high";
    EXPECT_EQ(record.ftLastWriteTime.dwHighDateTime, 0xFFFFFFFFu) << "last-write time, high";
    EXPECT_EQ(record.ftLastWriteTime.dwLowDateTime, 0xFFFFFFFEu) << "last-write time, low";
    EXPECT_EQ(record.nFileSizeHigh, 0u) << "size, high, without a data handle";
    EXPECT_EQ(record.nFileSizeLow, 0u) << "size, low, without a data handle";
    EXPECT_EQ(record.dwReserved0, 0u) << "reserved 0";
    EXPECT_EQ(record.dwReserved1, 0u) << "reserved 1";
    EXPECT_TRUE(AllBytesAre(record.cFileName + 10, sizeof(record.cFileName) - 10, 0))
        << "name field after the name not all zero";
    EXPECT_TRUE(AllBytesAre(record.cAlternateFileName, sizeof(record.cAlternateFileName), 0))
        << "alternate name not all zero";
}

TEST_F(ListingTest, LaterEntryWritesOnlyNameAndSize) {
    Standin::AddFormat(CF_TEXT, Standin::Bytes(6, 't'));
    Standin::AddFormat(CF_UNICODETEXT, Standin::Bytes(12, 'u'));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";

    WIN32_FIND_DATAA later = RecordFilledWith(0xAB);
    WIN32_FIND_DATAA expected = later;
    ASSERT_EQ(FsFindNext(ListingHandle, &later), TRUE) << "FsFindNext result";
    std::strcpy(expected.cFileName, "CF_UNICODETEXT");
    expected.nFileSizeHigh = 0;
    expected.nFileSizeLow = 12;
    EXPECT_EQ(std::memcmp(&later, &expected, sizeof(later)), 0)
        << "record differs from the host's in more than name and size; name \"" << later.cFileName
        << "\", attributes " << std::hex << later.dwFileAttributes;
}

TEST_F(ListingTest, SameRecordAgainKeepsTheFirstEntrysAttributesAndTime) {
    Standin::AddFormat(CF_TEXT, Standin::Bytes(6, 't'));
    Standin::AddFormat(CF_UNICODETEXT, Standin::Bytes(12, 'u'));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    ASSERT_EQ(FsFindNext(ListingHandle, &record), TRUE) << "FsFindNext result";
    EXPECT_STREQ(record.cFileName, "CF_UNICODETEXT") << "second entry name";
    EXPECT_EQ(record.dwFileAttributes, 0u) << "attributes";
    EXPECT_EQ(record.ftLastWriteTime.dwHighDateTime, 0xFFFFFFFFu) << "last-write time, high";
    EXPECT_EQ(record.ftLastWriteTime.dwLowDateTime, 0xFFFFFFFEu) << "last-write time, low";
    EXPECT_EQ(record.ftCreationTime.dwLowDateTime, 0u) << "creation time, low";
}

TEST_F(ListingTest, LaterEntryWithoutDataKeepsTheSizeFieldsItWasGiven) {
    Standin::AddFormat(CF_TEXT, Standin::Bytes(6, 't'));
    Standin::AddFormatWithoutData(CF_BITMAP);
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    record.nFileSizeHigh = 0x12345678;
    record.nFileSizeLow = 0x9ABCDEF0;
    ASSERT_EQ(FsFindNext(ListingHandle, &record), TRUE) << "FsFindNext result";
    EXPECT_STREQ(record.cFileName, "CF_BITMAP") << "entry name";
    EXPECT_EQ(record.nFileSizeHigh, 0x12345678u) << "size, high";
    EXPECT_EQ(record.nFileSizeLow, 0x9ABCDEF0u) << "size, low";
}

TEST_F(ListingTest, HandleWhoseSizeQueryFailsListsWithSizeZero) {
    Standin::AddFormat(CF_BITMAP, Standin::Bytes(40, 'g')).sizeFails = true;
    Standin::AddFormat(PaletteFormat, Standin::Bytes(40, 'p')).sizeFails = true;
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    EXPECT_EQ(record.nFileSizeLow, 0u) << "first entry size, low";
    record.nFileSizeHigh = 0xCCCCCCCC;
    record.nFileSizeLow = 0xCCCCCCCC;
    ASSERT_EQ(FsFindNext(ListingHandle, &record), TRUE) << "FsFindNext result";
    EXPECT_EQ(record.nFileSizeHigh, 0u) << "later entry size, high";
    EXPECT_EQ(record.nFileSizeLow, 0u) << "later entry size, low";
}

TEST_F(ListingTest, FormatWithoutAnyNameListsUnderTheEmptyNameAsFirstEntry) {
    Standin::AddFormat(UnnamedFormat, BytesOf("secret"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    EXPECT_TRUE(AllBytesAre(record.cFileName, sizeof(record.cFileName), 0))
        << "name field of an unnamed first entry: \"" << record.cFileName << "\"";
    EXPECT_EQ(record.nFileSizeLow, 6u) << "size of the unnamed entry";
}

TEST_F(ListingTest, FormatWithoutAnyNameDoesNotInheritThePreviousEntrysName) {
    Standin::AddRegisteredFormat("Rich Text Format", BytesOf("{\\rtf1}"));
    Standin::AddFormat(UnnamedFormat, BytesOf("secret"));
    Standin::AddFormat(CF_TEXT, BytesOf("text"));
    Standin::AddFormat(UnnamedFormat + 1, BytesOf("other"));
    EXPECT_EQ(
        ListAll(),
        (std::vector<Entry>{{"Rich Text Format", 0, 7}, {"", 0, 6}, {"CF_TEXT", 0, 4}, {"", 0, 5}}))
        << "entries listed";
}

TEST_F(ListingTest, UnnamedLaterEntryClearsTheWholeNameField) {
    Standin::AddRegisteredFormat("Rich Text Format", BytesOf("r"));
    Standin::AddFormat(UnnamedFormat, BytesOf("secret"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    ASSERT_EQ(FsFindNext(ListingHandle, &record), TRUE) << "FsFindNext result";
    EXPECT_TRUE(AllBytesAre(record.cFileName, sizeof(record.cFileName), 0))
        << "name field of the unnamed later entry: \"" << record.cFileName << "\"";
}

TEST_F(ListingTest, CopyingTheUnnamedEntryNeverDeliversThePreviousFormat) {
    FsInit(1, FirstProgressCallback, nullptr, nullptr);
    Standin::AddFormat(CF_TEXT, BytesOf("text"));
    Standin::AddFormat(UnnamedFormat, BytesOf("secret"));
    std::vector<Entry> entries = ListAll();
    ASSERT_EQ(entries.size(), 2u) << "entries listed";
    std::string remote = "\\" + entries[1].name;
    char local[] = "C:\\unnamed.bin";
    EXPECT_EQ(FsGetFile(&remote[0], local, 0, nullptr), CopyNameRefused)
        << "copy of the unnamed entry \"" << remote << "\"";
    EXPECT_NE(Standin::FileBytes(local), BytesOf("text")) << "unnamed entry copied CF_TEXT";
    EXPECT_TRUE(ProgressReports.empty()) << "progress reported for the unnamed entry";
}

TEST_F(ListingTest, RegisteredFormatBearingATableNameListsBesideThePredefinedOne) {
    Standin::AddFormat(CF_TEXT, BytesOf("predefined"));
    Standin::AddRegisteredFormat("CF_TEXT", BytesOf("registered"));
    EXPECT_EQ(ListAll(), (std::vector<Entry>{{"CF_TEXT", 0, 10}, {"CF_TEXT", 0, 10}}))
        << "entries listed";
}

TEST_F(ListingTest, FullListingMakesThePlatformCallsInOrder) {
    Standin::AddFormat(CF_TEXT, BytesOf("abc"));
    UINT rich = Standin::AddRegisteredFormat("Rich Text Format", BytesOf("rtf")).id;
    Standin::AddFormatWithoutData(UnnamedFormat);
    ListAll();
    const std::string r = std::to_string(rich);
    const std::string u = std::to_string(UnnamedFormat);
    EXPECT_EQ(Standin::CallTexts(), (std::vector<std::string>{
                                        "OpenClipboard(0x0)",
                                        "EnumClipboardFormats(0)",
                                        "lstrcpyA(\"CF_TEXT\")",
                                        "GetClipboardData(1)",
                                        "GlobalSize(data#1)",
                                        "EnumClipboardFormats(1)",
                                        "GetClipboardFormatNameA(" + r + ", 260)",
                                        "GetClipboardData(" + r + ")",
                                        "GlobalSize(data#" + r + ")",
                                        "EnumClipboardFormats(" + r + ")",
                                        "GetClipboardFormatNameA(" + u + ", 260)",
                                        "GetClipboardData(" + u + ")",
                                        "EnumClipboardFormats(" + u + ")",
                                        "CloseClipboard()",
                                    }))
        << "platform calls of a listing";
    EXPECT_TRUE(Standin::Current.messageBoxes.empty()) << "message boxes shown";
}

TEST_F(ListingTest, FindFirstStartsTheEnumerationAfreshWhateverTheCursorHeld) {
    Standin::AddFormat(CF_TEXT, BytesOf("a"));
    Standin::AddFormat(CF_UNICODETEXT, BytesOf("bb"));
    PluginState.currentFormat = CF_TEXT;
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    EXPECT_STREQ(record.cFileName, "CF_TEXT") << "first entry";
    EXPECT_EQ(PluginState.currentFormat, (UINT)CF_TEXT) << "cursor after FsFindFirst";
}

TEST_F(ListingTest, AfterTheEndTheNextCallStartsOverWhileTheClipboardStaysHeld) {
    Standin::AddFormat(CF_TEXT, BytesOf("a"));
    Standin::AddFormat(CF_UNICODETEXT, BytesOf("bb"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    EXPECT_EQ(FsFindNext(ListingHandle, &record), TRUE) << "second FsFindNext";
    EXPECT_STREQ(record.cFileName, "CF_UNICODETEXT") << "second entry";
    EXPECT_EQ(FsFindNext(ListingHandle, &record), FALSE) << "FsFindNext at the end";
    EXPECT_EQ(PluginState.currentFormat, 0u) << "cursor at the end";
    EXPECT_STREQ(record.cFileName, "CF_UNICODETEXT") << "record after the end";
    EXPECT_TRUE(Standin::Current.held) << "clipboard held after the end";
    EXPECT_EQ(FsFindNext(ListingHandle, &record), TRUE) << "FsFindNext after the end";
    EXPECT_STREQ(record.cFileName, "CF_TEXT") << "entry after the end";
    EXPECT_EQ(record.nFileSizeLow, 1u) << "size of the entry after the end";
    EXPECT_EQ(FsFindClose(ListingHandle), 0) << "FsFindClose result";
    EXPECT_FALSE(Standin::Current.held) << "clipboard held after FsFindClose";
    EXPECT_EQ(PluginState.currentFormat, (UINT)CF_TEXT) << "cursor after FsFindClose";
}

TEST_F(ListingTest, FindNextWithANullRecordEndsWithoutTouchingTheCursor) {
    Standin::AddFormat(CF_TEXT, BytesOf("a"));
    Standin::AddFormat(CF_UNICODETEXT, BytesOf("bb"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    Standin::Current.calls.clear();
    EXPECT_EQ(FsFindNext(ListingHandle, nullptr), FALSE) << "FsFindNext with a null record";
    EXPECT_EQ(PluginState.currentFormat, (UINT)CF_TEXT) << "cursor after a null record";
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls for a null record";
    FsFindClose(ListingHandle);
}

TEST_F(ListingTest, HandlesPassedToFindNextAndFindCloseAreNotExamined) {
    Standin::AddFormat(CF_TEXT, BytesOf("a"));
    Standin::AddFormat(CF_UNICODETEXT, BytesOf("bb"));
    WIN32_FIND_DATAA record = RecordFilledWith(0xCC);
    ASSERT_EQ(FindFirst(record), ListingHandle) << "FsFindFirst result";
    EXPECT_EQ(FsFindNext(INVALID_HANDLE_VALUE, &record), TRUE) << "FsFindNext with handle -1";
    EXPECT_STREQ(record.cFileName, "CF_UNICODETEXT") << "entry for handle -1";
    EXPECT_EQ(FsFindClose(nullptr), 0) << "FsFindClose with a null handle";
    EXPECT_FALSE(Standin::Current.held) << "clipboard held after FsFindClose";
}
