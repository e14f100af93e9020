#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "store/file_address.h"
#include "store/file_layer.h"
#include "store/store_error.h"

namespace kodexa {
namespace {

std::string Hex(const unsigned char* b) {
    char text[12];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", b[0], b[1], b[2], b[3]);
    return text;
}

TEST(ValueTypes, BytesAreLeastSignificantFirst) {
    struct Case { int32_t value; const char* bytes; } cases[] = {
        {258, "02 01 00 00"}, {-2, "FE FF FF FF"}, {-1, "FF FF FF FF"},
        {INT32_MIN, "00 00 00 80"}, {0x12345678, "78 56 34 12"},
    };
    for (const Case& c : cases) {
        FileAddress a(c.value);
        EXPECT_EQ(Hex(a.Bytes()), c.bytes) << c.value;
        EXPECT_EQ(a.Get(), c.value);
        FileAddress copy;
        std::memcpy(&copy, a.Bytes(), 4);  // raw bytes are the whole value
        EXPECT_EQ(copy.Get(), c.value);
    }
    StoredUInt32 u(0xFFFFFFFEu);
    EXPECT_EQ(Hex(u.Bytes()), "FE FF FF FF");
    EXPECT_EQ(u.Get(), 0xFFFFFFFEu);
}

TEST(ValueTypes, ComparisonsFollowTheTypesSignedness) {
    EXPECT_LT(FileAddress(-1), FileAddress(0));
    EXPECT_GT(StoredUInt32(0xFFFFFFFFu), StoredUInt32(0u));
    EXPECT_TRUE(FileAddress(-5) <= FileAddress(-5) && FileAddress(-5) >= FileAddress(-5));
    EXPECT_NE(FileAddress(1), FileAddress(2));
}

// The integer is widened to 32 bits by its own signedness, then compared
// with the signedness of the stored type.
TEST(ValueTypes, MixedComparisonsWidenByTheIntegersSignedness) {
    FileAddress minusOne(-1);
    StoredUInt32 allOnes(0xFFFFFFFFu);
    EXPECT_FALSE(minusOne == uint16_t(65535));
    EXPECT_TRUE(minusOne == int16_t(-1));
    EXPECT_TRUE(minusOne == int8_t(-1));
    EXPECT_FALSE(minusOne == uint8_t(255));
    EXPECT_TRUE(minusOne < uint16_t(65535));
    EXPECT_TRUE(uint16_t(65535) > minusOne);
    EXPECT_TRUE(int16_t(-1) == minusOne);
    EXPECT_TRUE(minusOne == 0xFFFFFFFFu);  // zero-extended, then read signed
    EXPECT_TRUE(minusOne < 0u);
    EXPECT_TRUE(allOnes == int8_t(-1));     // sign-extended, then read unsigned
    EXPECT_TRUE(allOnes > 0);
    EXPECT_FALSE(allOnes == uint16_t(65535));
    EXPECT_TRUE(StoredUInt32(65535u) == uint16_t(65535));
    EXPECT_FALSE(-1 < StoredUInt32(0u));  // -1 widens to 0xFFFFFFFF
}

// Cutting a 64-bit operand to 32 bits made 2^32 + 28 equal 28 and let a
// block scan step back to where it started.
TEST(ValueTypes, ComparisonsWithWideIntegersUseTheFullValue) {
    const int64_t beyond = (int64_t(1) << 32) + 28;
    FileAddress at(28);
    EXPECT_TRUE(at < beyond);
    EXPECT_TRUE(beyond > at);
    EXPECT_TRUE(at != beyond);
    EXPECT_FALSE(at >= beyond);
    EXPECT_TRUE(at == int64_t(28));
    EXPECT_TRUE(FileAddress(-1) < uint64_t(0));
    EXPECT_TRUE(FileAddress(-1) > int64_t(-2));
    EXPECT_TRUE(FileAddress(-1) < (uint64_t(1) << 63));
    EXPECT_TRUE(StoredUInt32(0xFFFFFFFFu) < int64_t(0x100000000));
    EXPECT_TRUE(StoredUInt32(0xFFFFFFFFu) > int64_t(-1));
    EXPECT_TRUE(StoredUInt32(0xFFFFFFFFu) == uint64_t(0xFFFFFFFFu));
    // A wide value becomes an address only through an explicit cast.
    EXPECT_FALSE((std::is_convertible<int64_t, FileAddress>::value));
    EXPECT_FALSE((std::is_convertible<uint64_t, StoredUInt32>::value));
    EXPECT_TRUE((std::is_convertible<int32_t, FileAddress>::value));
}

TEST(ValueTypes, ArithmeticWrapsAndDivisionByZeroIsIgnored) {
    StoredUInt32 u(0xFFFFFFFFu);
    EXPECT_EQ(u++.Get(), 0xFFFFFFFFu);
    EXPECT_EQ(u.Get(), 0u);
    EXPECT_EQ(u--.Get(), 0u);
    EXPECT_EQ(u.Get(), 0xFFFFFFFFu);
    FileAddress a(INT32_MAX);
    a++;
    EXPECT_EQ(a.Get(), INT32_MIN);
    a += 5u;
    EXPECT_EQ(a.Get(), INT32_MIN + 5);
    a -= 10u;
    EXPECT_EQ(a.Get(), INT32_MAX - 4);

    FileAddress d(-7);
    d /= 2;
    EXPECT_EQ(d.Get(), -3);  // truncates toward zero
    d /= 0;
    EXPECT_EQ(d.Get(), -3);
    d /= FileAddress(-3);
    EXPECT_EQ(d.Get(), 1);
    StoredUInt32 big(0xFFFFFFFEu);
    big /= 2;
    EXPECT_EQ(big.Get(), 0x7FFFFFFFu);  // unsigned division
    big /= int8_t(-1);                  // divisor widens to 0xFFFFFFFF
    EXPECT_EQ(big.Get(), 0u);
    FileAddress lowest(INT32_MIN);
    lowest /= -1;  // does not fit: wraps instead of trapping
    EXPECT_EQ(lowest.Get(), INT32_MIN);
}

TEST(ValueTypes, ErrorMessages) {
    const char* invalid = "Database exception: Invalid error code reported";
    struct Case { int code; const char* text; } cases[] = {
        {0, "Database exception: No exception reported"},
        {1, invalid},
        {9, "Database exception: Checksum error"},
        {19, "Database exception: File not ready for reading/writing"},
        {36, "Database exception: Invalid path"},
        {47, "Database exception: Cannot lock the specified record"},
        {48, invalid}, {49, invalid}, {1000, invalid}, {-3, invalid}, {INT_MIN, invalid},
    };
    for (const Case& c : cases) EXPECT_STREQ(StoreErrorMessage(c.code), c.text) << c.code;
    for (int code = 0; code < kStoreErrorCount; ++code)
        EXPECT_EQ(std::strncmp(StoreErrorMessage(code), "Database exception: ", 20), 0) << code;
}

TEST(ValueTypes, Crc32) {
    EXPECT_EQ(Crc32("abc", 3), 0x352441C2u);
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("", 0), 0u);
    uint32_t crc = 0xFFFFFFFFu;
    for (char c : std::string("abc")) crc = Crc32Step(static_cast<unsigned char>(c), crc);
    EXPECT_EQ(~crc, 0x352441C2u);
}

}  // namespace
}  // namespace kodexa
