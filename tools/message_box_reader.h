// Finds a message box by its caption, reads it and dismisses it, for scripted runs of a
// plug-in whose listing may show one.
#pragma once

#include <windows.h>

struct MessageBoxContents {
    char caption[256];
    char text[1024];
    int buttonCount;
    char firstButton[64];
    int iconCount; // static controls showing an icon
};

// waits up to timeoutMs for a top-level dialog of this caption; NULL when none shows
HWND WaitForMessageBox(const char* caption, DWORD timeoutMs);
void ReadMessageBox(HWND box, MessageBoxContents* contents);
// presses the box's OK button
void DismissMessageBox(HWND box);
