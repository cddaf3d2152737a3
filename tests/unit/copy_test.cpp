// FsGetFile and CopyFormatToFile: every outcome of a copy, what it leaves on the disk, and
// that it releases the clipboard, the lock and the file handle on every way out.
#include "clipboard_fs/copy.h"
#include "module/host_contract.h"
#include "tests/unit/module_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Standin::Bytes;
using Standin::BytesOf;

const int PluginNumber = 17;
const UINT TiffFormat = 6;
const UINT HdropFormat = 15;

const char Folder[] = "C:\\out";
const char TargetPath[] = "C:\\out\\target.bin";
const char DirectoryPath[] = "C:\\out\\folder";
const char MissingFolderPath[] = "C:\\gone\\target.bin";

const Bytes TextBlock = {'H', 'e', 'l', 'l', 'o', 0, 0, 'x', 0, 0xFF, 0x80, 0};
const Bytes RtfBlock = BytesOf("{\\rtf1 x}");
const Bytes RegisteredTextBlock = BytesOf("registered CF_TEXT");
const Bytes OldBytes = BytesOf("the user's old file");

enum class Target { Absent, OldFile, Directory, MissingFolder };

enum class Fault {
    None,
    OpenFails,
    RegisterFails,
    AttributesFail,
    CreateFails,
    WriteFails,
    WriteFailsAfterPart,
    ShortWrite,
    DeleteFileNotFound,
    DeleteAccessDenied,
    DeletePathNotFound,
};

enum class After { Absent, Old, Copied, Empty, Directory };

struct CopyCase {
    const char* title;
    int flags;
    const char* remote; // null for a null remote name
    Target target;
    Fault fault;
    int result;
    After after;
    Bytes copied; // the bytes expected under the local name with After::Copied
};

// the clipboard every case copies from
void PutSampleClipboard() {
    Standin::AddFormat(CF_TEXT, TextBlock);
    Standin::AddRegisteredFormat("Rich Text Format", RtfBlock);
    Standin::AddRegisteredFormat("a", BytesOf("one-character name"));
    /* a GDI handle: neither its size nor a lock can be had */
    Standin::ClipboardFormat& bitmap = Standin::AddFormat(CF_BITMAP, Bytes(40, 'g'));
    bitmap.sizeFails = true;
    bitmap.lockFails = true;
    Standin::AddFormat(CF_DIB, Bytes(100, 'd')).lockFails = true;
    Standin::AddFormat(TiffFormat, Bytes(30, 't')).sizeFails = true;
    Standin::AddFormatWithoutData(HdropFormat);
}

const char* LocalPathFor(Target target) {
    switch (target) {
    case Target::Directory:
        return DirectoryPath;
    case Target::MissingFolder:
        return MissingFolderPath;
    default:
        return TargetPath;
    }
}

void PutTarget(Target target) {
    Standin::AddDirectory(Folder);
    if (target == Target::OldFile)
        Standin::AddFile(TargetPath, OldBytes);
    if (target == Target::Directory)
        Standin::AddDirectory(DirectoryPath);
}

void InjectFault(Fault fault) {
    Standin::State& s = Standin::Current;
    switch (fault) {
    case Fault::None:
        break;
    case Fault::OpenFails:
        s.openFails = true;
        break;
    case Fault::RegisterFails:
        s.registerFails = true;
        break;
    case Fault::AttributesFail:
        s.attributesFailError = ERROR_ACCESS_DENIED;
        break;
    case Fault::CreateFails:
        s.createFailError = ERROR_ACCESS_DENIED;
        break;
    case Fault::WriteFails:
        s.writeFails = true;
        s.writeFailAfter = 0;
        break;
    case Fault::WriteFailsAfterPart:
        s.writeFails = true;
        s.writeFailAfter = 5;
        break;
    case Fault::ShortWrite:
        s.shortWrite = true;
        s.shortWriteCount = 7;
        break;
    case Fault::DeleteFileNotFound:
        s.deleteFailError = ERROR_FILE_NOT_FOUND;
        break;
    case Fault::DeleteAccessDenied:
        s.deleteFailError = ERROR_ACCESS_DENIED;
        break;
    case Fault::DeletePathNotFound:
        s.deleteFailError = ERROR_PATH_NOT_FOUND;
        break;
    }
}

std::string Describe(After after) {
    const char* names[] = {"absent", "old file", "copied block", "empty file", "directory"};
    return names[(int)after];
}

