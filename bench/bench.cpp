// Measures what the module adds to the platform calls it must make. Each measurement runs the
// module and a baseline that makes the same calls directly, in this process, pair after pair
// with the order swapped each time; the table gives the medians and the median of the
// per-pair ratios, so slow phases of a busy machine fall on both sides alike.
//   tabrinox_bench --module M --bare-module B --minimal-dll D --scratch DIR [--dd-mibps X]
//                  [--quick]
//   tabrinox_bench --memory-child module|baseline --module M --scratch DIR
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/system/clipboard_fixture.h"
#include "tools/plugin_loader.h"

static const int RegisteredFormats = 500;
static const SIZE_T FormatBytes = 1024;
static const SIZE_T CopyBytes = (SIZE_T)256 << 20;
static const char CopyFormatName[] = "Tabrinox bench block";
static const double MiB = 1024.0 * 1024.0;

struct Options {
    std::string module;     // Windows paths, as LoadLibraryA and CreateFileA take them
    std::string bareModule; // the module built without its resources
    std::string minimalDll;
    std::string scratch;
    std::string memoryChild; // "module" or "baseline" in a child process
    double ddMibPerSecond = 0;
    int listingPairs = 101;
    int copyPairs = 31;
    int memoryPairs = 5;
    int startupPairs = 101;
    int loadsPerSample = 20;
};

struct Row {
    std::string measurement;
    std::string module;
    std::string baseline;
    std::string ratio;
    std::string goal;
};

static std::vector<Row> Table;

// what the host's progress callback costs at the least
static int WINAPI ProgressSink(int, char*, char*, int) {
    return 0;
}

[[noreturn]] static void Fail(const char* what) {
    fprintf(stderr, "bench: %s (last error %lu)\n", what, GetLastError());
    fflush(stderr);
    ExitProcess(2);
}

static std::string WindowsPath(const char* path) {
    char windowsPath[MAX_PATH * 2];
    WindowsPathOf(path, windowsPath, sizeof(windowsPath));
    return windowsPath;
}

static double Now() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

static std::string Format(const char* format, double value) {
    char text[64];
    snprintf(text, sizeof(text), format, value);
    return text;
}

// Module and baseline samples of one measurement, taken in pairs.
struct Pairs {
    std::vector<double> module;
    std::vector<double> baseline;
    std::vector<double> ratio;
};

template <typename ModuleRun, typename BaselineRun>
static Pairs RunPairs(int pairs, ModuleRun moduleRun, BaselineRun baselineRun) {
    Pairs result;
    for (int i = 0; i < pairs; ++i) {
        double m, b;
        /* swap the order each pair: the second run of a pair may find warmer caches */
        if (i % 2) {
            b = baselineRun();
            m = moduleRun();
        } else {
            m = moduleRun();
            b = baselineRun();
        }
        result.module.push_back(m);
        result.baseline.push_back(b);
        result.ratio.push_back(m / b);
    }
    return result;
}

static void AddRow(const char* measurement, const Pairs& pairs, double scale, const char* format,
                   const char* goal) {
    Table.push_back({measurement, Format(format, Median(pairs.module) * scale),
                     Format(format, Median(pairs.baseline) * scale),
                     Format("%.3f", Median(pairs.ratio)), goal});
}

// ---- listing ------------------------------------------------------------------------------

static const char* PredefinedName(UINT format) {
    switch (format) {
    case CF_TEXT:
        return "CF_TEXT";
    case CF_BITMAP:
        return "CF_BITMAP";
    case CF_METAFILEPICT:
        return "CF_METAFILEPICT";
    case CF_SYLK:
        return "CF_SYLK";
    case CF_DIF:
        return "CF_DIF";
    case CF_TIFF:
        return "CF_TIFF";
    case CF_OEMTEXT:
        return "CF_OEMTEXT";
    case CF_DIB:
        return "CF_DIB";
    case CF_PALETTE:
        return "CF_PALETTE";
    case CF_PENDATA:
        return "CF_PENDATA";
    case CF_RIFF:
        return "CF_RIFF";
    case CF_WAVE:
        return "CF_WAVE";
    case CF_UNICODETEXT:
        return "CF_UNICODETEXT";
    case CF_ENHMETAFILE:
        return "CF_ENHMETAFILE";
    case CF_HDROP:
        return "CF_HDROP";
    case CF_LOCALE:
        return "CF_LOCALE";
    case CF_DIBV5:
        return "CF_DIBV5";
    case CF_OWNERDISPLAY:
        return "CF_OWNERDISPLAY";
    case CF_DSPTEXT:
        return "CF_DSPTEXT";
    case CF_DSPBITMAP:
        return "CF_DSPBITMAP";
    case CF_DSPMETAFILEPICT:
        return "CF_DSPMETAFILEPICT";
    case CF_DSPENHMETAFILE:
        return "CF_DSPENHMETAFILE";
    default:
        return 0;
    }
}

