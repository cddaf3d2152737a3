#include "tests/unit/win32_standin.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstring>

namespace Standin {

State Current;

// GlobalLock of an empty block still gives a valid pointer
static unsigned char EmptyBlock[1];

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void Reset() {
    for (const ClipboardFormat& format : Current.formats)
        if (format.hugeBlock)
            munmap((void*)format.hugeBlock, format.hugeSize);
    Current = State();
}

ClipboardFormat& AddFormat(UINT id, const Bytes& bytes) {
    ClipboardFormat format;
    format.id = id;
    format.bytes = bytes;
    Current.formats.push_back(format);
    return Current.formats.back();
}

ClipboardFormat& AddFormatWithoutData(UINT id) {
    ClipboardFormat& format = AddFormat(id, Bytes());
    format.hasData = false;
    return format;
}

ClipboardFormat& AddHugeFormat(UINT id, std::uint64_t size) {
    ClipboardFormat& format = AddFormat(id, Bytes());
    /* untouched anonymous pages cost no memory */
    void* block =
        mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    format.hugeSize = size;
    format.hugeBlock = block == MAP_FAILED ? nullptr : (const unsigned char*)block;
    return format;
}

static bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (x >= 'A' && x <= 'Z')
            x = (unsigned char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (unsigned char)(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

static UINT FindOrRegister(const std::string& name) {
    for (const auto& entry : Current.registeredNames)
        if (SameNameIgnoringCase(entry.second, name))
            return entry.first;
    UINT id = Current.nextRegisteredId++;
    Current.registeredNames[id] = name;
    return id;
}

UINT RegisterName(const std::string& name) {
    return FindOrRegister(name);
}

ClipboardFormat& AddRegisteredFormat(const std::string& name, const Bytes& bytes) {
    return AddFormat(RegisterName(name), bytes);
}

static std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

static bool FolderExists(const std::string& folder) {
    if (folder.empty())
        return true;
    if (folder.size() == 2 && folder[1] == ':')
        return true;
    auto node = Current.nodes.find(folder);
    return node != Current.nodes.end() && node->second.directory;
}

void AddDirectory(const std::string& path) {
    Current.nodes[path].directory = true;
}

void AddFile(const std::string& path, const Bytes& bytes) {
    FileNode& node = Current.nodes[path];
    node.directory = false;
    node.bytes = bytes;
}

bool Exists(const std::string& path) {
    return Current.nodes.count(path) != 0;
}

bool IsDirectory(const std::string& path) {
    auto node = Current.nodes.find(path);
    return node != Current.nodes.end() && node->second.directory;
}

Bytes FileBytes(const std::string& path) {
    auto node = Current.nodes.find(path);
    return node == Current.nodes.end() ? Bytes() : node->second.bytes;
}

static ClipboardFormat* FormatById(UINT id) {
    for (ClipboardFormat& format : Current.formats)
        if (format.id == id)
            return &format;
    return nullptr;
}

static ClipboardFormat* FormatByHandle(HANDLE handle) {
    for (ClipboardFormat& format : Current.formats)
        if ((HANDLE)&format == handle)
            return &format;
    return nullptr;
}

HANDLE DataHandleOf(UINT id) {
    ClipboardFormat* format = FormatById(id);
    return format && format->hasData ? (HANDLE)format : nullptr;
}

int LocksHeld() {
    int held = 0;
    for (const ClipboardFormat& format : Current.formats)
        held += format.lockCount;
    return held;
}

std::size_t OpenFileCount() {
    return Current.openFiles.size();
}

void RecordCall(const std::string& name, const std::string& text, std::vector<std::uintptr_t> raw) {
    Current.calls.push_back(Call{name, text, std::move(raw)});
}

std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const Call& call : Current.calls)
        names.push_back(call.name);
    return names;
}

std::vector<std::string> CallTexts() {
    std::vector<std::string> texts;
    for (const Call& call : Current.calls)
        texts.push_back(call.text);
    return texts;
}

int CountCalls(const std::string& name) {
    int count = 0;
    for (const Call& call : Current.calls)
        count += call.name == name;
    return count;
}

std::vector<Call> CallsNamed(const std::string& name) {
    std::vector<Call> found;
    for (const Call& call : Current.calls)
        if (call.name == name)
            found.push_back(call);
    return found;
}

static std::string Quoted(const char* text) {
    return text ? "\"" + std::string(text) + "\"" : std::string("null");
}

static std::string Number(std::uintptr_t value) {
    return std::to_string(value);
}

static std::string Hex(std::uintptr_t value) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%llx", (unsigned long long)value);
    return text;
}

