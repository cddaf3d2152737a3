// The entry points that do no clipboard work, called in the real module.
#include <gtest/gtest.h>

#include <string.h>

#include "tests/system/clipboard_fixture.h"

static const char Sentinel = (char)0xCC;

struct RootNameCase {
    int capacity;
    const char* expected;
};

class RootName : public testing::TestWithParam<RootNameCase> {};

TEST_P(RootName, WritesAtMostTheCapacityAndTerminates) {
    const RootNameCase& c = GetParam();
    char buffer[300];
    memset(buffer, Sentinel, sizeof(buffer));
    Plugin.getDefRootName(buffer, c.capacity);
    EXPECT_STREQ(buffer, c.expected) << "root name at capacity " << c.capacity;
    for (int i = (int)strlen(c.expected); i < c.capacity; ++i)
        ASSERT_EQ(buffer[i], 0) << "byte " << i << " inside the capacity";
    for (int i = c.capacity; i < (int)sizeof(buffer); ++i)
        ASSERT_EQ(buffer[i], Sentinel) << "byte " << i << " beyond the capacity";
}

INSTANTIATE_TEST_SUITE_P(Capacities, RootName,
                         testing::Values(RootNameCase{1, ""}, RootNameCase{4, "Quo"},
                                         RootNameCase{9, "Quorlent"}, RootNameCase{10, "Quorlenta"},
                                         RootNameCase{260, "Quorlenta"}));

TEST(RootName, CapacityZeroOrLessWritesNothing) {
    /* a null buffer must not fault either */
    Plugin.getDefRootName(NULL, 260);
    for (int capacity : {0, -1, -260}) {
        char buffer[16];
        memset(buffer, Sentinel, sizeof(buffer));
        Plugin.getDefRootName(buffer, capacity);
        for (char c : buffer)
            ASSERT_EQ(c, Sentinel) << "a byte written at capacity " << capacity;
    }
}

struct VerbCase {
    const char* path;
    const char* verb;
    int expected;
};

class Verbs : public testing::TestWithParam<VerbCase> {};

TEST_P(Verbs, OnlyPropertiesOnAnEntryIsDone) {
    const VerbCase& c = GetParam();
    char path[64];
    char verb[64];
    char* pathArg = c.path ? strcpy(path, c.path) : NULL;
    char* verbArg = c.verb ? strcpy(verb, c.verb) : NULL;
    EXPECT_EQ(Plugin.executeFile(NULL, pathArg, verbArg), c.expected)
        << "path " << (c.path ? c.path : "(null)") << " verb " << (c.verb ? c.verb : "(null)");
}

INSTANTIATE_TEST_SUITE_P(
    PathsAndVerbs, Verbs,
    testing::Values(VerbCase{"\\", "properties", 1}, VerbCase{"\\a", "properties", 1},
                    VerbCase{"", "properties", 1}, VerbCase{"\\ab", "properties", 0},
                    VerbCase{"\\CF_TEXT", "properties", 0}, VerbCase{"\\CF_TEXT", "PROPERTIES", 0},
                    VerbCase{"\\CF_TEXT", "Properties", 0}, VerbCase{"\\CF_TEXT", "open", 1},
                    VerbCase{"\\CF_TEXT", "properties ", 1}, VerbCase{"\\CF_TEXT", "propertie", 1},
                    VerbCase{"\\CF_TEXT", "", 1}, VerbCase{"\\CF_TEXT", "quote", 1},
                    /* a soft hyphen is a different verb, whatever the locale says */
                    VerbCase{"\\CF_TEXT",
                             "prop\xAD"
                             "erties",
                             1},
                    VerbCase{NULL, "properties", 1}, VerbCase{"\\CF_TEXT", NULL, 1}));

TEST(StatusInfo, DoesNothingAndReturns) {
    char dir[] = "\\";
    Plugin.statusInfo(dir, 0, 0);
    Plugin.statusInfo(NULL, 1, 7);
    EXPECT_FALSE(ClipboardHeldElsewhere()) << "clipboard held after FsStatusInfo";
}
