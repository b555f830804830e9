// The INI profile functions on POSIX under file-system faults: read-only and non-regular
// files, hard and symbolic links, UTF-16 files, line endings, and the cache of parsed files.
#include "qlcos/config.h"

#include "platform/profile_io.h"
#include "support/files.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace qlcos::test;

namespace {

struct stat Stat(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

int GetInt(const ZanString& path, const ZanWChar* section, const ZanWChar* key)
{
    int value = -1;
    return zanGetProfileInt(section, key, path.c_str(), &value) ? value : -1;
}

// UTF-16 LE bytes with their byte order mark, from UTF-16 text.
std::string Utf16Le(const std::u16string& text)
{
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

// Runs `call` on a thread and gives it five seconds. A call blocked on the FIFO is released
// by opening its other end so that the test fails instead of hanging.
template <class Call> bool FinishesAtOnce(const std::string& fifo, Call call)
{
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread worker([&] {
        call();
        done.set_value();
    });
    const bool soon = finished.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    for (int i = 0;
         i < 100 && finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready;
         ++i) {
        const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
    if (finished.wait_for(std::chrono::seconds(0)) != std::future_status::ready) std::abort();
    worker.join();
    return soon;
}

} // namespace

TEST(ProfileFileFaults, ReadOnlyFilesAreRefusedAndLeftAlone)
{
    TempFolder folder;
    folder.Write("ro.ini", "[S]\nK=1\n");
    ::chmod(folder.File("ro.ini").c_str(), 0444);
    const ino_t inode = Stat(folder.File("ro.ini")).st_ino;
    const ZanString path = folder.WideFile("ro.ini");
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), path.c_str(), 2), 0);
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("New"), path.c_str(), 2), 0);
    EXPECT_FALSE(WritePrivateProfileStringW(ZT("S"), nullptr, nullptr, path.c_str()));
    EXPECT_EQ(folder.Read("ro.ini"), "[S]\nK=1\n");
    EXPECT_EQ(Stat(folder.File("ro.ini")).st_ino, inode);
    EXPECT_EQ(GetInt(path, ZT("S"), ZT("K")), 1); // still read
}

TEST(ProfileFileFaults, RewritesKeepModeOwnerAndLinks)
{
    TempFolder folder;
    folder.Write("a.ini", "[S]\nK=1\n");
    ::chmod(folder.File("a.ini").c_str(), 0604);
    ASSERT_EQ(::link(folder.File("a.ini").c_str(), folder.File("b.ini").c_str()), 0);
    ASSERT_EQ(::symlink("a.ini", folder.File("s.ini").c_str()), 0);
    const struct stat before = Stat(folder.File("a.ini"));

    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), folder.WideFile("a.ini").c_str(), 2), 1);
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("L"), folder.WideFile("s.ini").c_str(), 3), 1);
    EXPECT_EQ(folder.Read("b.ini"), "[S]\nK=2\nL=3\n"); // both names, one file
    const struct stat after = Stat(folder.File("a.ini"));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    struct stat link {};
    ASSERT_EQ(::lstat(folder.File("s.ini").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode)); // the link stays a link

    // A new file appears whole with the mode the process creates files with, and no
    // temporary file is left beside it.
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), folder.WideFile("new.ini").c_str(), 1), 1);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Stat(folder.File("new.ini")).st_mode & 0777, 0666u & ~mask);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(folder.File("new.ini")).parent_path()))
        ++files;
    EXPECT_EQ(files, 4u);
}

