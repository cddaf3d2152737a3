// FsFindFirst opens the clipboard and holds it until FsFindClose; the entries come in the
// platform's enumeration order.
#include "clipboard_fs/listing.h"

#include "clipboard_fs/format_names.h"
#include "module/host_contract.h"
#include "module/plugin_state.h"
#include "module/text_routines.h"

const FILETIME EntryTimeMarker = {0xFFFFFFFEu, 0xFFFFFFFFu};

static const char RootPath[] = "\\";

void FillFindRecord(UINT format, WIN32_FIND_DATAA* record) {
    const FormatNameEntry* row = FindFormatById(format);
    if (row) {
        lstrcpyA(record->cFileName, row->name);
    } else {
        /* a failing query may leave the field alone: never keep the previous entry's name */
        MemoryClear(record->cFileName, sizeof(record->cFileName));
        GetClipboardFormatNameA(format, record->cFileName, MAX_PATH);
    }

    HANDLE data = GetClipboardData(format);
    if (!data)
        return;
    SIZE_T size = GlobalSize(data);
    /* a 32-bit SIZE_T has no high part */
    record->nFileSizeHigh = (DWORD)((unsigned long long)size >> 32);
    record->nFileSizeLow = (DWORD)size;
}

HANDLE WINAPI FsFindFirst(char* path, WIN32_FIND_DATAA* record) {
    if (!path || !record)
        return INVALID_HANDLE_VALUE;
    if (TextCompare(path, RootPath) != 0)
        return INVALID_HANDLE_VALUE;

    MemoryClear(record, sizeof(*record));
    if (!OpenClipboard(0)) {
        MessageBoxA(0, "Cannot Open Clipboard", MessageCaption, MB_OK);
        return INVALID_HANDLE_VALUE;
    }

    PluginState.currentFormat = EnumClipboardFormats(0);
    if (!PluginState.currentFormat) {
        /* the clipboard stays held while the message is up */
        MessageBoxA(0, "No Clipboard Formats", MessageCaption, MB_OK);
        CloseClipboard();
        return INVALID_HANDLE_VALUE;
    }

    record->ftLastWriteTime = EntryTimeMarker;
    FillFindRecord(PluginState.currentFormat, record);
    return ListingHandle;
}

BOOL WINAPI FsFindNext(HANDLE search, WIN32_FIND_DATAA* record) {
    (void)search;
    if (!record)
        return FALSE;

    /* after the end the cursor is 0, so the next call starts over */
    PluginState.currentFormat = EnumClipboardFormats(PluginState.currentFormat);
    if (!PluginState.currentFormat)
        return FALSE;
    FillFindRecord(PluginState.currentFormat, record);
    return TRUE;
}

int WINAPI FsFindClose(HANDLE search) {
    (void)search;
    CloseClipboard();
    return 0;
}
