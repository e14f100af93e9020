#include <gtest/gtest.h>

#include <string>

#include "tests/store/store_test_util.h"
#include "tests/support/fault_injection.h"

namespace kodexa::test {
namespace {

const Bytes kFreshRevisionZero = {0x00, 0x00, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x1C, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 'K',  'V',  'D',  'B',
                                  'A',  'S',  'E',  0x00, 0xA0, 0x0F, 0x00, 0x00};

TEST(StoreFileCreate, FreshRevisionZeroFileIsTheBareHeader) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Close(), 0);
    EXPECT_EQ(ReadAllBytes(f.path), kFreshRevisionZero);
    EXPECT_STREQ(f.store.FileName(), "closed.kvd");
}

TEST(StoreFileCreate, StaticAreaAndLockHeaderInRevisionB) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 100, 'b'), 0);
    EXPECT_EQ(f.store.StaticAreaSize().Get(), 100);
    Bytes bytes = ReadAllBytes(f.path);
    ASSERT_EQ(bytes.size(), 140u);
    EXPECT_EQ(Le32(bytes, 0), 0u);
    EXPECT_EQ(Le32(bytes, 4), 140u);
    EXPECT_EQ(Le32(bytes, 8), 140u);
    EXPECT_EQ(Le32(bytes, 12), 0u);
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 23), "KVDBASE");
    EXPECT_EQ(bytes[23], 'B');
    EXPECT_EQ(Le32(bytes, 24), 4000u);
    EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.begin() + 40), Bytes(12, 0));
    EXPECT_EQ(bytes[139], 0);
}

TEST(StoreFileCreate, RevisionArgument) {
    struct Case { char given, stored; int headerSize, blockHeaderSize, checksums; } cases[] = {
        {0, 0, 28, 16, 0},     {' ', 0, 28, 16, 0},   {'x', 0, 28, 16, 0},   {'A', 'A', 28, 16, 1},
        {'a', 'A', 28, 16, 1}, {'B', 'B', 40, 16, 1}, {'c', 'C', 40, 28, 1}, {'C', 'C', 40, 28, 1},
    };
    for (const Case& c : cases) {
        StoreFixture f;
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, c.given), 0);
        EXPECT_EQ(f.store.Revision(), c.stored) << int(c.given);
        EXPECT_EQ(f.store.HeaderSize(), c.headerSize) << int(c.given);
        EXPECT_EQ(f.store.BlockHeaderSize(), c.blockHeaderSize) << int(c.given);
        EXPECT_EQ(f.store.HasChecksums(), c.checksums) << int(c.given);
        Bytes bytes = ReadAllBytes(f.path);
        EXPECT_EQ(bytes.size(), size_t(c.headerSize));
        EXPECT_EQ(bytes.at(23), c.stored);
    }
}

TEST(StoreFileOpen, RejectsAFileWithoutTheSignature) {
    struct Case { size_t at; unsigned char byte; } cases[] = {{22, 'F'}, {16, 'k'}, {19, 0}};
    for (const Case& c : cases) {
        StoreFixture f;
        Bytes bytes = kFreshRevisionZero;
        bytes[c.at] = c.byte;
        WriteAllBytes(f.path, bytes);
        EXPECT_EQ(f.store.Open(f.path.c_str(), 1), 42);
        EXPECT_FALSE(f.store.IsReady());
        char buffer[4] = {1, 2, 3, 4};
        EXPECT_EQ(f.store.Read(buffer, 4, 0), 19);
        EXPECT_EQ(f.store.Write(buffer, 4, 0, 1, 1), 19);
        EXPECT_EQ(f.store.Write(buffer, 4, -1, 0, 0), 19);
        EXPECT_EQ(f.store.Seek(0, 0), 19);
        EXPECT_EQ(f.store.Tell().Get(), -1);
        EXPECT_EQ(f.store.LastError(), 19);
        EXPECT_EQ(f.store.Allocate(10, 2).Get(), 0);
        EXPECT_EQ(f.store.Close(), 0);
        EXPECT_EQ(ReadAllBytes(f.path), bytes) << "a rejected file is never written";
    }
}