struct ListingTotals {
    int entries;
    unsigned long long bytes;
};

static ListingTotals ListThroughModule(const PluginEntryPoints& plugin) {
    WIN32_FIND_DATAA record;
    ListingTotals totals = {0, 0};
    char root[] = "\\";
    HANDLE search = plugin.findFirst(root, &record);
    if (search == INVALID_HANDLE_VALUE)
        Fail("FsFindFirst found no listing");
    do {
        ++totals.entries;
        totals.bytes += record.nFileSizeLow;
    } while (plugin.findNext(search, &record));
    plugin.findClose(search);
    return totals;
}

// the calls a listing must make, with nothing around them
static ListingTotals ListThroughPlatform() {
    WIN32_FIND_DATAA record;
    ListingTotals totals = {0, 0};
    if (!OpenClipboard(NULL))
        Fail("OpenClipboard for the baseline listing");
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        const char* name = PredefinedName(format);
        if (name)
            lstrcpyA(record.cFileName, name);
        else
            GetClipboardFormatNameA(format, record.cFileName, MAX_PATH);
        HANDLE data = GetClipboardData(format);
        if (data) {
            record.nFileSizeHigh = 0;
            record.nFileSizeLow = (DWORD)GlobalSize(data);
        }
        ++totals.entries;
        totals.bytes += record.nFileSizeLow;
    }
    CloseClipboard();
    return totals;
}

static void PutListingClipboard() {
    std::vector<FormatData> formats;
    /* as a program copying text puts it: the platform adds CF_TEXT, CF_OEMTEXT, CF_LOCALE */
    const wchar_t text[] = L"Tabrinox benchmark text";
    formats.push_back({CF_UNICODETEXT, std::string((const char*)text, sizeof(text))});
    for (int i = 0; i < RegisteredFormats; ++i) {
        char name[64];
        snprintf(name, sizeof(name), "Tabrinox bench format %03d", i);
        formats.push_back({RegisterFormat(name), std::string(FormatBytes, (char)('a' + i % 26))});
    }
    /* the display driver's clipboard thread may hold the clipboard for a moment */
    for (int attempt = 0; !PutFormats(formats); ++attempt) {
        if (attempt == 50)
            Fail("cannot put the listing's formats on the clipboard");
        Sleep(100);
    }
}

static void BenchListing(const Options& options, const PluginEntryPoints& plugin) {
    PutListingClipboard();
    /* the first pass renders the formats the platform makes from the text */
    ListingTotals viaModule = ListThroughModule(plugin);
    ListingTotals viaPlatform = ListThroughPlatform();
    if (viaModule.entries != viaPlatform.entries || viaModule.bytes != viaPlatform.bytes)
        Fail("the module's listing and the platform's differ");
    printf("listing: %d entries, %llu bytes of data\n", viaModule.entries, viaModule.bytes);

    Pairs pairs = RunPairs(
        options.listingPairs,
        [&] {
            double start = Now();
            ListThroughModule(plugin);
            return Now() - start;
        },
        [&] {
            double start = Now();
            ListThroughPlatform();
            return Now() - start;
        });
    char measurement[128];
    snprintf(measurement, sizeof(measurement), "listing of %d formats, ms", viaModule.entries);
    AddRow(measurement, pairs, 1e3, "%.2f", "≤ 1.05");
    /* the baseline against itself: how far a ratio strays on this machine with no cost */
    Pairs noise = RunPairs(
        options.listingPairs,
        [&] {
            double start = Now();
            ListThroughPlatform();
            return Now() - start;
        },
        [&] {
            double start = Now();
            ListThroughPlatform();
            return Now() - start;
        });
    AddRow("listing: baseline against itself (noise), ms", noise, 1e3, "%.2f", "—");
}

// ---- copy ---------------------------------------------------------------------------------

