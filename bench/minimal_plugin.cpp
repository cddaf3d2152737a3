// The start-up baseline: a DLL of the module's toolchain and flags that does the least the
// host's first two calls allow, so loading it costs only what the platform's loader costs.
#include <windows.h>

static int PluginNumber;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

int WINAPI FsInit(int pluginNumber, void* progressCallback, void* logCallback,
                  void* requestCallback) {
    (void)progressCallback;
    (void)logCallback;
    (void)requestCallback;
    PluginNumber = pluginNumber;
    return 0;
}

void WINAPI FsGetDefRootName(char* buffer, int capacity) {
    if (buffer && capacity > 0)
        lstrcpynA(buffer, "Minimal", capacity);
}
}
