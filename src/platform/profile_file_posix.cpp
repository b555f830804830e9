// Reading and rewriting INI files on POSIX: stat before anything is opened, non-blocking
// opens, regular files only, writes in place (new files through a temporary name and link).
#include "platform/profile_file.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qlcos::platform {

namespace {

// A timestamp is at least this close to the time of the change it records on every file
// system that matters here (FAT keeps two seconds).
const int64_t kRecentSeconds = 3;

FileStamp StampOf(const struct stat& st)
{
    FileStamp s;
    s.Device = static_cast<uint64_t>(st.st_dev);
    s.Inode = static_cast<uint64_t>(st.st_ino);
    s.Size = static_cast<uint64_t>(st.st_size);
    s.ModifiedSeconds = st.st_mtim.tv_sec;
    s.ModifiedNanoseconds = st.st_mtim.tv_nsec;
    s.ChangedSeconds = st.st_ctim.tv_sec;
    s.ChangedNanoseconds = st.st_ctim.tv_nsec;
    return s;
}

// Closes the descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_Fd(fd) {}
    ~Descriptor()
    {
        if (m_Fd >= 0) ::close(m_Fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_Fd; }
    bool Close()
    {
        const int fd = m_Fd;
        m_Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_Fd;
};

bool WriteAt(int fd, std::string_view bytes, off_t offset)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   offset + static_cast<off_t>(done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += static_cast<size_t>(w);
    }
    return true;
}

// Writes the whole content from the start and cuts the file to its length.
bool WriteWhole(int fd, std::string_view bytes)
{
    return WriteAt(fd, bytes, 0) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
}

// Makes sure the blocks a longer content needs exist before the file is overwritten, so
// that a full disk is found while the file is still whole.
bool Reserve(int fd, uint64_t oldSize, size_t newSize)
{
#if defined(__linux__)
    if (newSize <= oldSize) return true;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(oldSize),
                    static_cast<off_t>(newSize - oldSize)) == 0)
        return true;
    return errno != ENOSPC && errno != EDQUOT && errno != EFBIG;
#else
    (void)fd, (void)oldSize, (void)newSize;
    return true;
#endif
}

bool ReadAll(int fd, std::string& bytes, uint64_t expected)
{
    bytes.clear();
    bytes.reserve(static_cast<size_t>(expected));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (bytes.size() + static_cast<size_t>(n) > kProfileFileLimit) return false;
        bytes.append(chunk, static_cast<size_t>(n));
    }
}

std::string TemporaryName(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

} // namespace

bool FileStamp::operator==(const FileStamp& o) const
{
    return Device == o.Device && Inode == o.Inode && Size == o.Size &&
           ModifiedSeconds == o.ModifiedSeconds && ModifiedNanoseconds == o.ModifiedNanoseconds &&
           ChangedSeconds == o.ChangedSeconds && ChangedNanoseconds == o.ChangedNanoseconds;
}

bool IsRecent(const FileStamp& stamp)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const int64_t newest =
        stamp.ModifiedSeconds > stamp.ChangedSeconds ? stamp.ModifiedSeconds : stamp.ChangedSeconds;
    return now.tv_sec - newest < kRecentSeconds;
}

FileStatus StatProfileFile(const std::string& path, FileStamp& stamp)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? FileStatus::Missing : FileStatus::Refused;
    if (!S_ISREG(st.st_mode)) return FileStatus::Refused;
    stamp = StampOf(st);
    return FileStatus::Ok;
}

FileStatus ReadProfileFile(const std::string& path, std::string& bytes, FileStamp& stamp)
{
    // A file being rewritten is read again; one that never holds still is refused.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Non-blocking, so that a FIFO or device put under the name meanwhile cannot hold
        // the open; anything but a regular file is refused before it is read.
        Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.Get() < 0) return errno == ENOENT ? FileStatus::Missing : FileStatus::Refused;
        struct stat before {
        }, after{};
        if (::fstat(file.Get(), &before) != 0 || !S_ISREG(before.st_mode) ||
            static_cast<uint64_t>(before.st_size) > kProfileFileLimit)
            return FileStatus::Refused;
        if (!ReadAll(file.Get(), bytes, static_cast<uint64_t>(before.st_size)) ||
            ::fstat(file.Get(), &after) != 0)
            return FileStatus::Refused;
        stamp = StampOf(after);
        if (StampOf(before) == stamp && bytes.size() == stamp.Size) return FileStatus::Ok;
    }
    return FileStatus::Refused;
}

FileStatus RewriteProfileFile(const std::string& path, const FileStamp& expected,
                              std::string_view bytes, const std::function<std::string()>& previous,
                              FileStamp& after)
{
    Descriptor file(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) return errno == ENOENT ? FileStatus::Changed : FileStatus::Refused;
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0)
        return FileStatus::Refused;
    if (StampOf(st) != expected) return FileStatus::Changed;
    if (!Reserve(file.Get(), expected.Size, bytes.size())) return FileStatus::Refused;
    if (!WriteWhole(file.Get(), bytes)) {
        WriteWhole(file.Get(), previous()); // best effort: the old content back
        return FileStatus::Refused;
    }
    const bool synced = ::fsync(file.Get()) == 0 && ::fstat(file.Get(), &st) == 0;
    after = StampOf(st);
    return file.Close() && synced ? FileStatus::Ok : FileStatus::Refused;
}

FileStatus CreateProfileFile(const std::string& path, std::string_view bytes, FileStamp& after)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = TemporaryName(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return FileStatus::Refused;
    }
    if (fd < 0) return FileStatus::Refused;
    Descriptor file(fd);
    if (!WriteAt(fd, bytes, 0) || ::fsync(fd) != 0) {
        ::unlink(temp.c_str());
        return FileStatus::Refused;
    }
    const int linked = ::link(temp.c_str(), path.c_str());
    const int linkError = errno;
    ::unlink(temp.c_str());
    if (linked != 0) {
        if (linkError == EEXIST) return FileStatus::Changed;
        // No hard links on this file system: create the file under its name directly.
        file.Close();
        Descriptor direct(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (direct.Get() < 0) return errno == EEXIST ? FileStatus::Changed : FileStatus::Refused;
        struct stat st {};
        if (!WriteAt(direct.Get(), bytes, 0) || ::fsync(direct.Get()) != 0 ||
            ::fstat(direct.Get(), &st) != 0) {
            ::unlink(path.c_str());
            return FileStatus::Refused;
        }
        after = StampOf(st);
        return direct.Close() ? FileStatus::Ok : FileStatus::Refused;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return FileStatus::Refused;
    after = StampOf(st);
    return file.Close() ? FileStatus::Ok : FileStatus::Refused;
}

} // namespace qlcos::platform
