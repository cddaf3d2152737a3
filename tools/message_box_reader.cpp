#include "tools/message_box_reader.h"

#include <string.h>

static const char DialogClass[] = "#32770";

static BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
    MessageBoxContents* contents = (MessageBoxContents*)param;
    char className[64] = "";
    GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Button") == 0) {
        if (contents->buttonCount++ == 0)
            GetWindowTextA(child, contents->firstButton, sizeof(contents->firstButton));
    } else if (lstrcmpiA(className, "Static") == 0) {
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            /* an icon control only counts when it holds an icon */
            if (SendMessageA(child, STM_GETICON, 0, 0) && IsWindowVisible(child))
                contents->iconCount++;
        } else {
            char text[1024] = "";
            GetWindowTextA(child, text, sizeof(text));
            if (text[0])
                lstrcpynA(contents->text, text, sizeof(contents->text));
        }
    }
    return TRUE;
}

HWND WaitForMessageBox(const char* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND box = FindWindowA(DialogClass, caption);
        if (box && IsWindowVisible(box))
            return box;
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        Sleep(20);
    }
}

void ReadMessageBox(HWND box, MessageBoxContents* contents) {
    memset(contents, 0, sizeof(*contents));
    GetWindowTextA(box, contents->caption, sizeof(contents->caption));
    EnumChildWindows(box, ReadChild, (LPARAM)contents);
}

void DismissMessageBox(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}
