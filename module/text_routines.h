// The string and memory routines the module needs, since it links no C runtime.
// Each behaves as its C library namesake noted beside it.
#pragma once

#include "platform/win32.h"

SIZE_T TextLength(const char* text);                                  // strlen
int TextCompare(const char* a, const char* b);                        // strcmp
char* TextCopyBounded(char* target, const char* source, SIZE_T size); // strncpy
int TextCompareAsciiNoCase(const char* a, const char* b);             // _stricmp, ASCII only
void* MemoryClear(void* target, SIZE_T size);                         // memset to 0
