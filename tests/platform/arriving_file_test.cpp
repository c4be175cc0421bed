// Reading a file on a second thread while its first bytes are already in use.
#include "platform/ArrivingFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace nrt::platform;
using nrt::test::TempDir;

TEST(ArrivingFile, StartsOnlyOnLargeEnoughRegularFiles)
{
    TempDir dir;
    nrt::test::WriteAll(dir.File("small"), "abc");
    struct Case {
        std::string path;
        std::size_t minSize;
        bool started;
    };
    const Case cases[] = {
        { dir.File("small"), 4, false },
        { dir.File("small"), 3, true },
        { dir.File("missing"), 0, false },
        { dir.Path(), 0, false },
    };
    for (const Case& c : cases) {
        ArrivingFile f;
        EXPECT_EQ(f.Start(c.path, c.minSize), c.started) << c.path << " " << c.minSize;
        if (c.started) {
            EXPECT_TRUE(f.Finish());
        }
    }
}

TEST(ArrivingFile, BytesArriveInOrderAndWhole)
{
    TempDir dir;
    std::string bytes(3'000'001, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 4096);
    nrt::test::WriteAll(dir.File("big"), bytes);
    ArrivingFile f;
    ASSERT_TRUE(f.Start(dir.File("big"), 1));
    ASSERT_EQ(f.Size(), bytes.size());
    // Whatever has arrived is already the file's.
    for (std::size_t want : { std::size_t(1), std::size_t(300'000), std::size_t(2'999'999) }) {
        const std::size_t got = f.WaitFor(want);
        ASSERT_GE(got, want);
        ASSERT_LE(got, bytes.size());
        EXPECT_EQ(std::memcmp(f.Data(), bytes.data(), got), 0);
    }
    EXPECT_EQ(f.WaitFor(bytes.size() + 100), bytes.size());
    ASSERT_TRUE(f.Finish());
    const auto data = f.Take();
    EXPECT_EQ(std::string(data.get(), bytes.size()), bytes);
    EXPECT_EQ(data[bytes.size()], '\0');
}
