// The exported XML attribute readers on elements parsed from literal documents, and the
// executable folder.
#include "qlcos/config.h"

#include "platform/module_path_exe.h"
#include "support/files.h"
#include "support/xml_support.h"

#include <climits>
#include <cmath>
#include <filesystem>
#include <tuple>

using namespace qlcos::test;

namespace {

XmlDocument Element(const std::string& attributes)
{
    return XmlDocument("<E " + attributes + "/>");
}

} // namespace

TEST(XmlAttributeReaders, BoolFollowsTheDefaultsSide)
{
    XmlDocument d = Element(R"(a="True" b="TRUE" c="false" d="no" e="" f="1" g="FaLsE")");
    // Name, default, result. With default 1 only "false" gives 0; with any other default
    // only "true" gives 1; letter case ignored, empty counts as absent.
    const std::tuple<const ZanWChar*, int, int> cases[] = {
        {ZT("a"), 0, 1}, {ZT("f"), 0, 0},      {ZT("missing"), 5, 0}, {ZT("b"), 7, 1},
        {ZT("b"), 1, 1}, {ZT("c"), 1, 0},      {ZT("g"), 1, 0},       {ZT("d"), 1, 1},
        {ZT("e"), 1, 1}, {ZT("missing"), 1, 1}};
    for (const auto& [name, fallback, result] : cases)
        EXPECT_EQ(xmlGetAttributeBool(*d.Root(), name, fallback), result) << Utf8(name) << fallback;
}

TEST(XmlAttributeReaders, IntUsesStrtolRulesAndNamesMatchWithoutRegardToCaseWhenNotExact)
{
    XmlDocument d = Element(R"(a="  -12abc" b="" c="abc" d="99999999999" e="-99999999999" f="+7" )"
                            R"(g="0x1F" minTIME="42" CYAN="1" Cyan="")");
    // Name, value, found flag (default 5): saturated, decimal only, 0 when present without
    // digits, the default when empty or missing. A name in another letter case is found
    // when there is no exact one; an exact one is taken even when empty (and so absent).
    const std::tuple<const ZanWChar*, int, int> cases[] = {
        {ZT("a"), -12, 1},      {ZT("b"), 5, 0},   {ZT("c"), 0, 1}, {ZT("d"), INT_MAX, 1},
        {ZT("e"), INT_MIN, 1},  {ZT("f"), 7, 1},   {ZT("g"), 0, 1}, {ZT("missing"), 5, 0},
        {ZT("MinTime"), 42, 1}, {ZT("Cyan"), 5, 0}};
    for (const auto& [name, value, present] : cases) {
        int found = -1;
        EXPECT_EQ(xmlGetAttributeInt(*d.Root(), name, 5, &found), value) << Utf8(name);
        EXPECT_EQ(found, present) << Utf8(name);
    }
    EXPECT_EQ(xmlGetAttributeInt(*d.Root(), ZT("missing"), -3, nullptr), -3);
}

TEST(XmlAttributeReaders, DoubleIsDecimalWhateverTheLocale)
{
    XmlDocument d =
        Element(R"(a=" 1.5e2x" b="-.25" c="abc" d="1e999" e="1e-999" f="-INF" g="12." h="info")");
    const std::pair<const ZanWChar*, double> cases[] = {
        {ZT("a"), 150.0},     {ZT("b"), -0.25}, {ZT("c"), 0.0}, {ZT("d"), HUGE_VAL}, {ZT("e"), 0.0},
        {ZT("f"), -HUGE_VAL}, {ZT("g"), 12.0},  {ZT("h"), 0.0}, {ZT("missing"), 9.0}};
    for (const auto& [name, value] : cases)
        EXPECT_EQ(xmlGetAttributeDouble(*d.Root(), name, 9), value) << Utf8(name);
}

TEST(XmlAttributeReaders, StringCutsZeroFillsAndKeepsTheBufferWithoutDefault)
{
    XmlDocument d = Element(R"(name="Cyanic" empty="")");
    const auto& e = *d.Root();
    ZanWChar buffer[8];
    auto filled = [&] {
        std::fill(std::begin(buffer), std::end(buffer), ZanWChar('#'));
        return buffer;
    };
    EXPECT_EQ(xmlGetAttributeString(e, ZT("name"), filled(), 3, nullptr), buffer);
    EXPECT_EQ(ZanString(buffer, 4), ZT("Cya#")); // three letters, nothing beyond the length

    xmlGetAttributeString(e, ZT("empty"), filled(), 6, ZT("ab"));
    EXPECT_EQ(ZanString(buffer, 7), ZanString(ZT("ab\0\0\0\0#"), 7)); // default, zero-filled

    xmlGetAttributeString(e, ZT("missing"), filled(), 6, nullptr);
    EXPECT_EQ(ZanString(buffer, 8), ZT("########"));
}

TEST(ModulePath, FolderOfTheExecutableKeepsTheRoot)
{
    using qlcos::platform::ExecutableFolderOf;
    EXPECT_EQ(ExecutableFolderOf(ZT("/usr/local/bin/host"), false), ZT("/usr/local/bin"));
    EXPECT_EQ(ExecutableFolderOf(ZT("/host"), false), ZT("/"));
    EXPECT_EQ(ExecutableFolderOf(ZT("/opt//lab//host"), false), ZT("/opt//lab"));
    EXPECT_EQ(ExecutableFolderOf(ZT("host"), false), ZT(""));
    EXPECT_EQ(ExecutableFolderOf(ZT("/a\\b/host"), false),
              ZT("/a\\b")); // backslash is a name letter
    EXPECT_EQ(ExecutableFolderOf(ZT("C:\\Lab\\Bin\\host.exe"), true), ZT("C:\\Lab\\Bin"));
    EXPECT_EQ(ExecutableFolderOf(ZT("C:\\host.exe"), true), ZT("C:\\"));
    EXPECT_EQ(ExecutableFolderOf(ZT("\\\\server\\share\\bin\\host.exe"), true),
              ZT("\\\\server\\share\\bin"));
    EXPECT_EQ(ExecutableFolderOf(ZT("C:/Lab/host.exe"), true), ZT("C:/Lab"));
}

TEST(ModulePath, GetModuleFullPathNamesTheFolderOfThisTestProgram)
{
    ZanWChar buffer[260];
    std::fill(std::begin(buffer), std::end(buffer), ZanWChar('#'));
    GetModuleFullPath(buffer);
    std::string folder = Utf8(buffer);
    ASSERT_FALSE(folder.empty());
#if defined(_WIN32)
    EXPECT_EQ(folder.substr(1, 2), ":\\") << folder; // a drive path
    const char* program = "test_config.exe";
#else
    EXPECT_EQ(folder[0], '/');
    const char* program = "test_config";
#endif
    EXPECT_NE(folder.back(), '/');
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(folder + "/" + program)))
        << folder;
    GetModuleFullPath(nullptr); // harmless
}