void ExpectLocalState(const std::string& title, const char* local, After after,
                      const Bytes& copied) {
    switch (after) {
    case After::Absent:
        EXPECT_FALSE(Standin::Exists(local)) << title << ": something exists under " << local;
        break;
    case After::Directory:
        EXPECT_TRUE(Standin::IsDirectory(local)) << title << ": directory gone from " << local;
        break;
    case After::Old:
    case After::Copied:
    case After::Empty: {
        const Bytes expected = after == After::Old      ? OldBytes
                               : after == After::Copied ? copied
                                                        : Bytes();
        ASSERT_TRUE(Standin::Exists(local)) << title << ": no file under " << local;
        EXPECT_FALSE(Standin::IsDirectory(local)) << title << ": a directory under " << local;
        EXPECT_EQ(Standin::FileBytes(local), expected)
            << title << ": bytes under " << local << " are not the " << Describe(after);
        break;
    }
    }
}

class CopyTest : public ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        FsInit(PluginNumber, FirstProgressCallback, nullptr, nullptr);
        PutSampleClipboard();
    }

    // checks that hold for every copy, whatever its outcome
    void ExpectReleased(const std::string& title, bool clipboardUsed) {
        EXPECT_FALSE(Standin::Current.held) << title << ": clipboard held afterwards";
        EXPECT_EQ(Standin::CountCalls("OpenClipboard"), clipboardUsed ? 1 : 0)
            << title << ": OpenClipboard calls";
        EXPECT_EQ(Standin::CountCalls("CloseClipboard"), clipboardUsed ? 1 : 0)
            << title << ": CloseClipboard calls";
        EXPECT_EQ(Standin::LocksHeld(), 0) << title << ": data blocks still locked";
        EXPECT_EQ(Standin::OpenFileCount(), 0u) << title << ": local files still open";
        EXPECT_LE(Standin::CountCalls("WriteFile"), 1) << title << ": WriteFile calls";
        EXPECT_TRUE(Standin::Current.messageBoxes.empty()) << title << ": message boxes shown";
    }

    void ExpectReportedOnce(const std::string& title, char* remote, char* local) {
        ASSERT_EQ(ProgressReports.size(), 1u) << title << ": progress reports";
        const ProgressReport& report = ProgressReports[0];
        EXPECT_EQ(report.callback, 1) << title << ": callback called";
        EXPECT_EQ(report.pluginNumber, PluginNumber) << title << ": plug-in number reported";
        EXPECT_EQ(report.sourceName, remote) << title << ": source name pointer";
        EXPECT_EQ(report.targetName, local) << title << ": target name pointer";
        EXPECT_EQ(report.sourceText, std::string(remote)) << title << ": source name";
        EXPECT_EQ(report.targetText, std::string(local)) << title << ": target name";
        EXPECT_EQ(report.percentDone, 100) << title << ": progress value";
        EXPECT_FALSE(report.clipboardHeld) << title << ": clipboard held during the callback";
        EXPECT_EQ(report.openFiles, 0u) << title << ": files open during the callback";
        EXPECT_EQ(report.locksHeld, 0) << title << ": blocks locked during the callback";
        EXPECT_EQ(Standin::Current.calls.back().name, "ProgressCallback")
            << title << ": platform call after the callback";
    }
};

