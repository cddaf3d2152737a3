// The root directory: one entry per format on the clipboard.
#pragma once

#include "platform/win32.h"

// returned by FsFindFirst for every listing; there is one listing at a time
#define ListingHandle ((HANDLE)(SIZE_T)100)

// stands in for a time in the first entry's last-write field
extern const FILETIME EntryTimeMarker;

void FillFindRecord(UINT format, WIN32_FIND_DATAA* record);
