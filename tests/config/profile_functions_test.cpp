// The INI profile functions on real files: Windows private-profile rules on UTF-8 files.
#include "qlcos/config.h"

#include "platform/profile_io.h"
#include "support/files.h"

#include <cstring>
#include <limits>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif
#include <tuple>

using namespace qlcos::test;

TEST(ProfileFunctions, GettersReadTheFirstMatchWithoutRegardToCase)
{
    TempFolder folder;
    folder.Write("a.ini",
                 "\xEF\xBB\xBFtop=1\n[Main]\n  Count = 12abc \n; Count=99\ncount=13\nRatio= 2.5\n"
                 "Name = \" padded \"\nText=Fu\xC3\x9F\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E\n"
                 "Empty=\nWord=abc\n[MAIN]\nOther=5\n");
    const ZanString path = folder.WideFile("a.ini");
    int n = -1;
    EXPECT_EQ(zanGetProfileInt(ZT("main"), ZT("COUNT"), path.c_str(), &n), 1);
    EXPECT_EQ(n, 12);
    float f = 0;
    EXPECT_EQ(zanGetProfileFloat(ZT("Main"), ZT("ratio"), path.c_str(), &f), 1);
    EXPECT_EQ(f, 2.5f);
    ZanWChar text[32];
    EXPECT_EQ(zanGetProfileString(ZT("Main"), ZT("Name"), path.c_str(), text, 32), 1);
    EXPECT_EQ(ZanString(text), ZT(" padded "));
    EXPECT_EQ(zanGetProfileString(ZT("Main"), ZT("Text"), path.c_str(), text, 32), 1);
    EXPECT_EQ(ZanString(text), ZT("Fu\u00DF\u00E9 \u20AC \U0001D11E"));
    EXPECT_EQ(zanGetProfileString(ZT("Main"), ZT("Text"), path.c_str(), text, 4), 1);
    EXPECT_EQ(ZanString(text), ZT("Fu\u00DF")); // cut and terminated within the length

    // Missing, empty or non-numeric values leave the target unchanged and report 0; only
    // the first [Main] is read.
    n = -1;
    for (const ZanWChar* key : {ZT("Missing"), ZT("Empty"), ZT("Word"), ZT("Other")})
        EXPECT_EQ(zanGetProfileInt(ZT("Main"), key, path.c_str(), &n), 0) << Utf8(key);
    EXPECT_EQ(zanGetProfileInt(ZT("Nowhere"), ZT("top"), path.c_str(), &n), 0);
    EXPECT_EQ(zanGetProfileInt(ZT("Main"), ZT("Count"), folder.WideFile("none.ini").c_str(), &n),
              0);
    EXPECT_EQ(n, -1);
    text[0] = 'x';
    EXPECT_EQ(zanGetProfileString(ZT("Main"), ZT("Missing"), path.c_str(), text, 32), 0);
    EXPECT_EQ(text[0], 'x');
    EXPECT_EQ(zanGetProfileInt(ZT("Main"), ZT("Count"), path.c_str(), nullptr), 0);

    // The Windows integer read: the default when empty, 0 for text without digits.
    EXPECT_EQ(GetPrivateProfileIntW(ZT("MAIN"), ZT("count"), 7, path.c_str()), 12u);
    EXPECT_EQ(GetPrivateProfileIntW(ZT("Main"), ZT("Empty"), 7, path.c_str()), 7u);
    EXPECT_EQ(GetPrivateProfileIntW(ZT("Main"), ZT("Word"), 7, path.c_str()), 0u);
}