const std::vector<CopyCase> CopyCases = {
    // the main paths
    {"plain copy", 0, "\\CF_TEXT", Target::Absent, Fault::None, CopyOk, After::Copied, TextBlock},
    {"registered name", 0, "\\Rich Text Format", Target::Absent, Fault::None, CopyOk, After::Copied,
     RtfBlock},
    {"registered name in other case", 0, "\\rich text format", Target::Absent, Fault::None, CopyOk,
     After::Copied, RtfBlock},
    {"first byte other than a backslash", 0, "xCF_TEXT", Target::Absent, Fault::None, CopyOk,
     After::Copied, TextBlock},
    {"first byte a slash", 0, "/CF_TEXT", Target::Absent, Fault::None, CopyOk, After::Copied,
     TextBlock},
    {"flag bits other than the two are ignored", 0x4 | 0x8 | 0x100, "\\CF_TEXT", Target::Absent,
     Fault::None, CopyOk, After::Copied, TextBlock},
    {"attributes unreadable, nothing there", 0, "\\CF_TEXT", Target::Absent, Fault::AttributesFail,
     CopyOk, After::Copied, TextBlock},
    {"attributes unreadable, old file: the create decides", 0, "\\CF_TEXT", Target::OldFile,
     Fault::AttributesFail, CopyOk, After::Copied, TextBlock},
    // replacement
    {"replace, no old file", CopyFlagReplace, "\\CF_TEXT", Target::Absent, Fault::None, CopyOk,
     After::Copied, TextBlock},
    {"replace, old file", CopyFlagReplace, "\\CF_TEXT", Target::OldFile, Fault::None, CopyOk,
     After::Copied, TextBlock},
    {"replace among other flag bits, old file", CopyFlagReplace | 0x100, "\\CF_TEXT",
     Target::OldFile, Fault::None, CopyOk, After::Copied, TextBlock},
    {"replace, deletion reports file not found", CopyFlagReplace, "\\CF_TEXT", Target::Absent,
     Fault::DeleteFileNotFound, CopyOk, After::Copied, TextBlock},
    {"replace, deletion access denied",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::DeleteAccessDenied,
     CopyTargetNotRemoved,
     After::Old,
     {}},
    {"replace, deletion path not found",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::DeletePathNotFound,
     CopyTargetNotRemoved,
     After::Old,
     {}},
    {"replace, directory under the local name",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::Directory,
     Fault::None,
     CopyTargetNotRemoved,
     After::Directory,
     {}},
    {"replace, missing folder",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::MissingFolder,
     Fault::None,
     CopyTargetNotRemoved,
     After::Absent,
     {}},
    // something already there
    {"old file, no replace",
     0,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::None,
     CopyTargetExists,
     After::Old,
     {}},
    {"directory, no replace",
     0,
     "\\CF_TEXT",
     Target::Directory,
     Fault::None,
     CopyTargetExists,
     After::Directory,
     {}},
    {"missing folder, no replace",
     0,
     "\\CF_TEXT",
     Target::MissingFolder,
     Fault::None,
     CopyFailed,
     After::Absent,
     {}},
    // no data
    {"format not on the clipboard",
     0,
     "\\CF_WAVE",
     Target::Absent,
     Fault::None,
     CopyFailed,
     After::Absent,
     {}},
    {"format not on the clipboard, replace, old file",
     CopyFlagReplace,
     "\\CF_WAVE",
     Target::OldFile,
     Fault::None,
     CopyFailed,
     After::Old,
     {}},
    {"listed format without a data handle",
     0,
     "\\CF_HDROP",
     Target::Absent,
     Fault::None,
     CopyFailed,
     After::Absent,
     {}},
    {"clipboard cannot be opened",
     0,
     "\\CF_TEXT",
     Target::Absent,
     Fault::OpenFails,
     CopyFailed,
     After::Absent,
     {}},
    {"clipboard cannot be opened, replace, old file",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::OpenFails,
     CopyFailed,
     After::Old,
     {}},
    {"name in other letter case registers a new format",
     0,
     "\\cf_text",
     Target::Absent,
     Fault::None,
     CopyFailed,
     After::Absent,
     {}},
    {"name with a trailing blank",
     0,
     "\\CF_TEXT ",
     Target::Absent,
     Fault::None,
     CopyFailed,
     After::Absent,
     {}},
    {"registration fails",
     0,
     "\\New Format",
     Target::Absent,
     Fault::RegisterFails,
     CopyFailed,
     After::Absent,
     {}},
    // locks
    {"lock fails with size above 0",
     0,
     "\\CF_DIB",
     Target::Absent,
     Fault::None,
     CopyFailed,
     After::Absent,
     {}},
    {"lock fails with size above 0, replace, old file",
     CopyFlagReplace,
     "\\CF_DIB",
     Target::OldFile,
     Fault::None,
     CopyFailed,
     After::Old,
     {}},
    {"lock fails with size 0",
     0,
     "\\CF_BITMAP",
     Target::Absent,
     Fault::None,
     CopyOk,
     After::Empty,
     {}},
    {"size query fails, lock works",
     0,
     "\\CF_TIFF",
     Target::Absent,
     Fault::None,
     CopyOk,
     After::Empty,
     {}},
    // the local file
    {"create fails",
     0,
     "\\CF_TEXT",
     Target::Absent,
     Fault::CreateFails,
     CopyFailed,
     After::Absent,
     {}},
    {"create fails, replace, old file",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::CreateFails,
     CopyFailed,
     After::Absent,
     {}},
    {"write fails",
     0,
     "\\CF_TEXT",
     Target::Absent,
     Fault::WriteFails,
     CopyFailed,
     After::Absent,
     {}},
    {"write fails after writing part",
     0,
     "\\CF_TEXT",
     Target::Absent,
     Fault::WriteFailsAfterPart,
     CopyFailed,
     After::Absent,
     {}},
    {"write fails after writing part, replace, old file",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::WriteFailsAfterPart,
     CopyFailed,
     After::Absent,
     {}},
    {"short write reported as success",
     0,
     "\\CF_TEXT",
     Target::Absent,
     Fault::ShortWrite,
     CopyFailed,
     After::Absent,
     {}},
    {"short write reported as success, replace, old file",
     CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::ShortWrite,
     CopyFailed,
     After::Absent,
     {}},
    // refused before anything
    {"refused flag",
     CopyFlagRefused,
     "\\CF_TEXT",
     Target::Absent,
     Fault::None,
     CopyRefused,
     After::Absent,
     {}},
    {"refused flag with replace, old file",
     CopyFlagRefused | CopyFlagReplace,
     "\\CF_TEXT",
     Target::OldFile,
     Fault::None,
     CopyRefused,
     After::Old,
     {}},
    {"refused flag, name too short",
     CopyFlagRefused,
     "\\",
     Target::Absent,
     Fault::None,
     CopyRefused,
     After::Absent,
     {}},
    {"refused flag, format absent",
     CopyFlagRefused,
     "\\CF_WAVE",
     Target::Absent,
     Fault::None,
     CopyRefused,
     After::Absent,
     {}},
    {"the root", 0, "\\", Target::Absent, Fault::None, CopyNameRefused, After::Absent, {}},
    {"backslash and one character, a registered name",
     0,
     "\\a",
     Target::Absent,
     Fault::None,
     CopyNameRefused,
     After::Absent,
     {}},
    {"empty name", 0, "", Target::Absent, Fault::None, CopyNameRefused, After::Absent, {}},
    {"two characters, replace, old file",
     CopyFlagReplace,
     "ab",
     Target::OldFile,
     Fault::None,
     CopyNameRefused,
     After::Old,
     {}},
    {"null remote name",
     0,
     nullptr,
     Target::Absent,
     Fault::None,
     CopyNameRefused,
     After::Absent,
     {}},
};

} // namespace

