// Full paths folded lexically, as the paper records make their uniformity file names.
#include "platform/full_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <utility>

using qlcos::platform::FullPath;
using qlcos::platform::FullPathIn;

TEST(FullPath, JoinsRelativeNamesAndFoldsDotSteps)
{
    // clang-format off
    const std::pair<const ZanWChar*, const ZanWChar*> cases[] = {
        {ZT("b.dat"),              ZT("/work/lab/b.dat")},
        {ZT("./u/../b.dat"),       ZT("/work/lab/b.dat")},
        {ZT("../../../../x"),      ZT("/x")},             // ".." stops at the root
        {ZT("/abs//./dir/../f"),   ZT("/abs/f")},
        {ZT("sub/"),               ZT("/work/lab/sub/")}, // a folder keeps its separator
        {ZT("/"),                  ZT("/")},
        {ZT(".."),                 ZT("/work")},
    };
    // clang-format on
    for (const auto& [path, full] : cases)
        EXPECT_EQ(FullPathIn(ZT("/work/lab"), path), full) << qlcos::unicode::ToUtf8(path);
}

TEST(FullPath, UsesTheWorkingFolder)
{
    const std::string cwd = std::filesystem::current_path().u8string();
#if defined(_WIN32)
    const std::string separator = "\\";
#else
    const std::string separator = "/";
    EXPECT_EQ(FullPath(ZT("/a/./b")), ZT("/a/b"));
#endif
    const bool atRoot = !cwd.empty() && cwd.back() == separator[0];
    std::string expected = cwd + (atRoot ? "" : separator) + "f.dat";
    EXPECT_EQ(qlcos::unicode::ToUtf8(FullPath(ZT("x/../f.dat")).c_str()), expected);
}
