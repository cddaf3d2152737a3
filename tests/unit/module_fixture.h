// Every test starts from a freshly loaded module and an empty stand-in platform.
#pragma once

#include "module/plugin_state.h"
#include "tests/unit/win32_standin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// What a progress callback saw when the module called it.
struct ProgressReport {
    int callback; // 1 or 2: which of the two test callbacks
    int pluginNumber;
    char* sourceName;
    char* targetName;
    std::string sourceText;
    std::string targetText;
    int percentDone;
    bool clipboardHeld;
    std::size_t openFiles;
    int locksHeld;
};

inline std::vector<ProgressReport> ProgressReports;

inline int ReportProgress(int callback, int pluginNumber, char* sourceName, char* targetName,
                          int percentDone) {
    Standin::RecordCall("ProgressCallback", "ProgressCallback(" + std::to_string(callback) + ")");
    ProgressReports.push_back(
        ProgressReport{callback, pluginNumber, sourceName, targetName, sourceName ? sourceName : "",
                       targetName ? targetName : "", percentDone, Standin::Current.held,
                       Standin::OpenFileCount(), Standin::LocksHeld()});
    /* a non-zero answer would ask to abort; the module must not care */
    return 1;
}

inline int WINAPI FirstProgressCallback(int pluginNumber, char* sourceName, char* targetName,
                                        int percentDone) {
    return ReportProgress(1, pluginNumber, sourceName, targetName, percentDone);
}

inline int WINAPI SecondProgressCallback(int pluginNumber, char* sourceName, char* targetName,
                                         int percentDone) {
    return ReportProgress(2, pluginNumber, sourceName, targetName, percentDone);
}

class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Standin::Reset();
        /* the module's state is all zero at load */
        PluginState = PluginStateRecord();
        ProgressReports.clear();
    }
};

inline WIN32_FIND_DATAA RecordFilledWith(unsigned char sentinel) {
    WIN32_FIND_DATAA record;
    std::memset(&record, sentinel, sizeof(record));
    return record;
}

inline bool AllBytesAre(const void* data, std::size_t size, unsigned char value) {
    const unsigned char* bytes = (const unsigned char*)data;
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] != value)
            return false;
    return true;
}