TEST_F(CopyTest, EveryOutcomeLeavesTheRightFilesAndReleasesEverything) {
    for (const CopyCase& c : CopyCases) {
        SetUp();
        PutTarget(c.target);
        InjectFault(c.fault);
        std::vector<char> remoteBuffer;
        if (c.remote)
            remoteBuffer.assign(c.remote, c.remote + std::strlen(c.remote) + 1);
        char* remote = c.remote ? remoteBuffer.data() : nullptr;
        std::string localText = LocalPathFor(c.target);
        char* local = &localText[0];

        int result = FsGetFile(remote, local, c.flags, (void*)0x1234);

        EXPECT_EQ(result, c.result) << c.title << ": FsGetFile result";
        ExpectLocalState(c.title, LocalPathFor(c.target), c.after, c.copied);
        bool clipboardUsed =
            c.result != CopyRefused && c.result != CopyNameRefused && c.result != CopyTargetExists;
        ExpectReleased(c.title, clipboardUsed);
        if (c.result == CopyOk)
            ExpectReportedOnce(c.title, remote, local);
        else
            EXPECT_TRUE(ProgressReports.empty()) << c.title << ": progress reported on failure";
        if (c.remote) {
            EXPECT_STREQ(remote, c.remote) << c.title << ": remote name changed";
        }
        EXPECT_EQ(localText, LocalPathFor(c.target)) << c.title << ": local name changed";
    }
}

TEST_F(CopyTest, RefusedAndTooShortRequestsCallNoPlatformOperation) {
    for (int flags :
         std::vector<int>{CopyFlagRefused, CopyFlagRefused | CopyFlagReplace, 0, CopyFlagReplace}) {
        SetUp();
        Standin::AddFile(TargetPath, OldBytes);
        char remote[] = "\\a";
        char local[] = "C:\\out\\target.bin";
        FsGetFile(flags & CopyFlagRefused ? (char*)"\\CF_TEXT" : remote, local, flags, nullptr);
        EXPECT_TRUE(Standin::Current.calls.empty())
            << "flags " << flags << ": first platform call "
            << (Standin::Current.calls.empty() ? "" : Standin::Current.calls[0].text);
    }
}

