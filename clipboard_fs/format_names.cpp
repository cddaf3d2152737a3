#include "clipboard_fs/format_names.h"

const FormatNameEntry StandardFormatNames[] = {
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
    {0, 0},
};

const FormatNameEntry* FindFormatById(UINT id) {
    for (const FormatNameEntry* row = StandardFormatNames; row->id; ++row)
        if (row->id == id)
            return row;
    return 0;
}

const FormatNameEntry* FindFormatByName(const char* name) {
    for (const FormatNameEntry* row = StandardFormatNames; row->id; ++row)
        if (lstrcmpA(row->name, name) == 0)
            return row;
    return 0;
}
