// The listing against the real clipboard: names, sizes, order, record fields, the message
// boxes, and the clipboard held exactly from FsFindFirst to FsFindClose.
#include <gtest/gtest.h>

#include <string.h>

#include "tests/system/clipboard_fixture.h"

static const DWORD NoBoxWaitMs = 1500;

static void FillSentinel(WIN32_FIND_DATAA* record) {
    memset(record, 0xCC, sizeof(*record));
}

static bool AllZero(const void* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (((const unsigned char*)bytes)[i])
            return false;
    return true;
}

static std::string Text(const char* text) {
    return std::string(text, strlen(text) + 1);
}

static bool IsGdiHandleFormat(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
           format == CF_DSPBITMAP || format == CF_DSPENHMETAFILE;
}

class Listing : public testing::Test {
  protected:
    void TearDown() override {
        EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard still held after the test";
    }
};

TEST_F(Listing, NamesSizesAndOrderAreThePlatformsOwn) {
    UINT spaced = RegisterFormat("Tabrinox Test: blanks and a/b*c?");
    UINT plain = RegisterFormat("TabrinoxPlain");
    ASSERT_TRUE(PutFormats({{CF_TEXT, Text("listing text")},
                            {spaced, std::string("\x00\x01\x02\x03\x04", 5)},
                            {plain, std::string(1001, 'p')},
                            {CF_DIB, std::string(40 + 16, '\0')}}))
        << "the clipboard took the test formats";

    std::vector<PlatformEntry> expected = PlatformListing();
    std::vector<ListedEntry> listed = ListThroughModule();
    ASSERT_EQ(listed.size(), expected.size()) << "entries listed against formats enumerated";
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].name, expected[i].name) << "name of entry " << i;
        /* Wine's GlobalSize of a GDI handle reads whatever lies there: not comparable */
        if (!IsGdiHandleFormat(expected[i].format))
            EXPECT_EQ(listed[i].sizeLow, (DWORD)expected[i].size) << "size of " << listed[i].name;
        EXPECT_EQ(listed[i].sizeHigh, 0u) << "high size of " << listed[i].name;
    }
    bool sawSpaced = false;
    for (const ListedEntry& entry : listed)
        sawSpaced |= entry.name == "Tabrinox Test: blanks and a/b*c?";
    EXPECT_TRUE(sawSpaced) << "registered name with blanks and ':' '/' '*' '?' listed as is";
}

TEST_F(Listing, FirstRecordIsClearedAndMarked) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, Text("first")}}));
    std::vector<PlatformEntry> expected = PlatformListing();
    ASSERT_FALSE(expected.empty()) << "formats enumerated by the platform";
    WIN32_FIND_DATAA record;
    FillSentinel(&record);
    char root[] = "\\";
    HANDLE search = Plugin.findFirst(root, &record);
    ASSERT_EQ(search, (HANDLE)100) << "FsFindFirst's handle";
    EXPECT_TRUE(ClipboardHeldElsewhere()) << "clipboard held during the listing";
    EXPECT_EQ(record.dwFileAttributes, 0u) << "attributes of the first entry";
    EXPECT_TRUE(AllZero(&record.ftCreationTime, sizeof(FILETIME))) << "creation time";
    EXPECT_TRUE(AllZero(&record.ftLastAccessTime, sizeof(FILETIME))) << "access time";
    EXPECT_EQ(record.ftLastWriteTime.dwHighDateTime, 0xFFFFFFFFu) << "last-write high";
    EXPECT_EQ(record.ftLastWriteTime.dwLowDateTime, 0xFFFFFFFEu) << "last-write low";
    EXPECT_EQ(record.nFileSizeHigh, 0u) << "high size";
    EXPECT_EQ(record.dwReserved0, 0u) << "reserved 0";
    EXPECT_EQ(record.dwReserved1, 0u) << "reserved 1";
    EXPECT_TRUE(AllZero(record.cAlternateFileName, sizeof(record.cAlternateFileName)))
        << "alternate name";
    std::string name = record.cFileName;
    EXPECT_EQ(name, expected[0].name) << "first entry's name";
    EXPECT_TRUE(AllZero(record.cFileName + name.size(), MAX_PATH - name.size()))
        << "name field after the name";
    EXPECT_EQ(Plugin.findClose(search), 0) << "FsFindClose's result";
}

TEST_F(Listing, LaterRecordsKeepTheHostsFields) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, Text("one")}, {RegisterFormat("TabrinoxSecond"), "22"}}));
    WIN32_FIND_DATAA record;
    FillSentinel(&record);
    char root[] = "\\";
    HANDLE search = Plugin.findFirst(root, &record);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "FsFindFirst";

    /* the host's own values in every field the module must not write */
    WIN32_FIND_DATAA before;
    memset(&record, 0xA5, sizeof(record));
    before = record;
    ASSERT_TRUE(Plugin.findNext(search, &record)) << "second entry";
    EXPECT_EQ(record.dwFileAttributes, before.dwFileAttributes) << "attributes kept";
    EXPECT_EQ(memcmp(&record.ftCreationTime, &before.ftCreationTime, sizeof(FILETIME)), 0)
        << "creation time kept";
    EXPECT_EQ(memcmp(&record.ftLastAccessTime, &before.ftLastAccessTime, sizeof(FILETIME)), 0)
        << "access time kept";
    EXPECT_EQ(memcmp(&record.ftLastWriteTime, &before.ftLastWriteTime, sizeof(FILETIME)), 0)
        << "last-write time kept";
    EXPECT_EQ(record.dwReserved0, before.dwReserved0) << "reserved 0 kept";
    EXPECT_EQ(memcmp(record.cAlternateFileName, before.cAlternateFileName, 14), 0)
        << "alternate name kept";
    EXPECT_EQ(record.nFileSizeHigh, 0u) << "high size written";
    std::vector<PlatformEntry> expected = PlatformListing(false);
    Plugin.findClose(search);
    ASSERT_GE(expected.size(), 2u);
    EXPECT_STREQ(record.cFileName, expected[1].name.c_str()) << "second entry's name";
    EXPECT_EQ(record.nFileSizeLow, (DWORD)expected[1].size) << "second entry's size";
}

