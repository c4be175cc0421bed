// Buffers of a megabyte and more from mapped memory, smaller ones from new[].
#include "platform/LargeMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

using namespace nrt::platform;

TEST(LargeMemory, EveryElementAskedForIsThereAndTheRoomIsWhole)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr bool kWholePages = false; // the sanitizer's build takes every buffer from new[]
#else
    constexpr bool kWholePages = true;
#endif
    constexpr std::size_t kMiB = std::size_t(1) << 20;
    struct Case {
        std::size_t count;
        std::size_t leastRoom; // what the capacity is at least
    };
    const Case cases[] = {
        { 1, 1 }, { kMiB / 4 - 1, kMiB / 4 - 1 }, // below a megabyte of elements: as asked
        { kMiB / 4, 2 * kMiB / 4 }, // a megabyte: a whole large page
        { 3 * kMiB / 4 + 5, 4 * kMiB / 4 }, // three megabytes and more: two pages
    };
    for (const Case& c : cases) {
        std::size_t capacity = 0;
        LargeArray<std::uint32_t> memory = AllocateLarge<std::uint32_t>(c.count, capacity);
        ASSERT_TRUE(memory) << c.count;
        EXPECT_GE(capacity, kWholePages ? c.leastRoom : c.count) << c.count;
        // The whole room can be written and keeps what was written.
        std::memset(memory.get(), 0xAB, capacity * sizeof(std::uint32_t));
        memory[c.count - 1] = 11;
        EXPECT_EQ(memory[0], c.count == 1 ? 11u : 0xABABABABu) << c.count;
        EXPECT_EQ(memory[capacity - 1], capacity == c.count ? 11u : 0xABABABABu) << c.count;
    }
}

TEST(LargeMemory, TakesOverMemoryFromNew)
{
    // Memory read by code that knows nothing of large buffers is freed as it was had.
    std::unique_ptr<char[]> plain(new char[16]);
    std::memcpy(plain.get(), "fifteen letters", 16);
    LargeArray<char> taken = std::move(plain);
    EXPECT_STREQ(taken.get(), "fifteen letters");
    std::size_t capacity = 0;
    taken = AllocateLarge<char>(3 << 20, capacity);
    ASSERT_TRUE(taken);
    taken[capacity - 1] = 'x';
    EXPECT_EQ(taken[capacity - 1], 'x');
}
