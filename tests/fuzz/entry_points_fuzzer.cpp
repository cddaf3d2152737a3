// libFuzzer target: each input sets up a stand-in clipboard and file system, then drives the
// entry points in the host's order, with failures injected call by call. After every call it
// checks what must always hold; a broken rule aborts, so libFuzzer keeps the input.
//
// Input layout (read from the front; a missing byte reads as 0):
//   formats: count, then per format: kind, id or name, size (2 bytes), fault bits
//   registered names without data: count, names
//   then host calls, one opcode byte each, followed by that call's arguments
#include "clipboard_fs/format_names.h"
#include "clipboard_fs/listing.h"
#include "module/host_contract.h"
#include "module/plugin_state.h"
#include "tests/unit/win32_standin.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Standin::Bytes;

const int MaxFormats = 12;
const std::size_t MaxDataSize = 2048;
const std::size_t MaxNameSize = 300; // beyond the 260 of a record's name field
const int MaxCalls = 200;
const char OutFolder[] = "C:\\out";
const DWORD ErrorSharingViolation = 32;

// Reads the input from the front; past its end every read gives zeros.
struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool More() const {
        return at < size;
    }
    std::uint8_t Byte() {
        return at < size ? data[at++] : 0;
    }
    unsigned Word() {
        unsigned low = Byte();
        return low | (unsigned)Byte() << 8;
    }
    std::uint32_t Long() {
        std::uint32_t low = Word();
        return low | (std::uint32_t)Word() << 16;
    }
    // a length byte (two when its top bit is set), then that many bytes
    std::string Text(std::size_t limit) {
        std::size_t length = Byte();
        if (length & 0x80)
            length = ((length & 0x7F) << 8) | Byte();
        if (length > limit)
            length = limit;
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back((char)Byte());
        return text;
    }
};

[[noreturn]] void Broken(const char* call, const std::string& what) {
    std::fprintf(stderr, "invariant broken after %s: %s\n", call, what.c_str());
    std::abort();
}

// TABRINOX_FUZZ_TRACE=1 prints every call and its result, to read a saved input back
bool Tracing() {
    static const bool tracing = std::getenv("TABRINOX_FUZZ_TRACE") != nullptr;
    return tracing;
}

void Trace(const char* call, long long result, const char* detail = "") {
    if (Tracing())
        std::fprintf(stderr, "%s%s -> %lld\n", call, detail, result);
}

void Require(bool holds, const char* call, const std::string& what) {
    if (!holds)
        Broken(call, what);
}

// A zero-terminated copy on the heap with no slack, so a read past the end is reported.
struct HeapText {
    char* text = nullptr;
    HeapText() = default;
    explicit HeapText(const std::string& value) {
        text = (char*)std::malloc(value.size() + 1);
        std::memcpy(text, value.data(), value.size());
        text[value.size()] = 0;
    }
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;
    ~HeapText() {
        std::free(text);
    }
};

// what the progress callback saw
struct Report {
    int pluginNumber;
    char* source;
    char* target;
    int percent;
    bool clipboardHeld;
    std::size_t openFiles;
    int locks;
};

std::vector<Report> Reports;

int WINAPI RecordProgress(int pluginNumber, char* source, char* target, int percent) {
    Reports.push_back(Report{pluginNumber, source, target, percent, Standin::Current.held,
                             Standin::OpenFileCount(), Standin::LocksHeld()});
    return 1;
}

struct Session {
    Reader in;
    bool initDone = false;
    int pluginNumber = 0;
    bool listing = false;
    bool otherHolder = false;           // another window holds the clipboard
    WIN32_FIND_DATAA* record = nullptr; // the host's record for the current listing

    explicit Session(Reader reader) : in(reader) {}
    ~Session() {
        std::free(record);
    }

    // checks that hold after every call
    void CheckCommon(const char* call) {
        Require(Standin::LocksHeld() == 0, call, "a data block is still locked");
        Require(Standin::OpenFileCount() == 0, call, "a local file is still open");
        Require(Standin::Current.held == listing, call,
                listing ? "clipboard not held during a listing" : "clipboard held after the call");
    }

