// Copying one format's data block out into a local file.
#pragma once

#include "platform/win32.h"

// Writes the format named by the remote path into the local file. Returns CopyOk,
// CopyFailed, or CopyTargetNotRemoved when replace is asked and the old file stays.
int CopyFormatToFile(const char* remoteName, const char* localName, BOOL replace);
