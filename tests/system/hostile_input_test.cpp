// Hostile input to the real module: names at and past every length limit, bytes above 0x7F,
// local names too long for the platform or naming devices, a thousand formats, and blocks of
// 0 bytes. Each ends with a documented result, no crash, and the clipboard free.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <set>

#include "tests/system/clipboard_fixture.h"
#include "tests/system/local_files.h"

static const int HostilePluginNumber = 1357;
static const DWORD NoBoxWaitMs = 1500;

// ---------------------------------------------------------------------------------------
// Names and bytes in messages

static std::string JoinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names)
        joined += (joined.empty() ? "" : ", ") + name;
    return joined.empty() ? "<none>" : joined;
}

static std::string Hex(const std::string& bytes) {
    std::string hex;
    char two[4];
    for (unsigned char c : bytes) {
        snprintf(two, sizeof(two), "%02X ", c);
        hex += two;
    }
    return hex;
}

// ---------------------------------------------------------------------------------------
// The progress callback, counted

static int ProgressCallCount;
static std::string ProgressSource;

static int WINAPI CountProgress(int pluginNumber, char* sourceName, char* targetName,
                                int percentDone) {
    (void)pluginNumber;
    (void)targetName;
    (void)percentDone;
    ++ProgressCallCount;
    ProgressSource = sourceName ? sourceName : "<null>";
    return 0;
}

// ---------------------------------------------------------------------------------------
// The fixture: a fresh folder of its own, the callback registered, the clipboard checked free

class Hostile : public testing::Test {
  protected:
    std::string folder;

    void SetUp() override {
        folder = MakeFreshFolder("tabrinox-hostile");
        ASSERT_TRUE(IsDirectory(folder)) << "test folder " << folder;
        ProgressCallCount = 0;
        ProgressSource.clear();
        ASSERT_EQ(Plugin.init(HostilePluginNumber, CountProgress, NULL, NULL), 0) << "FsInit";
    }

    void TearDown() override {
        Plugin.init(0, NULL, NULL, NULL);
        RemoveTree(folder);
        EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES)
            << "test folder " << folder << " left behind";
        EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard still held after the test";
    }

    std::string Local(const std::string& name) {
        return folder + "\\" + name;
    }

    // FsGetFile with buffers of the host's own, the clipboard checked free afterwards
    int CopyOut(const std::string& remote, const std::string& local, int flags) {
        std::vector<char> remoteBuffer(remote.begin(), remote.end());
        remoteBuffer.push_back('\0');
        std::vector<char> localBuffer(local.begin(), local.end());
        localBuffer.push_back('\0');
        int result = Plugin.getFile(remoteBuffer.data(), localBuffer.data(), flags, NULL);
        EXPECT_FALSE(ClipboardHeldElsewhere())
            << "clipboard held after copying a remote name of " << remote.size() << " bytes";
        return result;
    }
};

// ---------------------------------------------------------------------------------------
// Remote names at and past the length limits

// the longest name the platform registers: 255 characters
static std::string LongestFormatName() {
    std::string name = "TabrinoxLongest";
    name.resize(255, 'L');
    return name;
}

struct RemoteNameCase {
    const char* title;
    size_t length;    // bytes of the remote name, the leading backslash included
    const char* tail; // what follows the longest registered name, cut or padded to length
    int flags;
    bool oldFile; // an old file under the local name first
    int result;
};

static const RemoteNameCase RemoteNameCases[] = {
    {"longest registered name", 256, "", 0, false, CopyOk},
    {"259 bytes", 259, "", 0, false, CopyFailed},
    {"260 bytes", 260, "", 0, false, CopyFailed},
    {"261 bytes", 261, "", 0, false, CopyFailed},
    {"70000 bytes", 70000, "", 0, false, CopyFailed},
    {"70000 bytes, replace an old file", 70000, "", CopyFlagReplace, true, CopyFailed},
    {"70000 bytes, refused", 70000, "", CopyFlagRefused, false, CopyRefused},
    {"70000 bytes, old file", 70000, "", 0, true, CopyTargetExists},
    {"260 bytes above 0x7F", 260, "\xFF\xFE\x80\x81", 0, false, CopyFailed},
};

class RemoteNames : public Hostile, public testing::WithParamInterface<RemoteNameCase> {};

/* a name longer than 255 characters registers nothing: it can reach no format, not even the
   one whose name it starts with */
