// Copying formats out of the real module into local files: exact bytes, every result, the
// user's old file kept on failure, the progress report, and the clipboard left free.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/system/clipboard_fixture.h"
#include "tests/system/local_files.h"

static const int TestPluginNumber = 4711;
static void* const UnexaminedValue = (void*)0xDEADBEEF;

// ---------------------------------------------------------------------------------------
// Local files

static uint64_t Fnv1a(uint64_t hash, const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= (unsigned char)bytes[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}
static const uint64_t Fnv1aStart = 0xCBF29CE484222325ull;

// hashes the file in chunks; false when it cannot be opened
static bool HashFile(const std::string& path, uint64_t* hash, uint64_t* size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, 0);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string chunk(1 << 20, '\0');
    *hash = Fnv1aStart;
    *size = 0;
    DWORD got = 0;
    while (ReadFile(file, &chunk[0], (DWORD)chunk.size(), &got, NULL) && got) {
        *hash = Fnv1a(*hash, chunk.data(), got);
        *size += got;
    }
    CloseHandle(file);
    return true;
}

// bytes with zeros inside, a zero at both ends, and no run that repeats soon
static std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 0x9E3779B9u ^ (uint32_t)size;
    for (size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = (i % 7 == 3) ? '\0' : (char)(state >> 24);
    }
    if (size) {
        bytes[0] = '\0';
        bytes[size - 1] = '\0';
    }
    return bytes;
}

static std::string Text(const char* text) {
    return std::string(text, strlen(text) + 1);
}

// ---------------------------------------------------------------------------------------
// The progress callback as the host's

struct ProgressCall {
    int pluginNumber;
    char* sourceName;
    char* targetName;
    std::string sourceText;
    std::string targetText;
    int percentDone;
    bool clipboardHeld;
    bool targetOpenElsewhere;
    std::string targetBytes;
};

static std::vector<ProgressCall> ProgressCalls;
static int ProgressAnswer;

static int WINAPI RecordProgress(int pluginNumber, char* sourceName, char* targetName,
                                 int percentDone) {
    ProgressCall call;
    call.pluginNumber = pluginNumber;
    call.sourceName = sourceName;
    call.targetName = targetName;
    call.sourceText = sourceName ? sourceName : "<null>";
    call.targetText = targetName ? targetName : "<null>";
    call.percentDone = percentDone;
    call.clipboardHeld = ClipboardHeldElsewhere();
    /* opening without sharing fails while the module still has the file open */
    HANDLE file = targetName ? CreateFileA(targetName, GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                           OPEN_EXISTING, 0, 0)
                             : INVALID_HANDLE_VALUE;
    call.targetOpenElsewhere = file == INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    call.targetBytes = targetName ? FileBytes(targetName) : "<no file>";
    ProgressCalls.push_back(call);
    return ProgressAnswer;
}

// ---------------------------------------------------------------------------------------
// The fixture: a fresh local folder, the callback registered, the clipboard checked free

class Copy : public testing::Test {
  protected:
    std::string folder;

    void SetUp() override {
        folder = MakeFreshFolder("tabrinox-copy");
        ASSERT_TRUE(IsDirectory(folder)) << "test folder " << folder << " created";
        ProgressCalls.clear();
        ProgressAnswer = 0;
        ASSERT_EQ(Plugin.init(TestPluginNumber, RecordProgress, NULL, NULL), 0) << "FsInit";
    }

    void TearDown() override {
        Plugin.init(0, NULL, NULL, NULL);
        RemoveTree(folder);
        EXPECT_FALSE(Exists(folder)) << "test folder " << folder << " left behind";
        EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard still held after the test";
    }

    std::string Local(const char* name) {
        return folder + "\\" + name;
    }

    // FsGetFile as the host calls it, with the clipboard checked free afterwards
    int CopyOut(const char* remote, const std::string& local, int flags) {
        std::string remoteBuffer = remote;
        std::string localBuffer = local;
        int result = Plugin.getFile(&remoteBuffer[0], &localBuffer[0], flags, UnexaminedValue);
        EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held after copying " << remote;
        return result;
    }
};