    // the record is the host's: a fresh block each time, sometimes filled with input bytes
    WIN32_FIND_DATAA* NewRecord() {
        std::free(record);
        record = (WIN32_FIND_DATAA*)std::malloc(sizeof(WIN32_FIND_DATAA));
        std::uint8_t fill = in.Byte();
        std::memset(record, fill, sizeof(*record));
        return record;
    }

    std::string FormatName(UINT id) {
        if (const FormatNameEntry* row = FindFormatById(id))
            return row->name;
        auto named = Standin::Current.registeredNames.find(id);
        return named == Standin::Current.registeredNames.end() ? std::string() : named->second;
    }

    void SetUpClipboard() {
        int count = in.Byte() % (MaxFormats + 1);
        for (int i = 0; i < count; ++i) {
            UINT id = 0;
            switch (in.Byte() % 4) {
            case 0:
                id = StandardFormatNames[in.Byte() % 22].id;
                break;
            case 1:
                id = Standin::RegisterName(in.Text(MaxNameSize));
                break;
            case 2:
                /* an id without a table row or a registered name, unless one was taken */
                id = 0xC100 + in.Byte();
                break;
            default:
                id = in.Long();
                break;
            }
            std::size_t size = in.Word() % (MaxDataSize + 1);
            std::uint8_t faults = in.Byte();
            if (id == 0 || HasFormat(id))
                continue; /* the platform lists each id once */
            Bytes bytes(size);
            for (std::size_t b = 0; b < size; ++b)
                bytes[b] = (unsigned char)(id * 31 + b);
            Standin::ClipboardFormat& format = Standin::AddFormat(id, bytes);
            format.hasData = !(faults & 1);
            format.sizeFails = faults & 2;
            format.lockFails = faults & 4;
        }
        int names = in.Byte() % 4;
        for (int i = 0; i < names; ++i)
            Standin::RegisterName(in.Text(MaxNameSize));
    }

    static bool HasFormat(UINT id) {
        for (const Standin::ClipboardFormat& format : Standin::Current.formats)
            if (format.id == id)
                return true;
        return false;
    }

    // another program changes the clipboard between two calls
    void ChangeClipboard() {
        std::uint8_t what = in.Byte();
        auto& formats = Standin::Current.formats;
        switch (what % 4) {
        case 0:
            if (!formats.empty())
                formats.erase(formats.begin() + in.Byte() % formats.size());
            break;
        case 1:
            formats.clear();
            break;
        case 2: {
            UINT id = StandardFormatNames[in.Byte() % 22].id;
            if (!HasFormat(id))
                Standin::AddFormat(id, Bytes(in.Word() % (MaxDataSize + 1), 'n'));
            break;
        }
        default:
            /* another window takes the clipboard, or lets it go */
            otherHolder = !otherHolder;
            Standin::Current.openFails = otherHolder;
            break;
        }
    }

    void CallInit() {
        pluginNumber = (int)in.Long();
        Require(FsInit(pluginNumber, RecordProgress, nullptr, nullptr) == 0, "FsInit",
                "result other than 0");
        initDone = true;
        Trace("FsInit", 0);
        CheckCommon("FsInit");
    }

    void CallRootName() {
        int capacity = (int)(in.Word() % 600) - 4; /* a few at 0 and below */
        bool nullBuffer = in.Byte() & 1;
        const std::size_t spare = 8;
        std::size_t size = capacity > 0 ? (std::size_t)capacity : spare;
        char* buffer = nullBuffer ? nullptr : (char*)std::malloc(size);
        if (buffer)
            std::memset(buffer, 0x5A, size);
        FsGetDefRootName(buffer, capacity);
        if (buffer) {
            if (capacity <= 0) {
                for (std::size_t i = 0; i < size; ++i)
                    Require(buffer[i] == 0x5A, "FsGetDefRootName",
                            "wrote into a buffer of capacity " + std::to_string(capacity));
            } else {
                Require(buffer[capacity - 1] == 0, "FsGetDefRootName", "last byte not zero");
                Require(std::strncmp(buffer, RootName, (std::size_t)capacity - 1) == 0,
                        "FsGetDefRootName", "not a prefix of the root name");
            }
        }
        std::free(buffer);
        Trace("FsGetDefRootName", capacity);
        CheckCommon("FsGetDefRootName");
    }