TEST_P(RemoteNames, LongNamesReachNoFormat) {
    const RemoteNameCase& c = GetParam();
    std::string longest = LongestFormatName();
    UINT format = RegisterFormat(longest.c_str());
    ASSERT_NE(format, 0u) << "a 255-character name registered";
    ASSERT_TRUE(PutFormats({{format, "longest name's data"}, {CF_TEXT, std::string("t", 2)}}))
        << "the clipboard took the test formats";

    std::string remote = "\\" + longest + c.tail;
    remote.resize(c.length, 'L');
    ASSERT_EQ(remote.size(), c.length) << "length of the remote name";
    std::string local = Local("target.bin");
    std::string oldBytes(100, 'o');
    if (c.oldFile)
        ASSERT_TRUE(WriteWholeFile(local, oldBytes)) << "old file written";

    EXPECT_EQ(CopyOut(remote, local, c.flags), c.result) << "FsGetFile";
    if (c.result == CopyOk)
        EXPECT_EQ(FileBytes(local), "longest name's data") << "the local file";
    else if (c.oldFile)
        EXPECT_EQ(FileBytes(local), oldBytes) << "the old file's bytes";
    else
        EXPECT_EQ(JoinNames(FolderNames(folder)), "<none>") << "files in the test folder";
    EXPECT_EQ(ProgressCallCount, c.result == CopyOk ? 1 : 0) << "progress reports";
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoteNames, testing::ValuesIn(RemoteNameCases),
                         [](const testing::TestParamInfo<RemoteNameCase>& info) {
                             std::string name;
                             for (const char* c = info.param.title; *c; ++c)
                                 name += isalnum((unsigned char)*c) ? *c : '_';
                             return name;
                         });

/* the platform reads "#" and digits as a number, not a name: "\#1" is format 1 */
TEST_F(Hostile, NumberSignNameIsThePlatformsFormatNumber) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, std::string("numbered", 9)}}))
        << "the clipboard took CF_TEXT";
    ASSERT_EQ(RegisterFormat("#1"), (UINT)CF_TEXT) << "the platform's id for the name #1";
    std::string local = Local("numbered.bin");
    EXPECT_EQ(CopyOut("\\#1", local, 0), CopyOk) << "FsGetFile of \\#1";
    EXPECT_EQ(FileBytes(local), std::string("numbered", 9)) << "CF_TEXT's bytes";
    EXPECT_EQ(CopyOut("\\#49152", Local("none.bin"), 0), CopyFailed)
        << "FsGetFile of a number the platform refuses";
    EXPECT_EQ(ProgressCallCount, 1) << "progress reports";
}

TEST_F(Hostile, LongListingPathsAreRefusedSilently) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, std::string("x", 2)}})) << "the clipboard took CF_TEXT";
    BoxWatch watch;
    StartBoxWatch(&watch, NoBoxWaitMs);
    for (size_t length : {259, 260, 261, 70000}) {
        std::vector<char> path(length + 1, 'p');
        path[0] = '\\';
        path[length] = '\0';
        WIN32_FIND_DATAA record;
        memset(&record, 0xCC, sizeof(record));
        WIN32_FIND_DATAA untouched = record;
        EXPECT_EQ(Plugin.findFirst(path.data(), &record), INVALID_HANDLE_VALUE)
            << "FsFindFirst, path of " << length << " bytes";
        EXPECT_EQ(memcmp(&record, &untouched, sizeof(record)), 0)
            << "record written, path of " << length << " bytes";
        EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held, path of " << length << " bytes";
    }
    FinishBoxWatch(&watch);
    EXPECT_FALSE(watch.seen) << "a message box for a long path";
}

// ---------------------------------------------------------------------------------------
// Bytes above 0x7F in names

/* 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no letter in code page 1252 */
static const char HighBytesName[] = "Tabrinox \xC4\xE9\xFC \x80\x81\x8D\x8F\x90\x9D \xA0\xFF";

