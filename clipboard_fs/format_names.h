// The platform's predefined clipboard formats under the names of their constants.
#pragma once

#include "platform/win32.h"

struct FormatNameEntry {
    UINT id;
    const char* name;
};

// ends with a row whose id is 0
extern const FormatNameEntry StandardFormatNames[];

const FormatNameEntry* FindFormatById(UINT id);
const FormatNameEntry* FindFormatByName(const char* name);
