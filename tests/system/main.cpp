// Loads the module named by TABRINOX_MODULE once, then runs the tests against it.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "tests/system/clipboard_fixture.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* module = getenv("TABRINOX_MODULE");
    if (!module) {
        fprintf(stderr, "TABRINOX_MODULE names no module to test\n");
        return 2;
    }
    if (!LoadPluginEntryPoints(module, &Plugin))
        return 2;
    return RUN_ALL_TESTS();
}