static std::string HandleName(HANDLE handle) {
    if (!handle)
        return "null";
    if (ClipboardFormat* format = FormatByHandle(handle))
        return "data#" + Number(format->id);
    auto file = Current.openFiles.find((std::uintptr_t)handle);
    if (file != Current.openFiles.end())
        return "file#" + Hex((std::uintptr_t)handle);
    return Hex((std::uintptr_t)handle);
}

static std::uintptr_t Raw(const void* pointer) {
    return (std::uintptr_t)pointer;
}

} // namespace Standin

using namespace Standin;

// clipboard

BOOL WINAPI OpenClipboard(HWND owner) {
    RecordCall("OpenClipboard", "OpenClipboard(" + Hex(Raw(owner)) + ")", {Raw(owner)});
    if (Current.openFails)
        return FALSE;
    Current.held = true;
    return TRUE;
}

BOOL WINAPI CloseClipboard() {
    RecordCall("CloseClipboard", "CloseClipboard()");
    if (!Current.held)
        return FALSE;
    Current.held = false;
    return TRUE;
}

UINT WINAPI EnumClipboardFormats(UINT format) {
    RecordCall("EnumClipboardFormats", "EnumClipboardFormats(" + Number(format) + ")", {format});
    if (!Current.held)
        return 0;
    if (format == 0)
        return Current.formats.empty() ? 0 : Current.formats.front().id;
    for (std::size_t i = 0; i < Current.formats.size(); ++i)
        if (Current.formats[i].id == format)
            return i + 1 < Current.formats.size() ? Current.formats[i + 1].id : 0;
    return 0;
}

HANDLE WINAPI GetClipboardData(UINT format) {
    RecordCall("GetClipboardData", "GetClipboardData(" + Number(format) + ")", {format});
    /* only the thread that holds the clipboard gets data */
    if (!Current.held)
        return nullptr;
    return DataHandleOf(format);
}

int WINAPI GetClipboardFormatNameA(UINT format, LPSTR name, int capacity) {
    RecordCall("GetClipboardFormatNameA",
               "GetClipboardFormatNameA(" + Number(format) + ", " + Number(capacity) + ")",
               {format, Raw(name), (std::uintptr_t)capacity});
    auto entry = Current.registeredNames.find(format);
    /* a failing query leaves the target as it was */
    if (entry == Current.registeredNames.end() || !name || capacity <= 0)
        return 0;
    std::size_t length = entry->second.size();
    if (length > (std::size_t)capacity - 1)
        length = (std::size_t)capacity - 1;
    std::memcpy(name, entry->second.data(), length);
    name[length] = 0;
    return (int)length;
}

UINT WINAPI RegisterClipboardFormatA(LPCSTR name) {
    RecordCall("RegisterClipboardFormatA", "RegisterClipboardFormatA(" + Quoted(name) + ")",
               {Raw(name)});
    if (Current.registerFails || !name || !*name)
        return 0;
    return FindOrRegister(name);
}

// message box

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    RecordCall("MessageBoxA",
               "MessageBoxA(" + Hex(Raw(owner)) + ", " + Quoted(text) + ", " + Quoted(caption) +
                   ", " + Hex(type) + ")",
               {Raw(owner), Raw(text), Raw(caption), type});
    Current.messageBoxes.push_back(
        MessageBoxShown{owner, text ? text : "", caption ? caption : "", type, Current.held});
    return IDOK;
}

// global memory

SIZE_T WINAPI GlobalSize(HGLOBAL block) {
    RecordCall("GlobalSize", "GlobalSize(" + HandleName(block) + ")", {Raw(block)});
    ClipboardFormat* format = FormatByHandle(block);
    if (!format || format->sizeFails)
        return 0;
    if (format->hugeSize)
        return (SIZE_T)format->hugeSize;
    return format->bytes.size();
}

LPVOID WINAPI GlobalLock(HGLOBAL block) {
    RecordCall("GlobalLock", "GlobalLock(" + HandleName(block) + ")", {Raw(block)});
    ClipboardFormat* format = FormatByHandle(block);
    if (!format || format->lockFails)
        return nullptr;
    ++format->lockCount;
    if (format->hugeBlock)
        return (LPVOID)format->hugeBlock;
    return format->bytes.empty() ? (LPVOID)EmptyBlock : (LPVOID)format->bytes.data();
}

BOOL WINAPI GlobalUnlock(HGLOBAL block) {
    RecordCall("GlobalUnlock", "GlobalUnlock(" + HandleName(block) + ")", {Raw(block)});
    ClipboardFormat* format = FormatByHandle(block);
    if (!format || format->lockCount == 0) {
        ++Current.unbalancedUnlocks;
        return FALSE;
    }
    --format->lockCount;
    return format->lockCount > 0;
}