TEST_F(Hostile, NameWithBytesAboveAsciiListsAndCopiesByteForByte) {
    UINT format = RegisterFormat(HighBytesName);
    ASSERT_NE(format, 0u) << "the name registered";
    std::string data("high\x00\xFFmark", 10);
    ASSERT_TRUE(PutFormats({{CF_TEXT, std::string("t", 2)}, {format, data}}))
        << "the clipboard took the test formats";

    std::vector<PlatformEntry> expected = PlatformListing();
    std::vector<ListedEntry> listed = ListThroughModule();
    ASSERT_EQ(listed.size(), expected.size()) << "entries listed against formats enumerated";
    size_t found = listed.size();
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(Hex(listed[i].name), Hex(expected[i].name)) << "name of entry " << i;
        if (listed[i].name == HighBytesName)
            found = i;
    }
    ASSERT_LT(found, listed.size()) << "an entry named exactly " << Hex(HighBytesName);
    EXPECT_EQ(listed[found].sizeLow, (DWORD)data.size()) << "size of the entry";

    /* copied under its listed name into a local name with such bytes too */
    std::string localName = "copy \xC4\xE9\xFC\x81\x9D\xFF.bin";
    std::string remote = "\\" + listed[found].name;
    EXPECT_EQ(CopyOut(remote, Local(localName), 0), CopyOk) << "FsGetFile";
    EXPECT_EQ(FileBytes(Local(localName)), data) << "the local file";
    EXPECT_EQ(Hex(JoinNames(FolderNames(folder))), Hex(localName)) << "files in the test folder";
    EXPECT_EQ(Hex(ProgressSource), Hex(remote)) << "remote name reported to the host";
}

/* The table lookup compares with lstrcmpA, which ignores a soft hyphen (0xAD): a format
   registered as "CF_TEXT" with a soft hyphen lists under its own name, and its entry copies the
   predefined CF_TEXT, as a format registered as "CF_TEXT" itself does. */
TEST_F(Hostile, SoftHyphenInARegisteredNameFindsTheTableRow) {
    const char* const names[] = {"CF_TE\xADXT", "CF_TEXT\xAD",
                                 "\xAD"
                                 "CF_TEXT"};
    for (const char* name : names) {
        UINT format = RegisterFormat(name);
        ASSERT_GE(format, 0xC000u) << "registered " << Hex(name);
        ASSERT_EQ(lstrcmpA("CF_TEXT", name), 0) << "lstrcmpA of CF_TEXT and " << Hex(name);

        ASSERT_TRUE(PutFormats({{format, "registered data"}, {CF_TEXT, std::string("pre", 4)}}))
            << "the clipboard took both formats";
        std::vector<ListedEntry> listed = ListThroughModule();
        const ListedEntry* entry = NULL;
        for (const ListedEntry& e : listed)
            if (e.name == name)
                entry = &e;
        ASSERT_NE(entry, nullptr) << Hex(name) << " listed under its own name";
        EXPECT_EQ(entry->sizeLow, 15u) << "size listed for " << Hex(name);
        std::string local = Local("soft.bin");
        EXPECT_EQ(CopyOut("\\" + std::string(name), local, CopyFlagReplace), CopyOk)
            << "FsGetFile of " << Hex(name);
        EXPECT_EQ(FileBytes(local), std::string("pre", 4)) << "copied for " << Hex(name);

        ASSERT_TRUE(PutFormats({{format, "registered data"}})) << "the clipboard took the format";
        DeleteFileA(local.c_str());
        EXPECT_EQ(CopyOut("\\" + std::string(name), local, 0), CopyFailed)
            << "FsGetFile of " << Hex(name) << " without CF_TEXT";
        EXPECT_EQ(FileBytes(local), "<no file>") << "file left for " << Hex(name);
    }
}

// ---------------------------------------------------------------------------------------
// Local names the platform cannot take

// A folder path of about the given length, made of short folders, each created.
static std::string DeepFolder(const std::string& base, size_t length) {
    std::string path = base;
    while (path.size() + 11 <= length) {
        path += "\\dddddddddd";
        CreateDirectoryA(path.c_str(), NULL);
    }
    return path;
}

struct LongLocalCase {
    size_t length; // bytes of the local name, without the terminator
    int flags;
    bool present; // the format is on the clipboard
    int result;
};

/* the platform takes names of up to MAX_PATH - 1 bytes; a longer one cannot be created, and
   its deletion fails with ERROR_FILENAME_EXCED_RANGE, which is no "file not found" */
static const LongLocalCase LongLocalCases[] = {
    {MAX_PATH - 1, 0, true, CopyOk},
    {MAX_PATH + 1, 0, true, CopyFailed},
    {MAX_PATH + 40, 0, true, CopyFailed},
    {MAX_PATH + 40, CopyFlagReplace, true, CopyTargetNotRemoved},
    {MAX_PATH + 40, CopyFlagReplace, false, CopyFailed},
    {70000, 0, true, CopyFailed},
    {70000, CopyFlagReplace, true, CopyTargetNotRemoved},
};