TEST(StoreFileOpen, RevisionComesFromTheHeader) {
    struct Case { unsigned char byte; int headerSize, blockHeaderSize, checksums; } cases[] = {
        {0, 28, 16, 0},   {' ', 28, 16, 0}, {'A', 28, 16, 1}, {'a', 28, 16, 1}, {'B', 40, 16, 1},
        {'b', 40, 16, 1}, {'C', 40, 28, 1}, {'c', 40, 28, 1}, {'Z', 28, 16, 1},
    };
    for (const Case& c : cases) {
        StoreFixture f;
        Bytes bytes = kFreshRevisionZero;
        bytes[23] = c.byte;
        WriteAllBytes(f.path, bytes);
        ASSERT_EQ(f.store.Open(f.path.c_str(), 0), 0) << c.byte;
        EXPECT_EQ(f.store.Revision(), char(c.byte));
        EXPECT_EQ(f.store.HeaderSize(), c.headerSize) << c.byte;
        EXPECT_EQ(f.store.BlockHeaderSize(), c.blockHeaderSize) << c.byte;
        EXPECT_EQ(f.store.HasChecksums(), c.checksums) << c.byte;
    }
}

TEST(StoreFileOpen, EndOfFileMovesToTheRealEnd) {
    StoreFixture f;
    Bytes bytes = kFreshRevisionZero;
    bytes.resize(60, 0x55);
    WriteAllBytes(f.path, bytes);

    ASSERT_EQ(f.store.Open(f.path.c_str(), 0), 0);
    EXPECT_EQ(f.store.Header().endOfFile.Get(), 60);
    EXPECT_EQ(Le32(ReadAllBytes(f.path), 4), 28u) << "read-only: memory only";
    ASSERT_EQ(f.store.Open(f.path.c_str(), 1), 0);
    EXPECT_EQ(Le32(ReadAllBytes(f.path), 4), 60u) << "read-write: written back at once";
    EXPECT_EQ(f.store.Allocate(0, 2).Get(), 60 + 16);
}

TEST(StoreFileOpen, MissingFileAndReuseOfTheObject) {
    StoreFixture f;
    EXPECT_EQ(f.store.Open(f.dir.File("absent.kvd").c_str(), 1), 21);
    EXPECT_FALSE(f.store.IsReady());
    EXPECT_FALSE(f.store.IsWritable());
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 44);
    std::string second = f.dir.File("second.kvd");
    ASSERT_EQ(f.store.Create(second.c_str(), 0, 'A'), 0);  // closes the first, header written
    EXPECT_EQ(Le32(ReadAllBytes(f.path), 4), 54u);
    EXPECT_STREQ(f.store.FileName(), second.c_str());
    ASSERT_EQ(f.store.Open(f.path.c_str(), 0), 0);
    EXPECT_EQ(f.store.Revision(), 0);
    EXPECT_FALSE(f.store.IsWritable());
    EXPECT_EQ(f.store.Allocate(10, 2).Get(), 0);
    EXPECT_EQ(f.store.LastError(), 20);
}

TEST(StoreFileAccess, ReadWriteSeekTell) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Write("hello", 5, 28, 1, 1), 0);
    ASSERT_EQ(f.store.Write("!", 1, -1, 0, 1), 0);  // right behind
    char text[7] = {};
    ASSERT_EQ(f.store.Read(text, 6, 28), 0);
    EXPECT_STREQ(text, "hello!");
    EXPECT_EQ(f.store.Tell().Get(), 34);
    EXPECT_EQ(f.store.SeekTo(30).Get(), 30);
    EXPECT_EQ(f.store.SeekTo(32).Get(), 32);
    EXPECT_EQ(f.store.Seek(-2, 1), 0);
    EXPECT_EQ(f.store.Tell().Get(), 30);
    EXPECT_EQ(f.store.Seek(0, 2), 0);
    EXPECT_EQ(f.store.Tell().Get(), 34);
    EXPECT_EQ(f.store.Seek(0, 3), 24);
    EXPECT_EQ(f.store.Read(text, 1, 34), 23) << "past the end";
    EXPECT_EQ(f.store.Read(text, -1, 28), 23);
    EXPECT_NE(f.store.Write(text, -1, 28, 0, 0), 0);
    EXPECT_EQ(f.store.Close(), 0);
    EXPECT_EQ(f.store.Read(text, 1, 0), 19);
    EXPECT_EQ(f.store.Tell().Get(), -1);
    EXPECT_EQ(f.store.Write(text, 1, 0, 0, 0), 20);
}