TEST(ProfileFileFaults, FifosFoldersAndDevicesAreRefusedAtOnce)
{
    TempFolder folder;
    const std::string fifo = folder.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const ZanString fifoPath = folder.WideFile("fifo.ini");
    int read = 1, written = 1;
    EXPECT_TRUE(FinishesAtOnce(fifo, [&] { read = GetInt(fifoPath, ZT("S"), ZT("K")); }));
    EXPECT_TRUE(FinishesAtOnce(
        fifo, [&] { written = zanSetProfileInt(ZT("S"), ZT("K"), fifoPath.c_str(), 1); }));
    EXPECT_EQ(read, -1);
    EXPECT_EQ(written, 0);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)); // not replaced

    // A folder, a socket and (where the process may make one) a device node, all in the
    // test's own folder so that a faulty write can replace nothing else.
    std::vector<std::string> names = {"dir.ini", "sock.ini"};
    ::mkdir(folder.File("dir.ini").c_str(), 0755);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    folder.File("sock.ini").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    if (::mknod(folder.File("null.ini").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0)
        names.push_back("null.ini");
    for (const std::string& name : names) {
        ZanString value;
        const ZanString path = folder.WideFile(name);
        EXPECT_FALSE(qlcos::platform::ProfileRead(path.c_str(), ZT("S"), ZT("K"), value)) << name;
        EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K"), path.c_str(), 1), 0) << name;
        EXPECT_FALSE(std::filesystem::is_regular_file(folder.File(name))) << name;
    }
    ::close(sock);
}

TEST(ProfileFileFaults, Utf16FilesAreWrittenBackAsUtf16)
{
    TempFolder folder;
    // A name with letters beyond ASCII, a character outside the basic plane and an unpaired
    // surrogate, which must all come back as they were.
    folder.Write("u.ini", Utf16Le(u"[Main]\r\nName=Gr\u00FC\u00DFe \U0001D11E\r\nOdd=\xDC00\r\n"
                                  u"[\u00C4rger]\r\nCount=5\r\n"));
    const ZanString path = folder.WideFile("u.ini");
    EXPECT_EQ(GetInt(path, ZT("\u00E4RGER"), ZT("count")), 5);
    ZanWChar text[16];
    EXPECT_EQ(zanGetProfileString(ZT("Main"), ZT("Name"), path.c_str(), text, 16), 1);
    EXPECT_EQ(std::u16string(text), u"Gr\u00FC\u00DFe \U0001D11E");

    EXPECT_EQ(zanSetProfileInt(ZT("\u00C4rger"), ZT("Count"), path.c_str(), 6), 1);
    EXPECT_EQ(zanSetProfileString(ZT("Main"), ZT("New"), path.c_str(), u"\u20AC"), 1);
    EXPECT_EQ(folder.Read("u.ini"),
              Utf16Le(u"[Main]\r\nName=Gr\u00FC\u00DFe \U0001D11E\r\nOdd=\xDC00\r\nNew=\u20AC\r\n"
                      u"[\u00C4rger]\r\nCount=6\r\n"));

    // UTF-8 keeps its byte order mark and stays UTF-8.
    folder.Write("b.ini", "\xEF\xBB\xBF[S]\nK=\xC3\xA4\n");
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("N"), folder.WideFile("b.ini").c_str(), 1), 1);
    EXPECT_EQ(folder.Read("b.ini"), "\xEF\xBB\xBF[S]\nK=\xC3\xA4\nN=1\n");
}