class LongLocalNames : public Hostile, public testing::WithParamInterface<LongLocalCase> {};

TEST_P(LongLocalNames, EndWithADocumentedResultAndNoStrayFile) {
    const LongLocalCase& c = GetParam();
    UINT format = RegisterFormat("TabrinoxLongLocal");
    if (c.present)
        ASSERT_TRUE(PutFormats({{format, "long local"}})) << "the clipboard took the format";
    else
        ASSERT_TRUE(PutFormats({{CF_TEXT, std::string("t", 2)}})) << "the clipboard took CF_TEXT";

    std::string deepest = DeepFolder(folder, MAX_PATH - 20);
    ASSERT_NE(GetFileAttributesA(deepest.c_str()), INVALID_FILE_ATTRIBUTES)
        << "deepest folder " << deepest.size() << " bytes";
    std::string local = deepest + "\\";
    local.resize(c.length, 'n');
    ASSERT_EQ(local.size(), c.length) << "length of the local name";

    EXPECT_EQ(CopyOut("\\TabrinoxLongLocal", local, c.flags), c.result) << "FsGetFile";
    std::vector<std::string> left = FolderNames(deepest);
    if (c.result == CopyOk) {
        EXPECT_EQ(FileBytes(local), "long local") << "the local file";
        EXPECT_EQ(left.size(), 1u) << "files in the deepest folder: " << JoinNames(left);
    } else {
        /* no file under a name cut to fit */
        EXPECT_EQ(JoinNames(left), "<none>") << "files in the deepest folder";
    }
    EXPECT_EQ(ProgressCallCount, c.result == CopyOk ? 1 : 0) << "progress reports";
}

INSTANTIATE_TEST_SUITE_P(Cases, LongLocalNames, testing::ValuesIn(LongLocalCases),
                         [](const testing::TestParamInfo<LongLocalCase>& info) {
                             const LongLocalCase& c = info.param;
                             return std::to_string(c.length) + "_bytes" +
                                    (c.flags & CopyFlagReplace ? "_replace" : "") +
                                    (c.present ? "" : "_no_data");
                         });

// ---------------------------------------------------------------------------------------
// Local names that name devices

struct DeviceCase {
    const char* name; // in the test folder when inFolder
    bool inFolder;
    int flags;
    int result;
};

/* The platform reports every device name as an existing file, so a copy without replace
   stops at "exists". With replace, deleting NUL, CON, AUX or COM1 fails with an error other than
   "file not found", so the copy stops there; PRN and LPT1 are "not found" to the deletion and
   cannot be created either, so the copy fails. Nothing is ever written to a device, and CON
   cannot block. */
static const DeviceCase DeviceCases[] = {
    {"NUL", false, 0, CopyTargetExists},
    {"NUL", false, CopyFlagReplace, CopyTargetNotRemoved},
    {"nul", false, CopyFlagReplace, CopyTargetNotRemoved},
    {"NUL", true, 0, CopyTargetExists},
    {"NUL", true, CopyFlagReplace, CopyTargetNotRemoved},
    {"NUL.txt", true, CopyFlagReplace, CopyTargetNotRemoved},
    {"CON", false, 0, CopyTargetExists},
    {"CON", false, CopyFlagReplace, CopyTargetNotRemoved},
    {"CON", true, CopyFlagReplace, CopyTargetNotRemoved},
    {"CONOUT$", false, CopyFlagReplace, CopyTargetNotRemoved},
    {"AUX", false, CopyFlagReplace, CopyTargetNotRemoved},
    {"PRN", false, 0, CopyTargetExists},
    {"PRN", false, CopyFlagReplace, CopyFailed},
    {"COM1", false, CopyFlagReplace, CopyTargetNotRemoved},
    {"LPT1", false, CopyFlagReplace, CopyFailed},
};

struct DeviceCopy {
    std::string remote;
    std::string local;
    int flags;
    int result;
};

static DWORD WINAPI RunDeviceCopy(LPVOID param) {
    DeviceCopy* copy = (DeviceCopy*)param;
    copy->result = Plugin.getFile(&copy->remote[0], &copy->local[0], copy->flags, NULL);
    return 0;
}

class DeviceNames : public Hostile, public testing::WithParamInterface<DeviceCase> {};

