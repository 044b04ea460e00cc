#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "platform/gtk/PropertyValue.h"

namespace brimble {
namespace {

// Each header is copied into a heap block of exactly its own size, so that the sanitizer build
// reports any read past it.
std::unique_ptr<unsigned char[]> exactCopy(const void* data, size_t size)
{
    auto copy = std::make_unique<unsigned char[]>(size);
    std::memcpy(copy.get(), data, size);
    return copy;
}

TEST(PropertyValue, IncrementalHeaderOfEightBitItemsIsNotReadAsALong)
{
    // An owner answered INCR with one 8-bit item; reading a long from it read seven bytes past
    // the property.
    const unsigned char one = 0x7f;
    const auto header = exactCopy(&one, 1);
    EXPECT_EQ(incrementalSizeHint(8, 1, header.get()), std::nullopt);
}

TEST(PropertyValue, IncrementalHeaderOfSixteenBitItemsIsNotReadAsALong)
{
    const short two[] = {0x1234, 0x5678};
    const auto header = exactCopy(two, sizeof two);
    EXPECT_EQ(incrementalSizeHint(16, 2, header.get()), std::nullopt);
}

TEST(PropertyValue, IncrementalHeaderWithoutItemsHasNoSize)
{
    const auto header = exactCopy("", 1);
    EXPECT_EQ(incrementalSizeHint(32, 0, header.get()), std::nullopt);
    EXPECT_EQ(incrementalSizeHint(32, 1, nullptr), std::nullopt);
}

TEST(PropertyValue, IncrementalHeaderOfOneLongGivesItsSize)
{
    const long size = 3 * 1024 * 1024;
    const auto header = exactCopy(&size, sizeof size);
    EXPECT_EQ(incrementalSizeHint(32, 1, header.get()), 3ul * 1024 * 1024);
}

struct ByteLengthRow {
    int format;
    unsigned long items;
    size_t bytes;
};

class PropertyByteLength : public testing::TestWithParam<ByteLengthRow> {};

TEST_P(PropertyByteLength, FollowsXlibsItemSizes)
{
    EXPECT_EQ(propertyByteLength(GetParam().format, GetParam().items), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, PropertyByteLength,
                         testing::Values(ByteLengthRow{8, 5, 5}, ByteLengthRow{16, 3, 3 * sizeof(short)},
                                         ByteLengthRow{32, 2, 2 * sizeof(long)},
                                         // A format Xlib never gives is no data rather than a guess.
                                         ByteLengthRow{0, 4, 0}, ByteLengthRow{24, 4, 0},
                                         // A count whose size does not fit is refused, not wrapped.
                                         ByteLengthRow{32, ~0ul, 0}));

} // namespace
} // namespace brimble
