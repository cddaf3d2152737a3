// A soak of the real module under Wine: round after round, the whole root is listed and every
// entry copied out, while another thread replaces the clipboard's contents between the listing
// and the copies, so that formats vanish and others appear. It checks every listing and every
// copy against what the clipboard held, that no file is left behind, and that the process's
// handle, GDI and USER object counts stay flat.
//
//   soak [--rounds N] [--seconds S] [--seed X]
//   TABRINOX_MODULE           the module to load (required)
//   TABRINOX_SOAK_ROUNDS      rounds when --rounds is not given (default 200)
//   TABRINOX_SOAK_SECONDS     time bound when --seconds is not given (default 120 + rounds / 10)
// Exit status: 0 passed, 1 a check failed or the time bound was reached, 2 cannot run.
#include <windows.h>

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/system/clipboard_fixture.h"
#include "tests/system/local_files.h"

static const int SoakPluginNumber = 2468;
static const int PoolSize = 8;
static const int WarmUpRounds = 20;
/* a few objects may come and go with the platform's own caches */
static const long FlatSlack = 2;
static const int MaxReportedFailures = 20;

// ---------------------------------------------------------------------------------------
// Failures

static long FailureCount;

// round -1: a check of the whole run, always reported
static void Fail(int round, const char* format, ...) {
    if (++FailureCount > MaxReportedFailures && round >= 0)
        return;
    va_list args;
    va_start(args, format);
    if (round >= 0)
        fprintf(stdout, "FAIL round %d: ", round);
    else
        fprintf(stdout, "FAIL: ");
    vfprintf(stdout, format, args);
    fprintf(stdout, "\n");
    fflush(stdout);
    va_end(args);
}

// ---------------------------------------------------------------------------------------
// Counting the process's objects

struct Counts {
    long handles;         // GetProcessHandleCount
    long gdiObjects;      // GetGuiResources GR_GDIOBJECTS
    long userObjects;     // GetGuiResources GR_USEROBJECTS
    long handlesListed;   // entries of this process in the system's handle list
    long gdiTableEntries; // live entries of the GDI handle table
    long processWindows;  // windows of this process, message-only ones included
};

/* the system's handle list: class 16, 16-bit process ids, as Wine and Windows both fill it */
struct SystemHandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};
typedef LONG(WINAPI* QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);
static const ULONG SystemHandleInformationClass = 16;
static const LONG StatusInfoLengthMismatch = (LONG)0xC0000004;

