// Loads a file-system plug-in and resolves its eight entry points, as the host does.
#pragma once

#include <windows.h>

#include "module/host_contract.h"

struct PluginEntryPoints {
    HMODULE module;
    decltype(&FsInit) init;
    decltype(&FsFindFirst) findFirst;
    decltype(&FsFindNext) findNext;
    decltype(&FsFindClose) findClose;
    decltype(&FsGetFile) getFile;
    decltype(&FsExecuteFile) executeFile;
    decltype(&FsGetDefRootName) getDefRootName;
    decltype(&FsStatusInfo) statusInfo;
};

// A Unix path (as the build passes it) becomes Wine's drive Z: path; others stay as given.
void WindowsPathOf(const char* path, char* windowsPath, int capacity);

// false, with the reason on stderr, when the file cannot be loaded or lacks an entry point
bool LoadPluginEntryPoints(const char* path, PluginEntryPoints* plugin);