static HGLOBAL PutCopyBlock() {
    UINT format = RegisterClipboardFormatA(CopyFormatName);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, CopyBytes);
    if (!block)
        Fail("cannot allocate the 256 MiB block");
    unsigned char* bytes = (unsigned char*)GlobalLock(block);
    for (SIZE_T i = 0; i < CopyBytes; i += 4096)
        memset(bytes + i, (int)(i >> 12) & 0xFF, 4096);
    GlobalUnlock(block);
    for (int attempt = 0; !OpenClipboard(NULL); ++attempt) {
        if (attempt == 50)
            Fail("cannot open the clipboard for the 256 MiB block");
        Sleep(100);
    }
    if (!EmptyClipboard() || !SetClipboardData(format, block))
        Fail("cannot put the 256 MiB block on the clipboard");
    CloseClipboard();
    return block;
}

static unsigned long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return ~0ull;
    return ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

static std::string RemoteName() {
    return std::string("\\") + CopyFormatName;
}

static void CopyThroughModule(const PluginEntryPoints& plugin, const std::string& target) {
    std::string remote = RemoteName();
    int result = plugin.getFile(&remote[0], (char*)target.c_str(), 0, NULL);
    if (result != CopyOk)
        Fail("FsGetFile did not copy the block");
}

// the calls a copy must make: the name back to a format, the target's absence, the block,
// one file and one write
static void CopyThroughPlatform(const std::string& target) {
    UINT format = RegisterClipboardFormatA(CopyFormatName);
    if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        Fail("the copy's target is there already");
    OpenClipboard(NULL);
    HANDLE data = GetClipboardData(format);
    if (!data)
        Fail("no data for the baseline copy");
    SIZE_T size = GlobalSize(data);
    void* block = GlobalLock(data);
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        Fail("CreateFileA for the baseline copy");
    DWORD written = 0;
    BOOL ok = WriteFile(file, block, (DWORD)size, &written, NULL);
    GlobalUnlock(data);
    CloseHandle(file);
    CloseClipboard();
    if (!ok || written != size)
        Fail("WriteFile of the baseline copy");
}

static double TimedCopy(bool viaModule, const PluginEntryPoints& plugin,
                        const std::string& target) {
    double start = Now();
    if (viaModule)
        CopyThroughModule(plugin, target);
    else
        CopyThroughPlatform(target);
    double seconds = Now() - start;
    if (FileSize(target) != CopyBytes)
        Fail("the copy's file is not 256 MiB");
    /* every copy starts without the file */
    if (!DeleteFileA(target.c_str()))
        Fail("cannot delete the copy's file");
    return seconds;
}

static void BenchCopy(const Options& options, const PluginEntryPoints& plugin) {
    std::string target = options.scratch + "\\copy.bin";
    DeleteFileA(target.c_str());
    HGLOBAL block = PutCopyBlock();
    (void)block; /* the clipboard owns it now */
    TimedCopy(true, plugin, target);
    TimedCopy(false, plugin, target);

    Pairs pairs = RunPairs(
        options.copyPairs, [&] { return TimedCopy(true, plugin, target); },
        [&] { return TimedCopy(false, plugin, target); });
    AddRow("copy of 256 MiB, ms", pairs, 1e3, "%.1f", "≤ 1.05");
    Pairs noise = RunPairs(
        options.copyPairs, [&] { return TimedCopy(false, plugin, target); },
        [&] { return TimedCopy(false, plugin, target); });
    AddRow("copy: baseline against itself (noise), ms", noise, 1e3, "%.1f", "—");

    Pairs throughput;
    for (size_t i = 0; i < pairs.module.size(); ++i) {
        throughput.module.push_back(CopyBytes / MiB / pairs.module[i]);
        throughput.baseline.push_back(CopyBytes / MiB / pairs.baseline[i]);
        throughput.ratio.push_back(throughput.module.back() / throughput.baseline.back());
    }
    AddRow("copy throughput, MiB/s", throughput, 1, "%.0f", "—");
    if (options.ddMibPerSecond > 0)
        Table.push_back({"dd of 256 MiB to the same folder, MiB/s", "—",
                         Format("%.0f", options.ddMibPerSecond), "—", "reference"});

    if (!OpenClipboard(NULL) || !EmptyClipboard())
        Fail("cannot empty the clipboard after the copy");
    CloseClipboard();
}

// ---- memory, in fresh processes -----------------------------------------------------------

static SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters;
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        Fail("GetProcessMemoryInfo");
    return counters.PeakWorkingSetSize;
}

