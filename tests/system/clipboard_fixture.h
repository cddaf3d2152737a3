// Fixture steps for the tests of the real module: the plug-in, the real clipboard, other
// threads that hold or own it, and the plug-in's message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/message_box_reader.h"
#include "tools/plugin_loader.h"

// the module under test, loaded once for the whole run
extern PluginEntryPoints Plugin;

struct FormatData {
    UINT format;
    std::string bytes;
};

// What the platform itself reports for one format.
struct PlatformEntry {
    UINT format;
    std::string name; // table name for predefined formats, else the registered name
    SIZE_T size;
};

// Replaces the clipboard's contents; false when the platform refused a format.
bool PutFormats(const std::vector<FormatData>& formats);
bool EmptyTheClipboard();
// a movable global block holding the bytes, for SetClipboardData
HGLOBAL BlockOf(const std::string& bytes);
UINT RegisterFormat(const char* name);
std::string BlockBytes(UINT format);

// the platform's own enumeration, names and sizes, read directly; without openIt the
// calling thread holds the clipboard already
std::vector<PlatformEntry> PlatformListing(bool openIt = true);
std::string PredefinedFormatName(UINT format);

// a message-only window of a class of its own, handled by the given procedure
HWND CreateMessageWindow(const char* className, WNDPROC procedure);

// true when a thread with a window of its own cannot open the clipboard
bool ClipboardHeldElsewhere();

// Holds the clipboard from another thread with a window of its own, pumping messages.
struct ClipboardHolder {
    HANDLE thread;
    HANDLE opened;
    HANDLE release;
    BOOL openResult;
};
void HoldClipboardFromAnotherThread(ClipboardHolder* holder);
void ReleaseClipboardHolder(ClipboardHolder* holder);

// Owns the clipboard from another thread and renders one format only when asked.
struct DelayedRenderer {
    HANDLE thread;
    HANDLE ready;
    HANDLE stop;
    UINT format;
    std::string bytes;
    volatile LONG renderRequests;
};
void StartDelayedRenderer(DelayedRenderer* renderer, UINT format, const std::string& bytes);
void StopDelayedRenderer(DelayedRenderer* renderer);

// Waits on another thread for the plug-in's message box, reads it, notes whether the
// clipboard is held while it is up, and presses OK.
struct BoxWatch {
    HANDLE thread;
    DWORD timeoutMs;
    bool seen;
    MessageBoxContents contents;
    bool clipboardHeldWhileUp;
    DWORD styleBits;
};
void StartBoxWatch(BoxWatch* watch, DWORD timeoutMs = 10000);
void FinishBoxWatch(BoxWatch* watch);

// a listing of the root through the module: names and sizes in order
struct ListedEntry {
    std::string name;
    DWORD sizeHigh;
    DWORD sizeLow;
};
std::vector<ListedEntry> ListThroughModule();