    void CallExecute() {
        std::uint8_t choice = in.Byte();
        HeapText path(in.Text(MaxNameSize));
        HeapText verb(choice & 4 ? std::string("properties") : in.Text(32));
        int result = FsExecuteFile(nullptr, choice & 1 ? nullptr : path.text,
                                   choice & 2 ? nullptr : verb.text);
        Require(result == ExecDone || result == ExecNotDone, "FsExecuteFile",
                "result " + std::to_string(result));
        Trace("FsExecuteFile", result);
        CheckCommon("FsExecuteFile");
    }

    void CallStatus() {
        FsStatusInfo(nullptr, (int)in.Byte(), (int)in.Byte());
        CheckCommon("FsStatusInfo");
    }

    void CallFindFirst() {
        std::uint8_t choice = in.Byte();
        std::string pathText = "\\";
        if (choice & 2)
            pathText = in.Text(MaxNameSize);
        HeapText path(pathText);
        Standin::Current.openFails = otherHolder || (choice & 8);
        WIN32_FIND_DATAA* target = choice & 4 ? nullptr : NewRecord();
        std::size_t boxes = Standin::Current.messageBoxes.size();
        HANDLE search = FsFindFirst(choice & 1 ? nullptr : path.text, target);
        Standin::Current.openFails = otherHolder;
        Require(search == ListingHandle || search == INVALID_HANDLE_VALUE, "FsFindFirst",
                "a handle other than the listing's and -1");
        Require(Standin::Current.messageBoxes.size() <= boxes + 1, "FsFindFirst",
                "more than one message box");
        listing = search == ListingHandle;
        Trace("FsFindFirst", listing ? 100 : -1, listing ? target->cFileName : "");
        if (listing)
            Require(std::memchr(target->cFileName, 0, MAX_PATH) != nullptr, "FsFindFirst",
                    "entry name not terminated");
        CheckCommon("FsFindFirst");
    }

    void CallFindNext() {
        std::uint8_t choice = in.Byte();
        WIN32_FIND_DATAA* target = record;
        if (choice & 1)
            target = NewRecord();
        if (choice & 2)
            target = nullptr;
        BOOL found = FsFindNext(ListingHandle, target);
        Require(found == TRUE || found == FALSE, "FsFindNext", "result " + std::to_string(found));
        Trace("FsFindNext", found, found ? target->cFileName : "");
        if (found)
            Require(target && std::memchr(target->cFileName, 0, MAX_PATH) != nullptr, "FsFindNext",
                    "entry name not terminated");
        CheckCommon("FsFindNext");
    }

    void CallFindClose() {
        Require(FsFindClose(ListingHandle) == 0, "FsFindClose", "result other than 0");
        listing = false;
        Trace("FsFindClose", 0);
        CheckCommon("FsFindClose");
    }

    std::string RemoteName(std::uint8_t choice) {
        auto& formats = Standin::Current.formats;
        switch (choice % 4) {
        case 0:
            /* the name of a listed entry, as the host would ask for it */
            if (!formats.empty())
                return "\\" + FormatName(formats[in.Byte() % formats.size()].id);
            return "\\";
        case 1:
            return "\\" + std::string(StandardFormatNames[in.Byte() % 22].name);
        case 2: {
            std::string name(1, (char)in.Byte());
            return name + in.Text(MaxNameSize);
        }
        default:
            return in.Text(MaxNameSize);
        }
    }

