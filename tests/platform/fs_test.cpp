#include "platform/fs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nrt::platform;
using nrt::test::TempDir;

namespace {

struct FaultGuard {
    explicit FaultGuard(long long bytes) { fs::testing::FailWritesAfter(bytes); }
    ~FaultGuard() { fs::testing::FailWritesAfter(-1); }
};

} // namespace

TEST(Fs, JapaneseNamesReachTheFilesystemAsUtf8)
{
    TempDir dir;
    const std::string folder = dir.File("メインユーザー");
    ASSERT_TRUE(fs::MakeDir(folder));
    ASSERT_TRUE(fs::AtomicWriteFile(folder + "/" + nrt::test::S("表.txt"), "x"));
    auto entries = fs::ListDir(dir.Path());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, nrt::test::S("メインユーザー"));
    EXPECT_TRUE(entries[0].isDirectory);
    EXPECT_EQ(
        fs::ToSystemPath(folder + "/" + nrt::test::S("表.txt")), nrt::test::U(dir.Path()) + "/メインユーザー/表.txt");
}

TEST(Fs, FailedWriteLeavesThePreviousFileIntact)
{
    TempDir dir;
    const std::string path = dir.File("data.bin");
    ASSERT_TRUE(fs::AtomicWriteFile(path, "old contents"));
    for (long long budget : { 0LL, 5LL, 70000LL }) {
        FaultGuard fault(budget);
        EXPECT_FALSE(fs::AtomicWriteFile(path, std::string(200000, 'n'))) << budget;
    }
    EXPECT_EQ(nrt::test::ReadAll(path), "old contents");
    EXPECT_EQ(fs::ListDir(dir.Path()).size(), 1u) << "temporary file left behind";
}

TEST(Fs, CopyAndRemove)
{
    TempDir dir;
    const std::string a = dir.File("a"), b = dir.File("b");
    EXPECT_FALSE(fs::CopyFile(a, b)); // missing source
    ASSERT_TRUE(fs::AtomicWriteFile(a, "AAA"));
    ASSERT_TRUE(fs::CopyFile(a, b));
    EXPECT_EQ(nrt::test::ReadAll(b), "AAA");
    ASSERT_TRUE(fs::AtomicWriteFile(a, "new"));
    EXPECT_FALSE(fs::CopyFile(a, b, /*failIfExists=*/true));
    EXPECT_EQ(nrt::test::ReadAll(b), "AAA");
    {
        FaultGuard fault(1);
        EXPECT_FALSE(fs::CopyFile(a, b));
    }
    EXPECT_EQ(nrt::test::ReadAll(b), "AAA");
    ASSERT_TRUE(fs::MakeDirs(dir.File("x/y/z")));
    ASSERT_TRUE(fs::AtomicWriteFile(dir.File("x/y/z/f"), "1"));
    EXPECT_TRUE(fs::RemoveTree(dir.File("x")));
    EXPECT_FALSE(fs::Exists(dir.File("x")));
    ASSERT_TRUE(fs::AppendFile(dir.File("log"), "a"));
    ASSERT_TRUE(fs::AppendFile(dir.File("log"), "b"));
    EXPECT_EQ(nrt::test::ReadAll(dir.File("log")), "ab");
}

TEST(Fs, ReadFileIntoAHandOverBuffer)
{
    TempDir dir;
    for (std::size_t size : { 0u, 1u, 4095u, 4096u, 100000u }) {
        std::string bytes(size, 'a');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i % 26);
        ASSERT_TRUE(fs::AtomicWriteFile(dir.File("f"), bytes));
        std::unique_ptr<char[]> data;
        std::size_t got = 99;
        ASSERT_TRUE(fs::ReadFile(dir.File("f"), data, got));
        ASSERT_EQ(got, size);
        EXPECT_EQ(std::string(data.get(), got), bytes);
        EXPECT_EQ(data[got], '\0');
    }
    std::unique_ptr<char[]> data;
    std::size_t got = 0;
    EXPECT_FALSE(fs::ReadFile(dir.File("missing"), data, got));
    EXPECT_FALSE(fs::ReadFile(dir.Path(), data, got)) << "a folder is not a file";
}
