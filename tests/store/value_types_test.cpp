#include <gtest/gtest.h>

#include <climits>
#include <type_traits>

#include "store/file_address.h"
#include "store/store_error.h"

namespace kodexa {
namespace {

// Integers of up to 32 bits widen by their own signedness and compare with
// the stored type's; wider ones compare by their full value, so that 2^32 +
// 28 never equals 28 (that once let a block scan step back to its start).
TEST(ValueTypes, MixedComparisons) {
    FileAddress minusOne(-1), at(28);
    StoredUInt32 allOnes(0xFFFFFFFFu);
    EXPECT_FALSE(minusOne == uint16_t(65535));
    EXPECT_TRUE(allOnes == int8_t(-1));
    EXPECT_FALSE(-1 < StoredUInt32(0u));
    const int64_t beyond = (int64_t(1) << 32) + 28;
    EXPECT_TRUE(at < beyond && beyond > at && at != beyond);
    EXPECT_TRUE(allOnes < int64_t(0x100000000) && allOnes > int64_t(-1));
    EXPECT_FALSE((std::is_convertible<int64_t, FileAddress>::value)) << "wide values need an explicit cast";
}

// The B-tree header's counters step with ++ and --.
TEST(ValueTypes, IncrementWraps) {
    FileAddress a(INT32_MAX);
    a++;
    EXPECT_EQ(a.Get(), INT32_MIN);
}

TEST(ValueTypes, ErrorMessagesOutsideTheTable) {
    EXPECT_STREQ(StoreErrorMessage(47), "Database exception: Cannot lock the specified record");
    for (int code : {1, 48, -3, INT_MIN})
        EXPECT_STREQ(StoreErrorMessage(code), "Database exception: Invalid error code reported") << code;
}

}  // namespace
}  // namespace kodexa