    std::string LocalName(std::uint8_t choice) {
        switch (choice % 5) {
        case 0:
            return "C:\\out\\a.bin";
        case 1:
            return "C:\\out\\b.bin";
        case 2:
            return "C:\\gone\\c.bin"; /* a folder that does not exist */
        case 3:
            return std::string(OutFolder) + "\\" + in.Text(MaxNameSize);
        default:
            return in.Text(MaxNameSize);
        }
    }

    void PutLocalState(const std::string& local, std::uint8_t state) {
        switch (state % 3) {
        case 0:
            Standin::Current.nodes.erase(local);
            break;
        case 1:
            Standin::AddFile(local, Bytes(in.Byte(), 'o'));
            break;
        default:
            Standin::AddDirectory(local);
            break;
        }
    }

    static DWORD ErrorFrom(std::uint8_t choice) {
        const DWORD errors[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                                ErrorSharingViolation};
        return errors[choice % 4];
    }

    // failures of the platform for this one call
    void InjectCopyFaults(std::uint8_t faults) {
        Standin::State& s = Standin::Current;
        s.registerFails = faults & 1;
        s.attributesFailError = faults & 2 ? ErrorFrom(in.Byte()) : 0;
        s.createFailError = faults & 4 ? ErrorFrom(in.Byte()) : 0;
        s.writeFails = faults & 8;
        s.writeFailAfter = faults & 8 ? in.Word() : 0;
        s.shortWrite = faults & 16;
        s.shortWriteCount = faults & 16 ? in.Word() : 0;
        s.deleteFailError = faults & 32 ? ErrorFrom(in.Byte()) : 0;
        s.openFails = otherHolder || (faults & 64);
    }

    void ClearCopyFaults() {
        Standin::State& s = Standin::Current;
        s.registerFails = false;
        s.attributesFailError = 0;
        s.createFailError = 0;
        s.writeFails = false;
        s.shortWrite = false;
        s.deleteFailError = 0;
        s.openFails = otherHolder;
    }