TEST(StoreFileAccess, PositioningCallsAtTheCurrentPosition) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Write("abcdef", 6, 28, 1, 1), 0);
    ASSERT_EQ(f.store.SeekTo(30).Get(), 30);
    char c = 0;
    FaultInjector faults;
    ASSERT_EQ(f.store.SeekTo(-1).Get(), 30);
    EXPECT_EQ(faults.Calls(Stdio::Fseek), 0) << "SeekTo(-1) does not move";
    ASSERT_EQ(f.store.Write("X", 1, -1, 0, 0), 0);
    faults.ResetCounts();
    ASSERT_EQ(f.store.Read(&c, 1, -1), 0);
    EXPECT_EQ(faults.Calls(Stdio::Fseek), 1) << "a read after a write seeks by 0 first";
    EXPECT_EQ(c, 'd');
    faults.ResetCounts();
    ASSERT_EQ(f.store.Read(&c, 1, -1), 0);
    EXPECT_EQ(faults.Calls(Stdio::Fseek), 0) << "two reads in a row do not";
    EXPECT_EQ(c, 'e');
    faults.ResetCounts();
    ASSERT_EQ(f.store.Write("Y", 1, -1, 0, 0), 0);
    EXPECT_EQ(faults.Calls(Stdio::Fseek), 1) << "a write after a read seeks by 0 first";
    EXPECT_EQ(f.store.Tell().Get(), 34);
}

TEST(StoreFileHeader, QueriesSeeAnotherWriter) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    StoreFile other;
    ASSERT_EQ(other.Open(f.path.c_str(), 1), 0);
    ASSERT_EQ(other.Allocate(10, 2).Get(), 44);
    EXPECT_EQ(f.store.Header().endOfFile.Get(), 28);
    EXPECT_EQ(f.store.EndOfFile().Get(), 54);
    EXPECT_EQ(f.store.LastBlock().Get(), 28);
    ASSERT_EQ(other.Remove(44, 0), 1);
    EXPECT_EQ(f.store.RefreshHeader(), 1);
    EXPECT_EQ(f.store.Header().freeListHead.Get(), 28);
    EXPECT_EQ(f.store.RefreshHeader(), 0);
    EXPECT_EQ(StoreFile::FileSize(f.path.c_str()).Get(), 54);
    EXPECT_TRUE(StoreFile::FileExists(f.path.c_str()));
    EXPECT_EQ(StoreFile::FileSize(f.dir.File("none").c_str()).Get(), -1);
}

// A name that does not fit the 255-byte name buffer is refused, never cut.
TEST(StoreFileNames, TooLongNamesAreRefused) {
    StoreFixture f;
    std::string prefix = f.dir.Path() + "/";
    std::string fits = prefix + std::string(254 - prefix.size(), 'n');
    std::string tooLong = prefix + std::string(255 - prefix.size(), 'n');
    ASSERT_EQ(f.store.Create(tooLong.c_str(), 0, 0), 36);
    EXPECT_FALSE(f.store.IsReady());
    EXPECT_FALSE(StoreFile::FileExists(tooLong.c_str()));
    EXPECT_FALSE(StoreFile::FileExists(fits.c_str()));
    ASSERT_EQ(f.store.Create(fits.c_str(), 0, 0), 0);
    EXPECT_STREQ(f.store.FileName(), fits.c_str());
    ASSERT_EQ(f.store.Close(), 0);
    WriteAllBytes(tooLong, kFreshRevisionZero);  // the OS allows it; the store does not
    EXPECT_EQ(f.store.Open(tooLong.c_str(), 1), 36);
    EXPECT_FALSE(f.store.IsReady());
    EXPECT_EQ(f.store.Open(fits.c_str(), 1), 0);
}

TEST(StoreFileChecksum, RangesAndRefusals) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Write("abc", 3, 28, 1, 1), 0);
    for (int buffered : {1, 0}) {
        EXPECT_EQ(f.store.Checksum(3, 28, buffered), 0x352441C2u);
        EXPECT_EQ(f.store.LastError(), 0);
        struct Case { int length; int32_t address; } refused[] = {{-1, 28}, {INT32_MIN, 0}, {4, 28}, {1, 31}};
        for (const Case& c : refused) {
            f.store.SetError(0);
            EXPECT_EQ(f.store.Checksum(c.length, c.address, buffered), 0u) << c.length << " at " << c.address;
            EXPECT_EQ(f.store.LastError(), 23) << c.length << " at " << c.address;
        }
    }
}

}  // namespace
}  // namespace kodexa::test
