// Reads of a read-only file through its mapping, checked against stdio
// reading the same file without a buffer. The input is the file's bytes and
// a script of reads, seeks and changes made by another writer: bytes
// appended, bytes rewritten in place, the file cut short. Until the file is
// cut, every read and seek answers as stdio does, with the same bytes; once
// it is cut, nothing crashes, and a read from the mapping that succeeds
// gives the file's present bytes, or zeros where the cut took them away.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "store/file_layer.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

enum Step { kRead, kSeekSet, kSeekCurrent, kSeekEnd, kAppend, kRewrite, kCut, kStepCount };

// The file as the mapping and stdio read it, and as another writer changes it.
struct MappedReadCheck {
    Bytes model;  // what the file holds now
    FileHolder* holder;
    FILE* reference;
    int writer;
    bool cut = false;

    void Run(int step, unsigned argument) {
        switch (step) {
            case kRead: Read(argument % 700); break;
            case kSeekSet: Seek(long(argument), 0, SEEK_SET); break;
            case kSeekCurrent: Seek(long(int16_t(argument)), 1, SEEK_CUR); break;
            case kSeekEnd: Seek(-long(argument % 300), 2, SEEK_END); break;
            case kAppend: Write(model.size(), argument % 600, argument); break;
            case kRewrite: Write(model.empty() ? 0 : argument % model.size(), 1 + argument % 40, argument); break;
            case kCut: Cut(model.empty() ? 0 : argument % model.size()); break;
        }
        if (cut) std::fseek(reference, FileTell(holder), SEEK_SET);
        FUZZ_REQUIRE(cut || FileTell(holder) == std::ftell(reference), "the mapped position differs from stdio's");
    }

    void Read(size_t count) {
        const long start = FileTell(holder);
        const bool wasMapped = IsMapped(holder);
        Bytes mapped(count, 0xA5), plain(count, 0x5A);
        const int failed = FileRead(holder, mapped.data(), count);
        const size_t moved = std::fread(plain.data(), 1, count, reference);
        if (!cut) {
            FUZZ_REQUIRE(failed == (moved != count), "a mapped read succeeds where stdio's fails, or the other way");
            FUZZ_REQUIRE(std::equal(plain.begin(), plain.begin() + moved, mapped.begin()),
                         "a mapped read gives other bytes than stdio");
            return;
        }
        // Once the mapping is given up, the C stream reads with its own
        // buffer, which may hold bytes from before a rewrite.
        if (failed || !wasMapped || !IsMapped(holder)) return;
        for (size_t i = 0; i < count; ++i) {
            const size_t at = size_t(start) + i;
            FUZZ_REQUIRE(mapped[i] == (at < model.size() ? model[at] : 0),
                         "a read after a cut gives bytes the file never held there");
        }
    }

    void Seek(long offset, int origin, int whence) {
        const int mappedFailed = FileSeek(holder, offset, origin) != 0;
        const int plainFailed = std::fseek(reference, offset, whence) != 0;
        FUZZ_REQUIRE(cut || mappedFailed == plainFailed, "a mapped seek answers otherwise than stdio's");
    }

    void Write(size_t offset, size_t count, unsigned seed) {
        Bytes bytes(count);
        for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(seed * 31 + i * 7);
        if (pwrite(writer, bytes.data(), count, off_t(offset)) != ssize_t(count)) return;
        if (model.size() < offset + count) model.resize(offset + count);
        std::copy(bytes.begin(), bytes.end(), model.begin() + long(offset));
    }

    void Cut(size_t length) {
        if (ftruncate(writer, off_t(length)) != 0) return;
        model.resize(length);
        cut = true;
    }
};

}  // namespace

int FuzzMappedReads(const uint8_t* data, size_t size) {
    std::vector<Bytes> pieces = SplitInput(data, size, 2);
    const TempDir scratch;
    const std::string path = ScratchFile(scratch.File("mapped.kvd"), pieces[0]);
    MappedReadCheck check{pieces[0], FileOpen(path.c_str(), 0), std::fopen(path.c_str(), "rb"),
                          open(path.c_str(), O_WRONLY)};
    FUZZ_REQUIRE(check.holder && check.reference && check.writer >= 0, "the file could not be opened");
    setvbuf(check.reference, nullptr, _IONBF, 0);
    // Each step is three bytes: what to do and a 16-bit argument.
    const Bytes& script = pieces[1];
    for (size_t at = 0; at + 3 <= script.size() && at < 3 * 400; at += 3)
        check.Run(script[at] % kStepCount, script[at + 1] | unsigned(script[at + 2]) << 8);
    FUZZ_REQUIRE(FileClose(check.holder) == 0, "closing a mapped file failed");
    std::fclose(check.reference);
    close(check.writer);
    return 0;
}

}  // namespace kodexa::fuzz
