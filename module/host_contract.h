// The contract under which the file manager calls the plug-in: its entry points, the
// progress callback it hands over, and the values the entry points answer with.
#pragma once

#include "platform/win32.h"

// The host's progress callback: plug-in number, source name, target name, percent done.
typedef int(WINAPI* ProgressCallback)(int pluginNumber, char* sourceName, char* targetName,
                                      int percentDone);

// FsExecuteFile
enum { ExecDone = 0, ExecNotDone = 1 };

// FsGetFile
enum {
    CopyOk = 0,
    CopyTargetExists = 1,
    CopyNameRefused = 2,
    CopyFailed = 3,
    CopyTargetNotRemoved = 4,
    CopyRefused = 6
};

// FsGetFile copy flags; no other bit is examined
enum { CopyFlagReplace = 1, CopyFlagRefused = 2 };

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

int WINAPI FsInit(int pluginNumber, ProgressCallback progressCallback, void* logCallback,
                  void* requestCallback);
HANDLE WINAPI FsFindFirst(char* path, WIN32_FIND_DATAA* record);
BOOL WINAPI FsFindNext(HANDLE search, WIN32_FIND_DATAA* record);
int WINAPI FsFindClose(HANDLE search);
int WINAPI FsGetFile(char* remoteName, char* localName, int copyFlags, void* remoteInfo);
int WINAPI FsExecuteFile(HWND mainWindow, char* path, char* verb);
void WINAPI FsGetDefRootName(char* buffer, int capacity);
void WINAPI FsStatusInfo(char* remoteDir, int infoStartEnd, int infoOperation);
}