TEST(ProfileFileFaults, EveryLineKeepsItsOwnEnding)
{
    TempFolder folder;
    folder.Write("cr.ini", "[A]\rx=1\r");
    const ZanString cr = folder.WideFile("cr.ini");
    EXPECT_EQ(GetInt(cr, ZT("A"), ZT("x")), 1); // a lone CR ends a line
    EXPECT_EQ(zanSetProfileInt(ZT("A"), ZT("y"), cr.c_str(), 2), 1);
    EXPECT_EQ(zanSetProfileInt(ZT("B"), ZT("z"), cr.c_str(), 3), 1);
    EXPECT_EQ(folder.Read("cr.ini"), "[A]\rx=1\ry=2\r\r[B]\rz=3\r");

    // Mixed endings: each line keeps its own, appended lines take the most common one.
    folder.Write("mix.ini", "[A]\r\nx=1\n[B]\r\nz=1\r");
    const ZanString mix = folder.WideFile("mix.ini");
    EXPECT_EQ(zanSetProfileInt(ZT("A"), ZT("x"), mix.c_str(), 5), 1);
    EXPECT_EQ(zanSetProfileInt(ZT("B"), ZT("w"), mix.c_str(), 2), 1);
    EXPECT_EQ(folder.Read("mix.ini"), "[A]\r\nx=5\n[B]\r\nz=1\rw=2\r\n");
    // A last line without an ending gets the common one before a key follows it.
    folder.Write("end.ini", "[A]\r\nx=1");
    EXPECT_EQ(zanSetProfileInt(ZT("A"), ZT("y"), folder.WideFile("end.ini").c_str(), 2), 1);
    EXPECT_EQ(folder.Read("end.ini"), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST(ProfileFileFaults, ParsedFilesAreCachedAndChangesAlwaysSeen)
{
    using qlcos::platform::ProfileParseCount;
    TempFolder folder;
    std::string text = "[S]\n";
    for (int k = 0; k < 20; ++k) text += "K" + std::to_string(k) + "=" + std::to_string(k) + "\n";
    folder.Write("c.ini", text);
    const ZanString path = folder.WideFile("c.ini");
    size_t parses = ProfileParseCount();
    for (int k = 0; k < 20; ++k) {
        const std::u16string key = u"K" + qlcos::unicode::FromAscii(std::to_string(k).c_str());
        EXPECT_EQ(GetInt(path, ZT("S"), key.c_str()), k);
    }
    EXPECT_EQ(ProfileParseCount() - parses, 1u);

    // Rewritten behind the cache's back with the same size, at once (same second, same
    // inode): every version is seen.
    for (int round = 0; round < 5; ++round) {
        folder.Write("c.ini", "[S]\nK0=" + std::to_string(round) + "\n");
        EXPECT_EQ(GetInt(path, ZT("S"), ZT("K0")), round);
    }
    // Replaced by another file, and removed.
    folder.Write("other.ini", "[S]\nK0=42\n");
    ASSERT_EQ(::rename(folder.File("other.ini").c_str(), folder.File("c.ini").c_str()), 0);
    EXPECT_EQ(GetInt(path, ZT("S"), ZT("K0")), 42);
    ::unlink(folder.File("c.ini").c_str());
    EXPECT_EQ(GetInt(path, ZT("S"), ZT("K0")), -1);

    // A write leaves its new text in the cache.
    EXPECT_EQ(zanSetProfileInt(ZT("S"), ZT("K0"), path.c_str(), 7), 1);
    parses = ProfileParseCount();
    EXPECT_EQ(GetInt(path, ZT("S"), ZT("K0")), 7);
    EXPECT_EQ(ProfileParseCount(), parses);

    // A few files are kept; the least recently used goes first.
    for (int f = 0; f < 6; ++f) folder.Write("f" + std::to_string(f), "[S]\nK0=1\n");
    for (int f = 0; f < 6; ++f) GetInt(folder.WideFile("f" + std::to_string(f)), ZT("S"), ZT("K0"));
    parses = ProfileParseCount();
    GetInt(folder.WideFile("f5"), ZT("S"), ZT("K0"));
    EXPECT_EQ(ProfileParseCount(), parses);
    GetInt(folder.WideFile("f0"), ZT("S"), ZT("K0"));
    EXPECT_EQ(ProfileParseCount(), parses + 1);
}

TEST(ProfileFileFaults, ThreadsReadAndWriteOneFile)
{
    TempFolder folder;
    const ZanString path = folder.WideFile("t.ini");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::u16string key = u"T" + qlcos::unicode::FromAscii(std::to_string(t).c_str());
            for (int i = 0; i < 25; ++i) {
                EXPECT_EQ(zanSetProfileInt(ZT("S"), key.c_str(), path.c_str(), i), 1);
                EXPECT_EQ(GetInt(path, ZT("S"), key.c_str()), i);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (const ZanWChar* key : {ZT("T0"), ZT("T1"), ZT("T2"), ZT("T3")})
        EXPECT_EQ(GetInt(path, ZT("S"), key), 24);
}
