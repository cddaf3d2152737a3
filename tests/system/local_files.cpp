#include "tests/system/local_files.h"

#include <windows.h>

#include <stdio.h>

std::string MakeFreshFolder(const char* prefix) {
    static int count = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH + 64];
    snprintf(name, sizeof(name), "%s%s-%lu-%d", temp, prefix, GetCurrentProcessId(), ++count);
    RemoveTree(name);
    CreateDirectoryA(name, NULL);
    return name;
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

std::vector<std::string> FolderNames(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

/* shareMode without FILE_SHARE_WRITE makes the open fail while a writer has the file */
static bool ReadShared(const std::string& path, DWORD shareMode, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, shareMode, NULL, OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, NULL) && got)
        bytes->append(chunk, got);
    CloseHandle(file);
    return true;
}

std::string FileBytes(const std::string& path) {
    std::string bytes;
    if (!ReadShared(path, FILE_SHARE_READ | FILE_SHARE_WRITE, &bytes))
        return "<no file>";
    return bytes;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    return ReadShared(path, FILE_SHARE_READ, bytes);
}
