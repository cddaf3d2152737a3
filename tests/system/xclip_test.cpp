// A real X producer: xclip puts text or a PNG image on the X clipboard of the virtual display
// before the run (see CMakeLists.txt); Wine turns it into formats that the listing shows.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "tests/system/clipboard_fixture.h"

static void ExpectListingMatchesPlatform() {
    std::vector<PlatformEntry> expected = PlatformListing();
    std::vector<ListedEntry> listed = ListThroughModule();
    ASSERT_FALSE(expected.empty()) << "formats the platform made of the X selection";
    ASSERT_EQ(listed.size(), expected.size()) << "entries listed against formats enumerated";
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].name, expected[i].name) << "name of entry " << i;
        EXPECT_EQ(listed[i].sizeLow, (DWORD)expected[i].size) << "size of " << listed[i].name;
    }
}

static std::string FileBytes(const char* path) {
    std::string bytes;
    FILE* file = fopen(path, "rb");
    if (!file)
        return bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

TEST(XClip, TextListsAsTheFormatsWineMakes) {
    const char* text = getenv("TABRINOX_XCLIP_TEXT");
    ASSERT_NE(text, nullptr) << "TABRINOX_XCLIP_TEXT names the text xclip put";
    ExpectListingMatchesPlatform();
    std::vector<ListedEntry> listed = ListThroughModule();
    bool sawUnicode = false;
    for (const ListedEntry& entry : listed)
        sawUnicode |= entry.name == "CF_UNICODETEXT";
    EXPECT_TRUE(sawUnicode) << "CF_UNICODETEXT listed";
    EXPECT_EQ(BlockBytes(CF_TEXT), std::string(text) + '\0') << "CF_TEXT holds xclip's text";
}

TEST(XClip, ImageListsAsTheFormatsWineMakes) {
    const char* png = getenv("TABRINOX_XCLIP_PNG");
    ASSERT_NE(png, nullptr) << "TABRINOX_XCLIP_PNG names the image xclip put";
    char windowsPath[MAX_PATH];
    WindowsPathOf(png, windowsPath, sizeof(windowsPath));
    std::string image = FileBytes(windowsPath);
    ASSERT_FALSE(image.empty()) << "the image file read back";
    ExpectListingMatchesPlatform();

    UINT pngFormat = RegisterFormat("PNG");
    std::vector<ListedEntry> listed = ListThroughModule();
    bool sawPng = false;
    for (const ListedEntry& entry : listed)
        if (entry.name == "PNG") {
            sawPng = true;
            EXPECT_EQ(entry.sizeLow, (DWORD)image.size()) << "size of the PNG entry";
        }
    EXPECT_TRUE(sawPng) << "the PNG entry listed";
    EXPECT_EQ(BlockBytes(pngFormat), image) << "the PNG format holds the image's bytes";
}
