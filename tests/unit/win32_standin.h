// A scriptable stand-in for the Win32 subset that platform/win32.h declares off Windows.
// Tests set up a clipboard and a small in-memory file system, inject failures, and read
// back every platform call the module made, in order.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Standin {

typedef std::vector<unsigned char> Bytes;

Bytes BytesOf(const std::string& text);

struct ClipboardFormat {
    UINT id = 0;
    Bytes bytes;            // the data block
    bool hasData = true;    // false: GetClipboardData gives null for it
    bool sizeFails = false; // GlobalSize of its handle gives 0, as for a GDI handle
    bool lockFails = false; // GlobalLock of its handle gives null
    // above 0: a block of this many zero bytes, mapped but never touched, in place of bytes
    std::uint64_t hugeSize = 0;
    const unsigned char* hugeBlock = nullptr;
    int lockCount = 0;
};

struct FileNode {
    bool directory = false;
    Bytes bytes;
    std::uint64_t countedBytes = 0; // bytes written while State::countWritesOnly is set
};

struct MessageBoxShown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
    bool clipboardHeld; // whether the module held the clipboard while it was up
};

// One platform call: its name, a readable form with its key arguments, and the raw
// argument values (pointers as addresses) for identity checks.
struct Call {
    std::string name;
    std::string text;
    std::vector<std::uintptr_t> raw;
};

struct State {
    // clipboard
    std::deque<ClipboardFormat> formats; // in enumeration order; deque keeps handles stable
    std::map<UINT, std::string> registeredNames;
    UINT nextRegisteredId = 0xC000;
    bool openFails = false;
    bool registerFails = false;
    bool held = false;
    int unbalancedUnlocks = 0; // GlobalUnlock of a block that is not locked

    // files; a path's folder is the text before its last backslash, a drive "X:" always exists
    std::map<std::string, FileNode> nodes;
    std::map<std::uintptr_t, std::string> openFiles; // handle value -> path
    std::uintptr_t nextFileHandle = 0x7000;
    DWORD createFailError = 0;      // CreateFileA fails with this error
    bool writeFails = false;        // WriteFile reports failure ...
    std::size_t writeFailAfter = 0; // ... after writing this many bytes
    bool shortWrite = false;        // WriteFile writes shortWriteCount bytes and reports success
    std::size_t shortWriteCount = 0;
    bool countWritesOnly = false;  // WriteFile counts bytes into FileNode::countedBytes only
    DWORD deleteFailError = 0;     // DeleteFileA fails with this error
    DWORD attributesFailError = 0; // GetFileAttributesA fails with this error
    DWORD lastError = 0;

    std::vector<MessageBoxShown> messageBoxes;
    std::vector<Call> calls;
};

extern State Current;

void Reset();

// clipboard set-up
ClipboardFormat& AddFormat(UINT id, const Bytes& bytes);
ClipboardFormat& AddFormatWithoutData(UINT id);
// a block larger than memory would hold, for sizes beyond 32 bits; freed by Reset
ClipboardFormat& AddHugeFormat(UINT id, std::uint64_t size);
// registers a name as a program would, without logging a call; returns its id
UINT RegisterName(const std::string& name);
// a format of a newly registered name, with data
ClipboardFormat& AddRegisteredFormat(const std::string& name, const Bytes& bytes);

// file system set-up and inspection
void AddDirectory(const std::string& path);
void AddFile(const std::string& path, const Bytes& bytes);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
Bytes FileBytes(const std::string& path);

// observations
HANDLE DataHandleOf(UINT id); // the handle GetClipboardData gives for a format, null if none
int LocksHeld();
std::size_t OpenFileCount();
void RecordCall(const std::string& name, const std::string& text,
                std::vector<std::uintptr_t> raw = {});
std::vector<std::string> CallNames();
std::vector<std::string> CallTexts();
int CountCalls(const std::string& name);
std::vector<Call> CallsNamed(const std::string& name);

} // namespace Standin
