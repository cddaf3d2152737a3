// Stands in for the file manager: loads a file-system plug-in by path, calls its entry
// points in the host's order and prints what it gets back.
//
//   host_standin PLUGIN [options] COMMAND [ARGS]
//   options:  --dismiss-boxes   press OK on the plug-in's message boxes and print them
//             --put-sample      place a sample on the clipboard first
//   commands: root [CAPACITY]   print the root name
//             list              list the root directory
//             copy REMOTE LOCAL [--replace]
//             copy-all FOLDER [--replace]   copy every listed entry into FOLDER
//             exec PATH VERB
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "module/host_contract.h"
#include "tools/message_box_reader.h"
#include "tools/plugin_loader.h"

static const char BoxCaption[] = "Tabrinox";
static const int PluginNumber = 1;

static PluginEntryPoints Plugin;
static volatile LONG StopBoxWatch;

static const char* CopyResultName(int result) {
    switch (result) {
    case CopyOk:
        return "CopyOk";
    case CopyTargetExists:
        return "CopyTargetExists";
    case CopyNameRefused:
        return "CopyNameRefused";
    case CopyFailed:
        return "CopyFailed";
    case CopyTargetNotRemoved:
        return "CopyTargetNotRemoved";
    case CopyRefused:
        return "CopyRefused";
    }
    return "unknown";
}

static int WINAPI PrintProgress(int pluginNumber, char* sourceName, char* targetName,
                                int percentDone) {
    printf("progress: plugin=%d source=\"%s\" target=\"%s\" percent=%d\n", pluginNumber, sourceName,
           targetName, percentDone);
    fflush(stdout);
    return 0;
}

static DWORD WINAPI WatchBoxes(LPVOID) {
    while (!StopBoxWatch) {
        HWND box = WaitForMessageBox(BoxCaption, 100);
        if (!box)
            continue;
        MessageBoxContents contents;
        ReadMessageBox(box, &contents);
        printf("message box: caption=\"%s\" text=\"%s\" buttons=%d\n", contents.caption,
               contents.text, contents.buttonCount);
        fflush(stdout);
        DismissMessageBox(box);
        /* wait until it is gone so it is not reported twice */
        while (IsWindow(box) && !StopBoxWatch)
            Sleep(20);
    }
    return 0;
}

static bool SetBlock(UINT format, const void* bytes, SIZE_T size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return false;
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    if (SetClipboardData(format, block))
        return true;
    GlobalFree(block);
    return false;
}

// Unicode text, a registered format whose name holds characters that file names may not,
// and a small picture.
static bool PutSample() {
    if (!OpenClipboard(NULL))
        return false;
    EmptyClipboard();
    static const WCHAR text[] = L"Hello from the clipboard";
    bool ok = SetBlock(CF_UNICODETEXT, text, sizeof(text));
    static const char custom[] = "custom: bytes \x00\x01\x02 end";
    UINT customFormat = RegisterClipboardFormatA("Tabrinox Sample: a/b*c?");
    ok = ok && SetBlock(customFormat, custom, sizeof(custom) - 1);

    /* a 2x2 32-bit picture */
    struct {
        BITMAPINFOHEADER header;
        DWORD pixels[4];
    } picture = {};
    picture.header.biSize = sizeof(picture.header);
    picture.header.biWidth = 2;
    picture.header.biHeight = 2;
    picture.header.biPlanes = 1;
    picture.header.biBitCount = 32;
    picture.header.biCompression = BI_RGB;
    picture.pixels[0] = 0x00FF0000;
    picture.pixels[1] = 0x0000FF00;
    picture.pixels[2] = 0x000000FF;
    picture.pixels[3] = 0x00FFFFFF;
    ok = ok && SetBlock(CF_DIB, &picture, sizeof(picture));
    CloseClipboard();
    return ok;
}

static void PrintRoot(int capacity) {
    char buffer[1024];
    if (capacity > (int)sizeof(buffer))
        capacity = sizeof(buffer);
    memset(buffer, 0, sizeof(buffer));
    Plugin.getDefRootName(buffer, capacity);
    printf("root: \"%s\"\n", buffer);
}

// Lists the root; calls visit for every entry while the listing is open, as the host does.
static int ListRoot(bool print, char names[][MAX_PATH], int maxNames) {
    WIN32_FIND_DATAA record;
    memset(&record, 0, sizeof(record));
    char root[] = "\\";
    HANDLE search = Plugin.findFirst(root, &record);
    if (search == INVALID_HANDLE_VALUE) {
        if (print)
            printf("list: FsFindFirst returned -1\n");
        return -1;
    }
    int count = 0;
    do {
        if (print)
            printf("entry: name=\"%s\" size=%llu attributes=0x%08lx\n", record.cFileName,
                   ((unsigned long long)record.nFileSizeHigh << 32) | record.nFileSizeLow,
                   (unsigned long)record.dwFileAttributes);
        if (names && count < maxNames)
            lstrcpynA(names[count], record.cFileName, MAX_PATH);
        ++count;
    } while (Plugin.findNext(search, &record));
    Plugin.findClose(search);
    if (print)
        printf("list: %d entries\n", count);
    return count;
}