// ---------------------------------------------------------------------------------------
// Exact bytes

class CopyBytes : public Copy, public testing::WithParamInterface<size_t> {};

TEST_P(CopyBytes, FileHoldsTheBlockExactly) {
    size_t size = GetParam();
    UINT format = RegisterFormat("TabrinoxCopyBytes");
    std::string bytes = PatternBytes(size);
    ASSERT_TRUE(PutFormats({{format, bytes}})) << "the clipboard took " << size << " bytes";
    std::string block = BlockBytes(format);
    ASSERT_EQ(block.size(), size) << "GlobalSize of the block put";

    std::string local = Local("bytes.bin");
    EXPECT_EQ(CopyOut("\\TabrinoxCopyBytes", local, 0), CopyOk) << "FsGetFile";
    std::string copied = FileBytes(local);
    EXPECT_EQ(copied.size(), size) << "size of the local file";
    EXPECT_TRUE(copied == block) << "the local file differs from the block";
    EXPECT_EQ(ProgressCalls.size(), 1u) << "progress reports";
}

INSTANTIATE_TEST_SUITE_P(OddSizes, CopyBytes,
                         testing::Values(1, 2, 3, 7, 4095, 4096, 4097, 65535, 65537,
                                         (1 << 20) + 3));

TEST_F(Copy, SixtyFourMebibytesArriveWhole) {
    const size_t size = 64u << 20;
    UINT format = RegisterFormat("TabrinoxCopyLarge");
    uint64_t expectedHash;
    {
        std::string bytes = PatternBytes(size);
        expectedHash = Fnv1a(Fnv1aStart, bytes.data(), bytes.size());
        ASSERT_TRUE(PutFormats({{format, bytes}})) << "the clipboard took 64 MiB";
    }
    std::string local = Local("large.bin");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int result = CopyOut("\\TabrinoxCopyLarge", local, 0);
    QueryPerformanceCounter(&end);
    double ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    printf("[   INFO   ] copy of the 64 MiB block: %.1f ms\n", ms);
    RecordProperty("copy_64MiB_ms", (int)ms);
    EXPECT_EQ(result, CopyOk) << "FsGetFile";

    uint64_t hash = 0, copiedSize = 0;
    ASSERT_TRUE(HashFile(local, &hash, &copiedSize)) << "local file readable";
    EXPECT_EQ(copiedSize, (uint64_t)size) << "size of the local file";
    EXPECT_EQ(hash, expectedHash) << "FNV-1a hash of the local file";
    EXPECT_TRUE(EmptyTheClipboard()) << "the large block cleared";
}

// ---------------------------------------------------------------------------------------
// Text formats: the block, terminator included, not the string

struct TextCase {
    UINT format;
    const char* remote;
    size_t terminatorBytes;
};