    void CallGetFile() {
        std::uint8_t choice = in.Byte();
        HeapText remote(RemoteName(in.Byte()));
        HeapText local(LocalName(in.Byte()));
        /* the name as the module sees it: up to its first zero byte */
        const std::string localText = local.text;
        char* remoteArg = choice & 1 ? nullptr : remote.text;
        char* localArg = choice & 2 ? nullptr : local.text;
        int flags = choice & 4 ? (int)in.Long() : (int)(in.Byte() & 3);
        if (localArg)
            PutLocalState(localText, in.Byte());
        InjectCopyFaults(in.Byte());

        const std::map<std::string, Standin::FileNode> before = Standin::Current.nodes;
        const std::size_t callsBefore = Standin::Current.calls.size();
        const std::size_t boxes = Standin::Current.messageBoxes.size();
        Reports.clear();

        int result = FsGetFile(remoteArg, localArg, flags, nullptr);

        const char* call = "FsGetFile";
        Trace(call, result, remoteArg ? remoteArg : "(null)");
        Require(result == CopyOk || result == CopyTargetExists || result == CopyNameRefused ||
                    result == CopyFailed || result == CopyTargetNotRemoved || result == CopyRefused,
                call, "result " + std::to_string(result));
        CheckCommon(call);
        Require(Standin::Current.messageBoxes.size() == boxes, call, "a message box shown");

        std::size_t expectedReports = result == CopyOk && initDone ? 1 : 0;
        Require(Reports.size() == expectedReports, call,
                std::to_string(Reports.size()) + " progress reports for result " +
                    std::to_string(result));
        for (const Report& report : Reports) {
            Require(report.pluginNumber == pluginNumber, call, "plug-in number reported");
            Require(report.source == remoteArg, call, "source name reported");
            Require(report.target == localArg, call, "target name reported");
            Require(report.percent == 100, call, "progress value reported");
            Require(!report.clipboardHeld && report.openFiles == 0 && report.locks == 0, call,
                    "something still held during the progress report");
        }

        // how far the copy got, from the platform calls it made
        /* the old file may go only once the data are in hand: after the block's lock */
        bool locked = false, deletionStepRan = false, created = false, wrote = false;
        for (std::size_t i = callsBefore; i < Standin::Current.calls.size(); ++i) {
            const std::string& name = Standin::Current.calls[i].name;
            if (name == "DeleteFileA" && locked && !created)
                deletionStepRan = true;
            locked |= name == "GlobalLock";
            created |= name == "CreateFileA";
            wrote |= name == "WriteFile";
        }

        // nothing but the local name may change
        for (const auto& node : before)
            if (!localArg || node.first != localText) {
                auto now = Standin::Current.nodes.find(node.first);
                Require(now != Standin::Current.nodes.end() &&
                            now->second.directory == node.second.directory &&
                            now->second.bytes == node.second.bytes,
                        call, "another path changed: " + node.first);
            }
        for (const auto& node : Standin::Current.nodes)
            Require(before.count(node.first) || (localArg && node.first == localText), call,
                    "a file appeared under another name: " + node.first);

        if (result == CopyOk) {
            Require(Standin::Exists(localText) && !Standin::IsDirectory(localText), call,
                    "no file after a successful copy");
            Require(IsSomeBlock(Standin::FileBytes(localText)), call,
                    "the file holds no format's whole data block");
        } else if (localArg) {
            auto old = before.find(localText);
            bool replace = flags & CopyFlagReplace;
            /* the platform refused to remove the partial file: nothing the module can do */
            bool cleanupRefused = wrote && Standin::Current.deleteFailError != 0;
            /* an unreadable attribute lets the create decide, and CREATE_ALWAYS truncates */
            bool createDecided = !replace && Standin::Current.attributesFailError != 0 && created;
            if (old == before.end()) {
                Require(!Standin::Exists(localText) || cleanupRefused, call,
                        "a file left under the local name after result " + std::to_string(result));
            } else if (!(replace && deletionStepRan) && !createDecided && !cleanupRefused) {
                auto now = Standin::Current.nodes.find(localText);
                Require(now != Standin::Current.nodes.end() &&
                            now->second.directory == old->second.directory &&
                            now->second.bytes == old->second.bytes,
                        call, "the old local file changed after result " + std::to_string(result));
            }
        }
        ClearCopyFaults();
    }

    static bool IsSomeBlock(const Bytes& bytes) {
        for (const Standin::ClipboardFormat& format : Standin::Current.formats) {
            if (!format.hasData)
                continue;
            if (format.sizeFails ? bytes.empty() : bytes == format.bytes)
                return true;
        }
        return false;
    }

    void Run() {
        SetUpClipboard();
        Standin::AddDirectory(OutFolder);
        /* the host normally starts with FsInit; an input may leave it out */
        if (!(in.Byte() & 0x80))
            CallInit();
        for (int calls = 0; calls < MaxCalls && in.More(); ++calls) {
            std::uint8_t op = in.Byte();
            if (listing) {
                /* during a listing: no FsFindFirst, no FsGetFile, no clipboard change */
                switch (op % 7) {
                case 0:
                case 1:
                case 2:
                    CallFindNext();
                    break;
                case 3:
                    CallFindClose();
                    break;
                case 4:
                    CallRootName();
                    break;
                case 5:
                    CallExecute();
                    break;
                default:
                    op & 0x10 ? CallInit() : CallStatus();
                    break;
                }
                continue;
            }
            switch (op % 7) {
            case 0:
                CallFindFirst();
                break;
            case 1:
            case 2:
                CallGetFile();
                break;
            case 3:
                CallRootName();
                break;
            case 4:
                CallExecute();
                break;
            case 5:
                op & 0x10 ? CallInit() : CallStatus();
                break;
            default:
                ChangeClipboard();
                break;
            }
        }
        if (listing)
            CallFindClose();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    /* a freshly loaded module on a fresh platform */
    Standin::Reset();
    PluginState = PluginStateRecord();
    Reports.clear();
    Session session(Reader{data, size});
    session.Run();
    return 0;
}
