// The exported XML attribute readers on elements parsed from literal documents, and the
// executable folder.
#include "qlcos/config.h"

#include "platform/module_path_exe.h"
#include "support/files.h"
#include "support/xml_support.h"

#include <climits>
#include <cmath>

using qlcos::test::XmlDocument;

namespace {

XmlDocument Element(const std::string& attributes)
{
    return XmlDocument::Parse("<E " + attributes + "/>");
}

} // namespace

TEST(XmlAttributeReaders, BoolFollowsTheDefaultsSide)
{
    XmlDocument d = Element(R"(a="True" b="TRUE" c="false" d="no" e="" f="1" g="FaLsE")");
    ASSERT_NE(d.Root(), nullptr);
    const auto& e = *d.Root();
    // Default 0 (or any value but 1): only "true" in any letter case gives 1.
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("a"), 0), 1);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("f"), 0), 0);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("missing"), 5), 0);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("b"), 7), 1);
    // Default 1: only "false" in any letter case gives 0.
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("b"), 1), 1);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("c"), 1), 0);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("g"), 1), 0);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("d"), 1), 1);
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("e"), 1), 1); // empty counts as absent
    EXPECT_EQ(xmlGetAttributeBool(e, ZT("missing"), 1), 1);
}

TEST(XmlAttributeReaders, IntUsesStrtolRulesAndSetsTheFoundFlag)
{
    XmlDocument d =
        Element(R"(a="  -12abc" b="" c="abc" d="99999999999" e="-99999999999" f="+7" g="0x1F")");
    ASSERT_NE(d.Root(), nullptr);
    const auto& e = *d.Root();
    int found = -1;
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("a"), 5, &found), -12);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("b"), 5, &found), 5);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("c"), 5, &found), 0); // present without digits
    EXPECT_EQ(found, 1);
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("d"), 0, nullptr), INT_MAX);
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("e"), 0, nullptr), INT_MIN);
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("f"), 0, nullptr), 7);
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("g"), 0, nullptr), 0); // decimal only
    EXPECT_EQ(xmlGetAttributeInt(e, ZT("missing"), -3, nullptr), -3);
}

TEST(XmlAttributeReaders, DoubleIsDecimalWhateverTheLocale)
{
    XmlDocument d = Element(R"(a=" 1.5e2x" b="-.25" c="abc" d="1e999" e="1e-999" f="inf" g="12.")");
    ASSERT_NE(d.Root(), nullptr);
    const auto& e = *d.Root();
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("a"), 9), 150.0);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("b"), 9), -0.25);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("c"), 9), 0.0);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("d"), 9), HUGE_VAL);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("e"), 9), 0.0);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("f"), 9), 0.0);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("g"), 9), 12.0);
    EXPECT_EQ(xmlGetAttributeDouble(e, ZT("missing"), 2.5), 2.5);
}

TEST(XmlAttributeReaders, StringCutsZeroFillsAndKeepsTheBufferWithoutDefault)
{
    XmlDocument d = Element(R"(name="Cyanic" empty="")");
    ASSERT_NE(d.Root(), nullptr);
    const auto& e = *d.Root();
    ZanWChar buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), ZanWChar('#'));
    EXPECT_EQ(xmlGetAttributeString(e, ZT("name"), buffer, 3, nullptr), buffer);
    EXPECT_EQ(std::u16string(buffer, 4), u"Cya#"); // three letters, nothing beyond the length

    std::fill(std::begin(buffer), std::end(buffer), ZanWChar('#'));
    xmlGetAttributeString(e, ZT("empty"), buffer, 6, ZT("ab"));
    EXPECT_EQ(std::u16string(buffer, 7), std::u16string(u"ab\0\0\0\0#", 7)); // default, zero-filled

    std::fill(std::begin(buffer), std::end(buffer), ZanWChar('#'));
    xmlGetAttributeString(e, ZT("missing"), buffer, 6, nullptr);
    EXPECT_EQ(std::u16string(buffer, 8), u"########");
}

TEST(XmlAttributeReaders, AttributeNamesMatchWithoutRegardToCaseWhenNotExact)
{
    XmlDocument d = Element(R"(minTIME="42" Cyan="1")");
    ASSERT_NE(d.Root(), nullptr);
    EXPECT_EQ(xmlGetAttributeInt(*d.Root(), ZT("MinTime"), -1, nullptr), 42);
    EXPECT_EQ(xmlGetAttributeInt(*d.Root(), ZT("CYAN"), -1, nullptr), 1);
    // The exact name is taken first, even though its text is empty (and so absent).
    XmlDocument both = Element(R"(minTIME="42" MinTime="")");
    ASSERT_NE(both.Root(), nullptr);
    EXPECT_EQ(xmlGetAttributeInt(*both.Root(), ZT("MinTime"), -1, nullptr), -1);
}

TEST(ModulePath, FolderOfTheExecutableKeepsTheRoot)
{
    using qlcos::platform::ExecutableFolderOf;
    EXPECT_EQ(ExecutableFolderOf(u"/usr/local/bin/host", false), u"/usr/local/bin");
    EXPECT_EQ(ExecutableFolderOf(u"/host", false), u"/");
    EXPECT_EQ(ExecutableFolderOf(u"/opt//lab//host", false), u"/opt//lab");
    EXPECT_EQ(ExecutableFolderOf(u"host", false), u"");
    EXPECT_EQ(ExecutableFolderOf(u"/a\\b/host", false), u"/a\\b"); // backslash is a name letter
    EXPECT_EQ(ExecutableFolderOf(u"C:\\Lab\\Bin\\host.exe", true), u"C:\\Lab\\Bin");
    EXPECT_EQ(ExecutableFolderOf(u"C:\\host.exe", true), u"C:\\");
    EXPECT_EQ(ExecutableFolderOf(u"\\\\server\\share\\bin\\host.exe", true),
              u"\\\\server\\share\\bin");
    EXPECT_EQ(ExecutableFolderOf(u"C:/Lab/host.exe", true), u"C:/Lab");
}

TEST(ModulePath, GetModuleFullPathNamesTheFolderOfThisTestProgram)
{
    ZanWChar buffer[260];
    std::fill(std::begin(buffer), std::end(buffer), ZanWChar('#'));
    GetModuleFullPath(buffer);
    std::string folder = qlcos::test::Utf8(buffer);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder[0], '/');
    EXPECT_NE(folder.back(), '/');
    struct stat st {};
    EXPECT_EQ(::stat((folder + "/test_config").c_str(), &st), 0) << folder;
    GetModuleFullPath(nullptr); // harmless
}
