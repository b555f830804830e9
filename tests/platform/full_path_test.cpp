// Full paths folded lexically, as the paper records make their uniformity file names.
#include "platform/full_path.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <utility>

using qlcos::platform::FullPath;
using qlcos::platform::FullPathIn;

TEST(FullPath, JoinsRelativeNamesAndFoldsDotSteps)
{
    // clang-format off
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"b.dat",              u"/work/lab/b.dat"},
        {u"./u/../b.dat",       u"/work/lab/b.dat"},
        {u"../../../../x",      u"/x"},             // ".." stops at the root
        {u"/abs//./dir/../f",   u"/abs/f"},
        {u"sub/",               u"/work/lab/sub/"}, // a folder keeps its separator
        {u"/",                  u"/"},
        {u"..",                 u"/work"},
    };
    // clang-format on
    for (const auto& [path, full] : cases)
        EXPECT_EQ(FullPathIn(u"/work/lab", path), full) << qlcos::unicode::ToUtf8(path);
}

TEST(FullPath, UsesTheWorkingFolder)
{
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    std::string expected = std::string(cwd) + (std::string(cwd) == "/" ? "" : "/") + "f.dat";
    EXPECT_EQ(qlcos::unicode::ToUtf8(FullPath(u"x/../f.dat").c_str()), expected);
    EXPECT_EQ(FullPath(u"/a/./b"), u"/a/b");
}