TEST_P(DeviceNames, NothingIsWrittenAndNothingBlocks) {
    const DeviceCase& c = GetParam();
    UINT format = RegisterFormat("TabrinoxDevice");
    ASSERT_TRUE(PutFormats({{format, "to a device"}})) << "the clipboard took the format";
    std::string local = c.inFolder ? Local(c.name) : c.name;

    /* on a thread of its own, so that a copy blocked on a device fails the test, not hangs it */
    DeviceCopy copy = {"\\TabrinoxDevice", local, c.flags, -1};
    HANDLE thread = CreateThread(NULL, 0, RunDeviceCopy, &copy, 0, NULL);
    ASSERT_NE(thread, (HANDLE)NULL) << "copy thread started";
    DWORD waited = WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    ASSERT_EQ(waited, (DWORD)WAIT_OBJECT_0) << "FsGetFile to " << local << " returned in 10 s";

    EXPECT_EQ(copy.result, c.result) << "FsGetFile to " << local;
    EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held after the copy to " << local;
    EXPECT_EQ(JoinNames(FolderNames(folder)), "<none>") << "files in the test folder";
    EXPECT_EQ(ProgressCallCount, c.result == CopyOk ? 1 : 0) << "progress reports";
}

INSTANTIATE_TEST_SUITE_P(Cases, DeviceNames, testing::ValuesIn(DeviceCases),
                         [](const testing::TestParamInfo<DeviceCase>& info) {
                             const DeviceCase& c = info.param;
                             std::string name = c.inFolder ? "folder_" : "";
                             for (const char* p = c.name; *p; ++p)
                                 name += isalnum((unsigned char)*p) ? *p : '_';
                             return name + (c.flags & CopyFlagReplace ? "_replace" : "");
                         });

// ---------------------------------------------------------------------------------------
// A thousand registered formats

static const int ManyFormats = 1000;

static std::string ManyName(int i) {
    char name[32];
    snprintf(name, sizeof(name), "TabrinoxMany %04d", i);
    return name;
}

// a different size and different bytes for every format
static std::string ManyData(int i) {
    std::string bytes((size_t)(i % 61) * 7 + 1 + i / 61, '\0');
    for (size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = (char)(i * 31 + k * 7);
    return bytes;
}

TEST_F(Hostile, ThousandFormatsListAndCopy) {
    std::vector<FormatData> formats;
    for (int i = 0; i < ManyFormats; ++i) {
        UINT format = RegisterFormat(ManyName(i).c_str());
        ASSERT_NE(format, 0u) << "registered " << ManyName(i);
        formats.push_back({format, ManyData(i)});
    }
    ASSERT_TRUE(PutFormats(formats)) << "the clipboard took 1000 formats";

    std::vector<PlatformEntry> expected = PlatformListing();
    DWORD start = GetTickCount();
    std::vector<ListedEntry> listed = ListThroughModule();
    printf("[   INFO   ] %u entries listed in %lu ms\n", (unsigned)listed.size(),
           GetTickCount() - start);
    ASSERT_EQ(expected.size(), (size_t)ManyFormats) << "formats the platform enumerates";
    ASSERT_EQ(listed.size(), expected.size()) << "entries listed against formats enumerated";
    std::set<std::string> names;
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].name, expected[i].name) << "name of entry " << i;
        EXPECT_EQ(listed[i].sizeLow, (DWORD)expected[i].size) << "size of " << listed[i].name;
        EXPECT_EQ(listed[i].sizeHigh, 0u) << "high size of " << listed[i].name;
        names.insert(listed[i].name);
    }
    for (int i = 0; i < ManyFormats; ++i)
        EXPECT_EQ(names.count(ManyName(i)), 1u) << ManyName(i) << " listed";

    for (int i : {0, 1, 499, 998, 999}) {
        std::string local = Local("many" + std::to_string(i));
        EXPECT_EQ(CopyOut("\\" + ManyName(i), local, 0), CopyOk) << "FsGetFile of " << ManyName(i);
        EXPECT_TRUE(FileBytes(local) == ManyData(i)) << "bytes of " << ManyName(i);
    }
    EXPECT_EQ(ProgressCallCount, 5) << "progress reports";
    EXPECT_TRUE(EmptyTheClipboard()) << "the thousand formats cleared";
}

// ---------------------------------------------------------------------------------------
// Formats of 0 bytes

static HANDLE SetOneHandle(UINT format, HANDLE data) {
    if (!OpenClipboard(NULL))
        return NULL;
    EmptyClipboard();
    HANDLE set = SetClipboardData(format, data);
    CloseClipboard();
    return set;
}

