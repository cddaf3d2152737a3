// Local files for the tests of the real module: a folder of their own, whole files written and
// read back, and what is left in a folder.
#pragma once

#include <string>
#include <vector>

// a new, empty folder of its own under the temporary folder, named prefix-process-count
std::string MakeFreshFolder(const char* prefix);
// the folder and everything below it, read-only files included
void RemoveTree(const std::string& dir);
// the names in a folder, "." and ".." left out
std::vector<std::string> FolderNames(const std::string& dir);

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);

// replaces the file with exactly these bytes
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Two ways to read a file back, for two kinds of check:
// the file's bytes, also while another handle has it open for writing; "<no file>" when it
// cannot be opened
std::string FileBytes(const std::string& path);
// the file's bytes into *bytes; false when it cannot be opened, also when another handle still
// has it open for writing
bool ReadWholeFile(const std::string& path, std::string* bytes);
