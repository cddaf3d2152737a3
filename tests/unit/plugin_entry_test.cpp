// The entry points that do no clipboard work: load, init, root name, status, verbs.
#include "module/host_contract.h"
#include "tests/unit/module_fixture.h"

#include <string>
#include <vector>

namespace {

class PluginEntryTest : public ModuleTest {};

struct RootNameCase {
    int capacity;
    std::string expected; // the text before the first zero; empty when nothing is written
    bool writes;
};

const std::size_t RootBufferSize = 300;

std::vector<unsigned char> RootNameWith(int capacity) {
    std::vector<unsigned char> buffer(RootBufferSize, 0xCC);
    FsGetDefRootName((char*)buffer.data(), capacity);
    return buffer;
}

} // namespace

TEST_F(PluginEntryTest, DllMainAnswersTrueForEveryReason) {
    for (DWORD reason : std::vector<DWORD>{DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH,
                                           DLL_PROCESS_DETACH, 77}) {
        EXPECT_EQ(DllMain(nullptr, reason, nullptr), TRUE) << "DllMain for reason " << reason;
    }
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls made by DllMain";
}

TEST_F(PluginEntryTest, RootNameFitsTheCapacityWithZerosUpToItAndNothingBeyond) {
    const std::vector<RootNameCase> cases = {
        {1, "", true},
        {2, "Q", true},
        {4, "Quo", true},
        {9, "Quorlent", true},
        {10, "Quorlenta", true},
        {11, "Quorlenta", true},
        {260, "Quorlenta", true},
        {0, "", false},
        {-1, "", false},
        {-260, "", false},
    };
    for (const RootNameCase& c : cases) {
        std::vector<unsigned char> buffer = RootNameWith(c.capacity);
        if (!c.writes) {
            EXPECT_TRUE(AllBytesAre(buffer.data(), buffer.size(), 0xCC))
                << "buffer changed by capacity " << c.capacity;
            continue;
        }
        std::size_t capacity = (std::size_t)c.capacity;
        EXPECT_EQ(std::string((const char*)buffer.data(), c.expected.size()), c.expected)
            << "name written with capacity " << capacity;
        EXPECT_TRUE(AllBytesAre(buffer.data() + c.expected.size(), capacity - c.expected.size(), 0))
            << "bytes from the end of the name to capacity " << capacity << " not all zero";
        EXPECT_TRUE(AllBytesAre(buffer.data() + capacity, RootBufferSize - capacity, 0xCC))
            << "bytes beyond capacity " << capacity << " were written";
    }
}

TEST_F(PluginEntryTest, RootNameIntoANullBufferWritesNothingAndSurvives) {
    FsGetDefRootName(nullptr, 260);
    FsGetDefRootName(nullptr, 0);
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls made by FsGetDefRootName";
}

TEST_F(PluginEntryTest, RootNameNeedsNoEarlierCall) {
    std::vector<unsigned char> buffer = RootNameWith(260);
    EXPECT_STREQ((const char*)buffer.data(), "Quorlenta") << "root name before any FsInit";
}

namespace {

struct VerbCase {
    const char* path;
    const char* verb;
    int expected;
};

} // namespace

TEST_F(PluginEntryTest, ExecuteAnswersDoneOnlyForPropertiesOnAnEntryPath) {
    const std::vector<VerbCase> cases = {
        {"\\", "properties", ExecNotDone},
        {"", "properties", ExecNotDone},
        {"\\a", "properties", ExecNotDone},
        {"\\ab", "properties", ExecDone},
        {"abc", "properties", ExecDone},
        {"\\CF_TEXT", "properties", ExecDone},
        {"\\CF_TEXT", "PROPERTIES", ExecDone},
        {"\\CF_TEXT", "Properties", ExecDone},
        {"\\CF_TEXT", "pRoPeRtIeS", ExecDone},
        {"\\CF_TEXT", "open", ExecNotDone},
        {"\\CF_TEXT", "OPEN", ExecNotDone},
        {"\\CF_TEXT", "", ExecNotDone},
        {"\\CF_TEXT", "propertie", ExecNotDone},
        {"\\CF_TEXT", "properties ", ExecNotDone},
        {"\\CF_TEXT", " properties", ExecNotDone},
        {"\\CF_TEXT", "propertiesx", ExecNotDone},
        {"\\CF_TEXT", "prop\xadperties", ExecNotDone},
        {"\\CF_TEXT", "quote", ExecNotDone},
        {"\\CF_TEXT", "chmod 644", ExecNotDone},
        {nullptr, "properties", ExecNotDone},
        {"\\CF_TEXT", nullptr, ExecNotDone},
        {nullptr, nullptr, ExecNotDone},
    };
    for (const VerbCase& c : cases) {
        EXPECT_EQ(FsExecuteFile(nullptr, (char*)c.path, (char*)c.verb), c.expected)
            << "FsExecuteFile(" << (c.path ? c.path : "null") << ", " << (c.verb ? c.verb : "null")
            << ")";
    }
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls made by FsExecuteFile";
}

TEST_F(PluginEntryTest, InitStoresNumberAndCallback) {
    EXPECT_EQ(FsInit(7, FirstProgressCallback, nullptr, nullptr), 0) << "FsInit result";
    EXPECT_EQ(PluginState.pluginNumber, 7) << "stored plug-in number";
    EXPECT_EQ(PluginState.progressCallback, &FirstProgressCallback) << "stored callback";
    EXPECT_EQ(PluginState.currentFormat, 0u) << "listing cursor touched by FsInit";
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls made by FsInit";
}

TEST_F(PluginEntryTest, ASecondInitReplacesTheFirst) {
    int dummy = 0;
    EXPECT_EQ(FsInit(7, FirstProgressCallback, &dummy, &dummy), 0) << "first FsInit result";
    EXPECT_EQ(FsInit(-3, SecondProgressCallback, nullptr, nullptr), 0) << "second FsInit result";
    EXPECT_EQ(PluginState.pluginNumber, -3) << "plug-in number after the second FsInit";
    EXPECT_EQ(PluginState.progressCallback, &SecondProgressCallback)
        << "callback after the second FsInit";

    /* a copy reports to the second callback only, with the second number */
    Standin::AddFormat(CF_TEXT, Standin::BytesOf("hi"));
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out.txt";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy result";
    ASSERT_EQ(ProgressReports.size(), 1u) << "progress reports";
    EXPECT_EQ(ProgressReports[0].callback, 2) << "callback that was called";
    EXPECT_EQ(ProgressReports[0].pluginNumber, -3) << "plug-in number reported";
}

TEST_F(PluginEntryTest, StatusInfoDoesNothing) {
    FsInit(5, FirstProgressCallback, nullptr, nullptr);
    PluginState.currentFormat = 13;
    char dir[] = "\\";
    FsStatusInfo(dir, 0, 1);
    FsStatusInfo(nullptr, 1, 0);
    EXPECT_EQ(PluginState.pluginNumber, 5) << "plug-in number after FsStatusInfo";
    EXPECT_EQ(PluginState.progressCallback, &FirstProgressCallback)
        << "callback after FsStatusInfo";
    EXPECT_EQ(PluginState.currentFormat, 13u) << "cursor after FsStatusInfo";
    EXPECT_TRUE(Standin::Current.calls.empty()) << "platform calls made by FsStatusInfo";
}
