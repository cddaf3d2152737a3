// Module-wide state shared by the listing and the copy; all zero when the module is loaded.
#pragma once

#include "module/host_contract.h"

struct PluginStateRecord {
    int pluginNumber;
    ProgressCallback progressCallback;
    UINT currentFormat; // format last delivered by the listing, 0 for none
};

extern PluginStateRecord PluginState;

// the name under which the host shows the file system
extern const char RootName[];
// the caption of the listing's message boxes
extern const char MessageCaption[];
