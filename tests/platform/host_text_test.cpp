// The UTF-8 <-> UTF-16 helpers a host uses for its texts and paths: whole characters on
// truncation, invalid input reported, and a UTF-8 path that names the same file on disk.
#include "qlcos/config/profile_functions.h"
#include "qlcos/host.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

ZanString Wide(const char* text, int length = 64)
{
    ZanString buffer(static_cast<size_t>(length), ZT('#'));
    zanUtf8ToWide(text, buffer.data(), length);
    return buffer.substr(0, buffer.find(ZT('\0')));
}

std::string Narrow(const ZanWChar* text, int length = 64)
{
    std::string buffer(static_cast<size_t>(length), '#');
    zanWideToUtf8(text, buffer.data(), length);
    return buffer.substr(0, buffer.find('\0'));
}

} // namespace

TEST(HostText, ConvertsWholeCharactersAndReportsInvalidInput)
{
    const char* utf8 = "caf\xC3\xA9 \xE2\x98\x95 \xF0\x9D\x84\x9E"; // café ☕ 𝄞
    const ZanWChar* utf16 = ZT("caf\u00E9 \u2615 \U0001D11E");
    EXPECT_EQ(zanUtf8ToWide(utf8, nullptr, 0), 9); // count only: the clef is a surrogate pair
    EXPECT_EQ(zanWideToUtf8(utf16, nullptr, 0), 14);
    EXPECT_EQ(Wide(utf8), utf16);
    EXPECT_EQ(Narrow(utf16), utf8);

    // Short buffers: the result is the size needed, the buffer ends on a whole character.
    ZanWChar wide[9];
    EXPECT_EQ(zanUtf8ToWide(utf8, wide, 9), 9);
    EXPECT_EQ(ZanString(wide), ZT("caf\u00E9 \u2615 ")); // the pair is not cut in half
    char narrow[5];
    EXPECT_EQ(zanWideToUtf8(utf16, narrow, 5), 14);
    EXPECT_EQ(std::string(narrow), "caf"); // nor is "é"
    EXPECT_EQ(zanWideToUtf8(utf16, narrow, 1), 14);
    EXPECT_EQ(narrow[0], '\0');

    // Invalid input: -1, each bad sequence shown as U+FFFD.
    for (const char* bad : {"a\xC3", "a\xC0\xAF", "a\xED\xA0\x80", "a\xF4\x90\x80\x80", "a\xFF"}) {
        EXPECT_EQ(zanUtf8ToWide(bad, wide, 9), -1) << bad;
        EXPECT_EQ(wide[0], ZT('a'));
        EXPECT_EQ(wide[1], ZT('\uFFFD')) << bad;
    }
    const ZanWChar lone[] = {ZT('a'), 0xD800, ZT('b'), 0};
    EXPECT_EQ(zanWideToUtf8(lone, narrow, 5), -1);
    EXPECT_EQ(std::string(narrow), "a\xEF\xBF\xBD");
    const ZanWChar swapped[] = {0xDC00, 0xD800, 0};
    EXPECT_EQ(zanWideToUtf8(swapped, nullptr, 0), -1);

    // Arguments out of order.
    EXPECT_EQ(zanUtf8ToWide(nullptr, wide, 9), -1);
    EXPECT_EQ(wide[0], ZT('\0'));
    EXPECT_EQ(zanUtf8ToWide("a", nullptr, 4), -1);
    EXPECT_EQ(zanWideToUtf8(ZT("a"), narrow, -1), -1);
}

TEST(HostText, AUtf8PathReachesTheFileSystemUnchanged)
{
    qlcos::test::TempFolder folder;
    const std::string path = folder.File("caf\xC3\xA9.ini");
    ZanString wide(static_cast<size_t>(zanUtf8ToWide(path.c_str(), nullptr, 0)) + 1, ZT('\0'));
    ASSERT_EQ(zanUtf8ToWide(path.c_str(), wide.data(), static_cast<int>(wide.size())),
              static_cast<int>(wide.size()) - 1);

    ASSERT_EQ(zanSetProfileString(ZT("Paper"), ZT("Name"), wide.c_str(), ZT("Gl\u00E4nzend")), 1);
    ZanWChar value[32] = {};
    ASSERT_EQ(zanGetProfileString(ZT("Paper"), ZT("Name"), wide.c_str(), value, 32), 1);
    EXPECT_EQ(ZanString(value), ZT("Gl\u00E4nzend"));

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("")))
        names.push_back(entry.path().filename().u8string());
    EXPECT_EQ(names, std::vector<std::string>{"caf\xC3\xA9.ini"}); // the UTF-8 bytes themselves
    EXPECT_INI_TEXT(folder.Read("caf\xC3\xA9.ini"), "[Paper]\nName=Gl\xC3\xA4nzend\n");
}