// One side of the memory measurement: the block on the clipboard, one copy, the peaks before
// and after it on stdout.
static int MemoryChild(const Options& options) {
    bool viaModule = options.memoryChild == "module";
    PluginEntryPoints plugin;
    memset(&plugin, 0, sizeof(plugin));
    if (viaModule) {
        if (!LoadPluginEntryPoints(options.module.c_str(), &plugin))
            Fail("cannot load the module");
        plugin.init(1, ProgressSink, NULL, NULL);
    }
    std::string target = options.scratch + "\\memory-" + options.memoryChild + ".bin";
    DeleteFileA(target.c_str());
    PutCopyBlock();
    SIZE_T before = PeakWorkingSet();
    if (viaModule)
        CopyThroughModule(plugin, target);
    else
        CopyThroughPlatform(target);
    SIZE_T after = PeakWorkingSet();
    if (FileSize(target) != CopyBytes)
        Fail("the copy's file is not 256 MiB");
    DeleteFileA(target.c_str());
    printf("%lu %lu\n", (unsigned long)before, (unsigned long)after);
    return 0;
}

static void RunMemoryChild(const Options& options, const char* side, double* before,
                           double* after) {
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof(self));
    std::string command = std::string("\"") + self + "\" --memory-child " + side + " --module \"" +
                          options.module + "\" --scratch \"" + options.scratch + "\"";

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), NULL, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        Fail("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
        Fail("cannot start the memory child");
    CloseHandle(writeEnd);
    std::string output;
    char buffer[256];
    DWORD got;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, NULL) && got)
        output.append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    unsigned long peakBefore = 0, peakAfter = 0;
    if (exitCode != 0 || sscanf(output.c_str(), "%lu %lu", &peakBefore, &peakAfter) != 2)
        Fail("the memory child failed");
    *before = peakBefore;
    *after = peakAfter;
}

static void BenchMemory(const Options& options) {
    Pairs peak, growth;
    for (int i = 0; i < options.memoryPairs; ++i) {
        double mBefore, mAfter, bBefore, bAfter;
        if (i % 2) {
            RunMemoryChild(options, "baseline", &bBefore, &bAfter);
            RunMemoryChild(options, "module", &mBefore, &mAfter);
        } else {
            RunMemoryChild(options, "module", &mBefore, &mAfter);
            RunMemoryChild(options, "baseline", &bBefore, &bAfter);
        }
        peak.module.push_back(mAfter);
        peak.baseline.push_back(bAfter);
        peak.ratio.push_back(mAfter / bAfter);
        growth.module.push_back(mAfter - mBefore);
        growth.baseline.push_back(bAfter - bBefore);
        growth.ratio.push_back(1);
    }
    AddRow("peak working set around a 256 MiB copy, MiB", peak, 1 / MiB, "%.2f", "≤ 1.01");
    Table.push_back({"peak growth during that copy, KiB",
                     Format("%.0f", Median(growth.module) / 1024),
                     Format("%.0f", Median(growth.baseline) / 1024), "—", "module: 0"});
}

// ---- start-up -----------------------------------------------------------------------------

typedef int(WINAPI* InitEntry)(int, void*, void*, void*);
typedef void(WINAPI* RootNameEntry)(char*, int);

// LoadLibraryA, the two entry points the host calls first, and FreeLibrary outside the clock
static double StartUp(const std::string& path, int loads) {
    double total = 0;
    for (int i = 0; i < loads; ++i) {
        char rootName[MAX_PATH];
        double start = Now();
        HMODULE module = LoadLibraryA(path.c_str());
        if (!module)
            Fail("LoadLibraryA in the start-up measurement");
        InitEntry init = (InitEntry)(void*)GetProcAddress(module, "FsInit");
        RootNameEntry rootNameOf = (RootNameEntry)(void*)GetProcAddress(module, "FsGetDefRootName");
        if (!init || !rootNameOf)
            Fail("the start-up entry points are missing");
        init(1, NULL, NULL, NULL);
        rootNameOf(rootName, sizeof(rootName));
        total += Now() - start;
        FreeLibrary(module);
    }
    return total / loads;
}

