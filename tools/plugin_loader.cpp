#include "tools/plugin_loader.h"

#include <stdio.h>
#include <string.h>

void WindowsPathOf(const char* path, char* windowsPath, int capacity) {
    if (path[0] == '/') {
        snprintf(windowsPath, capacity, "Z:%s", path);
        for (char* c = windowsPath; *c; ++c)
            if (*c == '/')
                *c = '\\';
        return;
    }
    lstrcpynA(windowsPath, path, capacity);
}

template <typename Function>
static bool Resolve(HMODULE module, const char* name, Function* function) {
    *function = (Function)(void*)GetProcAddress(module, name);
    if (*function)
        return true;
    fprintf(stderr, "the plug-in does not export %s\n", name);
    return false;
}

bool LoadPluginEntryPoints(const char* path, PluginEntryPoints* plugin) {
    char windowsPath[MAX_PATH * 2];
    WindowsPathOf(path, windowsPath, sizeof(windowsPath));
    memset(plugin, 0, sizeof(*plugin));
    plugin->module = LoadLibraryA(windowsPath);
    if (!plugin->module) {
        fprintf(stderr, "cannot load %s (error %lu)\n", windowsPath, GetLastError());
        return false;
    }
    return Resolve(plugin->module, "FsInit", &plugin->init) &&
           Resolve(plugin->module, "FsFindFirst", &plugin->findFirst) &&
           Resolve(plugin->module, "FsFindNext", &plugin->findNext) &&
           Resolve(plugin->module, "FsFindClose", &plugin->findClose) &&
           Resolve(plugin->module, "FsGetFile", &plugin->getFile) &&
           Resolve(plugin->module, "FsExecuteFile", &plugin->executeFile) &&
           Resolve(plugin->module, "FsGetDefRootName", &plugin->getDefRootName) &&
           Resolve(plugin->module, "FsStatusInfo", &plugin->statusInfo);
}