TEST_F(CopyTest, CreateFileGetsExactlyTheDocumentedArguments) {
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_TEXT";
    std::string local = TargetPath;
    ASSERT_EQ(FsGetFile(remote, &local[0], 0, nullptr), CopyOk) << "copy result";
    std::vector<Standin::Call> creates = Standin::CallsNamed("CreateFileA");
    ASSERT_EQ(creates.size(), 1u) << "CreateFileA calls";
    const std::vector<std::uintptr_t>& args = creates[0].raw;
    EXPECT_EQ(args[0], (std::uintptr_t)local.c_str()) << "file name pointer";
    EXPECT_EQ(args[1], 0x40000000u) << "access";
    EXPECT_EQ(args[2], 1u) << "sharing";
    EXPECT_EQ(args[3], 0u) << "security attributes";
    EXPECT_EQ(args[4], 2u) << "disposition";
    EXPECT_EQ(args[5], 0x80u) << "attributes";
    EXPECT_EQ(args[6], 0u) << "template";
}

TEST_F(CopyTest, OneWriteOfTheReportedSizeFromTheLockedPointer) {
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    ASSERT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy result";
    std::vector<Standin::Call> writes = Standin::CallsNamed("WriteFile");
    ASSERT_EQ(writes.size(), 1u) << "WriteFile calls";
    const Standin::ClipboardFormat& text = Standin::Current.formats[0];
    EXPECT_EQ(writes[0].raw[1], (std::uintptr_t)text.bytes.data()) << "buffer written from";
    EXPECT_EQ(writes[0].raw[2], TextBlock.size()) << "bytes asked to write";
    EXPECT_NE(writes[0].raw[3], 0u) << "count-written pointer";
    EXPECT_EQ(writes[0].raw[4], 0u) << "overlapped structure";
    EXPECT_EQ(Standin::FileBytes(local), TextBlock) << "bytes of the local file";
}

TEST_F(CopyTest, BlockThatCannotBeLockedWithSizeZeroIsWrittenAsZeroBytesFromNull) {
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_BITMAP";
    char local[] = "C:\\out\\target.bin";
    ASSERT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy result";
    std::vector<Standin::Call> writes = Standin::CallsNamed("WriteFile");
    ASSERT_EQ(writes.size(), 1u) << "WriteFile calls";
    EXPECT_EQ(writes[0].raw[1], 0u) << "buffer written from";
    EXPECT_EQ(writes[0].raw[2], 0u) << "bytes asked to write";
}

TEST_F(CopyTest, SuccessfulCopyCallsThePlatformInOrderAndReportsLast) {
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    ASSERT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy result";
    EXPECT_EQ(Standin::CallTexts(),
              (std::vector<std::string>{
                  "GetFileAttributesA(\"C:\\out\\target.bin\")",
                  "lstrcmpA(\"CF_TEXT\", \"CF_TEXT\")",
                  "OpenClipboard(0x0)",
                  "GetClipboardData(1)",
                  "GlobalSize(data#1)",
                  "GlobalLock(data#1)",
                  "CreateFileA(\"C:\\out\\target.bin\", 0x40000000, 0x1, 0x0, 2, 0x80, 0x0)",
                  "WriteFile(file#0x7000, 12)",
                  "GlobalUnlock(data#1)",
                  "CloseHandle(file#0x7000)",
                  "CloseClipboard()",
                  "ProgressCallback(1)",
              }))
        << "platform calls of a copy";
}

TEST_F(CopyTest, ReplacementDeletesOnlyOnceTheDataIsLocked) {
    PutTarget(Target::OldFile);
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    ASSERT_EQ(FsGetFile(remote, local, CopyFlagReplace, nullptr), CopyOk) << "copy result";
    std::vector<std::string> names = Standin::CallNames();
    auto at = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_EQ(Standin::CountCalls("GetFileAttributesA"), 0) << "attribute reads with replace";
    EXPECT_EQ(Standin::CountCalls("DeleteFileA"), 1) << "DeleteFileA calls";
    EXPECT_LT(at("GlobalLock"), at("DeleteFileA")) << "lock before deletion";
    EXPECT_LT(at("DeleteFileA"), at("CreateFileA")) << "deletion before creation";
}