// what the platform reports for the format, read as the module reads it
static bool PlatformSize(UINT format, SIZE_T* size) {
    if (!OpenClipboard(NULL))
        return false;
    HANDLE data = GetClipboardData(format);
    *size = data ? GlobalSize(data) : 0;
    CloseClipboard();
    return data != NULL;
}

static const ListedEntry* FindListed(const std::vector<ListedEntry>& listed, const char* name) {
    for (const ListedEntry& entry : listed)
        if (entry.name == name)
            return &entry;
    return NULL;
}

/* the platform takes no memory block of 0 bytes: a movable one is refused, and a fixed one
   comes back as a block of 1 byte, which the module lists and copies as such */
TEST_F(Hostile, EmptyMemoryBlocksAreNotWhatThePlatformKeeps) {
    UINT format = RegisterFormat("TabrinoxEmptyBlock");
    HGLOBAL movable = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(movable, (HGLOBAL)NULL) << "a movable block of 0 bytes";
    EXPECT_EQ(SetOneHandle(format, movable), (HANDLE)NULL) << "SetClipboardData of it";
    GlobalFree(movable);

    HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 0);
    ASSERT_NE(fixed, (HGLOBAL)NULL) << "a fixed block of 0 bytes";
    ASSERT_NE(SetOneHandle(format, fixed), (HANDLE)NULL) << "SetClipboardData of it";
    SIZE_T size = 99;
    ASSERT_TRUE(PlatformSize(format, &size)) << "data of the fixed block";
    printf("[   INFO   ] a fixed block of 0 bytes comes back with GlobalSize %lu\n",
           (unsigned long)size);

    std::vector<ListedEntry> listed = ListThroughModule();
    const ListedEntry* entry = FindListed(listed, "TabrinoxEmptyBlock");
    ASSERT_NE(entry, nullptr) << "the format listed";
    EXPECT_EQ(entry->sizeLow, (DWORD)size) << "size listed against GlobalSize";
    std::string local = Local("fixed.bin");
    EXPECT_EQ(CopyOut("\\TabrinoxEmptyBlock", local, 0), CopyOk) << "FsGetFile";
    EXPECT_EQ(Hex(FileBytes(local)), Hex(BlockBytes(format))) << "the local file";
}

struct GdiCase {
    UINT format;
    const char* remote;
};

static HANDLE MakeGdiHandle(UINT format) {
    if (format == CF_BITMAP)
        return CreateBitmap(3, 2, 1, 32, NULL);
    HDC dc = CreateEnhMetaFileA(NULL, NULL, NULL, NULL);
    Rectangle(dc, 0, 0, 5, 5);
    return CloseEnhMetaFile(dc);
}

/* a GDI handle is no memory block: GlobalSize reports 0 for it, and the copy is a write of 0
   bytes that leaves an empty file */
TEST_F(Hostile, GdiHandleOfSizeZeroCopiesAsAnEmptyFile) {
    for (GdiCase c :
         {GdiCase{CF_BITMAP, "\\CF_BITMAP"}, GdiCase{CF_ENHMETAFILE, "\\CF_ENHMETAFILE"}}) {
        HANDLE handle = MakeGdiHandle(c.format);
        ASSERT_NE(handle, (HANDLE)NULL) << "GDI handle for " << c.remote;
        ASSERT_NE(SetOneHandle(c.format, handle), (HANDLE)NULL) << "SetClipboardData " << c.remote;
        SIZE_T size = 99;
        ASSERT_TRUE(PlatformSize(c.format, &size)) << "data of " << c.remote;
        ASSERT_EQ(size, 0u) << "GlobalSize of the handle of " << c.remote;

        std::vector<ListedEntry> listed = ListThroughModule();
        const ListedEntry* entry = FindListed(listed, c.remote + 1);
        ASSERT_NE(entry, nullptr) << c.remote << " listed";
        EXPECT_EQ(entry->sizeLow, 0u) << "size listed for " << c.remote;
        EXPECT_EQ(entry->sizeHigh, 0u) << "high size listed for " << c.remote;

        std::string local = Local(c.remote + 1);
        ASSERT_TRUE(WriteWholeFile(local, "old bytes")) << "an old file to replace";
        int before = ProgressCallCount;
        EXPECT_EQ(CopyOut(c.remote, local, CopyFlagReplace), CopyOk) << "FsGetFile " << c.remote;
        EXPECT_EQ(FileBytes(local), "") << "the local file of " << c.remote;
        EXPECT_EQ(ProgressCallCount - before, 1) << "progress reports for " << c.remote;
    }
}