// files

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD attributes, HANDLE templateFile) {
    RecordCall(
        "CreateFileA",
        "CreateFileA(" + Quoted(name) + ", " + Hex(access) + ", " + Hex(share) + ", " +
            Hex(Raw(security)) + ", " + Number(disposition) + ", " + Hex(attributes) + ", " +
            Hex(Raw(templateFile)) + ")",
        {Raw(name), access, share, Raw(security), disposition, attributes, Raw(templateFile)});
    if (Current.createFailError) {
        Current.lastError = Current.createFailError;
        return INVALID_HANDLE_VALUE;
    }
    if (!name || !FolderExists(FolderOf(name))) {
        Current.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (IsDirectory(name)) {
        Current.lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    /* only CREATE_ALWAYS is modelled: a new, empty file either way */
    AddFile(name, Bytes());
    std::uintptr_t handle = Current.nextFileHandle++;
    Current.openFiles[handle] = name;
    return (HANDLE)handle;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written,
                      LPOVERLAPPED overlapped) {
    RecordCall("WriteFile", "WriteFile(" + HandleName(file) + ", " + Number(size) + ")",
               {Raw(file), Raw(buffer), size, Raw(written), Raw(overlapped)});
    if (written)
        *written = 0;
    auto open = Current.openFiles.find((std::uintptr_t)file);
    if (open == Current.openFiles.end()) {
        Current.lastError = 6; /* ERROR_INVALID_HANDLE */
        return FALSE;
    }
    if (size > 0 && !buffer) {
        Current.lastError = 998; /* ERROR_NOACCESS */
        return FALSE;
    }
    Bytes& target = Current.nodes[open->second].bytes;
    const unsigned char* source = (const unsigned char*)buffer;
    std::size_t count = size;
    if (Current.writeFails && Current.writeFailAfter < count)
        count = Current.writeFailAfter;
    if (Current.shortWrite && Current.shortWriteCount < count)
        count = Current.shortWriteCount;
    if (Current.countWritesOnly)
        Current.nodes[open->second].countedBytes += count;
    else if (count)
        target.insert(target.end(), source, source + count);
    if (written)
        *written = (DWORD)count;
    if (Current.writeFails) {
        Current.lastError = ERROR_DISK_FULL;
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object) {
    RecordCall("CloseHandle", "CloseHandle(" + HandleName(object) + ")", {Raw(object)});
    if (!Current.openFiles.erase((std::uintptr_t)object)) {
        Current.lastError = 6; /* ERROR_INVALID_HANDLE */
        return FALSE;
    }
    return TRUE;
}

static bool IsOpen(const std::string& path) {
    for (const auto& open : Current.openFiles)
        if (open.second == path)
            return true;
    return false;
}

BOOL WINAPI DeleteFileA(LPCSTR name) {
    RecordCall("DeleteFileA", "DeleteFileA(" + Quoted(name) + ")", {Raw(name)});
    if (Current.deleteFailError) {
        Current.lastError = Current.deleteFailError;
        return FALSE;
    }
    if (!name || !FolderExists(FolderOf(name))) {
        Current.lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (!Exists(name)) {
        Current.lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    if (IsDirectory(name)) {
        Current.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (IsOpen(name)) {
        Current.lastError = 32; /* ERROR_SHARING_VIOLATION */
        return FALSE;
    }
    Current.nodes.erase(name);
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR name) {
    RecordCall("GetFileAttributesA", "GetFileAttributesA(" + Quoted(name) + ")", {Raw(name)});
    if (Current.attributesFailError) {
        Current.lastError = Current.attributesFailError;
        return INVALID_FILE_ATTRIBUTES;
    }
    if (!name || !FolderExists(FolderOf(name))) {
        Current.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_FILE_ATTRIBUTES;
    }
    if (!Exists(name)) {
        Current.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_FILE_ATTRIBUTES;
    }
    return IsDirectory(name) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD WINAPI GetLastError() {
    RecordCall("GetLastError", "GetLastError()");
    return Current.lastError;
}

// strings

int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) {
    RecordCall("lstrcmpA", "lstrcmpA(" + Quoted(a) + ", " + Quoted(b) + ")", {Raw(a), Raw(b)});
    /* plain byte comparison; a null text sorts as the empty one */
    int order = std::strcmp(a ? a : "", b ? b : "");
    return order < 0 ? -1 : order > 0;
}

LPSTR WINAPI lstrcpyA(LPSTR target, LPCSTR source) {
    RecordCall("lstrcpyA", "lstrcpyA(" + Quoted(source) + ")", {Raw(target), Raw(source)});
    if (!target || !source)
        return nullptr;
    return std::strcpy(target, source);
}
