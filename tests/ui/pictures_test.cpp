// The built-in pictures: the header fields the windows depend on, and that
// the toolkit decodes each of them at its size.
#include <gtest/gtest.h>

#include "tests/gui_support/gui_test.h"
#include "ui/pictures.h"

using namespace FX;

namespace kodexa::test {
namespace {

int Le16(const unsigned char* p) { return p[0] | p[1] << 8; }

TEST(Pictures, HeadersAndDecoding) {
    const struct {
        const char* name;
        const pictures::Picture& picture;
        const char* version;
        int width, height, tableEntries, transparentIndex;
    } cases[] = {
        {"splash", pictures::splash, "GIF89a", 480, 308, 256, -1},
        {"side", pictures::side, "GIF89a", 150, 376, 256, -1},
        {"tips", pictures::tips, "GIF89a", 400, 300, 256, -1},
        {"about", pictures::about, "GIF89a", 400, 300, 256, -1},
        {"search", pictures::search, "GIF89a", 20, 16, 256, 57},
        {"folder_open", pictures::folder_open, "GIF87a", 16, 16, 8, -1},
        {"folder_closed", pictures::folder_closed, "GIF87a", 16, 16, 8, -1},
        {"page", pictures::page, "GIF87a", 16, 16, 8, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const unsigned char* b = c.picture.bytes;
        ASSERT_GT(c.picture.size, 13u + 3u * c.tableEntries);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 6), c.version);
        EXPECT_EQ(Le16(b + 6), c.width);
        EXPECT_EQ(Le16(b + 8), c.height);
        EXPECT_TRUE(b[10] & 0x80) << "global colour table";
        EXPECT_EQ(2 << (b[10] & 7), c.tableEntries);
        // Our pictures carry at most a graphic control extension, right after the colour table.
        const unsigned char* gce = b + 13 + 3 * c.tableEntries;
        EXPECT_EQ(gce[0] == 0x21 && gce[1] == 0xF9 && (gce[3] & 1) ? gce[6] : -1, c.transparentIndex);
        if (c.transparentIndex >= 0) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(b) + 13 + 3 * c.transparentIndex, 3), "\xff\xff\xff");
        }
        FXGIFImage image(TestApp(), b, 0, 1, 1);
        EXPECT_EQ(image.getWidth(), c.width);
        EXPECT_EQ(image.getHeight(), c.height);
    }
}

}  // namespace
}  // namespace kodexa::test