TEST(ProfileFunctions, BooleansAndTheirDefaults)
{
    TempFolder folder;
    folder.Write("b.ini", "[S]\nA=1\nB=0\nC=TRUE\nD=off\nE=maybe\nF=-3\n");
    const ZanString path = folder.WideFile("b.ini");
    // Key, default, result: numbers and words decide, anything else gives the default.
    const std::tuple<const ZanWChar*, int, int> cases[] = {
        {ZT("A"), 0, 1}, {ZT("B"), 1, 0},       {ZT("C"), 0, 1},
        {ZT("D"), 1, 0}, {ZT("E"), 1, 1},       {ZT("E"), 0, 0},
        {ZT("F"), 0, 1}, {ZT("Missing"), 1, 1}, {ZT("Missing"), 0, 0}};
    for (const auto& [key, fallback, result] : cases)
        EXPECT_EQ(zanGetProfileBool(ZT("S"), key, fallback, path.c_str()), result) << Utf8(key);

    EXPECT_EQ(zanSetProfileBool(ZT("S"), ZT("A"), 0, path.c_str()), 1);
    EXPECT_EQ(zanSetProfileBool(ZT("S"), ZT("New"), 5, path.c_str()), 1);
    EXPECT_INI_TEXT(folder.Read("b.ini"), "[S]\nA=0\nB=0\nC=TRUE\nD=off\nE=maybe\nF=-3\nNew=1\n");
}

TEST(ProfileFunctions, WrittenValuesReadBackExactly)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("w.ini");
    using L = std::numeric_limits<float>;
    const float floats[] = {2.5f,          0.1f,           -0.33333334f,  1e-30f,
                            3.4028235e38f, 16777217.0f,    -0.0f,         L::denorm_min(),
                            L::infinity(), -L::infinity(), L::quiet_NaN()};
    int i = 0;
    for (float value : floats) {
        ZanString key = ZT("F") + qlcos::unicode::FromAscii(std::to_string(i++).c_str());
        ASSERT_EQ(zanSetProfileFloat(ZT("Floats"), key.c_str(), path.c_str(), value), 1);
        float back = 99;
        ASSERT_EQ(zanGetProfileFloat(ZT("Floats"), key.c_str(), path.c_str(), &back), 1);
        EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << value;
    }
    for (int value : {0, -1, 2147483647, -2147483647 - 1}) {
        ASSERT_EQ(zanSetProfileInt(ZT("Ints"), ZT("V"), path.c_str(), value), 1);
        int back = 99;
        ASSERT_EQ(zanGetProfileInt(ZT("ints"), ZT("v"), path.c_str(), &back), 1);
        EXPECT_EQ(back, value);
    }
    for (const ZanWChar* value :
         {ZT("plain"), ZT("  two spaces  "), ZT("\"quoted\""), ZT("'single'"), ZT(""),
          ZT("a=b;c [d]"), ZT("\u00C5ngstr\u00F6m \u6587")}) {
        ASSERT_EQ(zanSetProfileString(ZT("Texts"), ZT("T"), path.c_str(), value), 1);
        ZanWChar back[64] = {'#'};
        ASSERT_EQ(zanGetProfileString(ZT("Texts"), ZT("T"), path.c_str(), back, 64), 1);
        EXPECT_EQ(ZanString(back), value);
    }
    // A line break would split the line and forge keys: refused, nothing written.
    EXPECT_EQ(zanSetProfileString(ZT("Texts"), ZT("T"), path.c_str(), ZT("x\nEvil=1")), 0);
    EXPECT_EQ(zanSetProfileString(ZT("Texts"), ZT("Bad=Key"), path.c_str(), ZT("x")), 0);
    EXPECT_EQ(zanSetProfileString(ZT("Bad]Section"), ZT("T"), path.c_str(), ZT("x")), 0);
    // One line per key: every write replaced its key in place.
    const std::string text = IniText(folder.Read("w.ini"));
    EXPECT_EQ(text.find("Evil"), std::string::npos);
    EXPECT_EQ(text.find("V="), text.rfind("V="));
    EXPECT_EQ(text.find("T="), text.rfind("T="));
}