static long HandlesListed() {
    static QuerySystemInformation query = (QuerySystemInformation)(void*)GetProcAddress(
        GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    static std::vector<char> buffer(1 << 20);
    if (!query)
        return -1;
    ULONG length = 0;
    LONG status;
    while ((status = query(SystemHandleInformationClass, buffer.data(), (ULONG)buffer.size(),
                           &length)) == StatusInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const SystemHandleList* list = (const SystemHandleList*)buffer.data();
    USHORT self = (USHORT)GetCurrentProcessId();
    long count = 0;
    for (ULONG i = 0; i < list->count; ++i)
        count += list->entries[i].processId == self;
    return count;
}

/* a handle of index only names the live entry of that index, whatever its generation */
static long GdiTableEntries() {
    long count = 0;
    for (ULONG index = 1; index < 0x10000; ++index)
        count += GetObjectType((HGDIOBJ)(ULONG_PTR)index) != 0;
    return count;
}

static BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++*(long*)param;
    return TRUE;
}

static BOOL CALLBACK CountOwnWindow(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    ++*(long*)param;
    EnumChildWindows(window, CountChild, param);
    return TRUE;
}

static long ProcessWindows() {
    long count = 0;
    EnumWindows(CountOwnWindow, (LPARAM)&count);
    for (HWND window = FindWindowExA(HWND_MESSAGE, NULL, NULL, NULL); window;
         window = FindWindowExA(HWND_MESSAGE, window, NULL, NULL))
        CountOwnWindow(window, (LPARAM)&count);
    return count;
}

static Counts CountObjects() {
    Counts counts;
    DWORD handles = 0;
    counts.handles = GetProcessHandleCount(GetCurrentProcess(), &handles) ? (long)handles : -1;
    counts.gdiObjects = (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    counts.userObjects = (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    counts.handlesListed = HandlesListed();
    counts.gdiTableEntries = GdiTableEntries();
    counts.processWindows = ProcessWindows();
    return counts;
}

struct CounterRow {
    const char* name;
    long Counts::*field;
    bool isSubstitute;
};

static const CounterRow CounterRows[] = {
    {"GetProcessHandleCount", &Counts::handles, false},
    {"GetGuiResources GDI", &Counts::gdiObjects, false},
    {"GetGuiResources USER", &Counts::userObjects, false},
    {"handles in the system list", &Counts::handlesListed, true},
    {"GDI table entries", &Counts::gdiTableEntries, true},
    {"windows of the process", &Counts::processWindows, true},
};

// Which counters see one more object of their kind: an event, a bitmap, a window.
static void CalibrateCounters(bool sees[6]) {
    Counts before = CountObjects();
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, NULL);
    HWND window = CreateWindowExA(0, "STATIC", "soak calibration", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  NULL, NULL, NULL);
    Counts during = CountObjects();
    DestroyWindow(window);
    DeleteObject(bitmap);
    CloseHandle(event);
    for (int i = 0; i < 6; ++i)
        sees[i] = during.*CounterRows[i].field > before.*CounterRows[i].field;
}

// ---------------------------------------------------------------------------------------
// What the clipboard holds in a round, as the replacing thread put it

static uint32_t Random(uint32_t* state) {
    *state ^= *state << 13;
    *state ^= *state >> 17;
    *state ^= *state << 5;
    return *state;
}

static std::string PoolName(int i) {
    char name[32];
    snprintf(name, sizeof(name), "TabrinoxSoak %d", i);
    return name;
}

struct PutFormat {
    UINT format;
    std::string name;
    std::string bytes;
    bool onRequest; // rendered by the owner only when asked
};

struct Contents {
    int round;
    std::vector<PutFormat> formats;
};

static std::string RoundBytes(uint32_t* state, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (i % 5 == 2) ? '\0' : (char)Random(state);
    return bytes;
}

static UINT PoolFormats[PoolSize];

// A random part of the pool, at least one format; now and then a large block, text (which the
// platform turns into further text formats) and a format rendered only on request.
static Contents MakeContents(int round, uint32_t* state) {
    Contents contents;
    contents.round = round;
    bool onRequestTaken = false;
    for (int i = 0; i < PoolSize; ++i) {
        if (Random(state) % 2 && !(i == PoolSize - 1 && contents.formats.empty()))
            continue;
        size_t size = 1 + Random(state) % 3000;
        if (Random(state) % 16 == 0)
            size = 65536 + Random(state) % 70000;
        PutFormat put = {PoolFormats[i], PoolName(i), RoundBytes(state, size), false};
        if (!onRequestTaken && Random(state) % 4 == 0)
            put.onRequest = onRequestTaken = true;
        contents.formats.push_back(put);
    }
    if (Random(state) % 4 == 0) {
        std::string text = "soak round " + std::to_string(round);
        contents.formats.push_back({CF_TEXT, "CF_TEXT", text + '\0', false});
    }
    return contents;
}

static const PutFormat* FindPut(const Contents& contents, const std::string& name) {
    for (const PutFormat& put : contents.formats)
        if (put.name == name)
            return &put;
    return NULL;
}

// ---------------------------------------------------------------------------------------
// The replacing thread: owns the clipboard with a window of its own, renders on request

enum Command { ReplaceContents, ProbeClipboard, StopReplacer };

struct Replacer {
    HANDLE thread;
    HANDLE commandReady;
    HANDLE commandDone;
    Command command;
    Contents next;    // what ReplaceContents puts
    Contents current; // what the clipboard holds
    bool ok;          // the command's outcome
    volatile LONG renderRequests;
};

static Replacer TheReplacer;

static LRESULT CALLBACK ReplacerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RENDERFORMAT) {
        for (const PutFormat& put : TheReplacer.current.formats)
            if (put.onRequest && put.format == (UINT)wParam) {
                InterlockedIncrement(&TheReplacer.renderRequests);
                SetClipboardData(put.format, BlockOf(put.bytes));
            }
        return 0;
    }
    if (message == WM_RENDERALLFORMATS)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

static bool PutContents(HWND window, const Contents& contents) {
    if (!OpenClipboard(window))
        return false;
    bool ok = EmptyClipboard() != 0;
    for (const PutFormat& put : contents.formats) {
        HGLOBAL block = put.onRequest ? NULL : BlockOf(put.bytes);
        if (!SetClipboardData(put.format, block) && !put.onRequest) {
            GlobalFree(block);
            ok = false;
        }
    }
    CloseClipboard();
    return ok;
}

static const char ReplacerClass[] = "TabrinoxSoakReplacer";

static DWORD WINAPI RunReplacer(LPVOID) {
    HWND window = CreateMessageWindow(ReplacerClass, ReplacerProc);
    for (;;) {
        /* keeps handling messages while it waits: the module's fetches ask it to render */
        DWORD woke =
            MsgWaitForMultipleObjects(1, &TheReplacer.commandReady, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            continue;
        }
        Command command = TheReplacer.command;
        if (command == ReplaceContents) {
            /* the contents the window procedure renders from change with the clipboard */
            TheReplacer.current = TheReplacer.next;
            TheReplacer.ok = PutContents(window, TheReplacer.current);
        } else if (command == ProbeClipboard) {
            TheReplacer.ok = OpenClipboard(window) != 0;
            if (TheReplacer.ok)
                CloseClipboard();
        } else {
            PutContents(window, Contents());
        }
        SetEvent(TheReplacer.commandDone);
        if (command == StopReplacer)
            break;
    }
    DestroyWindow(window);
    UnregisterClassA(ReplacerClass, NULL);
    return 0;
}

static bool RunCommand(Command command) {
    TheReplacer.command = command;
    SetEvent(TheReplacer.commandReady);
    WaitForSingleObject(TheReplacer.commandDone, INFINITE);
    return TheReplacer.ok;
}

// ---------------------------------------------------------------------------------------
// The platform's own view of the clipboard

struct HeldFormat {
    UINT format;
    std::string name;
};

static std::string NameOf(UINT format) {
    std::string name = PredefinedFormatName(format);
    if (!name.empty())
        return name;
    char registered[MAX_PATH] = "";
    GetClipboardFormatNameA(format, registered, MAX_PATH);
    return registered;
}

// the formats enumerated, without fetching any data
static std::vector<HeldFormat> HeldFormats() {
    std::vector<HeldFormat> held;
    if (!OpenClipboard(NULL))
        return held;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format))
        held.push_back({format, NameOf(format)});
    CloseClipboard();
    return held;
}