TEST_F(Copy, TextFormatsKeepTheirTerminator) {
    std::string text = Text("Tabrinox text");
    std::wstring wide = L"Tabrinox wide";
    std::string wideBytes((const char*)wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    ASSERT_TRUE(PutFormats({{CF_TEXT, text}, {CF_UNICODETEXT, wideBytes}}))
        << "the clipboard took the texts";

    const TextCase cases[] = {{CF_TEXT, "\\CF_TEXT", 1},
                              {CF_UNICODETEXT, "\\CF_UNICODETEXT", 2},
                              /* produced by the platform from the texts put */
                              {CF_OEMTEXT, "\\CF_OEMTEXT", 1}};
    for (const TextCase& c : cases) {
        std::string block = BlockBytes(c.format);
        ASSERT_GT(block.size(), c.terminatorBytes) << "GlobalSize of " << c.remote;
        std::string local = Local(c.remote + 1);
        EXPECT_EQ(CopyOut(c.remote, local, 0), CopyOk) << "FsGetFile of " << c.remote;
        std::string copied = FileBytes(local);
        EXPECT_EQ(copied.size(), block.size()) << "file size against GlobalSize, " << c.remote;
        EXPECT_TRUE(copied == block) << "file differs from the block of " << c.remote;
        EXPECT_EQ(copied.substr(copied.size() - c.terminatorBytes),
                  std::string(c.terminatorBytes, '\0'))
            << "terminator at the end of " << c.remote;
    }
    std::string ansi = FileBytes(Local("CF_TEXT"));
    EXPECT_EQ(ansi, text) << "CF_TEXT file";
    EXPECT_EQ(ProgressCalls.size(), 3u) << "progress reports";
}

// ---------------------------------------------------------------------------------------
// Entry names back to formats

class CopyNames : public Copy {
  protected:
    UINT registeredTextName = 0;

    // the predefined CF_TEXT and a format registered under the name "CF_TEXT"
    void PutBothTexts() {
        registeredTextName = RegisterFormat("CF_TEXT");
        ASSERT_GE(registeredTextName, 0xC000u) << "id of the format registered as CF_TEXT";
        ASSERT_TRUE(
            PutFormats({{CF_TEXT, Text("predefined")}, {registeredTextName, Text("registered")}}))
            << "the clipboard took both texts";
    }
};

TEST_F(CopyNames, TableNameCopiesThePredefinedFormatWhateverTheFirstByte) {
    PutBothTexts();
    int n = 0;
    for (const char* remote : {"\\CF_TEXT", "xCF_TEXT", "/CF_TEXT",
                               "\xE9"
                               "CF_TEXT"}) {
        std::string local = Local(("text" + std::to_string(++n)).c_str());
        EXPECT_EQ(CopyOut(remote, local, 0), CopyOk) << "FsGetFile of " << remote;
        EXPECT_EQ(FileBytes(local), Text("predefined")) << "bytes copied for " << remote;
    }
    EXPECT_EQ(ProgressCalls.size(), 4u) << "progress reports";
}

TEST_F(CopyNames, OtherLetterCaseIsARegisteredName) {
    /* registration ignores letter case, so "cf_text" is the format registered as CF_TEXT */
    PutBothTexts();
    std::string local = Local("lower");
    EXPECT_EQ(CopyOut("\\cf_text", local, 0), CopyOk) << "FsGetFile of \\cf_text";
    EXPECT_EQ(FileBytes(local), Text("registered")) << "bytes copied for \\cf_text";
}

TEST_F(CopyNames, OtherLetterCaseFindsNoPredefinedData) {
    ASSERT_TRUE(PutFormats({{CF_TEXT, Text("predefined only")}})) << "the clipboard took CF_TEXT";
    for (const char* remote : {"\\cf_text", "\\Cf_Text", "\\CF_TEXt"}) {
        std::string local = Local("lower");
        EXPECT_EQ(CopyOut(remote, local, 0), CopyFailed) << "FsGetFile of " << remote;
        EXPECT_FALSE(Exists(local)) << "file created for " << remote;
    }
    EXPECT_EQ(ProgressCalls.size(), 0u) << "progress reports";
}

TEST_F(CopyNames, TableNameWithoutThePredefinedFormatFails) {
    UINT registered = RegisterFormat("CF_TEXT");
    ASSERT_TRUE(PutFormats({{registered, Text("registered only")}}))
        << "the clipboard took the registered CF_TEXT";
    std::string local = Local("text");
    EXPECT_EQ(CopyOut("\\CF_TEXT", local, 0), CopyFailed) << "FsGetFile of \\CF_TEXT";
    EXPECT_FALSE(Exists(local)) << "file created";
    EXPECT_EQ(ProgressCalls.size(), 0u) << "progress reports";
}

// ---------------------------------------------------------------------------------------
// Results and what is left on the disk

enum Target {
    NothingThere,
    OldFile,
    ReadOnlyOldFile,
    OldFileOpenElsewhere,
    Directory,
    InMissingFolder
};
enum Afterwards { NewBytes, OldBytes, NoFile, DirectoryStays };

struct ResultCase {
    const char* title;
    const char* remote;
    int flags;
    Target target;
    int result;
    Afterwards afterwards;
};

static const char* const PresentFormat = "\\TabrinoxCopyPresent";
static const char* const AbsentFormat = "\\TabrinoxCopyNeverPut";

static const ResultCase ResultCases[] = {
    {"new file", PresentFormat, 0, NothingThere, CopyOk, NewBytes},
    {"replace, no old file", PresentFormat, CopyFlagReplace, NothingThere, CopyOk, NewBytes},
    {"replace a longer old file", PresentFormat, CopyFlagReplace, OldFile, CopyOk, NewBytes},
    {"replace, unexamined bits", PresentFormat, CopyFlagReplace | 4 | 8 | 0x10, OldFile, CopyOk,
     NewBytes},
    {"old file, no replace", PresentFormat, 0, OldFile, CopyTargetExists, OldBytes},
    {"old file, only unexamined bits", PresentFormat, 4 | 8 | 0x10, OldFile, CopyTargetExists,
     OldBytes},
    {"directory, no replace", PresentFormat, 0, Directory, CopyTargetExists, DirectoryStays},
    {"replace a directory", PresentFormat, CopyFlagReplace, Directory, CopyTargetNotRemoved,
     DirectoryStays},
    {"replace in a missing folder", PresentFormat, CopyFlagReplace, InMissingFolder,
     CopyTargetNotRemoved, NoFile},
    {"missing folder, no replace", PresentFormat, 0, InMissingFolder, CopyFailed, NoFile},
    {"replace a read-only old file", PresentFormat, CopyFlagReplace, ReadOnlyOldFile,
     CopyTargetNotRemoved, OldBytes},
    {"replace an old file open elsewhere", PresentFormat, CopyFlagReplace, OldFileOpenElsewhere,
     CopyTargetNotRemoved, OldBytes},
    {"no data", AbsentFormat, 0, NothingThere, CopyFailed, NoFile},
    {"replace an old file, no data", AbsentFormat, CopyFlagReplace, OldFile, CopyFailed, OldBytes},
    {"replace a directory, no data", AbsentFormat, CopyFlagReplace, Directory, CopyFailed,
     DirectoryStays},
    {"replace in a missing folder, no data", AbsentFormat, CopyFlagReplace, InMissingFolder,
     CopyFailed, NoFile},
    {"refused", PresentFormat, CopyFlagRefused, NothingThere, CopyRefused, NoFile},
    {"refused with replace", PresentFormat, CopyFlagRefused | CopyFlagReplace, OldFile, CopyRefused,
     OldBytes},
    {"refused, name \\", "\\", CopyFlagRefused, NothingThere, CopyRefused, NoFile},
    {"refused, empty name", "", CopyFlagRefused | CopyFlagReplace, OldFile, CopyRefused, OldBytes},
    {"name \\", "\\", 0, NothingThere, CopyNameRefused, NoFile},
    {"name \\a", "\\a", 0, NothingThere, CopyNameRefused, NoFile},
    {"name \\a with replace", "\\a", CopyFlagReplace, OldFile, CopyNameRefused, OldBytes},
    {"empty name", "", CopyFlagReplace, OldFile, CopyNameRefused, OldBytes},
};

static void PrintTo(const ResultCase& c, std::ostream* os) {
    *os << c.title << " (remote \"" << c.remote << "\", flags " << c.flags << ")";
}

class CopyResults : public Copy, public testing::WithParamInterface<ResultCase> {
  protected:
    HANDLE heldOpen = INVALID_HANDLE_VALUE;

    void TearDown() override {
        if (heldOpen != INVALID_HANDLE_VALUE)
            CloseHandle(heldOpen);
        Copy::TearDown();
    }

    std::string PrepareTarget(Target target, const std::string& oldBytes) {
        std::string local = Local("target.bin");
        switch (target) {
        case NothingThere:
            break;
        case OldFile:
            EXPECT_TRUE(WriteWholeFile(local, oldBytes)) << "old file written";
            break;
        case ReadOnlyOldFile:
            EXPECT_TRUE(WriteWholeFile(local, oldBytes)) << "old file written";
            EXPECT_TRUE(SetFileAttributesA(local.c_str(), FILE_ATTRIBUTE_READONLY))
                << "old file made read-only";
            break;
        case OldFileOpenElsewhere:
            EXPECT_TRUE(WriteWholeFile(local, oldBytes)) << "old file written";
            /* like an editor that has it open: others may read, none may delete */
            heldOpen = CreateFileA(local.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                   OPEN_EXISTING, 0, 0);
            EXPECT_NE(heldOpen, INVALID_HANDLE_VALUE) << "old file opened elsewhere";
            break;
        case Directory:
            EXPECT_TRUE(CreateDirectoryA(local.c_str(), NULL)) << "directory created";
            break;
        case InMissingFolder:
            local = Local("missing\\target.bin");
            break;
        }
        return local;
    }
};

TEST_P(CopyResults, ResultAndTheDiskAfterwards) {
    const ResultCase& c = GetParam();
    UINT present = RegisterFormat(PresentFormat + 1);
    std::string newBytes = PatternBytes(100);
    std::string oldBytes(1000, 'o');
    ASSERT_TRUE(PutFormats({{present, newBytes}})) << "the clipboard took the test format";
    std::string local = PrepareTarget(c.target, oldBytes);

    EXPECT_EQ(CopyOut(c.remote, local, c.flags), c.result) << "FsGetFile's result";
    if (heldOpen != INVALID_HANDLE_VALUE) {
        CloseHandle(heldOpen);
        heldOpen = INVALID_HANDLE_VALUE;
    }
    switch (c.afterwards) {
    case NewBytes:
        EXPECT_TRUE(FileBytes(local) == newBytes) << "the local file holds the block";
        break;
    case OldBytes:
        EXPECT_EQ(FileBytes(local), oldBytes) << "the old file's bytes";
        break;
    case NoFile:
        EXPECT_FALSE(Exists(local)) << "something under the local name";
        break;
    case DirectoryStays:
        EXPECT_TRUE(IsDirectory(local)) << "the directory under the local name";
        break;
    }
    size_t expectedCalls = c.result == CopyOk ? 1 : 0;
    EXPECT_EQ(ProgressCalls.size(), expectedCalls) << "progress reports";
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyResults, testing::ValuesIn(ResultCases),
                         [](const testing::TestParamInfo<ResultCase>& info) {
                             std::string name;
                             for (const char* c = info.param.title; *c; ++c)
                                 name += isalnum((unsigned char)*c) ? *c : '_';
                             return name;
                         });

TEST_F(Copy, NullNamesAreRefused) {
    UINT present = RegisterFormat(PresentFormat + 1);
    ASSERT_TRUE(PutFormats({{present, "data"}})) << "the clipboard took the test format";
    char remote[64];
    strcpy(remote, PresentFormat);
    char local[MAX_PATH];
    strcpy(local, Local("unused").c_str());
    EXPECT_EQ(Plugin.getFile(remote, NULL, 0, NULL), CopyFailed) << "null local name";
    EXPECT_EQ(Plugin.getFile(remote, NULL, CopyFlagReplace, NULL), CopyFailed)
        << "null local name with replace";
    EXPECT_EQ(Plugin.getFile(NULL, local, 0, NULL), CopyNameRefused) << "null remote name";
    EXPECT_EQ(Plugin.getFile(NULL, NULL, CopyFlagRefused, NULL), CopyRefused)
        << "null names, refused";
    EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held after the null names";
    EXPECT_EQ(ProgressCalls.size(), 0u) << "progress reports";
}

TEST_F(Copy, ClipboardHeldElsewhereGivesNoDataAndStaysHeld) {
    UINT present = RegisterFormat(PresentFormat + 1);
    ASSERT_TRUE(PutFormats({{present, "data"}})) << "the clipboard took the test format";
    ClipboardHolder holder;
    HoldClipboardFromAnotherThread(&holder);
    ASSERT_TRUE(holder.openResult) << "the other thread holds the clipboard";
    char remote[64];
    strcpy(remote, PresentFormat);
    std::string local = Local("held.bin");
    int result = Plugin.getFile(remote, &local[0], 0, NULL);
    bool stillHeld = ClipboardHeldElsewhere();
    ReleaseClipboardHolder(&holder);
    EXPECT_EQ(result, CopyFailed) << "FsGetFile while another thread holds the clipboard";
    EXPECT_FALSE(Exists(local)) << "file created";
    EXPECT_TRUE(stillHeld) << "the copy released the other thread's clipboard";
    EXPECT_EQ(ProgressCalls.size(), 0u) << "progress reports";
}

// ---------------------------------------------------------------------------------------
// The progress report

TEST_F(Copy, ProgressIsReportedOnceAfterEverythingIsClosed) {
    UINT present = RegisterFormat(PresentFormat + 1);
    std::string bytes = PatternBytes(5000);
    ASSERT_TRUE(PutFormats({{present, bytes}})) << "the clipboard took the test format";
    /* the module ignores the callback's answer: neither answer undoes the copy */
    for (int answer : {0, 1}) {
        ProgressCalls.clear();
        ProgressAnswer = answer;
        char remote[64];
        strcpy(remote, PresentFormat);
        char local[MAX_PATH];
        strcpy(local, Local(answer ? "answer1.bin" : "answer0.bin").c_str());
        EXPECT_EQ(Plugin.getFile(remote, local, 0, NULL), CopyOk) << "FsGetFile, answer " << answer;
        ASSERT_EQ(ProgressCalls.size(), 1u) << "progress reports, answer " << answer;
        const ProgressCall& call = ProgressCalls[0];
        EXPECT_EQ(call.pluginNumber, TestPluginNumber) << "plug-in number";
        EXPECT_EQ(call.sourceName, remote) << "source name pointer";
        EXPECT_EQ(call.targetName, local) << "target name pointer";
        EXPECT_EQ(call.sourceText, PresentFormat) << "source name";
        EXPECT_EQ(call.targetText, local) << "target name";
        EXPECT_EQ(call.percentDone, 100) << "percent done";
        EXPECT_FALSE(call.clipboardHeld) << "clipboard held during the progress report";
        EXPECT_FALSE(call.targetOpenElsewhere) << "local file still open at the progress report";
        EXPECT_TRUE(call.targetBytes == bytes) << "local file incomplete at the progress report";
        EXPECT_TRUE(FileBytes(local) == bytes) << "local file after answer " << answer;
    }
}

TEST_F(Copy, SecondInitReplacesNumberAndCallback) {
    UINT present = RegisterFormat(PresentFormat + 1);
    ASSERT_TRUE(PutFormats({{present, "data"}})) << "the clipboard took the test format";
    ASSERT_EQ(Plugin.init(TestPluginNumber + 1, RecordProgress, NULL, NULL), 0) << "FsInit";
    EXPECT_EQ(CopyOut(PresentFormat, Local("a.bin"), 0), CopyOk) << "FsGetFile";
    ASSERT_EQ(ProgressCalls.size(), 1u) << "progress reports";
    EXPECT_EQ(ProgressCalls[0].pluginNumber, TestPluginNumber + 1) << "plug-in number";
    Plugin.init(TestPluginNumber, NULL, NULL, NULL);
    EXPECT_EQ(CopyOut(PresentFormat, Local("b.bin"), 0), CopyOk) << "FsGetFile, no callback";
    EXPECT_EQ(ProgressCalls.size(), 1u) << "progress reports after the callback was taken away";
}

TEST_F(Copy, CopyBeforeAnyInitCallsNoCallback) {
    /* a second file of the module loads as a module of its own, with its state all zero */
    const char* modulePath = getenv("TABRINOX_MODULE");
    ASSERT_NE(modulePath, nullptr) << "TABRINOX_MODULE";
    char windowsPath[MAX_PATH * 2];
    WindowsPathOf(modulePath, windowsPath, sizeof(windowsPath));
    std::string fresh = Local("FreshTabrinox.wfx");
    ASSERT_TRUE(CopyFileA(windowsPath, fresh.c_str(), FALSE)) << "module file copied";
    PluginEntryPoints freshPlugin;
    ASSERT_TRUE(LoadPluginEntryPoints(fresh.c_str(), &freshPlugin)) << "fresh module loaded";
    ASSERT_NE(freshPlugin.module, Plugin.module) << "a module of its own";

    UINT present = RegisterFormat(PresentFormat + 1);
    ASSERT_TRUE(PutFormats({{present, "before init"}})) << "the clipboard took the test format";
    char remote[64];
    strcpy(remote, PresentFormat);
    std::string local = Local("before-init.bin");
    EXPECT_EQ(freshPlugin.getFile(remote, &local[0], 0, NULL), CopyOk) << "FsGetFile";
    EXPECT_EQ(FileBytes(local), "before init") << "local file";
    EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held after the copy";
    EXPECT_EQ(ProgressCalls.size(), 0u) << "the other module's callback was called";
    FreeLibrary(freshPlugin.module);
}

// ---------------------------------------------------------------------------------------
// A format whose data is a GDI handle, not a memory block

struct HandleReading {
    HANDLE handle;
    SIZE_T size;
    bool locks;
};

// what the platform reports for the format's handle, read as the module reads it
static HandleReading ReadHandle(UINT format) {
    HandleReading reading = {NULL, 0, false};
    if (!OpenClipboard(NULL))
        return reading;
    reading.handle = GetClipboardData(format);
    if (reading.handle) {
        reading.size = GlobalSize(reading.handle);
        reading.locks = GlobalLock(reading.handle) != NULL;
        if (reading.locks)
            GlobalUnlock(reading.handle);
    }
    CloseClipboard();
    return reading;
}

static std::string SmallDib() {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = 2;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::string dib((const char*)&header, sizeof(header));
    dib += std::string("\x10\x20\x30\x00\x40\x50\x60\x00\x70\x80\x90\x00\xA0\xB0\xC0\x00", 16);
    return dib;
}

// Under Wine, GlobalSize of a GDI handle reads whatever lies at the handle's address, so the
// test reads it as the module does, right before and after the copy, and requires it steady.
TEST_F(Copy, BitmapHandleCopiesWhatGlobalSizeReports) {
    ASSERT_TRUE(PutFormats({{CF_DIB, SmallDib()}})) << "the clipboard took a CF_DIB";
    HandleReading before = ReadHandle(CF_BITMAP);
    ASSERT_NE(before.handle, (HANDLE)NULL) << "CF_BITMAP produced from the CF_DIB";
    std::string local = Local("bitmap.bin");
    int result = CopyOut("\\CF_BITMAP", local, 0);
    HandleReading after = ReadHandle(CF_BITMAP);
    printf("[   INFO   ] CF_BITMAP handle %p: GlobalSize %lu before, %lu after; locks %d\n",
           before.handle, (unsigned long)before.size, (unsigned long)after.size, before.locks);
    ASSERT_EQ(after.handle, before.handle) << "the same bitmap handle throughout";
    ASSERT_EQ(after.size, before.size) << "GlobalSize of the handle steady";
    ASSERT_EQ(after.locks, before.locks) << "GlobalLock of the handle steady";
    if (before.size > 0 && !before.locks) {
        /* a size with nothing to read from: no file that looks like a copy */
        EXPECT_EQ(result, CopyFailed) << "FsGetFile, a size and no lock";
        EXPECT_FALSE(Exists(local)) << "file created";
        return;
    }
    EXPECT_EQ(result, CopyOk) << "FsGetFile";
    EXPECT_EQ(FileBytes(local).size(), before.size) << "file size against GlobalSize";
    EXPECT_EQ(ProgressCalls.size(), 1u) << "progress reports";
}

// ---------------------------------------------------------------------------------------
// A target on a 64 KiB file system, mounted by tests/system/with-small-fs.sh

static bool FreeBytes(const std::string& folder, ULONGLONG* available, ULONGLONG* total) {
    ULARGE_INTEGER free, all;
    if (!GetDiskFreeSpaceExA((folder + "\\").c_str(), &free, &all, NULL))
        return false;
    *available = free.QuadPart;
    *total = all.QuadPart;
    return true;
}

// writes a file until the file system refuses more; its size
static ULONGLONG FillUp(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    std::string chunk(4096, 'f');
    ULONGLONG size = 0;
    DWORD written = 0;
    /* a short count is the last write that fits */
    while (WriteFile(file, chunk.data(), (DWORD)chunk.size(), &written, NULL) && written) {
        size += written;
        if (written < chunk.size())
            break;
    }
    CloseHandle(file);
    return size;
}

class SmallFileSystem : public Copy {
  protected:
    std::string small;
    ULONGLONG availableAtStart = 0;

    void SetUp() override {
        Copy::SetUp();
        const char* mounted = getenv("TABRINOX_SMALL_FS");
        ASSERT_NE(mounted, nullptr)
            << "TABRINOX_SMALL_FS is unset: run these tests through "
               "tests/system/with-small-fs.sh, which mounts a 64 KiB tmpfs (as root)";
        small = mounted;
        ULONGLONG total = 0;
        ASSERT_TRUE(FreeBytes(small, &availableAtStart, &total))
            << "free space of " << small << " readable";
        ASSERT_LE(total, 64u * 1024) << "size of the file system at " << small;
        ASSERT_GT(availableAtStart, 0u) << "room on " << small << " at the start";
    }

    void TearDown() override {
        if (!small.empty()) {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA((small + "\\*").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    std::string name = found.cFileName;
                    if (name != "." && name != "..")
                        DeleteFileA((small + "\\" + name).c_str());
                } while (FindNextFileA(search, &found));
                FindClose(search);
            }
        }
        Copy::TearDown();
    }

    std::string OnSmall(const char* name) {
        return small + "\\" + name;
    }
};