static int CopyOne(const char* entryName, const char* localName, bool replace) {
    char remote[MAX_PATH + 1];
    char local[MAX_PATH * 2];
    remote[0] = '\\';
    lstrcpynA(remote + 1, entryName, MAX_PATH);
    lstrcpynA(local, localName, sizeof(local));
    int result = Plugin.getFile(remote, local, replace ? CopyFlagReplace : 0, NULL);
    printf("copy: \"%s\" -> \"%s\" result=%d (%s)\n", remote, local, result,
           CopyResultName(result));
    fflush(stdout);
    return result;
}

// The entry's name as a local file name: characters that Windows file names may not hold
// become '_', as a file manager would offer.
static void LocalFileName(const char* entryName, char* fileName, int capacity) {
    lstrcpynA(fileName, entryName, capacity);
    for (char* c = fileName; *c; ++c)
        if (strchr("\\/:*?\"<>|", *c) || (unsigned char)*c < 0x20)
            *c = '_';
}

static int CopyAll(const char* folder, bool replace) {
    static char names[4096][MAX_PATH];
    int count = ListRoot(false, names, 4096);
    if (count < 0) {
        printf("copy-all: nothing listed\n");
        return 1;
    }
    CreateDirectoryA(folder, NULL);
    int failures = 0;
    for (int i = 0; i < count && i < 4096; ++i) {
        char fileName[MAX_PATH];
        char local[MAX_PATH * 2];
        LocalFileName(names[i], fileName, sizeof(fileName));
        snprintf(local, sizeof(local), "%s\\%s", folder, fileName);
        if (CopyOne(names[i], local, replace) != CopyOk)
            ++failures;
    }
    printf("copy-all: %d entries, %d not copied\n", count, failures);
    return 0;
}

static int Usage() {
    fprintf(stderr, "usage: host_standin PLUGIN [--dismiss-boxes] [--put-sample] "
                    "root [CAPACITY] | list | copy REMOTE LOCAL [--replace] | "
                    "copy-all FOLDER [--replace] | exec PATH VERB\n");
    return 2;
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc < 3)
        return Usage();
    int arg = 1;
    const char* pluginPath = argv[arg++];
    bool dismissBoxes = false;
    bool putSample = false;
    for (; arg < argc && strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (strcmp(argv[arg], "--dismiss-boxes") == 0)
            dismissBoxes = true;
        else if (strcmp(argv[arg], "--put-sample") == 0)
            putSample = true;
        else
            return Usage();
    }
    if (arg >= argc)
        return Usage();
    const char* command = argv[arg++];
    bool replace = argc > arg && strcmp(argv[argc - 1], "--replace") == 0;

    if (!LoadPluginEntryPoints(pluginPath, &Plugin))
        return 1;
    if (putSample && !PutSample()) {
        fprintf(stderr, "cannot place the sample on the clipboard\n");
        return 1;
    }
    HANDLE watcher = NULL;
    if (dismissBoxes)
        watcher = CreateThread(NULL, 0, WatchBoxes, NULL, 0, NULL);

    /* the host's order: init, then the root name */
    Plugin.init(PluginNumber, PrintProgress, NULL, NULL);
    int status = 0;
    if (strcmp(command, "root") == 0) {
        PrintRoot(arg < argc ? atoi(argv[arg]) : MAX_PATH);
    } else if (strcmp(command, "list") == 0) {
        PrintRoot(MAX_PATH);
        ListRoot(true, NULL, 0);
    } else if (strcmp(command, "copy") == 0 && argc - arg >= 2) {
        CopyOne(argv[arg] + (argv[arg][0] == '\\' ? 1 : 0), argv[arg + 1], replace);
    } else if (strcmp(command, "copy-all") == 0 && argc - arg >= 1) {
        status = CopyAll(argv[arg], replace);
    } else if (strcmp(command, "exec") == 0 && argc - arg >= 2) {
        printf("exec: path=\"%s\" verb=\"%s\" result=%d\n", argv[arg], argv[arg + 1],
               Plugin.executeFile(NULL, argv[arg], argv[arg + 1]));
    } else {
        status = Usage();
    }

    if (watcher) {
        InterlockedExchange(&StopBoxWatch, 1);
        WaitForSingleObject(watcher, 5000);
    }
    return status;
}