TEST(ProfileFunctions, WritesKeepTheRestOfTheFile)
{
    TempFolder folder;
    folder.Write("k.ini", "; header comment\r\n[First]\r\nKeep=1\r\n\r\n"
                          "[Second]\r\nx = old value ; not a comment\r\nunrelated line\r\n\r\n"
                          "[Third]\r\nz=3");
#if !defined(_WIN32)
    ::chmod(folder.File("k.ini").c_str(), 0640);
#endif
    const ZanString path = folder.WideFile("k.ini");
    EXPECT_EQ(zanSetProfileInt(ZT("SECOND"), ZT("X"), path.c_str(), 5), 1);
    EXPECT_EQ(zanSetProfileInt(ZT("second"), ZT("y"), path.c_str(), 6), 1);
    EXPECT_EQ(zanSetProfileInt(ZT("Third"), ZT("w"), path.c_str(), 7), 1);
    EXPECT_EQ(zanSetProfileInt(ZT("Fourth"), ZT("v"), path.c_str(), 8), 1);
    EXPECT_INI_TEXT(folder.Read("k.ini"), "; header comment\r\n[First]\r\nKeep=1\r\n\r\n"
                                          "[Second]\r\nx=5\r\nunrelated line\r\ny=6\r\n\r\n"
                                          "[Third]\r\nz=3\r\nw=7\r\n\r\n[Fourth]\r\nv=8\r\n");
#if !defined(_WIN32)
    struct stat st {};
    ASSERT_EQ(::stat(folder.File("k.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // the file's permissions stay
#endif

    // Removing a key and a section with the Windows calls.
    EXPECT_EQ(WritePrivateProfileStringW(ZT("second"), ZT("Y"), nullptr, path.c_str()), 1);
    EXPECT_EQ(WritePrivateProfileStringW(ZT("third"), nullptr, nullptr, path.c_str()), 1);
    EXPECT_INI_TEXT(folder.Read("k.ini"),
                    "; header comment\r\n[First]\r\nKeep=1\r\n\r\n"
                    "[Second]\r\nx=5\r\nunrelated line\r\n\r\n[Fourth]\r\nv=8\r\n");
}

TEST(ProfileFunctions, FilesAreCreatedButNeverOverwrittenBlindly)
{
    TempFolder folder;
    // A new file starts with its section.
    const ZanString fresh = folder.WideFile("new.ini");
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), fresh.c_str(), 1), 1);
    EXPECT_INI_TEXT(folder.Read("new.ini"), "[S]\nK=1\n");
    // No folder: nothing written, failure reported.
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), folder.WideFile("no/such.ini").c_str(), 1), 0);
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), nullptr, 1), 0);
    EXPECT_EQ(zanSetProfileInt(ZT("S"), nullptr, fresh.c_str(), 1), 0);
#if !defined(_WIN32) // the rules of the POSIX implementation; Windows' own decide there
    // A path that names a folder cannot be read, so it is not replaced.
    ::mkdir(folder.File("dir.ini").c_str(), 0755);
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), folder.WideFile("dir.ini").c_str(), 1), 0);
    // A symbolic link stays a link; its target is updated.
    ASSERT_EQ(::symlink(folder.File("new.ini").c_str(), folder.File("link.ini").c_str()), 0);
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), folder.WideFile("link.ini").c_str(), 2), 1);
    struct stat st {};
    ASSERT_EQ(::lstat(folder.File("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(folder.Read("new.ini"), "[S]\nK=2\n");
#endif
}

TEST(ProfileFunctions, StringToWCharNeverReadsOrWritesTooFar)
{
    ZanWChar target[8];
    auto filled = [&] {
        std::fill(std::begin(target), std::end(target), ZanWChar('#'));
        return target;
    };
    EXPECT_EQ(StringToWChar(filled(), "ab\xE9", 3), target);
    EXPECT_EQ(ZanString(target, 4), ZT("ab\u00E9#")); // three bytes widened, no terminator
    StringToWChar(filled(), "hi", 6);                 // stops after the source's terminator
    EXPECT_EQ(ZanString(target, 4), ZanString(ZT("hi\0#"), 4));

    StringToWChar(filled(), ZT("abcdefgh"), 5);
    EXPECT_EQ(ZanString(target, 6), ZanString(ZT("abcd\0#"), 6));
    StringToWChar(filled(), ZT("ab"), 5);
    EXPECT_EQ(ZanString(target, 4), ZanString(ZT("ab\0#"), 4));
    EXPECT_EQ(StringToWChar(target, static_cast<const ZanWChar*>(nullptr), 5), target);
    EXPECT_EQ(StringToWChar(nullptr, ZT("ab"), 5), nullptr);
}
