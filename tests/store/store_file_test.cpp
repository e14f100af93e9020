#include <gtest/gtest.h>

#include <string>

#include "tests/store/store_test_util.h"
#include "tests/support/fault_injection.h"

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

// Create stores the revision in upper case, unknown ones as 0; Open takes
// the byte as it stands and sizes the headers from it.
TEST(StoreFileCreate, RevisionDecidesHeaderSizesAndChecksums) {
    for (auto [given, stored] : {std::pair<char, char>{' ', 0}, {'x', 0}, {'a', 'A'}, {'c', 'C'}}) {
        StoreFixture f;
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, given), kNoError);
        EXPECT_EQ(f.store.Revision(), stored) << given;
        EXPECT_EQ(ReadAllBytes(f.path).at(23), stored) << given;
    }
    struct Case { unsigned char byte; int headerSize, blockHeaderSize, checksums; } cases[] = {
        {0, 28, 16, 0},   {' ', 28, 16, 0}, {'A', 28, 16, 1}, {'a', 28, 16, 1}, {'B', 40, 16, 1},
        {'b', 40, 16, 1}, {'C', 40, 28, 1}, {'c', 40, 28, 1}, {'Z', 28, 16, 1},
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

TEST(StoreFileOpen, FileWithoutTheSignatureIsRefusedAndNeverWritten) {
    for (auto [at, byte] : {std::pair<size_t, unsigned char>{22, 'F'}, {16, 'k'}, {19, 0}}) {
        StoreFixture f;
        Bytes bytes = kFreshRevisionZero;
        bytes[at] = byte;
        WriteAllBytes(f.path, bytes);
        EXPECT_EQ(f.store.Open(f.path.c_str(), 1), kWrongFileType);
        EXPECT_FALSE(f.store.IsReady());
        char buffer[4] = {1, 2, 3, 4};
        EXPECT_EQ(f.store.Read(buffer, 4, 0), kFileNotReady);
        EXPECT_EQ(f.store.Write(buffer, 4, 0, 1, 1), kFileNotReady);
        EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), 0);
        EXPECT_EQ(f.store.Close(), kNoError);
        EXPECT_EQ(ReadAllBytes(f.path), bytes);
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
    ASSERT_EQ(f.store.Open(f.path.c_str(), 1), kNoError);
    EXPECT_EQ(f.FieldOnDisk(4), 60u) << "read-write: written back at once";
    EXPECT_EQ(f.store.Allocate(0, kFirstFit).Get(), 60 + 16);
}

TEST(StoreFileOpen, MissingFileAndReuseOfTheObject) {
    StoreFixture f;
    EXPECT_EQ(f.store.Open(f.dir.File("absent.kvd").c_str(), 1), kOpenError);
    EXPECT_FALSE(f.store.IsReady());
    f.Make(0, 1);
    ASSERT_EQ(f.store.Create(f.dir.File("second.kvd").c_str(), 0, 'A'), kNoError);  // closes the first
    EXPECT_EQ(f.FieldOnDisk(4), 54u);
    ASSERT_EQ(f.store.Open(f.path.c_str(), 0), kNoError);
    EXPECT_EQ(f.store.Revision(), 0);
    EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), 0);
    EXPECT_EQ(f.store.LastError(), kNotWritable);
}

TEST(StoreFileAccess, ReadWriteSeekTell) {
    StoreFixture f;
    f.Make();
    ASSERT_EQ(f.store.Write("hello", 5, 28, 1, 1), kNoError);
    ASSERT_EQ(f.store.Write("!", 1, -1, 0, 1), kNoError);  // right behind
    char text[7] = {};
    ASSERT_EQ(f.store.Read(text, 6, 28), kNoError);
    EXPECT_STREQ(text, "hello!");
    EXPECT_EQ(f.store.Seek(-2, 1), kNoError);
    EXPECT_EQ(f.store.Tell().Get(), 32);
    EXPECT_EQ(f.store.Seek(0, 3), kSeekError);
    EXPECT_EQ(f.store.Read(text, 1, 34), kReadError) << "past the end";
    EXPECT_EQ(f.store.Read(text, -1, 28), kReadError);
    EXPECT_NE(f.store.Write(text, -1, 28, 0, 0), kNoError);
    EXPECT_EQ(f.store.Close(), kNoError);
    EXPECT_EQ(f.store.Tell().Get(), -1);
    EXPECT_EQ(f.store.Write(text, 1, 0, 0, 0), kNotWritable);
}

// C streams need a seek between a write and a read on the same stream.
TEST(StoreFileAccess, SwitchingBetweenReadAndWriteSeeksFirst) {
    StoreFixture f;
    f.Make();
    ASSERT_EQ(f.store.Write("abcdef", 6, 28, 1, 1), kNoError);
    ASSERT_EQ(f.store.SeekTo(30).Get(), 30);
    char c = 0;
    FaultInjector faults;
    ASSERT_EQ(f.store.Write("X", 1, -1, 0, 0), kNoError);
    faults.ResetCounts();
    ASSERT_EQ(f.store.Read(&c, 1, -1), kNoError);
    EXPECT_EQ(faults.Calls(Stdio::Fseek), 1);
    EXPECT_EQ(c, 'd');
    faults.ResetCounts();
    ASSERT_EQ(f.store.Write("Y", 1, -1, 0, 0), kNoError);
    EXPECT_EQ(faults.Calls(Stdio::Fseek), 1);
    EXPECT_EQ(f.store.Tell().Get(), 33);
}

TEST(StoreFileHeader, QueriesSeeAnotherWriter) {
    StoreFixture f;
    f.Make();
    StoreFile other;
    ASSERT_EQ(other.Open(f.path.c_str(), 1), kNoError);
    ASSERT_EQ(other.Allocate(10, kFirstFit).Get(), 44);
    EXPECT_EQ(f.store.EndOfFile().Get(), 54);
    ASSERT_EQ(other.Remove(44, 0), 1);
    EXPECT_EQ(f.store.RefreshHeader(), 1);
    EXPECT_EQ(f.store.Header().freeListHead.Get(), 28);
    EXPECT_EQ(f.store.RefreshHeader(), 0);
    EXPECT_EQ(StoreFile::FileSize(f.dir.File("none").c_str()).Get(), -1);
}

// A name that does not fit the 255-byte name buffer is refused, never cut.
TEST(StoreFileNames, TooLongNamesAreRefused) {
    StoreFixture f;
    std::string prefix = f.dir.Path() + "/";
    std::string fits = prefix + std::string(254 - prefix.size(), 'n'), tooLong = fits + "n";
    ASSERT_EQ(f.store.Create(tooLong.c_str(), 0, 0), kInvalidPath);
    EXPECT_FALSE(StoreFile::FileExists(fits.c_str()));
    ASSERT_EQ(f.store.Create(fits.c_str(), 0, 0), kNoError);
    EXPECT_STREQ(f.store.FileName(), fits.c_str());
    ASSERT_EQ(f.store.Close(), kNoError);
    WriteAllBytes(tooLong, kFreshRevisionZero);
    EXPECT_EQ(f.store.Open(tooLong.c_str(), 1), kInvalidPath);
    EXPECT_FALSE(f.store.IsReady());
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
