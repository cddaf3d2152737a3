// The entry points that do no clipboard work: load, init, root name, status, verbs.
#include "module/host_contract.h"
#include "module/plugin_state.h"
#include "module/text_routines.h"

static const char PropertiesVerb[] = "properties";

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

int WINAPI FsInit(int pluginNumber, ProgressCallback progressCallback, void* logCallback,
                  void* requestCallback) {
    (void)logCallback;
    (void)requestCallback;
    PluginState.pluginNumber = pluginNumber;
    PluginState.progressCallback = progressCallback;
    return 0;
}

void WINAPI FsGetDefRootName(char* buffer, int capacity) {
    if (!buffer || capacity <= 0)
        return;
    TextCopyBounded(buffer, RootName, (SIZE_T)capacity);
    /* enforce null-termination */
    buffer[capacity - 1] = 0;
}

void WINAPI FsStatusInfo(char* remoteDir, int infoStartEnd, int infoOperation) {
    (void)remoteDir;
    (void)infoStartEnd;
    (void)infoOperation;
}

int WINAPI FsExecuteFile(HWND mainWindow, char* path, char* verb) {
    (void)mainWindow;
    if (!path || !verb)
        return ExecNotDone;
    /* the root and other names too short for an entry */
    if (TextLength(path) < 3)
        return ExecNotDone;
    if (TextCompareAsciiNoCase(verb, PropertiesVerb) == 0)
        return ExecDone;
    return ExecNotDone;
}