static void BenchStartUp(const Options& options) {
    StartUp(options.module, 3);
    StartUp(options.minimalDll, 3);
    StartUp(options.bareModule, 3);
    Pairs pairs = RunPairs(
        options.startupPairs, [&] { return StartUp(options.module, options.loadsPerSample); },
        [&] { return StartUp(options.minimalDll, options.loadsPerSample); });
    AddRow("start-up: LoadLibraryA, FsInit, FsGetDefRootName, µs", pairs, 1e6, "%.0f", "none set");
    /* the same build without its resources: what the loader spends on the icons' bytes */
    Pairs bare = RunPairs(
        options.startupPairs, [&] { return StartUp(options.bareModule, options.loadsPerSample); },
        [&] { return StartUp(options.minimalDll, options.loadsPerSample); });
    AddRow("start-up of the module built without resources, µs", bare, 1e6, "%.0f", "none set");
}

// ---- size ---------------------------------------------------------------------------------

static BOOL CALLBACK AddResourceSize(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR total) {
    HRSRC resource = FindResourceA(module, name, type);
    *(unsigned long long*)total += resource ? SizeofResource(module, resource) : 0;
    return TRUE;
}

static void BenchSize(const Options& options) {
    unsigned long long withResources = FileSize(options.module);
    unsigned long long bare = FileSize(options.bareModule);
    Table.push_back({"module file, bytes (baseline: same build without resources)",
                     Format("%.0f", (double)withResources), Format("%.0f", (double)bare),
                     Format("%.3f", (double)withResources / bare), "—"});

    HMODULE data = LoadLibraryExA(options.module.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!data)
        Fail("cannot map the module as data");
    unsigned long long iconBytes = 0;
    EnumResourceNamesA(data, RT_ICON, AddResourceSize, (LONG_PTR)&iconBytes);
    EnumResourceNamesA(data, RT_GROUP_ICON, AddResourceSize, (LONG_PTR)&iconBytes);
    FreeLibrary(data);
    Table.push_back(
        {"icon resources in the module, bytes", Format("%.0f", (double)iconBytes), "—", "—", "—"});
}

// ---- main ---------------------------------------------------------------------------------

static void PrintTable() {
    printf("\n| measurement | module | baseline | ratio | goal |\n");
    printf("|---|--:|--:|--:|---|\n");
    for (const Row& row : Table)
        printf("| %s | %s | %s | %s | %s |\n", row.measurement.c_str(), row.module.c_str(),
               row.baseline.c_str(), row.ratio.c_str(), row.goal.c_str());
}

static Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--module" && hasValue)
            options.module = WindowsPath(argv[++i]);
        else if (arg == "--bare-module" && hasValue)
            options.bareModule = WindowsPath(argv[++i]);
        else if (arg == "--minimal-dll" && hasValue)
            options.minimalDll = WindowsPath(argv[++i]);
        else if (arg == "--scratch" && hasValue)
            options.scratch = WindowsPath(argv[++i]);
        else if (arg == "--memory-child" && hasValue)
            options.memoryChild = argv[++i];
        else if (arg == "--dd-mibps" && hasValue)
            options.ddMibPerSecond = atof(argv[++i]);
        else if (arg == "--quick") {
            options.listingPairs = 5;
            options.copyPairs = 3;
            options.memoryPairs = 1;
            options.startupPairs = 5;
        } else {
            fprintf(stderr, "bench: unknown argument %s\n", arg.c_str());
            ExitProcess(2);
        }
    }
    return options;
}

int main(int argc, char** argv) {
    Options options = ParseOptions(argc, argv);
    if (options.module.empty() || options.scratch.empty())
        Fail("--module and --scratch are needed");
    if (!options.memoryChild.empty())
        return MemoryChild(options);
    if (options.bareModule.empty() || options.minimalDll.empty())
        Fail("--bare-module and --minimal-dll are needed");

    printf("pairs: listing %d, copy %d, memory %d (fresh processes), start-up %d x %d loads\n",
           options.listingPairs, options.copyPairs, options.memoryPairs, options.startupPairs,
           options.loadsPerSample);
    fflush(stdout);
    /* before the module is loaded for good: each load here is a real one */
    BenchStartUp(options);
    fflush(stdout);

    PluginEntryPoints plugin;
    if (!LoadPluginEntryPoints(options.module.c_str(), &plugin))
        Fail("cannot load the module");
    plugin.init(1, ProgressSink, NULL, NULL);
    BenchListing(options, plugin);
    fflush(stdout);
    BenchCopy(options, plugin);
    fflush(stdout);
    BenchMemory(options);
    BenchSize(options);
    PrintTable();
    return 0;
}