TEST_F(Listing, RestartsAfterTheEnd) {
    ASSERT_TRUE(PutFormats({{RegisterFormat("TabrinoxOnly"), "only"}}));
    WIN32_FIND_DATAA record;
    char root[] = "\\";
    HANDLE search = Plugin.findFirst(root, &record);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "FsFindFirst";
    std::string first = record.cFileName;
    while (Plugin.findNext(search, &record)) {
    }
    EXPECT_TRUE(Plugin.findNext(search, &record)) << "FsFindNext after the end";
    EXPECT_EQ(std::string(record.cFileName), first) << "the first entry again";
    Plugin.findClose(search);
}

TEST_F(Listing, OtherPathsAreRefusedSilently) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, Text("x")}}));
    BoxWatch watch;
    StartBoxWatch(&watch, NoBoxWaitMs);
    for (const char* path : {"", "\\\\", "\\CF_TEXT", "\\sub\\", "/", " \\", "\\ "}) {
        char buffer[32];
        strcpy(buffer, path);
        WIN32_FIND_DATAA record;
        FillSentinel(&record);
        WIN32_FIND_DATAA untouched = record;
        EXPECT_EQ(Plugin.findFirst(buffer, &record), INVALID_HANDLE_VALUE) << "path " << path;
        EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held after path " << path;
        EXPECT_EQ(memcmp(&record, &untouched, sizeof(record)), 0) << "record written, " << path;
    }
    FinishBoxWatch(&watch);
    EXPECT_FALSE(watch.seen) << "a message box for a path other than the root";
}

TEST_F(Listing, NullArgumentsAreRefused) {
    char root[] = "\\";
    WIN32_FIND_DATAA record;
    EXPECT_EQ(Plugin.findFirst(NULL, &record), INVALID_HANDLE_VALUE) << "null path";
    EXPECT_EQ(Plugin.findFirst(root, NULL), INVALID_HANDLE_VALUE) << "null record";
    EXPECT_FALSE(Plugin.findNext((HANDLE)100, NULL)) << "FsFindNext with a null record";
}

static void ExpectBox(const BoxWatch& watch, const char* text) {
    ASSERT_TRUE(watch.seen) << "message box \"" << text << "\" shown";
    EXPECT_STREQ(watch.contents.caption, "Tabrinox") << "caption";
    EXPECT_STREQ(watch.contents.text, text) << "text";
    EXPECT_EQ(watch.contents.buttonCount, 1) << "buttons";
    EXPECT_STREQ(watch.contents.firstButton, "OK") << "the button";
    EXPECT_EQ(watch.contents.iconCount, 0) << "icons";
}

TEST_F(Listing, EmptyClipboardShowsNoFormatsWhileHoldingIt) {
    ASSERT_TRUE(EmptyTheClipboard());
    WIN32_FIND_DATAA record;
    FillSentinel(&record);
    char root[] = "\\";
    BoxWatch watch;
    StartBoxWatch(&watch);
    EXPECT_EQ(Plugin.findFirst(root, &record), INVALID_HANDLE_VALUE) << "FsFindFirst";
    FinishBoxWatch(&watch);
    ExpectBox(watch, "No Clipboard Formats");
    EXPECT_TRUE(watch.clipboardHeldWhileUp) << "clipboard held while the box was up";
    EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard free after FsFindFirst";
    EXPECT_TRUE(AllZero(&record, sizeof(record))) << "the record is all zero";
}

TEST_F(Listing, HeldClipboardShowsCannotOpen) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, Text("held")}}));
    ClipboardHolder holder;
    HoldClipboardFromAnotherThread(&holder);
    ASSERT_TRUE(holder.openResult) << "the other thread holds the clipboard";
    WIN32_FIND_DATAA record;
    FillSentinel(&record);
    char root[] = "\\";
    BoxWatch watch;
    StartBoxWatch(&watch);
    HANDLE search = Plugin.findFirst(root, &record);
    FinishBoxWatch(&watch);
    ReleaseClipboardHolder(&holder);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "FsFindFirst";
    ExpectBox(watch, "Cannot Open Clipboard");
    EXPECT_TRUE(AllZero(&record, sizeof(record))) << "the record is all zero";
}

TEST_F(Listing, FormatRenderedOnRequestIsProducedDuringTheListing) {
    UINT format = RegisterFormat("TabrinoxRenderedOnRequest");
    DelayedRenderer renderer;
    StartDelayedRenderer(&renderer, format, std::string(777, 'r'));
    std::vector<ListedEntry> listed = ListThroughModule();
    LONG requests = renderer.renderRequests;
    StopDelayedRenderer(&renderer);
    ASSERT_EQ(listed.size(), 1u) << "entries listed";
    EXPECT_EQ(listed[0].name, "TabrinoxRenderedOnRequest") << "entry name";
    EXPECT_EQ(listed[0].sizeLow, 777u) << "size of the rendered block";
    EXPECT_EQ(requests, 1) << "render requests made by the listing";
}
