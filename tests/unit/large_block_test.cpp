// Blocks of 4 GiB and more, which only a 64-bit module meets: listed with their full size
// and written completely, in pieces that each fit a 32-bit count.
#include "tests/unit/module_fixture.h"

#include "clipboard_fs/listing.h"

static const std::uint64_t FourGiB = 0x100000000ull;

class LargeBlock : public ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        if (sizeof(SIZE_T) < 8)
            GTEST_SKIP() << "a 32-bit SIZE_T cannot describe such a block";
    }
};

TEST_F(LargeBlock, ListsTheFullSize) {
    Standin::ClipboardFormat& format = Standin::AddHugeFormat(CF_TEXT, FourGiB + 5);
    ASSERT_NE(format.hugeBlock, nullptr) << "the huge block mapped";
    WIN32_FIND_DATAA record;
    memset(&record, 0xCC, sizeof(record));
    char root[] = "\\";
    ASSERT_EQ(FsFindFirst(root, &record), ListingHandle) << "FsFindFirst";
    EXPECT_EQ(record.nFileSizeHigh, 1u) << "high size of a 4 GiB + 5 block";
    EXPECT_EQ(record.nFileSizeLow, 5u) << "low size of a 4 GiB + 5 block";
    FsFindClose(ListingHandle);
}

struct PieceCase {
    std::uint64_t size;
    std::vector<std::uint64_t> pieces;
};

static std::ostream& operator<<(std::ostream& out, const PieceCase& c) {
    return out << c.size << " bytes in " << c.pieces.size() << " pieces";
}

class LargeBlockPieces : public LargeBlock, public testing::WithParamInterface<PieceCase> {};

TEST_P(LargeBlockPieces, WritesEveryByteInPiecesThatFitADword) {
    const PieceCase& c = GetParam();
    Standin::ClipboardFormat& format = Standin::AddHugeFormat(CF_TEXT, c.size);
    ASSERT_NE(format.hugeBlock, nullptr) << "the huge block mapped";
    Standin::Current.countWritesOnly = true;
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\big";
    Standin::AddDirectory("C:\\out");
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyOk) << "copy of " << c.size << " bytes";
    EXPECT_EQ(Standin::Current.nodes[local].countedBytes, c.size) << "bytes written in all";
    std::vector<Standin::Call> writes = Standin::CallsNamed("WriteFile");
    ASSERT_EQ(writes.size(), c.pieces.size()) << "WriteFile calls";
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].raw[2], c.pieces[i]) << "size of piece " << i;
        EXPECT_EQ(writes[i].raw[1], (std::uintptr_t)(format.hugeBlock + 0xFFFFF000ull * i))
            << "source of piece " << i;
    }
    EXPECT_EQ(Standin::LocksHeld(), 0) << "locks held after the copy";
    EXPECT_EQ(Standin::OpenFileCount(), 0u) << "files open after the copy";
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargeBlockPieces,
                         testing::Values(PieceCase{0xFFFFF000ull, {0xFFFFF000ull}},
                                         PieceCase{FourGiB, {0xFFFFF000ull, 0x1000ull}},
                                         PieceCase{FourGiB + 5, {0xFFFFF000ull, 0x1005ull}},
                                         PieceCase{2 * FourGiB + 1,
                                                   {0xFFFFF000ull, 0xFFFFF000ull, 0x2001ull}}));

TEST_F(LargeBlock, AShortPieceFailsTheCopyAndRemovesTheFile) {
    Standin::ClipboardFormat& format = Standin::AddHugeFormat(CF_TEXT, FourGiB + 5);
    ASSERT_NE(format.hugeBlock, nullptr) << "the huge block mapped";
    Standin::Current.countWritesOnly = true;
    Standin::Current.shortWrite = true;
    Standin::Current.shortWriteCount = 0xFFFFF000ull - 1;
    Standin::AddDirectory("C:\\out");
    char remote[] = "\\CF_TEXT";
    char local[] = "C:\\out\\big";
    EXPECT_EQ(FsGetFile(remote, local, 0, nullptr), CopyFailed) << "copy with a short piece";
    EXPECT_FALSE(Standin::Exists(local)) << "a partial file left under the local name";
    EXPECT_EQ(Standin::CountCalls("WriteFile"), 1) << "writes after the short piece";
}
