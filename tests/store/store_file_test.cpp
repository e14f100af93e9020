#include <gtest/gtest.h>

#include <string>

#include "tests/store/store_test_util.h"

namespace kodexa::test {
namespace {

const Bytes kFreshRevisionZero = HeaderImage(0, 28, 28, 0, 0);

TEST(StoreFileCreate, FileImagesOfFreshStores) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), kNoError);
    ASSERT_EQ(f.store.Close(), kNoError);
    EXPECT_EQ(ReadAllBytes(f.path), kFreshRevisionZero);
    EXPECT_STREQ(f.store.FileName(), "closed.kvd");

    ASSERT_EQ(f.store.Create(f.path.c_str(), 100, 'b'), kNoError);  // a lock header, then the static area
    Bytes expected = HeaderImage(0, 140, 140, 0, 'B');
    expected.resize(140, 0);
    EXPECT_EQ(ReadAllBytes(f.path), expected);
}

// Open takes the revision byte as it stands and sizes the headers from it.
TEST(StoreFileCreate, RevisionDecidesHeaderSizesAndChecksums) {
    struct Case { unsigned char byte; int headerSize, blockHeaderSize, checksums; } cases[] = {
        {0, 28, 16, 0}, {' ', 28, 16, 0}, {'a', 28, 16, 1}, {'B', 40, 16, 1}, {'c', 40, 28, 1}, {'Z', 28, 16, 1},
    };
    for (const Case& c : cases) {
        StoreFixture f;
        Bytes bytes = kFreshRevisionZero;
        bytes[23] = c.byte;
        WriteAllBytes(f.path, bytes);
        ASSERT_EQ(f.store.Open(f.path.c_str(), 0), kNoError) << c.byte;
        EXPECT_EQ(f.store.Revision(), char(c.byte));
        EXPECT_EQ(f.store.HeaderSize(), c.headerSize) << c.byte;
        EXPECT_EQ(f.store.BlockHeaderSize(), c.blockHeaderSize) << c.byte;
        EXPECT_EQ(f.store.HasChecksums(), c.checksums) << c.byte;
    }
}

// A file that is no store, is missing, claims more bytes than it holds (here
// 454,950,656 for 28), or whose name does not fit the 255-byte name buffer
// (names are never cut) is refused for writing and never written.
TEST(StoreFileOpen, RefusedFilesAreNeverWritten) {
    StoreFixture f;
    std::string prefix = f.dir.Path() + "/";
    std::string fits = prefix + std::string(254 - prefix.size(), 'n'), tooLong = fits + "n";
    ASSERT_EQ(f.store.Create(tooLong.c_str(), 0, 0), kInvalidPath);
    ASSERT_EQ(f.store.Create(fits.c_str(), 0, 0), kNoError);
    constexpr int kNoFile = -1, kSound = -2, kClaimsMore = -3;
    struct Case { std::string path; int badByte, code; } cases[] = {
        {f.dir.File("a.kvd"), 16, kWrongFileType}, {f.dir.File("b.kvd"), 22, kWrongFileType},
        {tooLong, kSound, kInvalidPath}, {f.dir.File("absent.kvd"), kNoFile, kOpenError},
        {f.dir.File("c.kvd"), kClaimsMore, kFileCorrupt},
    };
    for (const Case& c : cases) {
        Bytes bytes =
            c.badByte == kClaimsMore ? HeaderImage(0, 454950656, 28, 0, 0) : kFreshRevisionZero;
        if (c.badByte >= 0) bytes[c.badByte] = 'k';
        if (c.badByte != kNoFile) WriteAllBytes(c.path, bytes);
        EXPECT_EQ(f.store.Open(c.path.c_str(), 1), c.code) << c.path;
        EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), 0);
        EXPECT_EQ(f.store.Close(), kNoError);
        if (c.badByte != kNoFile) {
            EXPECT_EQ(ReadAllBytes(c.path), bytes) << c.path;
        }
    }
}

TEST(StoreFileOpen, EndOfFileMovesToTheRealEnd) {
    StoreFixture f;
    Bytes bytes = kFreshRevisionZero;
    bytes.resize(60, 0x55);
    WriteAllBytes(f.path, bytes);
    ASSERT_EQ(f.store.Open(f.path.c_str(), 0), kNoError);
    EXPECT_EQ(f.store.Header().endOfFile.Get(), 60);
    EXPECT_EQ(f.FieldOnDisk(4), 28u) << "read-only: memory only";
    EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), 0);
    EXPECT_EQ(f.store.LastError(), kNotWritable);
    ASSERT_EQ(f.store.Open(f.path.c_str(), 1), kNoError);
    EXPECT_EQ(f.FieldOnDisk(4), 60u) << "read-write: written back at once";
    EXPECT_EQ(f.store.Allocate(0, kFirstFit).Get(), 60 + 16);
}

TEST(StoreFileChecksum, RangesAndRefusals) {
    StoreFixture f;
    f.Make();
    ASSERT_EQ(f.store.Write("abc", 3, 28, 1, 1), kNoError);
    for (int buffered : {1, 0}) {
        EXPECT_EQ(f.store.Checksum(3, 28, buffered), 0x352441C2u);
        for (auto [length, at] : {std::pair<int, int32_t>{-1, 28}, {INT32_MIN, 0}, {4, 28}, {1, 31}}) {
            f.store.SetError(kNoError);
            EXPECT_EQ(f.store.Checksum(length, at, buffered), 0u) << length << " at " << at;
            EXPECT_EQ(f.store.LastError(), kReadError) << length << " at " << at;
        }
    }
}

}  // namespace
}  // namespace kodexa::test
