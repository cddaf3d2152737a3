// A copy checks everything it can before it touches the user's old file, and leaves no
// partial file behind a failed write.
#include "clipboard_fs/copy.h"

#include "clipboard_fs/format_names.h"
#include "module/host_contract.h"
#include "module/plugin_state.h"
#include "module/text_routines.h"

static const int CopyDonePercent = 100;

static UINT FormatIdFromEntryName(const char* name) {
    const FormatNameEntry* row = FindFormatByName(name);
    if (row)
        return row->id;
    /* an unknown name becomes a new format, which has no data */
    return RegisterClipboardFormatA(name);
}

// a single WriteFile takes a 32-bit count: a larger block goes out in pieces
static const SIZE_T MaxWritePiece = 0xFFFFF000u;

static BOOL WriteBlock(HANDLE file, const BYTE* block, SIZE_T size) {
    SIZE_T done = 0;
    /* a block of 0 bytes is still written once: the file is made empty */
    do {
        SIZE_T left = size - done;
        DWORD piece = (DWORD)(left < MaxWritePiece ? left : MaxWritePiece);
        DWORD written = 0;
        /* a short count is a failed write: the file would look like a copy and not be one */
        if (!WriteFile(file, done ? block + done : block, piece, &written, 0) || written != piece)
            return FALSE;
        done += piece;
    } while (done < size);
    return TRUE;
}

int CopyFormatToFile(const char* remoteName, const char* localName, BOOL replace) {
    /* the first byte is the path's backslash, whatever it holds */
    UINT format = FormatIdFromEntryName(remoteName + 1);

    /* a clipboard that cannot be opened shows as no data */
    OpenClipboard(0);
    HANDLE data = GetClipboardData(format);
    if (!data) {
        CloseClipboard();
        return CopyFailed;
    }

    SIZE_T size = GlobalSize(data);
    LPVOID block = GlobalLock(data);
    if (!block && size > 0) {
        CloseClipboard();
        return CopyFailed;
    }

    if (replace && !DeleteFileA(localName) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        GlobalUnlock(data);
        CloseClipboard();
        return CopyTargetNotRemoved;
    }

    HANDLE file = CreateFileA(localName, GENERIC_WRITE, FILE_SHARE_READ, 0, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) {
        GlobalUnlock(data);
        CloseClipboard();
        return CopyFailed;
    }

    BOOL ok = WriteBlock(file, (const BYTE*)block, size);
    GlobalUnlock(data);
    CloseHandle(file);
    if (!ok)
        DeleteFileA(localName);
    CloseClipboard();
    return ok ? CopyOk : CopyFailed;
}

int WINAPI FsGetFile(char* remoteName, char* localName, int copyFlags, void* remoteInfo) {
    (void)remoteInfo;
    if (copyFlags & CopyFlagRefused)
        return CopyRefused;
    if (!remoteName || TextLength(remoteName) < 3)
        return CopyNameRefused;
    if (!localName)
        return CopyFailed;

    BOOL replace = (copyFlags & CopyFlagReplace) != 0;
    if (!replace && GetFileAttributesA(localName) != INVALID_FILE_ATTRIBUTES)
        return CopyTargetExists;

    int result = CopyFormatToFile(remoteName, localName, replace);
    if (result != CopyOk)
        return result;

    /* file and clipboard are closed by now; the callback's answer cannot undo the copy */
    if (PluginState.progressCallback)
        PluginState.progressCallback(PluginState.pluginNumber, remoteName, localName,
                                     CopyDonePercent);
    return CopyOk;
}