TEST_F(CopyTest, FailedWriteClosesThenRemovesThePartialFile) {
    PutTarget(Target::Absent);
    Standin::Current.writeFails = true;
    Standin::Current.writeFailAfter = 5;
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    ASSERT_EQ(FsGetFile(remote, local, 0, nullptr), CopyFailed) << "copy result";
    std::vector<std::string> names = Standin::CallNames();
    std::vector<std::string> tail(names.end() - 5, names.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"WriteFile", "GlobalUnlock", "CloseHandle",
                                              "DeleteFileA", "CloseClipboard"}))
        << "calls after the write";
    EXPECT_EQ(Standin::CallsNamed("DeleteFileA")[0].text, "DeleteFileA(\"C:\\out\\target.bin\")")
        << "file deleted";
}

TEST_F(CopyTest, NullLocalNameFailsWithoutTouchingTheClipboard) {
    char remote[] = "\\CF_TEXT";
    EXPECT_EQ(FsGetFile(remote, nullptr, 0, nullptr), CopyFailed) << "copy with a null local name";
    EXPECT_EQ(FsGetFile(remote, nullptr, CopyFlagReplace, nullptr), CopyFailed)
        << "copy with a null local name and replace";
    EXPECT_EQ(Standin::CountCalls("OpenClipboard"), 0) << "OpenClipboard calls";
    EXPECT_TRUE(ProgressReports.empty()) << "progress reported";
}

TEST_F(CopyTest, BeforeAnyInitACopyWorksAndReportsToNobody) {
    PluginState = PluginStateRecord();
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy before FsInit";
    EXPECT_EQ(Standin::FileBytes(local), TextBlock) << "bytes of the local file";
    EXPECT_TRUE(ProgressReports.empty()) << "progress reported";
    EXPECT_EQ(Standin::Current.calls.back().name, "CloseClipboard") << "last call";
}

TEST_F(CopyTest, LowerCaseTableNameRegistersANewFormatWithoutData) {
    Standin::AddDirectory(Folder);
    char remote[] = "\\cf_text";
    char local[] = "C:\\out\\target.bin";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyFailed) << "copy result";
    std::vector<Standin::Call> registrations = Standin::CallsNamed("RegisterClipboardFormatA");
    ASSERT_EQ(registrations.size(), 1u) << "registrations";
    EXPECT_EQ(registrations[0].text, "RegisterClipboardFormatA(\"cf_text\")") << "name registered";
    std::vector<Standin::Call> fetches = Standin::CallsNamed("GetClipboardData");
    ASSERT_EQ(fetches.size(), 1u) << "data fetches";
    EXPECT_GE(fetches[0].raw[0], 0xC000u) << "format fetched";
    EXPECT_EQ(Standin::CountCalls("CreateFileA"), 0) << "CreateFileA calls";
}

TEST_F(CopyTest, RegisteredFormatNamedLikeATableRowCopiesThePredefinedFormat) {
    Standin::AddRegisteredFormat("CF_TEXT", RegisteredTextBlock);
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy result";
    EXPECT_EQ(Standin::FileBytes(local), TextBlock) << "bytes of the local file";
    EXPECT_EQ(Standin::CountCalls("RegisterClipboardFormatA"), 0) << "registrations";
}

TEST_F(CopyTest, RegisteredFormatNamedLikeATableRowAloneCannotBeCopied) {
    Standin::Reset();
    Standin::AddRegisteredFormat("CF_TEXT", RegisteredTextBlock);
    Standin::AddDirectory(Folder);
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\target.bin";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyFailed) << "copy result";
    EXPECT_EQ(Standin::CallsNamed("GetClipboardData")[0].text, "GetClipboardData(1)")
        << "format fetched";
    EXPECT_FALSE(Standin::Exists(local)) << "local file made";
}

TEST_F(CopyTest, LowerCaseTableNameFindsAFormatRegisteredUnderTheTableName) {
    /* registration ignores case: a program's "CF_TEXT" answers to "cf_text" */
    Standin::AddRegisteredFormat("CF_TEXT", RegisteredTextBlock);
    Standin::AddDirectory(Folder);
    char remote[] = "\\cf_text";
    char local[] = "C:\\out\\target.bin";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy result";
    EXPECT_EQ(Standin::FileBytes(local), RegisteredTextBlock) << "bytes of the local file";
}
