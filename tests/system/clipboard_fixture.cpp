#include "tests/system/clipboard_fixture.h"

#include <string.h>

PluginEntryPoints Plugin;

static const char BoxCaption[] = "Tabrinox";

static const struct {
    UINT id;
    const char* name;
} PredefinedNames[] = {
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

std::string PredefinedFormatName(UINT format) {
    for (const auto& row : PredefinedNames)
        if (row.id == format)
            return row.name;
    return std::string();
}

HGLOBAL BlockOf(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block)
        return NULL;
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

bool PutFormats(const std::vector<FormatData>& formats) {
    if (!OpenClipboard(NULL))
        return false;
    bool ok = EmptyClipboard() != 0;
    for (const FormatData& data : formats) {
        HGLOBAL block = BlockOf(data.bytes);
        if (!block || !SetClipboardData(data.format, block)) {
            GlobalFree(block);
            ok = false;
        }
    }
    CloseClipboard();
    return ok;
}

bool EmptyTheClipboard() {
    return PutFormats({});
}

UINT RegisterFormat(const char* name) {
    return RegisterClipboardFormatA(name);
}

std::string BlockBytes(UINT format) {
    std::string bytes;
    if (!OpenClipboard(NULL))
        return bytes;
    HANDLE data = GetClipboardData(format);
    SIZE_T size = data ? GlobalSize(data) : 0;
    const char* block = data ? (const char*)GlobalLock(data) : NULL;
    if (block) {
        bytes.assign(block, size);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes;
}

std::vector<PlatformEntry> PlatformListing(bool openIt) {
    std::vector<PlatformEntry> entries;
    if (openIt && !OpenClipboard(NULL))
        return entries;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        PlatformEntry entry = {format, PredefinedFormatName(format), 0};
        if (entry.name.empty()) {
            char name[MAX_PATH] = "";
            GetClipboardFormatNameA(format, name, MAX_PATH);
            entry.name = name;
        }
        HANDLE data = GetClipboardData(format);
        entry.size = data ? GlobalSize(data) : 0;
        entries.push_back(entry);
    }
    if (openIt)
        CloseClipboard();
    return entries;
}

static HWND CreateThreadWindow() {
    return CreateWindowExA(0, "STATIC", "tabrinox test", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL,
                           NULL);
}

static void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// keeps handling messages while it waits, so other threads' clipboard calls do not stall
static void WaitPumping(HANDLE event) {
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0)
            return;
        PumpMessages();
    }
}

static DWORD WINAPI ProbeClipboard(LPVOID param) {
    bool* held = (bool*)param;
    HWND window = CreateThreadWindow();
    if (OpenClipboard(window)) {
        CloseClipboard();
        *held = false;
    } else {
        *held = true;
    }
    DestroyWindow(window);
    return 0;
}

bool ClipboardHeldElsewhere() {
    bool held = true;
    HANDLE thread = CreateThread(NULL, 0, ProbeClipboard, &held, 0, NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return held;
}

static DWORD WINAPI HoldClipboard(LPVOID param) {
    ClipboardHolder* holder = (ClipboardHolder*)param;
    HWND window = CreateThreadWindow();
    holder->openResult = OpenClipboard(window);
    SetEvent(holder->opened);
    WaitPumping(holder->release);
    if (holder->openResult)
        CloseClipboard();
    DestroyWindow(window);
    return 0;
}

void HoldClipboardFromAnotherThread(ClipboardHolder* holder) {
    holder->opened = CreateEventA(NULL, TRUE, FALSE, NULL);
    holder->release = CreateEventA(NULL, TRUE, FALSE, NULL);
    holder->openResult = FALSE;
    holder->thread = CreateThread(NULL, 0, HoldClipboard, holder, 0, NULL);
    WaitForSingleObject(holder->opened, INFINITE);
}

void ReleaseClipboardHolder(ClipboardHolder* holder) {
    SetEvent(holder->release);
    WaitForSingleObject(holder->thread, INFINITE);
    CloseHandle(holder->thread);
    CloseHandle(holder->opened);
    CloseHandle(holder->release);
}

static DelayedRenderer* ActiveRenderer;

static LRESULT CALLBACK RendererProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RENDERFORMAT && ActiveRenderer && wParam == ActiveRenderer->format) {
        InterlockedIncrement(&ActiveRenderer->renderRequests);
        SetClipboardData(ActiveRenderer->format, BlockOf(ActiveRenderer->bytes));
        return 0;
    }
    if (message == WM_RENDERALLFORMATS)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