TEST_F(SmallFileSystem, BlockThatFitsIsCopied) {
    UINT present = RegisterFormat(PresentFormat + 1);
    std::string bytes = PatternBytes(16 * 1024);
    ASSERT_TRUE(PutFormats({{present, bytes}})) << "the clipboard took 16 KiB";
    std::string local = OnSmall("fits.bin");
    EXPECT_EQ(CopyOut(PresentFormat, local, 0), CopyOk) << "FsGetFile";
    EXPECT_TRUE(FileBytes(local) == bytes) << "the local file holds the block";
    EXPECT_EQ(ProgressCalls.size(), 1u) << "progress reports";
}

TEST_F(SmallFileSystem, BlockLargerThanTheRoomLeavesNoFile) {
    UINT present = RegisterFormat(PresentFormat + 1);
    ASSERT_TRUE(PutFormats({{present, PatternBytes(200 * 1024)}})) << "the clipboard took 200 KiB";
    std::string local = OnSmall("too-large.bin");
    EXPECT_EQ(CopyOut(PresentFormat, local, 0), CopyFailed) << "FsGetFile";
    EXPECT_FALSE(Exists(local)) << "a partial file under the local name";
    EXPECT_EQ(ProgressCalls.size(), 0u) << "progress reports";
    ULONGLONG available = 0, total = 0;
    ASSERT_TRUE(FreeBytes(small, &available, &total)) << "free space readable";
    EXPECT_EQ(available, availableAtStart) << "room given back after the failed copy";
}

TEST_F(SmallFileSystem, FullFileSystemLeavesNoFile) {
    std::string filler = OnSmall("filler.bin");
    ULONGLONG filled = FillUp(filler);
    ULONGLONG available = 1, total = 0;
    ASSERT_TRUE(FreeBytes(small, &available, &total)) << "free space readable";
    ASSERT_EQ(available, 0u) << "room left after writing " << filled << " bytes of filler";

    UINT present = RegisterFormat(PresentFormat + 1);
    ASSERT_TRUE(PutFormats({{present, PatternBytes(1000)}})) << "the clipboard took 1000 bytes";
    std::string local = OnSmall("no-room.bin");
    EXPECT_EQ(CopyOut(PresentFormat, local, 0), CopyFailed) << "FsGetFile";
    EXPECT_FALSE(Exists(local)) << "a file under the local name";
    EXPECT_EQ(ProgressCalls.size(), 0u) << "progress reports";
    EXPECT_EQ(FileBytes(filler).size(), filled) << "the filler file's size";
}
