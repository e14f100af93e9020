// The built-in pictures: the header fields the windows depend on, and that
// the toolkit decodes each of them at its size.
#include <gtest/gtest.h>

#include <memory>

#include "tests/gui_support/gui_test.h"
#include "ui/pictures.h"

using namespace FX;

namespace kodexa::test {
namespace {

struct Expected {
    const char* name;
    const pictures::Picture& picture;
    const char* version;
    int width, height;
    int tableEntries;
    int transparentIndex;  // -1: none
};

const Expected kPictures[] = {
    {"splash", pictures::splash, "GIF89a", 480, 308, 256, -1},
    {"side", pictures::side, "GIF89a", 150, 376, 256, -1},
    {"tips", pictures::tips, "GIF89a", 400, 300, 256, -1},
    {"about", pictures::about, "GIF89a", 400, 300, 256, -1},
    {"search", pictures::search, "GIF89a", 20, 16, 256, 57},
    {"folder_open", pictures::folder_open, "GIF87a", 16, 16, 8, -1},
    {"folder_closed", pictures::folder_closed, "GIF87a", 16, 16, 8, -1},
    {"page", pictures::page, "GIF87a", 16, 16, 8, -1},
};

int Le16(const unsigned char* p) { return p[0] | p[1] << 8; }

// Walks the blocks after the colour table: extensions, then exactly one image
// without a local colour table, then the trailer.
struct Blocks {
    int images = 0;
    int transparentIndex = -1;
    bool localTable = false;
    bool endsWithTrailer = false;
};

Blocks ReadBlocks(const unsigned char* bytes, std::size_t size, std::size_t pos) {
    Blocks found;
    auto skipSubBlocks = [&](std::size_t at) {
        while (at < size && bytes[at] != 0) at += bytes[at] + 1u;
        return at + 1;
    };
    while (pos < size) {
        if (bytes[pos] == 0x3B) {
            found.endsWithTrailer = pos + 1 == size;
            break;
        }
        if (bytes[pos] == 0x21) {
            if (bytes[pos + 1] == 0xF9 && (bytes[pos + 3] & 1)) found.transparentIndex = bytes[pos + 6];
            pos = skipSubBlocks(pos + 2);
        } else if (bytes[pos] == 0x2C) {
            ++found.images;
            found.localTable = (bytes[pos + 9] & 0x80) != 0;
            pos = skipSubBlocks(pos + 11);  // descriptor, then the LZW code size
        } else {
            break;
        }
    }
    return found;
}

TEST(Pictures, HeaderFieldsAreExact) {
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.name);
        const unsigned char* b = e.picture.bytes;
        ASSERT_GT(e.picture.size, 13u + 3u * e.tableEntries);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 6), e.version);
        EXPECT_EQ(Le16(b + 6), e.width);
        EXPECT_EQ(Le16(b + 8), e.height);
        EXPECT_TRUE(b[10] & 0x80) << "global colour table";
        EXPECT_EQ(2 << (b[10] & 7), e.tableEntries);
        EXPECT_EQ(b[11], 0) << "background index";
        EXPECT_EQ(b[12], 0) << "aspect ratio";

        Blocks blocks = ReadBlocks(b, e.picture.size, 13 + 3 * e.tableEntries);
        EXPECT_EQ(blocks.images, 1);
        EXPECT_FALSE(blocks.localTable);
        EXPECT_TRUE(blocks.endsWithTrailer);
        EXPECT_EQ(blocks.transparentIndex, e.transparentIndex);
    }
}

TEST(Pictures, SearchIconsTransparentColourIsWhite) {
    const unsigned char* entry = pictures::search.bytes + 13 + 3 * 57;
    EXPECT_EQ(entry[0], 255);
    EXPECT_EQ(entry[1], 255);
    EXPECT_EQ(entry[2], 255);
}

TEST(Pictures, ToolkitDecodesEachAtItsSize) {
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.name);
        auto image = std::make_unique<FXGIFImage>(TestApp(), e.picture.bytes, 0, 1, 1);
        EXPECT_EQ(image->getWidth(), e.width);
        EXPECT_EQ(image->getHeight(), e.height);
    }
}

TEST(Pictures, TransparentPixelsOfTheSearchIconDecodeClear) {
    auto icon = std::make_unique<FXGIFIcon>(TestApp(), pictures::search.bytes, FXRGB(192, 192, 192), 0, 1, 1);
    const FXColor* pixels = icon->getData();
    int clear = 0, opaque = 0;
    for (int i = 0; i < icon->getWidth() * icon->getHeight(); ++i) {
        (FXALPHAVAL(pixels[i]) == 0 ? clear : opaque) += 1;
    }
    // A magnifier on a clear background: both kinds, and the corner is clear.
    EXPECT_GT(clear, 0);
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(FXALPHAVAL(pixels[0]), 0);
}

}  // namespace
}  // namespace kodexa::test