// the block of a format the test did not put itself: text the platform made
static bool PlatformBlock(UINT format, std::string* bytes) {
    if (!OpenClipboard(NULL))
        return false;
    HANDLE data = GetClipboardData(format);
    const char* block = data ? (const char*)GlobalLock(data) : NULL;
    if (block) {
        bytes->assign(block, GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return block != NULL;
}

// ---------------------------------------------------------------------------------------
// Local files

static std::string SoakFolder;

// ---------------------------------------------------------------------------------------
// The progress callback and message boxes

static int ProgressCalls;
static std::string ProgressRemote;
static std::string ProgressLocal;
static bool ProgressArgumentsWrong;

static int WINAPI CountProgress(int pluginNumber, char* sourceName, char* targetName,
                                int percentDone) {
    ++ProgressCalls;
    ProgressArgumentsWrong |= pluginNumber != SoakPluginNumber || percentDone != 100 ||
                              !sourceName || !targetName || ProgressRemote != sourceName ||
                              ProgressLocal != targetName;
    return 0;
}

static volatile LONG StopBoxWatch;
static volatile LONG BoxesSeen;

/* the soak's clipboard is never empty nor held during a listing: a box is a failure */
static DWORD WINAPI WatchBoxes(LPVOID) {
    while (!StopBoxWatch) {
        HWND box = WaitForMessageBox("Tabrinox", 200);
        if (!box)
            continue;
        MessageBoxContents contents;
        ReadMessageBox(box, &contents);
        printf("FAIL: message box \"%s\"\n", contents.text);
        fflush(stdout);
        InterlockedIncrement(&BoxesSeen);
        DismissMessageBox(box);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// One round

struct Tally {
    long entries;
    long copiedWhole;
    long vanished;
    long oldFilesKept;
};

// the listing against what was put and what the platform enumerates
static void CheckListing(int round, const std::vector<ListedEntry>& listed,
                         const Contents& contents) {
    std::vector<HeldFormat> held = HeldFormats();
    if (listed.size() != held.size()) {
        Fail(round, "%u entries listed, %u formats enumerated", (unsigned)listed.size(),
             (unsigned)held.size());
        return;
    }
    for (size_t i = 0; i < listed.size(); ++i) {
        if (listed[i].name != held[i].name)
            Fail(round, "entry %u named \"%s\", the format is \"%s\"", (unsigned)i,
                 listed[i].name.c_str(), held[i].name.c_str());
        const PutFormat* put = FindPut(contents, listed[i].name);
        std::string platformBytes;
        size_t size = put ? put->bytes.size()
                          : (PlatformBlock(held[i].format, &platformBytes) ? platformBytes.size()
                                                                           : (size_t)-1);
        if (listed[i].sizeHigh != 0 || listed[i].sizeLow != (DWORD)size)
            Fail(round, "\"%s\" listed with size %lu:%lu, the block has %u bytes",
                 listed[i].name.c_str(), listed[i].sizeHigh, listed[i].sizeLow, (unsigned)size);
    }
    for (const PutFormat& put : contents.formats) {
        bool found = false;
        for (const ListedEntry& entry : listed)
            found |= entry.name == put.name;
        if (!found)
            Fail(round, "\"%s\" was put and is not listed", put.name.c_str());
    }
}

// Copies every entry of the listing after the clipboard was replaced; each result against
// what the clipboard now holds.
static void CopyEntries(int round, const std::vector<ListedEntry>& listed, const Contents& now,
                        uint32_t* state, Tally* tally) {
    std::vector<HeldFormat> held = HeldFormats();
    for (size_t i = 0; i < listed.size(); ++i) {
        const std::string& name = listed[i].name;
        bool present = false;
        UINT format = 0;
        for (const HeldFormat& h : held)
            if (h.name == name) {
                present = true;
                format = h.format;
            }
        std::string expected;
        const PutFormat* put = FindPut(now, name);
        if (put)
            expected = put->bytes;
        else if (present && !PlatformBlock(format, &expected))
            present = false;

        std::string local = SoakFolder + "\\entry" + std::to_string(i) + ".bin";
        uint32_t choice = Random(state) % 3;
        int flags = choice == 0 ? 0 : CopyFlagReplace;
        std::string oldBytes = "old file of round " + std::to_string(round);
        if (choice == 2 && !WriteWholeFile(local, oldBytes))
            Fail(round, "cannot write the old file %s", local.c_str());

        std::string remote = "\\" + name;
        ProgressRemote = remote;
        ProgressLocal = local;
        int callsBefore = ProgressCalls;
        int result = Plugin.getFile(&remote[0], &local[0], flags, NULL);
        int calls = ProgressCalls - callsBefore;
        ++tally->entries;

        std::string bytes;
        bool exists = ReadWholeFile(local, &bytes);
        if (present) {
            if (result != CopyOk)
                Fail(round, "copy of \"%s\" (there) gave %d", name.c_str(), result);
            else if (!exists || bytes != expected)
                Fail(round, "copy of \"%s\": file of %u bytes, the block has %u", name.c_str(),
                     (unsigned)bytes.size(), (unsigned)expected.size());
            else
                ++tally->copiedWhole;
        } else {
            if (result != CopyFailed)
                Fail(round, "copy of \"%s\" (vanished) gave %d", name.c_str(), result);
            else
                ++tally->vanished;
            /* a failed copy leaves the user's old file as it was, and makes none */
            if (choice == 2 && (!exists || bytes != oldBytes))
                Fail(round, "old file under %s changed by a failed copy", local.c_str());
            else if (choice == 2)
                ++tally->oldFilesKept;
            if (choice != 2 && exists)
                Fail(round, "failed copy of \"%s\" left a file", name.c_str());
        }
        if (calls != (result == CopyOk ? 1 : 0))
            Fail(round, "copy of \"%s\" with result %d made %d progress calls", name.c_str(),
                 result, calls);
        DeleteFileA(local.c_str());
    }
}

// ---------------------------------------------------------------------------------------
// Options and the run

static long OptionValue(int argc, char** argv, const char* flag, const char* variable,
                        long fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], flag) == 0)
            return atol(argv[i + 1]);
    const char* value = getenv(variable);
    return value && *value ? atol(value) : fallback;
}

static DWORD Deadline;

/* the time bound holds even when a call never returns */
static DWORD WINAPI Watchdog(LPVOID) {
    Sleep(Deadline + 60000);
    printf("FAIL: the soak has not ended 60 s after its time bound; stopped\n");
    fflush(stdout);
    ExitProcess(1);
    return 0;
}

static void PrintCounts(const char* when, const Counts& counts) {
    printf("%-10s", when);
    for (const CounterRow& row : CounterRows)
        printf("  %s %ld", row.name, counts.*row.field);
    printf("\n");
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IOLBF, 0);
    long rounds = OptionValue(argc, argv, "--rounds", "TABRINOX_SOAK_ROUNDS", 200);
    long seconds = OptionValue(argc, argv, "--seconds", "TABRINOX_SOAK_SECONDS", 120 + rounds / 10);
    uint32_t state = (uint32_t)OptionValue(argc, argv, "--seed", "TABRINOX_SOAK_SEED", 20261211);
    const char* module = getenv("TABRINOX_MODULE");
    if (!module || rounds <= WarmUpRounds || seconds <= 0 || !state) {
        fprintf(stderr,
                "usage: TABRINOX_MODULE=PLUGIN soak [--rounds N>%d] [--seconds S] "
                "[--seed X]\n",
                WarmUpRounds);
        return 2;
    }
    if (!LoadPluginEntryPoints(module, &Plugin))
        return 2;
    Plugin.init(SoakPluginNumber, CountProgress, NULL, NULL);
    printf("soak: %ld rounds, time bound %ld s, seed %u\n", rounds, seconds, (unsigned)state);

    bool sees[6];
    CalibrateCounters(sees);
    for (int i = 0; i < 6; ++i) {
        printf("counter %-28s %s\n", CounterRows[i].name,
               sees[i] ? "counts a new object" : "does not count a new object on this platform");
        if (CounterRows[i].isSubstitute && !sees[i]) {
            printf("FAIL: the soak cannot watch %s\n", CounterRows[i].name);
            return 2;
        }
    }

    SoakFolder = MakeFreshFolder("tabrinox-soak");
    for (int i = 0; i < PoolSize; ++i)
        PoolFormats[i] = RegisterClipboardFormatA(PoolName(i).c_str());

    Counts start = CountObjects();
    TheReplacer.commandReady = CreateEventA(NULL, FALSE, FALSE, NULL);
    TheReplacer.commandDone = CreateEventA(NULL, FALSE, FALSE, NULL);
    TheReplacer.thread = CreateThread(NULL, 0, RunReplacer, NULL, 0, NULL);
    HANDLE boxWatch = CreateThread(NULL, 0, WatchBoxes, NULL, 0, NULL);
    Deadline = (DWORD)seconds * 1000;
    CloseHandle(CreateThread(NULL, 0, Watchdog, NULL, 0, NULL));

    DWORD began = GetTickCount();
    TheReplacer.next = MakeContents(0, &state);
    if (!RunCommand(ReplaceContents))
        Fail(0, "the clipboard refused the first contents");

    Tally tally = {};
    Counts afterWarmUp = {};
    std::vector<Counts> samples;
    long done = 0;
    bool timedOut = false;
    for (int round = 0; round < rounds; ++round) {
        if (GetTickCount() - began > Deadline) {
            timedOut = true;
            break;
        }
        Contents listedContents = TheReplacer.current;
        std::vector<ListedEntry> listed = ListThroughModule();
        if (listed.empty())
            Fail(round, "nothing listed");
        CheckListing(round, listed, listedContents);
        if (!RunCommand(ProbeClipboard))
            Fail(round, "the clipboard is held after FsFindClose");

        /* formats vanish between the listing and the copies */
        TheReplacer.next = MakeContents(round + 1, &state);
        if (!RunCommand(ReplaceContents))
            Fail(round, "the clipboard refused the next contents");
        CopyEntries(round, listed, TheReplacer.current, &state, &tally);
        if (!RunCommand(ProbeClipboard))
            Fail(round, "the clipboard is held after the copies");
        std::vector<std::string> stray = FolderNames(SoakFolder);
        if (!stray.empty())
            Fail(round, "%u files left, the first %s", (unsigned)stray.size(), stray[0].c_str());
        if (ProgressArgumentsWrong) {
            Fail(round, "the progress callback got other arguments than the copy's");
            ProgressArgumentsWrong = false;
        }

        ++done;
        if (round + 1 == WarmUpRounds)
            afterWarmUp = CountObjects();
        if (round + 1 > WarmUpRounds && (round + 1) % 50 == 0)
            samples.push_back(CountObjects());
        if ((round + 1) % 1000 == 0)
            printf("round %d: %ld copies, %ld failures, %lu s\n", round + 1, tally.entries,
                   FailureCount, (GetTickCount() - began) / 1000);
    }
    DWORD elapsed = GetTickCount() - began;
    LONG renderRequests = TheReplacer.renderRequests;
    RunCommand(StopReplacer);
    WaitForSingleObject(TheReplacer.thread, INFINITE);
    CloseHandle(TheReplacer.thread);
    CloseHandle(TheReplacer.commandReady);
    CloseHandle(TheReplacer.commandDone);
    InterlockedExchange(&StopBoxWatch, 1);
    WaitForSingleObject(boxWatch, INFINITE);
    CloseHandle(boxWatch);
    Counts end = CountObjects();
    samples.push_back(end);

    printf("rounds %ld of %ld in %.1f s; %ld copies: %ld whole, %ld of vanished formats "
           "(%ld old files kept); %ld renderings on request; %ld message boxes\n",
           done, rounds, elapsed / 1000.0, tally.entries, tally.copiedWhole, tally.vanished,
           tally.oldFilesKept, (long)renderRequests, (long)BoxesSeen);
    PrintCounts("start", start);
    PrintCounts("warmed up", afterWarmUp);
    PrintCounts("end", end);
    Counts most = afterWarmUp;
    for (const CounterRow& row : CounterRows)
        for (const Counts& sample : samples)
            most.*row.field = std::max(most.*row.field, sample.*row.field);
    PrintCounts("most", most);
    for (const CounterRow& row : CounterRows) {
        if (most.*row.field > afterWarmUp.*row.field + FlatSlack)
            Fail(-1, "%s grew from %ld after the warm-up to %ld", row.name, afterWarmUp.*row.field,
                 most.*row.field);
    }
    if (timedOut)
        Fail(-1, "time bound of %ld s reached after %ld rounds", seconds, done);
    if (BoxesSeen)
        Fail(-1, "%ld message boxes", (long)BoxesSeen);
    if (tally.vanished == 0 || tally.copiedWhole == 0)
        Fail(-1, "the rounds never had both a vanished and a present format");
    if (!FolderNames(SoakFolder).empty())
        Fail(-1, "files left in %s", SoakFolder.c_str());
    RemoveDirectoryA(SoakFolder.c_str());
    printf("%s: %ld failures\n", FailureCount ? "FAILED" : "PASSED", FailureCount);
    return FailureCount ? 1 : 0;
}