static const char RendererClass[] = "TabrinoxDelayedRenderer";

HWND CreateMessageWindow(const char* className, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
}

static DWORD WINAPI RunRenderer(LPVOID param) {
    DelayedRenderer* renderer = (DelayedRenderer*)param;
    HWND window = CreateMessageWindow(RendererClass, RendererProc);
    if (OpenClipboard(window)) {
        EmptyClipboard();
        /* no data yet: the owner renders it on request */
        SetClipboardData(renderer->format, NULL);
        CloseClipboard();
    }
    SetEvent(renderer->ready);
    WaitPumping(renderer->stop);
    if (OpenClipboard(window)) {
        EmptyClipboard();
        CloseClipboard();
    }
    DestroyWindow(window);
    UnregisterClassA(RendererClass, NULL);
    return 0;
}

void StartDelayedRenderer(DelayedRenderer* renderer, UINT format, const std::string& bytes) {
    renderer->format = format;
    renderer->bytes = bytes;
    renderer->renderRequests = 0;
    renderer->ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    renderer->stop = CreateEventA(NULL, TRUE, FALSE, NULL);
    ActiveRenderer = renderer;
    renderer->thread = CreateThread(NULL, 0, RunRenderer, renderer, 0, NULL);
    WaitForSingleObject(renderer->ready, INFINITE);
}

void StopDelayedRenderer(DelayedRenderer* renderer) {
    SetEvent(renderer->stop);
    WaitForSingleObject(renderer->thread, INFINITE);
    ActiveRenderer = NULL;
    CloseHandle(renderer->thread);
    CloseHandle(renderer->ready);
    CloseHandle(renderer->stop);
}

static DWORD WINAPI WatchForBox(LPVOID param) {
    BoxWatch* watch = (BoxWatch*)param;
    HWND box = WaitForMessageBox(BoxCaption, watch->timeoutMs);
    if (!box)
        return 0;
    watch->seen = true;
    ReadMessageBox(box, &watch->contents);
    watch->styleBits = (DWORD)GetWindowLongA(box, GWL_STYLE);
    bool held = true;
    ProbeClipboard(&held);
    watch->clipboardHeldWhileUp = held;
    DismissMessageBox(box);
    return 0;
}

void StartBoxWatch(BoxWatch* watch, DWORD timeoutMs) {
    memset(&watch->contents, 0, sizeof(watch->contents));
    watch->timeoutMs = timeoutMs;
    watch->seen = false;
    watch->clipboardHeldWhileUp = false;
    watch->styleBits = 0;
    watch->thread = CreateThread(NULL, 0, WatchForBox, watch, 0, NULL);
}

void FinishBoxWatch(BoxWatch* watch) {
    WaitForSingleObject(watch->thread, INFINITE);
    CloseHandle(watch->thread);
}

std::vector<ListedEntry> ListThroughModule() {
    std::vector<ListedEntry> entries;
    WIN32_FIND_DATAA record;
    memset(&record, 0, sizeof(record));
    char root[] = "\\";
    HANDLE search = Plugin.findFirst(root, &record);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        entries.push_back({record.cFileName, record.nFileSizeHigh, record.nFileSizeLow});
    } while (Plugin.findNext(search, &record));
    Plugin.findClose(search);
    return entries;
}
